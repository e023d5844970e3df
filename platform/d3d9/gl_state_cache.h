// A mirror of the GL state the device touches, so that a draw issues a GL call only for what
// actually changes. Everything starts unknown and is set on first use.
#pragma once

#include "platform/d3d9/gl_api.h"

#include <array>

namespace qv::d3d {

class GlStateCache {
public:
    static constexpr int kUnits = 8;

    void Invalidate();

    void UseProgram(GLuint p);
    void BindVertexArray(GLuint vao);
    void BindArrayBuffer(GLuint b);
    void BindElementBuffer(GLuint b);
    // Makes `unit` the one that texture uploads and parameter calls go to.
    void ActiveUnit(int unit);
    void BindTexture(int unit, GLuint texture);
    void BindArrayTexture(int unit, GLuint texture); // GL_TEXTURE_2D_ARRAY
    void BindSampler(int unit, GLuint sampler);
    void BindDrawFramebuffer(GLuint fbo);
    void BindReadFramebuffer(GLuint fbo);
    void Enable(GLenum cap, bool on);
    void BlendFunc(GLenum srcRgb, GLenum dstRgb, GLenum srcA, GLenum dstA);
    void BlendEquation(GLenum rgb, GLenum alpha);
    void DepthFunc(GLenum f);
    void DepthMask(bool on);
    void ColorMask(bool r, bool g, bool b, bool a);
    void CullFace(GLenum face);
    void PolygonMode(GLenum mode);
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h);

    // Objects about to be deleted must leave the mirror, or a new object that GL gives the
    // same name would be taken as already bound.
    void ForgetTexture(GLuint texture);
    void ForgetBuffer(GLuint buffer);

private:
    static constexpr GLuint kUnknown = 0xFFFFFFFFu;
    GLuint program_ = kUnknown, vao_ = kUnknown, arrayBuffer_ = kUnknown, elementBuffer_ = kUnknown;
    GLuint drawFbo_ = kUnknown, readFbo_ = kUnknown;
    int activeUnit_ = -1;
    std::array<GLuint, kUnits> textures_{};
    std::array<GLuint, kUnits> arrayTextures_{};
    std::array<GLuint, kUnits> samplers_{};
    // Capabilities we switch: blend, depth test, cull face, scissor test.
    std::array<int, 4> caps_{};
    std::array<GLenum, 4> blendFunc_{};
    std::array<GLenum, 2> blendEquation_{};
    GLenum depthFunc_ = 0;
    int depthMask_ = -1;
    int colorMask_ = -1;
    GLenum cullFace_ = 0;
    GLenum polygonMode_ = 0;
    std::array<GLint, 4> viewport_{};
};

} // namespace qv::d3d
