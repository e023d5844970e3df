#include "platform/d3d9/gl_primitive_rewrite.h"

#include "platform/d3d9/gl_state_cache.h"

#include <cstring>
#include <new>

namespace qv::d3d {

using namespace qv::gl;

bool GlPrimitiveRewrite::Needed(const Shape& shape)
{
    switch (shape.mode) {
    case GL_TRIANGLES:
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN: return shape.fill != GL_FILL || shape.flat;
    case GL_LINES:
    case GL_LINE_STRIP: return shape.flat;
    default: return false;
    }
}

uint32_t GlPrimitiveRewrite::Element(size_t i) const
{
    if (type_ == GL_UNSIGNED_SHORT) {
        uint16_t v;
        std::memcpy(&v, static_cast<const uint8_t*>(elements_) + 2 * i, 2);
        return v;
    }
    if (type_ == GL_UNSIGNED_INT) {
        uint32_t v;
        std::memcpy(&v, static_cast<const uint8_t*>(elements_) + 4 * i, 4);
        return v;
    }
    return uint32_t(i);
}

// GL's facing rule on clip coordinates: the sign of the determinant of the rows (x, y, w) is
// the sign of the triangle's area in the window, whatever it is clipped to. Zero area is a back
// face, as GL has it.
bool GlPrimitiveRewrite::Culled(uint32_t a, uint32_t b, uint32_t c) const
{
    if (!clip_ || !shape_.cullFace)
        return false;
    const float* p = clip_ + 3 * size_t(a - clipFirst_);
    const float* q = clip_ + 3 * size_t(b - clipFirst_);
    const float* r = clip_ + 3 * size_t(c - clipFirst_);
    const double det = double(p[0]) * (double(q[1]) * r[2] - double(r[1]) * q[2]) -
                       double(p[1]) * (double(q[0]) * r[2] - double(r[0]) * q[2]) +
                       double(p[2]) * (double(q[0]) * r[1] - double(r[0]) * q[1]);
    const bool front = det > 0.0;
    return shape_.cullFace == GL_BACK ? !front : front;
}

// (a, b, c) in Direct3D's order: a is the vertex a flat triangle takes its colour from.
void GlPrimitiveRewrite::EmitTriangle(uint32_t a, uint32_t b, uint32_t c)
{
    if (shape_.fill == GL_FILL) {
        // Turned round, not reflected: the winding stays and the first vertex comes last.
        out_.insert(out_.end(), {b, c, a});
        return;
    }
    if (Culled(a, b, c))
        return;
    if (shape_.fill == GL_LINE)
        out_.insert(out_.end(), {a, b, b, c, c, a});
    else
        out_.insert(out_.end(), {a, b, c});
}

bool GlPrimitiveRewrite::Rewrite(const Shape& shape, const void* elements, GLenum type, size_t count,
                                 const float* clip, uint32_t clipFirst, size_t maxElements, GLenum* mode)
{
    shape_ = shape;
    elements_ = elements;
    type_ = type;
    clip_ = clip;
    clipFirst_ = clipFirst;
    out_.clear();
    const bool lines = shape.mode == GL_LINES || shape.mode == GL_LINE_STRIP;
    // At most two elements an element for lines, six (a triangle's edges) for triangles.
    const size_t bound = lines ? 2 * count : 6 * count;
    if (count > maxElements || bound > maxElements)
        return false;
    try {
        out_.reserve(bound);
    } catch (const std::bad_alloc&) {
        return false;
    }
    switch (shape.mode) {
    case GL_LINES:
        for (size_t i = 0; i + 1 < count; i += 2)
            out_.insert(out_.end(), {Element(i + 1), Element(i)});
        *mode = GL_LINES;
        return true;
    case GL_LINE_STRIP:
        for (size_t i = 0; i + 1 < count; ++i)
            out_.insert(out_.end(), {Element(i + 1), Element(i)});
        *mode = GL_LINES;
        return true;
    case GL_TRIANGLES:
        for (size_t i = 0; i + 2 < count; i += 3)
            EmitTriangle(Element(i), Element(i + 1), Element(i + 2));
        break;
    case GL_TRIANGLE_STRIP:
        // Direct3D: triangle i starts at vertex i; every other one runs the other way round.
        for (size_t i = 0; i + 2 < count; ++i) {
            if (i % 2 == 0)
                EmitTriangle(Element(i), Element(i + 1), Element(i + 2));
            else
                EmitTriangle(Element(i), Element(i + 2), Element(i + 1));
        }
        break;
    case GL_TRIANGLE_FAN:
        // Direct3D: triangle i is (i + 1, i + 2, 0), the fan's own winding.
        for (size_t i = 0; i + 2 < count; ++i)
            EmitTriangle(Element(i + 1), Element(i + 2), Element(0));
        break;
    default: return false;
    }
    *mode = shape.fill == GL_LINE ? GL_LINES : shape.fill == GL_POINT ? GL_POINTS : GL_TRIANGLES;
    return true;
}

void GlPrimitiveRewrite::Upload(GlStateCache& cache)
{
    if (!buffer_)
        glGenBuffers(1, &buffer_);
    cache.BindElementBuffer(buffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(out_.size() * sizeof(uint32_t)), out_.data(), GL_STREAM_DRAW);
}

void GlPrimitiveRewrite::Release(GlStateCache& cache)
{
    if (buffer_) {
        cache.ForgetBuffer(buffer_);
        glDeleteBuffers(1, &buffer_);
        buffer_ = 0;
    }
}

} // namespace qv::d3d
