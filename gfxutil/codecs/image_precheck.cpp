#include "gfxutil/codecs/image_precheck.h"

#include <cstring>

namespace codecs {

using namespace texels;

namespace {

// Chunk by chunk, each with its length, type, data and CRC, up to and including IEND.
bool PngComplete(ByteView f)
{
    for (uint64_t pos = 8;;) {
        if (pos + 8 > f.size) return false;
        const uint64_t length = f.Be32(pos);
        if (pos + 12 + length > f.size) return false;
        if (std::memcmp(f.data + pos + 4, "IEND", 4) == 0) return true;
        pos += 12 + length;
    }
}

// A DHT segment's tables: each a class/id byte, 16 code counts and as many symbols, at most
// 256 of them (there are no more byte values to code).
bool HuffmanTablesFit(ByteView segment)
{
    size_t pos = 0;
    while (pos < segment.size) {
        if (pos + 17 > segment.size) return false;
        size_t symbols = 0;
        for (size_t i = 1; i <= 16; ++i) symbols += segment.data[pos + i];
        if (symbols > 256 || pos + 17 + symbols > segment.size) return false;
        pos += 17 + symbols;
    }
    return true;
}

// Walks the marker segments and entropy-coded scans up to the end-of-image marker.
bool JpegComplete(ByteView f)
{
    size_t pos = 2;  // after start-of-image
    for (;;) {
        while (pos + 1 < f.size && f.data[pos] == 0xFF && f.data[pos + 1] == 0xFF) ++pos;  // fill
        if (pos + 1 >= f.size || f.data[pos] != 0xFF) return false;
        const uint8_t marker = f.data[pos + 1];
        pos += 2;
        if (marker == 0xD9) return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (pos + 2 > f.size) return false;
        const size_t length = f.Be16(pos);
        if (length < 2 || pos + length > f.size) return false;
        if (marker == 0xC4 && !HuffmanTablesFit(f.Sub(pos + 2, length - 2))) return false;
        pos += length;
        if (marker != 0xDA) continue;
        // Scan data: a 0xFF is either stuffed (FF 00), a restart (FF D0-D7) or the next marker.
        for (;;) {
            if (pos + 1 >= f.size) return false;
            if (f.data[pos] != 0xFF) {
                ++pos;
                continue;
            }
            const uint8_t next = f.data[pos + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) pos += 2;
            else if (next == 0xFF) pos += 1;
            else break;
        }
    }
}

}  // namespace

bool PassesPrecheck(D3DXIMAGE_FILEFORMAT format, ByteView file)
{
    switch (format) {
        case D3DXIFF_JPG: return JpegComplete(file);
        case D3DXIFF_PNG: return PngComplete(file);
        default: return true;
    }
}

}  // namespace codecs
