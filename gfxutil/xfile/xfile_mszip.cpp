#include "gfxutil/xfile/xfile_mszip.h"

#include "base/byte_order.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

namespace xfile {
namespace {

constexpr size_t kHeaderBytes = 16;
constexpr size_t kWindowBytes = 32768;

struct InflateStream {
    z_stream z{};
    bool open = false;
    InflateStream() { open = inflateInit2(&z, -MAX_WBITS) == Z_OK; }
    ~InflateStream() { if (open) inflateEnd(&z); }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;
};

}  // namespace

bool InflateMszip(const uint8_t* data, size_t size, std::vector<uint8_t>& out)
{
    out.clear();
    if (size < 4) return false;
    const uint32_t declared = base::ReadLe32(data);
    if (declared < kHeaderBytes || declared - kHeaderBytes > kMaxExpandedBytes) return false;
    const size_t expected = declared - kHeaderBytes;

    InflateStream stream;
    if (!stream.open) return false;

    size_t pos = 4;
    while (pos < size) {
        if (size - pos < 4) return false;
        const size_t expandedSize = base::ReadLe16(data + pos);
        const size_t storedSize = base::ReadLe16(data + pos + 2);
        pos += 4;
        if (storedSize < 2 || storedSize > size - pos) return false;
        if (data[pos] != 'C' || data[pos + 1] != 'K') return false;
        // Growth is bounded by what the blocks actually hold and by the declared total.
        if (expandedSize == 0 || expandedSize > expected - out.size()) return false;

        if (inflateReset(&stream.z) != Z_OK) return false;
        if (!out.empty()) {
            const size_t window = std::min(out.size(), kWindowBytes);
            if (inflateSetDictionary(&stream.z, out.data() + out.size() - window, uInt(window)) != Z_OK)
                return false;
        }
        const size_t start = out.size();
        out.resize(start + expandedSize);
        stream.z.next_in = const_cast<Bytef*>(data + pos + 2);
        stream.z.avail_in = uInt(storedSize - 2);
        stream.z.next_out = out.data() + start;
        stream.z.avail_out = uInt(expandedSize);
        const int rc = inflate(&stream.z, Z_FINISH);
        if (rc != Z_STREAM_END && rc != Z_OK && rc != Z_BUF_ERROR) return false;
        // The block must fill exactly the size it announced.
        if (stream.z.avail_out != 0) return false;
        pos += storedSize;
    }
    return out.size() == expected;
}

}  // namespace xfile
