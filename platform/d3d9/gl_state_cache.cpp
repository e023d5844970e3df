#include "platform/d3d9/gl_state_cache.h"

#include <cstddef>

using std::size_t;

namespace qv::d3d {

using namespace qv::gl;

namespace {

// Calls GL, and updates the mirror, only when `value` differs from what the mirror holds.
template <class T, class Call>
inline void Change(T& mirror, const T& value, Call call)
{
    if (mirror != value) {
        call();
        mirror = value;
    }
}

int CapIndex(GLenum cap)
{
    switch (cap) {
    case GL_BLEND: return 0;
    case GL_DEPTH_TEST: return 1;
    case GL_CULL_FACE: return 2;
    default: return 3; // GL_SCISSOR_TEST
    }
}

} // namespace

void GlStateCache::Invalidate()
{
    program_ = vao_ = arrayBuffer_ = elementBuffer_ = drawFbo_ = readFbo_ = kUnknown;
    activeUnit_ = -1;
    textures_.fill(kUnknown);
    arrayTextures_.fill(kUnknown);
    samplers_.fill(kUnknown);
    caps_.fill(-1);
    blendFunc_.fill(0);
    blendEquation_.fill(0);
    depthFunc_ = 0;
    depthMask_ = -1;
    colorMask_ = -1;
    cullFace_ = 0;
    polygonMode_ = 0;
    viewport_.fill(-1);
}

void GlStateCache::UseProgram(GLuint p)
{
    Change(program_, p, [&] { glUseProgram(p); });
}

void GlStateCache::BindVertexArray(GLuint vao)
{
    Change(vao_, vao, [&] {
        glBindVertexArray(vao);
        elementBuffer_ = kUnknown; // element buffer binding belongs to the VAO
    });
}

void GlStateCache::BindArrayBuffer(GLuint b)
{
    Change(arrayBuffer_, b, [&] { glBindBuffer(GL_ARRAY_BUFFER, b); });
}

void GlStateCache::BindElementBuffer(GLuint b)
{
    Change(elementBuffer_, b, [&] { glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b); });
}

void GlStateCache::ActiveUnit(int unit)
{
    Change(activeUnit_, unit, [&] { glActiveTexture(GLenum(GL_TEXTURE0 + unit)); });
}

void GlStateCache::BindTexture(int unit, GLuint texture)
{
    Change(textures_[size_t(unit)], texture, [&] {
        ActiveUnit(unit);
        glBindTexture(GL_TEXTURE_2D, texture);
    });
}

void GlStateCache::BindArrayTexture(int unit, GLuint texture)
{
    Change(arrayTextures_[size_t(unit)], texture, [&] {
        ActiveUnit(unit);
        glBindTexture(GL_TEXTURE_2D_ARRAY, texture);
    });
}

void GlStateCache::BindSampler(int unit, GLuint sampler)
{
    Change(samplers_[size_t(unit)], sampler, [&] { glBindSampler(GLuint(unit), sampler); });
}

void GlStateCache::BindDrawFramebuffer(GLuint fbo)
{
    Change(drawFbo_, fbo, [&] { glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo); });
}

void GlStateCache::BindReadFramebuffer(GLuint fbo)
{
    Change(readFbo_, fbo, [&] { glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo); });
}

void GlStateCache::Enable(GLenum cap, bool on)
{
    Change(caps_[size_t(CapIndex(cap))], int(on), [&] { on ? glEnable(cap) : glDisable(cap); });
}

void GlStateCache::BlendFunc(GLenum srcRgb, GLenum dstRgb, GLenum srcA, GLenum dstA)
{
    Change(blendFunc_, {srcRgb, dstRgb, srcA, dstA}, [&] { glBlendFuncSeparate(srcRgb, dstRgb, srcA, dstA); });
}

void GlStateCache::BlendEquation(GLenum rgb, GLenum alpha)
{
    Change(blendEquation_, {rgb, alpha}, [&] { glBlendEquationSeparate(rgb, alpha); });
}

void GlStateCache::DepthFunc(GLenum f)
{
    Change(depthFunc_, f, [&] { glDepthFunc(f); });
}

void GlStateCache::DepthMask(bool on)
{
    Change(depthMask_, int(on), [&] { glDepthMask(on ? GL_TRUE : GL_FALSE); });
}

void GlStateCache::ColorMask(bool r, bool g, bool b, bool a)
{
    Change(colorMask_, int(r) | int(g) << 1 | int(b) << 2 | int(a) << 3, [&] { glColorMask(r, g, b, a); });
}

void GlStateCache::CullFace(GLenum face)
{
    Change(cullFace_, face, [&] { glCullFace(face); });
}

void GlStateCache::PolygonMode(GLenum mode)
{
    // ES fills every polygon: points and lines come only from point and line primitives there.
    Change(polygonMode_, mode, [&] {
        if (glPolygonMode)
            glPolygonMode(GL_FRONT_AND_BACK, mode);
    });
}

void GlStateCache::Viewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    Change(viewport_, {x, y, w, h}, [&] { glViewport(x, y, w, h); });
}

void GlStateCache::ForgetTexture(GLuint texture)
{
    for (auto* bound : {&textures_, &arrayTextures_})
        for (auto& t : *bound)
            if (t == texture)
                t = kUnknown;
}

void GlStateCache::ForgetBuffer(GLuint buffer)
{
    if (arrayBuffer_ == buffer)
        arrayBuffer_ = kUnknown;
    if (elementBuffer_ == buffer)
        elementBuffer_ = kUnknown;
}

} // namespace qv::d3d
