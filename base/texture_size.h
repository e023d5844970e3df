// Texture sizes both the device and the loaders agree on.
#pragma once

#include <cstdint>

namespace base {

// The widest and tallest texture the device makes, and what its caps report.
constexpr uint32_t kMaxTextureSize = 8192;

// Levels in a full mip chain for this size: the longer side halved down to 1, counting both
// ends (1 x 1 has one level, 256 x 16 nine).
constexpr uint32_t MipChainLength(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    for (uint32_t side = width > height ? width : height; side > 1; side >>= 1) ++levels;
    return levels;
}

}  // namespace base
