#include "base/file_read.h"

#include <filesystem>
#include <fstream>

namespace base {

bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>* out)
{
    if (path.empty()) return false;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0 || uint64_t(size) > maxBytes) return false;
    if (size == 0) {
        out->clear();
        return true;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    const std::streamsize got = in.gcount();
    if (got <= 0) return false;
    bytes.resize(size_t(got));
    *out = std::move(bytes);
    return true;
}

}  // namespace base
