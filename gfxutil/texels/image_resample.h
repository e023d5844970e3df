// Resizing ARGB pictures: up to power-of-two texture sizes and down the mip chain.
#pragma once

#include "gfxutil/texels/image_types.h"

namespace texels {

enum class ResampleFilter {
    Point,   // nearest texel
    Linear,  // bilinear when enlarging, area average (box) when shrinking
};

// src must be non-empty; width and height at least 1.
ArgbImage Resample(const ArgbImage& src, UINT width, UINT height, ResampleFilter filter);

// The next level of a mip chain: each side halved, never below 1.
ArgbImage NextMipLevel(const ArgbImage& src, ResampleFilter filter);

}  // namespace texels
