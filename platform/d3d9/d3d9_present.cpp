// Clear, Present and reading the back buffer back. The back buffer is a pair of off-screen
// framebuffers: one is drawn into while the other holds the picture last presented.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_direct3d.h"
#include "platform/d3d9/d3d9_letterbox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>


namespace qv::d3d {

using namespace qv::gl;

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil)
{
    if ((count && !rects) || ((flags & D3DCLEAR_ZBUFFER) && !depthBuffer_) || ((flags & D3DCLEAR_STENCIL) && !hasStencil_))
        return D3DERR_INVALIDCALL;
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET)
        bits |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER)
        bits |= GL_DEPTH_BUFFER_BIT;
    if (flags & D3DCLEAR_STENCIL)
        bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits)
        return D3D_OK;
    FlushBatch();
    if (!MakeCurrent())
        return D3DERR_DEVICELOST;
    BindBackBuffer();
    // Clear ignores the colour-write and depth-write states in D3D9; GL's clear obeys them.
    cache_.ColorMask(true, true, true, true);
    cache_.DepthMask(true);
    const float a = opaqueTarget_ ? 1.0f : float((color >> 24) & 0xFF) / 255.0f;
    glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                 float(color & 0xFF) / 255.0f, a);
    ClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(GLint(stencil & 0xFF));
    const LONG w = LONG(params_.BackBufferWidth), h = LONG(params_.BackBufferHeight);
    if (count == 0) {
        cache_.Enable(GL_SCISSOR_TEST, false);
        glClear(bits);
    } else {
        cache_.Enable(GL_SCISSOR_TEST, true);
        for (DWORD i = 0; i < count; ++i) {
            const LONG x1 = std::clamp(rects[i].x1, 0, w), x2 = std::clamp(rects[i].x2, 0, w);
            const LONG y1 = std::clamp(rects[i].y1, 0, h), y2 = std::clamp(rects[i].y2, 0, h);
            if (x1 >= x2 || y1 >= y2)
                continue;
            // The back buffer holds D3D's top row in GL's row 0, so D3D's rows are GL's rows.
            glScissor(ScaleX(x1), ScaleY(y1), ScaleX(x2) - ScaleX(x1), ScaleY(y2) - ScaleY(y1));
            glClear(bits);
        }
        cache_.Enable(GL_SCISSOR_TEST, false);
    }
    dirty_ |= kDirtyRaster | kDirtyDepth;
    return D3D_OK;
}

namespace {

// Copies the back buffer into the window, turned upright: the back buffer holds the picture's
// top row first, the window counts its rows from the bottom. A flipping glBlitFramebuffer would
// do the same, but drivers that blit with shaders of their own (llvmpipe does) build those
// afresh in every process, which costs the first frame dearly; ours come from the GL driver's
// shader cache.
// The present pair's text after the preamble; ES has no noperspective, and needs none for a
// triangle at w 1.
const char* kPresentVertexShader = R"(QV_NOPERSPECTIVE out vec2 vPicture;
void main() {
    // One triangle over the whole window; the picture's top row at the window's top.
    vec2 corner = vec2(gl_VertexID == 1 ? 2.0 : 0.0, gl_VertexID == 2 ? 2.0 : 0.0);
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
    vPicture = vec2(corner.x, 1.0 - corner.y);
}
)";
const char* kPresentFragmentShader = R"(uniform sampler2D uPicture;
QV_NOPERSPECTIVE in vec2 vPicture;
out vec4 oColor;
void main() {
    oColor = textureLod(uPicture, vPicture, 0.0);
}
)";

std::string PresentShader(const char* body)
{
    std::string text = std::string(ShaderPreamble()) + body;
    const std::string mark = "QV_NOPERSPECTIVE ";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
        text.replace(at, mark.size(), es ? "" : "noperspective ");
    return text;
}

// A D3D rectangle (top-down) as GL blit corners inside a surface of `h` rows: the first
// corner is the top-left one. `flip` for the window, whose rows GL counts from the bottom;
// the back buffer already holds D3D's top row in GL's row 0.
void GlCorners(const RECT* r, LONG w, LONG h, bool flip, GLint out[4])
{
    RECT full = {0, 0, w, h};
    const RECT& c = r ? *r : full;
    out[0] = c.left;
    out[1] = flip ? h - c.top : c.top;
    out[2] = c.right;
    out[3] = flip ? h - c.bottom : c.bottom;
}

} // namespace

bool Device::DrawBackBufferUpright(GLint width, GLint height)
{
    if (!presentProgramTried_) {
        presentProgramTried_ = true;
        presentProgram_ = BuildProgram(programStore_, PresentShader(kPresentVertexShader), PresentShader(kPresentFragmentShader),
                                       "present");
        if (presentProgram_) {
            glGenVertexArrays(1, &presentVao_);
            glGenSamplers(1, &presentSampler_);
            glSamplerParameteri(presentSampler_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glSamplerParameteri(presentSampler_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glSamplerParameteri(presentSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glSamplerParameteri(presentSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
    }
    if (!presentProgram_)
        return false; // the caller blits instead
    cache_.Viewport(0, 0, width, height);
    cache_.Enable(GL_BLEND, false);
    cache_.Enable(GL_DEPTH_TEST, false);
    cache_.Enable(GL_CULL_FACE, false);
    cache_.PolygonMode(GL_FILL);
    cache_.UseProgram(presentProgram_); // its sampler reads unit 0, the default
    cache_.BindVertexArray(presentVao_);
    cache_.BindTexture(0, colorBuffers_[size_t(backIndex_)]);
    cache_.BindSampler(0, presentSampler_);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    cache_.BindSampler(0, samplers_[0]);
    dirty_ |= kDirtyBlend | kDirtyDepth | kDirtyRaster | kDirtyTextures;
    return true;
}

HRESULT Device::Present(const RECT* src, const RECT* dst, HWND, const RGNDATA*)
{
    FlushBatch();
    if (!context_ || !context_->WindowAlive() || !MakeCurrent())
        return D3DERR_DEVICELOST;
    int dw = 0, dh = 0;
    context_->DrawableSize(&dw, &dh);
    // The picture as drawn: the back buffer at the render scale.
    const LONG bw = renderWidth_, bh = renderHeight_;
    GLint s[4], d[4];
    GlCorners(src, LONG(params_.BackBufferWidth), LONG(params_.BackBufferHeight), false, s);
    s[0] = ScaleX(s[0]);
    s[2] = ScaleX(s[2]);
    s[1] = ScaleY(s[1]);
    s[3] = ScaleY(s[3]);
    GlCorners(dst, dw, dh, true, d);

    const GLuint back = ResolvedBackBuffer(), other = framebuffers_[size_t(backIndex_ ^ 1)];
    cache_.Enable(GL_SCISSOR_TEST, false);
    cache_.ColorMask(true, true, true, true);
    cache_.BindReadFramebuffer(back);
    if (dw > 0 && dh > 0) {
        cache_.BindDrawFramebuffer(0);
        const bool whole = !src && !dst && dw == bw && dh == bh;
        if (!whole || !DrawBackBufferUpright(dw, dh)) {
            cache_.Viewport(0, 0, dw, dh);
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            if (!src && !dst) {
                // Without a destination the picture keeps its shape: the largest rectangle of
                // its proportions in the window, centred, black bars round it.
                const ShownRect shown = LetterboxRect(dw, dh, bw, bh);
                const GLint shownY = dh - shown.y - shown.height; // GL counts the window's rows from the bottom
                d[0] = shown.x;
                d[1] = shownY + shown.height;
                d[2] = shown.x + shown.width;
                d[3] = shownY;
            }
            // The blit runs the source's rows top-down into the window's rows bottom-up: upright.
            const bool scaled = (s[2] - s[0]) != (d[2] - d[0]) || (s[3] - s[1]) != (d[1] - d[3]);
            glBlitFramebuffer(s[0], s[1], s[2], s[3], d[0], d[1], d[2], d[3], GL_COLOR_BUFFER_BIT,
                              scaled ? GL_LINEAR : GL_NEAREST);
        }
    }
    if (params_.SwapEffect == D3DSWAPEFFECT_COPY) {
        // COPY keeps the back buffer as it was; the presented picture goes to the other buffer.
        cache_.BindDrawFramebuffer(other);
        glBlitFramebuffer(0, 0, bw, bh, 0, 0, bw, bh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
        backIndex_ ^= 1;
    }

    const int overrideInterval = PresentIntervalOverride();
    const int interval = overrideInterval >= 0 ? overrideInterval
                       : params_.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
    if (interval != swapInterval_) {
        context_->SetSwapInterval(interval);
        swapInterval_ = interval;
    }
    context_->Swap();
    batcher_.FenceDrawn();
    presentedOnce_ = true;
    FollowWindowSize();
    BindBackBuffer();
    dirty_ |= kDirtyRaster;
    return D3D_OK;
}

void Device::FollowWindowSize()
{
    if (renderScale_ != 0.0f)
        return;
    GLsizei w = 0, h = 0;
    ChooseRenderSize(&w, &h);
    if (w <= 0 || h <= 0 || (w == renderWidth_ && h == renderHeight_) || (w == refusedWidth_ && h == refusedHeight_))
        return;
    // The next frame is drawn at the new size. Both buffers start black: the game draws every
    // frame whole, and the window already shows the last one.
    const GLsizei lastWidth = renderWidth_, lastHeight = renderHeight_;
    renderWidth_ = w;
    renderHeight_ = h;
    if (SUCCEEDED(SizeTargets()))
        return;
    // A size the driver cannot make (a browser out of memory at 2880 x 2160 and eight samples):
    // drawing goes on at the last size it made, rather than into targets left incomplete.
    refusedWidth_ = w;
    refusedHeight_ = h;
    renderWidth_ = lastWidth;
    renderHeight_ = lastHeight;
    (void)SizeTargets(); // a size it made before
}

void Device::ReadFramebuffer(GLuint fbo, GLsizei w, GLsizei h, uint8_t* bgra, UINT pitch)
{
    cache_.BindReadFramebuffer(fbo);
    std::vector<uint8_t> rows(size_t(w) * size_t(h) * 4);
    // ES reads only RGBA: red and blue change places below.
    glReadPixels(0, 0, w, h, es ? GL_RGBA : GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    // GL's row 0 already holds D3D's top row.
    for (GLsizei y = 0; y < h; ++y) {
        uint8_t* out = bgra + size_t(y) * pitch;
        std::memcpy(out, rows.data() + size_t(y) * size_t(w) * 4, size_t(w) * 4);
        if (es)
            for (GLsizei x = 0; x < w; ++x)
                std::swap(out[x * 4], out[x * 4 + 2]);
        if (opaqueTarget_)
            for (GLsizei x = 0; x < w; ++x)
                out[x * 4 + 3] = 0xFF;
    }
}

HRESULT Device::ReadBack(QvBackBufferSource source, DWORD* pixels, UINT capacity, UINT* width, UINT* height)
{
    // The picture as drawn, at the render scale.
    if (width)
        *width = UINT(renderWidth_);
    if (height)
        *height = UINT(renderHeight_);
    if (!pixels)
        return D3D_OK;
    if (size_t(capacity) < size_t(renderWidth_) * size_t(renderHeight_))
        return D3DERR_MOREDATA;
    if (source == QV_BACKBUFFER_PRESENTED && !presentedOnce_)
        return D3DERR_NOTAVAILABLE;
    FlushBatch();
    if (!MakeCurrent())
        return D3DERR_DEVICELOST;
    const GLuint fbo = source == QV_BACKBUFFER_PRESENTED ? framebuffers_[size_t(backIndex_ ^ 1)] : ResolvedBackBuffer();
    ReadFramebuffer(fbo, renderWidth_, renderHeight_, reinterpret_cast<uint8_t*>(pixels), UINT(renderWidth_) * 4);
    return D3D_OK;
}

void Device::Stats(QvDeviceStats* stats) const
{
    std::memset(stats, 0, sizeof *stats);
    stats->programsCompiled = programs_.compiled();
    stats->programsLoaded = programs_.loaded();
    stats->programsCached = UINT(programs_.size());
    stats->programBinaries = programStore_.offered() ? TRUE : FALSE;
    stats->samples = UINT(samples_);
    stats->draws = statsDraws_;
    stats->glDraws = statsGlDraws_;
    stats->rejectedDraws = statsRejected_;
    stats->behaviorFlags = behavior_ & (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING |
                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    if (context_)
        std::snprintf(stats->renderer, sizeof stats->renderer, "%s", context_->renderer.c_str());
}

} // namespace qv::d3d

