#include "gfxutil/texels/image_resample.h"

#include <algorithm>
#include <cmath>

namespace texels {
namespace {

// The source texels one output texel along an axis draws from, with their weights.
struct Taps {
    UINT first = 0;
    std::vector<float> weights;
};

std::vector<Taps> AxisTaps(UINT srcSize, UINT dstSize, ResampleFilter filter)
{
    std::vector<Taps> taps(dstSize);
    const double scale = double(srcSize) / dstSize;
    const UINT last = srcSize - 1;
    for (UINT i = 0; i < dstSize; ++i) {
        Taps& t = taps[i];
        if (filter == ResampleFilter::Point) {
            t.first = std::min(last, UINT((i + 0.5) * scale));
            t.weights = {1.0f};
        } else if (scale <= 1.0) {
            // Texel centres line up at (i + 0.5) in both pictures; edges clamp.
            double centre = std::max(0.0, (i + 0.5) * scale - 0.5);
            UINT i0 = std::min(last, UINT(centre));
            float frac = float(centre - i0);
            t.first = i0;
            if (i0 < last && frac > 0.0f) t.weights = {1.0f - frac, frac};
            else t.weights = {1.0f};  // past the last centre: the edge texel alone
        } else {
            double lo = i * scale, hi = (i + 1) * scale;
            t.first = UINT(lo);
            for (UINT j = t.first; j < srcSize && j < hi; ++j) {
                double overlap = std::min(hi, j + 1.0) - std::max(lo, double(j));
                t.weights.push_back(float(overlap / scale));
            }
        }
    }
    return taps;
}

uint32_t Blend(const uint32_t* texels, size_t stride, const Taps& t)
{
    float sum[4] = {0, 0, 0, 0};
    for (size_t k = 0; k < t.weights.size(); ++k) {
        uint32_t c = texels[(t.first + k) * stride];
        for (int ch = 0; ch < 4; ++ch) sum[ch] += t.weights[k] * float((c >> (8 * ch)) & 0xFF);
    }
    uint32_t out = 0;
    for (int ch = 0; ch < 4; ++ch)
        out |= uint32_t(std::clamp(std::lround(sum[ch]), 0L, 255L)) << (8 * ch);
    return out;
}

// Each channel of two texels averaged and rounded half up, as the box filter does when it halves
// a side: weights of exactly one half, summed in float and rounded with lround.
inline uint32_t AverageUp(uint32_t a, uint32_t b) { return (a | b) - (((a ^ b) & 0xFEFEFEFEu) >> 1); }

// The box filter's result when each side is kept or exactly halved (every step down a mip chain
// of even sides), with the same two passes and the same rounding after each, in integers.
ArgbImage HalveBox(const ArgbImage& src, UINT width, UINT height)
{
    const bool across = src.width != width, down = src.height != height;
    ArgbImage rows(width, src.height);
    for (UINT y = 0; y < src.height; ++y) {
        const uint32_t* in = &src.pixels[size_t(y) * src.width];
        uint32_t* out = &rows.pixels[size_t(y) * width];
        for (UINT x = 0; x < width; ++x) out[x] = across ? AverageUp(in[2 * size_t(x)], in[2 * size_t(x) + 1]) : in[x];
    }
    if (!down) return rows;
    ArgbImage out(width, height);
    for (UINT y = 0; y < height; ++y) {
        const uint32_t* top = &rows.pixels[size_t(2 * y) * width];
        const uint32_t* bottom = top + width;
        uint32_t* line = &out.pixels[size_t(y) * width];
        for (UINT x = 0; x < width; ++x) line[x] = AverageUp(top[x], bottom[x]);
    }
    return out;
}

}  // namespace

ArgbImage Resample(const ArgbImage& src, UINT width, UINT height, ResampleFilter filter)
{
    if (src.width == width && src.height == height) return src;
    if (filter == ResampleFilter::Linear && (src.width == width || src.width == 2 * width) &&
        (src.height == height || src.height == 2 * height))
        return HalveBox(src, width, height);
    const std::vector<Taps> across = AxisTaps(src.width, width, filter);
    const std::vector<Taps> down = AxisTaps(src.height, height, filter);
    // Rows first, then columns: two short passes instead of a full 2D kernel per texel.
    ArgbImage rows(width, src.height);
    for (UINT y = 0; y < src.height; ++y) {
        const uint32_t* line = &src.pixels[size_t(y) * src.width];
        for (UINT x = 0; x < width; ++x)
            rows.pixels[size_t(y) * width + x] = Blend(line, 1, across[x]);
    }
    ArgbImage out(width, height);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            out.pixels[size_t(y) * width + x] = Blend(&rows.pixels[x], width, down[y]);
    return out;
}

ArgbImage NextMipLevel(const ArgbImage& src, ResampleFilter filter)
{
    return Resample(src, std::max(1u, src.width / 2), std::max(1u, src.height / 2), filter);
}

}  // namespace texels
