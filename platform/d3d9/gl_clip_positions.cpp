#include "platform/d3d9/gl_clip_positions.h"

#include <cstring>
#include <new>

namespace qv::d3d {

bool GlClipPositions::Compute(const Source& source, int64_t first, uint32_t lo, uint32_t hi)
{
    const float* m = source.worldViewProj;
    const float sx = 2.0f / source.targetWidth, sy = 2.0f / source.targetHeight;
    const bool rhw = source.pretransformed;
    try {
        clip_.resize(3 * (size_t(hi) - lo + 1));
    } catch (const std::bad_alloc&) {
        return false;
    }
    float* c = clip_.data();
    for (size_t v = lo; v <= hi; ++v, c += 3) {
        float p[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        std::memcpy(p, source.vertices + (first + int64_t(v)) * int64_t(source.stride), rhw ? 16 : 12);
        // GL's y is Direct3D's turned over (the programs end with clip.y = -clip.y).
        if (rhw) {
            const float w = p[3] != 0.0f ? 1.0f / p[3] : 1.0f;
            c[0] = (p[0] * sx - 1.0f) * w;
            c[1] = (p[1] * sy - 1.0f) * w;
            c[2] = w;
        } else {
            c[0] = p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[12];
            c[1] = -(p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[13]);
            c[2] = p[0] * m[3] + p[1] * m[7] + p[2] * m[11] + m[15];
        }
    }
    return true;
}

} // namespace qv::d3d
