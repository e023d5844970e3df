#include "programs/web/page_data_url.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace webpage {
namespace {

std::string Base64(const std::vector<unsigned char>& bytes)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned n = (unsigned(bytes[i]) << 16) | (i + 1 < bytes.size() ? unsigned(bytes[i + 1]) << 8 : 0u) |
                           (i + 2 < bytes.size() ? unsigned(bytes[i + 2]) : 0u);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
    }
    return out;
}

}  // namespace

std::string PngFileDataUrl(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> png((std::istreambuf_iterator<char>(file)), {});
    return png.empty() ? std::string() : "data:image/png;base64," + Base64(png);
}

}  // namespace webpage
