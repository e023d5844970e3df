#include "platform/d3d9/gl_state_cache.h"

#include <cstddef>

using std::size_t;

namespace qv::d3d {

using namespace qv::gl;

namespace {

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
    if (program_ != p) {
        glUseProgram(p);
        program_ = p;
    }
}

void GlStateCache::BindVertexArray(GLuint vao)
{
    if (vao_ != vao) {
        glBindVertexArray(vao);
        vao_ = vao;
        elementBuffer_ = kUnknown; // element buffer binding belongs to the VAO
    }
}

void GlStateCache::BindArrayBuffer(GLuint b)
{
    if (arrayBuffer_ != b) {
        glBindBuffer(GL_ARRAY_BUFFER, b);
        arrayBuffer_ = b;
    }
}

void GlStateCache::BindElementBuffer(GLuint b)
{
    if (elementBuffer_ != b) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b);
        elementBuffer_ = b;
    }
}

void GlStateCache::ActiveUnit(int unit)
{
    if (activeUnit_ != unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        activeUnit_ = unit;
    }
}

void GlStateCache::BindTexture(int unit, GLuint texture)
{
    if (textures_[size_t(unit)] != texture) {
        ActiveUnit(unit);
        glBindTexture(GL_TEXTURE_2D, texture);
        textures_[size_t(unit)] = texture;
    }
}

void GlStateCache::BindArrayTexture(int unit, GLuint texture)
{
    if (arrayTextures_[size_t(unit)] != texture) {
        ActiveUnit(unit);
        glBindTexture(GL_TEXTURE_2D_ARRAY, texture);
        arrayTextures_[size_t(unit)] = texture;
    }
}

void GlStateCache::BindSampler(int unit, GLuint sampler)
{
    if (samplers_[size_t(unit)] != sampler) {
        glBindSampler(GLuint(unit), sampler);
        samplers_[size_t(unit)] = sampler;
    }
}

void GlStateCache::BindDrawFramebuffer(GLuint fbo)
{
    if (drawFbo_ != fbo) {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
        drawFbo_ = fbo;
    }
}

void GlStateCache::BindReadFramebuffer(GLuint fbo)
{
    if (readFbo_ != fbo) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        readFbo_ = fbo;
    }
}

void GlStateCache::Enable(GLenum cap, bool on)
{
    int& cached = caps_[size_t(CapIndex(cap))];
    if (cached != int(on)) {
        on ? glEnable(cap) : glDisable(cap);
        cached = int(on);
    }
}

void GlStateCache::BlendFunc(GLenum srcRgb, GLenum dstRgb, GLenum srcA, GLenum dstA)
{
    const std::array<GLenum, 4> f = {srcRgb, dstRgb, srcA, dstA};
    if (blendFunc_ != f) {
        glBlendFuncSeparate(srcRgb, dstRgb, srcA, dstA);
        blendFunc_ = f;
    }
}

void GlStateCache::BlendEquation(GLenum rgb, GLenum alpha)
{
    const std::array<GLenum, 2> e = {rgb, alpha};
    if (blendEquation_ != e) {
        glBlendEquationSeparate(rgb, alpha);
        blendEquation_ = e;
    }
}

void GlStateCache::DepthFunc(GLenum f)
{
    if (depthFunc_ != f) {
        glDepthFunc(f);
        depthFunc_ = f;
    }
}

void GlStateCache::DepthMask(bool on)
{
    if (depthMask_ != int(on)) {
        glDepthMask(on ? GL_TRUE : GL_FALSE);
        depthMask_ = int(on);
    }
}

void GlStateCache::ColorMask(bool r, bool g, bool b, bool a)
{
    const int mask = int(r) | int(g) << 1 | int(b) << 2 | int(a) << 3;
    if (colorMask_ != mask) {
        glColorMask(r, g, b, a);
        colorMask_ = mask;
    }
}

void GlStateCache::CullFace(GLenum face)
{
    if (cullFace_ != face) {
        glCullFace(face);
        cullFace_ = face;
    }
}

void GlStateCache::PolygonMode(GLenum mode)
{
    if (polygonMode_ != mode) {
        glPolygonMode(GL_FRONT_AND_BACK, mode);
        polygonMode_ = mode;
    }
}

void GlStateCache::Viewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    const std::array<GLint, 4> v = {x, y, w, h};
    if (viewport_ != v) {
        glViewport(x, y, w, h);
        viewport_ = v;
    }
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
