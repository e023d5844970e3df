// What the ES dialect cannot be told and Direct3D 9 draws on every device: a triangle's edges
// or corners instead of its inside (core's glPolygonMode), and flat shading by a primitive's
// first vertex (core's glProvokingVertex; ES always takes the last). A draw that needs either is
// rewritten on the CPU into a list of indices over the same vertices, in a primitive ES draws
// as Direct3D would: triangles turned so that their first vertex comes last (the winding, and
// so culling, stays), or each triangle's edges as lines or its corners as points. Lines and
// points are never culled by GL, so triangles are culled here first by GL's own rule.
// Core never needs this; solid Gouraud draws never come here.
#pragma once

#include "platform/d3d9/gl_api.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv::d3d {

class GlStateCache;

class GlPrimitiveRewrite {
public:
    struct Shape {
        GLenum mode = GL_TRIANGLES; // the draw's own: GL_POINTS, GL_LINES, GL_LINE_STRIP, GL_TRIANGLES, _STRIP, _FAN
        GLenum fill = GL_FILL;      // what a triangle becomes: GL_FILL, GL_LINE or GL_POINT
        bool flat = false;          // every primitive in its first vertex's colour
        GLenum cullFace = 0;        // 0, GL_BACK or GL_FRONT; counter-clockwise in GL's window is front
    };
    // Whether ES would draw this shape otherwise than Direct3D does.
    static bool Needed(const Shape& shape);

    // Rewrites the draw's `count` elements: indices of `type` (GL_UNSIGNED_SHORT or
    // GL_UNSIGNED_INT) at `elements`, or with `type` 0 the vertices 0 to count - 1. `clip` holds
    // x, y and w in GL's clip space for the vertices from `clipFirst` on, 3 floats each, as
    // GlClipPositions works them out; it is read only to cull lines and points and may be null
    // when nothing is culled. Sets `mode` to the GL mode of indices(), which may be empty
    // (everything culled); false when the list would pass `maxElements` or cannot be held.
    bool Rewrite(const Shape& shape, const void* elements, GLenum type, size_t count, const float* clip,
                 uint32_t clipFirst, size_t maxElements, GLenum* mode);
    const std::vector<uint32_t>& indices() const { return out_; }

    // Puts indices() in GL's element buffer of the bound vertex array (through `cache`).
    void Upload(GlStateCache& cache);
    // Deletes the GL buffer; the context must be current.
    void Release(GlStateCache& cache);

private:
    uint32_t Element(size_t i) const;
    bool Culled(uint32_t a, uint32_t b, uint32_t c) const;
    void EmitTriangle(uint32_t a, uint32_t b, uint32_t c);

    Shape shape_;
    const void* elements_ = nullptr;
    GLenum type_ = 0;
    const float* clip_ = nullptr;
    uint32_t clipFirst_ = 0;
    std::vector<uint32_t> out_;
    GLuint buffer_ = 0;
};

} // namespace qv::d3d
