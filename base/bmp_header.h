// Windows bitmap headers, as BMP files and packed DIBs start their picture description.
#pragma once

#include <cstdint>

namespace base {

// A BMP file's own header, in front of the DIB header; packed DIBs have none.
constexpr uint32_t kBmpFileHeaderBytes = 14;

// The DIB header sizes in use, which is also how a header tells its kind: OS/2 core (12),
// BITMAPINFOHEADER (40), the two Adobe extensions with colour masks (52, 56), V4 (108), V5 (124).
constexpr uint32_t kBmpCoreHeaderBytes = 12;
constexpr uint32_t kBmpInfoHeaderBytes = 40;

constexpr bool IsBmpHeaderSize(uint32_t size)
{
    return size == kBmpCoreHeaderBytes || size == kBmpInfoHeaderBytes || size == 52 || size == 56 ||
           size == 108 || size == 124;
}

}  // namespace base
