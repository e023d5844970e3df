// Vertices in GL's clip space, worked out on the CPU for the ES rewrite (gl_primitive_rewrite.h):
// GL never culls the lines and points a wireframe or point-fill draw becomes there, so the
// rewrite culls its triangles first, by their facing in clip space. Each position is the one
// the vertex program computes but for the half-pixel shift, which turns no triangle round.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv::d3d {

class GlClipPositions {
public:
    // Where the positions come from.
    struct Source {
        const uint8_t* vertices = nullptr; // vertex 0: the stream's buffer from its offset
        size_t stride = 0;
        bool pretransformed = false;          // x, y, z, rhw in pixels; else x, y, z
        const float* worldViewProj = nullptr; // Direct3D's row-vector matrix, for untransformed ones
        float targetWidth = 0.0f, targetHeight = 0.0f; // in pixels, for pre-transformed ones
    };

    // Works out the clip x, y and w of vertices first + lo to first + hi, which the caller has
    // checked lie inside the buffer; false when they cannot be held.
    bool Compute(const Source& source, int64_t first, uint32_t lo, uint32_t hi);
    // 3 floats a vertex, from vertex first + lo on.
    const float* data() const { return clip_.data(); }

private:
    std::vector<float> clip_;
};

} // namespace qv::d3d
