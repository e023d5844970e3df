// Image files the texture loader reads: plain 24-bit BMP, and DDS with DXT1 blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace models {

// Uncompressed 24-bit BGR, bottom-up rows: the plainest BMP there is.
std::vector<uint8_t> EncodeBmp(const Image& img);

// DXT1 (opaque, four-colour blocks) with the full mip chain down to 1 x 1, each level the 2 x 2
// box average of the one above. The side must be a power of two.
std::vector<uint8_t> EncodeDdsDxt1(const Image& img);

// The levels EncodeDdsDxt1 compresses, largest first.
std::vector<Image> MipChain(const Image& img);

}  // namespace models
