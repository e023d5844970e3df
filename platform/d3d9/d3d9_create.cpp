// GL set-up of a new device, its back buffer, and the resources it creates.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_buffers.h"
#include "platform/d3d9/d3d9_direct3d.h"
#include "platform/d3d9/d3d9_letterbox.h"
#include "platform/d3d9/d3d9_texture.h"
#include "platform/d3d9/gl_edge_rule.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace qv::d3d {

using namespace qv::gl;

namespace {

constexpr UINT kMaxBufferBytes = 1u << 28;

// How every Create* call ends once its arguments have been judged (`refusal`, D3D_OK when
// there is none): the out-pointer cleared first, and an allocation failure reported rather
// than thrown through the COM boundary. `make` answers null for what it cannot hold.
template <class Interface, class Make>
HRESULT MakeObject(Interface** out, HRESULT refusal, Make make)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (refusal != D3D_OK)
        return refusal;
    try {
        *out = make();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return *out ? D3D_OK : D3DERR_INVALIDCALL;
}

// A buffer past the size limit is refused as a card without the memory would refuse it.
HRESULT BufferRefusal(bool valid, UINT length)
{
    if (!valid)
        return D3DERR_INVALIDCALL;
    return length > kMaxBufferBytes ? D3DERR_OUTOFVIDEOMEMORY : D3D_OK;
}

bool DepthFormatOf(D3DFORMAT f, GLenum* internal, bool* stencil)
{
    *stencil = false;
    switch (f) {
    case D3DFMT_D16: *internal = GL_DEPTH_COMPONENT16; return true;
    case D3DFMT_D24X8:
    case D3DFMT_D32: *internal = GL_DEPTH_COMPONENT24; return true;
    case D3DFMT_D24S8: *internal = GL_DEPTH24_STENCIL8; *stencil = true; return true;
    default: return false;
    }
}

// The pixels a depth texture of `internal` (one DepthFormatOf gives) is specified with.
void DepthTexturePixels(GLenum internal, GLenum* format, GLenum* type)
{
    *format = internal == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL : GL_DEPTH_COMPONENT;
    *type = internal == GL_DEPTH24_STENCIL8 ? GL_UNSIGNED_INT_24_8
            : internal == GL_DEPTH_COMPONENT16 ? GL_UNSIGNED_SHORT
                                               : GL_UNSIGNED_INT;
}

} // namespace

bool Device::InitGl()
{
    if (!MakeCurrent())
        return false;
    programs_.SetEdgeNudge(!RasterizerKeepsTopLeftRule(context_ ? context_->renderer : std::string()));
    cache_.Invalidate();
    glGenVertexArrays(1, &vao_);
    cache_.BindVertexArray(vao_);
    glGenSamplers(GLsizei(samplers_.size()), samplers_.data());
    for (int i = 0; i < kFfpStages; ++i)
        cache_.BindSampler(i, samplers_[size_t(i)]);
    for (auto& s : appliedSamplers_)
        s.fill(0xFFFFFFFFu);
    dirtySamplerStages_ = (1u << kFfpStages) - 1;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // See ApplyFixedState for how D3D's cull modes map onto this.
    glFrontFace(GL_CCW);
    // D3D9 takes a flat-shaded triangle's colour from its first vertex. ES has only the last.
    if (glProvokingVertex)
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    dxtUpload_ = HasExtension("GL_EXT_texture_compression_s3tc");
    programStore_.Open();
    // Pre-transformed vertices are in the back buffer's pixels, whatever size it is drawn at.
    uniforms_.posFixup[2] = float(params_.BackBufferWidth);
    uniforms_.posFixup[3] = float(params_.BackBufferHeight);
    const DWORD f = params_.BackBufferFormat;
    opaqueTarget_ = f != D3DFMT_A8R8G8B8;
    if (f != D3DFMT_X8R8G8B8 && f != D3DFMT_A8R8G8B8 && f != D3DFMT_R5G6B5 && f != D3DFMT_X1R5G5B5)
        return false;
    return InitBatching() && CreateBackBuffer() == D3D_OK;
}

void Device::ChooseRenderSize(GLsizei* width, GLsizei* height) const
{
    const GLsizei bw = GLsizei(params_.BackBufferWidth), bh = GLsizei(params_.BackBufferHeight);
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    *width = *height = 0;
    if (bw <= 0 || bh <= 0 || bw > maxSize || bh > maxSize)
        return;
    double scale = renderScale_;
    if (scale == 0.0) {
        // Following the window: as large as Present will show the picture, never smaller than it.
        int dw = 0, dh = 0;
        if (context_)
            context_->DrawableSize(&dw, &dh);
        const ShownRect shown = LetterboxRect(dw, dh, bw, bh);
        scale = std::max(1.0, std::min(double(shown.width) / bw, double(shown.height) / bh));
        if (shown.width >= bw && shown.height >= bh && shown.width <= maxSize && shown.height <= maxSize) {
            *width = shown.width;
            *height = shown.height;
            return;
        }
    }
    // A scale the driver cannot hold shrinks to what it can.
    scale = std::min({scale, double(kMaxRenderScale), double(maxSize) / bw, double(maxSize) / bh});
    *width = std::max(bw, GLsizei(std::lround(bw * scale)));
    *height = std::max(bh, GLsizei(std::lround(bh * scale)));
}

HRESULT Device::CreateBackBuffer()
{
    renderScale_ = RenderScaleSetting();
    ChooseRenderSize(&renderWidth_, &renderHeight_);
    if (renderWidth_ <= 0 || renderHeight_ <= 0)
        return D3DERR_INVALIDCALL;
    if (params_.EnableAutoDepthStencil && !DepthFormatOf(params_.AutoDepthStencilFormat, &depthFormat_, &hasStencil_))
        return D3DERR_INVALIDCALL;
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    samples_ = std::min(MultisampleSetting(), int(maxSamples));
    if (samples_ < 2)
        samples_ = 0;

    // Colour in textures, so that Present can read them with a program of its own. Multisampled,
    // draws go to renderbuffers of their own and are resolved into them. Depth is a texture too
    // unless multisampled: a renderbuffer may be given more bits than asked for (Firefox's WebGL
    // makes every 16-bit depth renderbuffer a 24-bit one), and depth compared at another
    // precision settles near ties along models' edges otherwise than the bits the game asked for.
    glGenTextures(GLsizei(colorBuffers_.size()), colorBuffers_.data());
    glGenFramebuffers(GLsizei(framebuffers_.size()), framebuffers_.data());
    if (depthFormat_ && samples_)
        glGenRenderbuffers(1, &depthBuffer_);
    else if (depthFormat_)
        glGenTextures(1, &depthBuffer_);
    if (samples_) {
        glGenFramebuffers(1, &msaaFramebuffer_);
        glGenRenderbuffers(1, &msaaColor_);
    }
    backIndex_ = 0;
    const HRESULT sized = SizeTargets();
    if (FAILED(sized))
        return sized;
    const D3DSURFACE_DESC desc = Surface::Desc(params_.BackBufferFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                                               params_.BackBufferWidth, params_.BackBufferHeight);
    backBufferSurface_ = std::make_unique<Surface>(Surface::Kind::BackBuffer, this, this, desc, nullptr, 0);
    return D3D_OK;
}

HRESULT Device::SizeTargets()
{
    const GLsizei w = renderWidth_, h = renderHeight_;
    const GLenum depthAttachment = hasStencil_ ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    if (depthBuffer_ && samples_) {
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, depthFormat_, w, h);
    } else if (depthBuffer_) {
        GLenum format = 0, type = 0;
        DepthTexturePixels(depthFormat_, &format, &type);
        cache_.BindTexture(0, depthBuffer_);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(depthFormat_), w, h, 0, format, type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    }
    // A new back buffer is black and its depth is far.
    const auto clear = [&] {
        if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            return false;
        cache_.ColorMask(true, true, true, true);
        cache_.DepthMask(true);
        cache_.Enable(GL_SCISSOR_TEST, false);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        ClearDepth(1.0f);
        glClear(GL_COLOR_BUFFER_BIT | (depthBuffer_ ? GL_DEPTH_BUFFER_BIT : 0u));
        return true;
    };
    for (size_t i = 0; i < framebuffers_.size(); ++i) {
        cache_.BindTexture(0, colorBuffers_[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        cache_.BindDrawFramebuffer(framebuffers_[i]);
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorBuffers_[i], 0);
        if (depthBuffer_ && !samples_)
            glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, depthAttachment, GL_TEXTURE_2D, depthBuffer_, 0);
        if (!clear())
            return D3DERR_NOTAVAILABLE;
    }
    if (samples_) {
        glBindRenderbuffer(GL_RENDERBUFFER, msaaColor_);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_RGBA8, w, h);
        cache_.BindDrawFramebuffer(msaaFramebuffer_);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, msaaColor_);
        if (depthBuffer_)
            glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, depthAttachment, GL_RENDERBUFFER, depthBuffer_);
        if (!clear())
            return D3DERR_NOTAVAILABLE;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    // Half a target pixel in NDC is 1/W across and 1/H down (GL's y runs up): at any scale a
    // pixel's centre lies where the back buffer's would, so edges fall on the scaled pixels'.
    uniforms_.posFixup[0] = 1.0f / float(w);
    uniforms_.posFixup[1] = -1.0f / float(h);
    ++versions_[kGroupViewport];
    // Points as wide as one back-buffer pixel drawn (ES: the programs work it out).
    if (!es)
        glPointSize(float(w) / float(params_.BackBufferWidth));
    BindBackBuffer();
    dirty_ |= kDirtyRaster | kDirtyDepth;
    return D3D_OK;
}

GLuint Device::DrawTarget() const { return samples_ ? msaaFramebuffer_ : framebuffers_[size_t(backIndex_)]; }

GLuint Device::ResolvedBackBuffer()
{
    const GLuint back = framebuffers_[size_t(backIndex_)];
    if (samples_) {
        cache_.BindReadFramebuffer(msaaFramebuffer_);
        cache_.BindDrawFramebuffer(back);
        cache_.Enable(GL_SCISSOR_TEST, false);
        cache_.ColorMask(true, true, true, true);
        glBlitFramebuffer(0, 0, renderWidth_, renderHeight_, 0, 0, renderWidth_, renderHeight_, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
        BindBackBuffer();
    }
    return back;
}

LONG Device::ScaleX(LONG x) const { return LONG(int64_t(x) * renderWidth_ / LONG(params_.BackBufferWidth)); }
LONG Device::ScaleY(LONG y) const { return LONG(int64_t(y) * renderHeight_ / LONG(params_.BackBufferHeight)); }


void Device::BindBackBuffer()
{
    cache_.BindDrawFramebuffer(DrawTarget());
    cache_.Viewport(0, 0, renderWidth_, renderHeight_);
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface)
{
    FlushBatch();
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    const UINT count = params_.BackBufferCount ? params_.BackBufferCount : 1;
    if (swapChain != 0 || index >= count || type != D3DBACKBUFFER_TYPE_MONO || !backBufferSurface_)
        return D3DERR_INVALIDCALL;
    backBufferSurface_->AddRef();
    *surface = backBufferSurface_.get();
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** surface)
{
    FlushBatch();
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (index != 0)
        return D3DERR_NOTFOUND;
    if (!backBufferSurface_)
        return D3DERR_INVALIDCALL;
    backBufferSurface_->AddRef();
    *surface = backBufferSurface_.get();
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* dest)
{
    auto* out = dynamic_cast<Surface*>(dest);
    if (!target || target != backBufferSurface_.get() || !out || out->kind() != Surface::Kind::Plain)
        return D3DERR_INVALIDCALL;
    FlushBatch();
    const D3DSURFACE_DESC& d = out->desc();
    if (d.Width != params_.BackBufferWidth || d.Height != params_.BackBufferHeight ||
        (d.Format != D3DFMT_X8R8G8B8 && d.Format != D3DFMT_A8R8G8B8) || !MakeCurrent())
        return D3DERR_INVALIDCALL;
    const GLuint back = ResolvedBackBuffer();
    const GLsizei bw = GLsizei(d.Width), bh = GLsizei(d.Height);
    if (renderWidth_ == bw && renderHeight_ == bh) {
        ReadFramebuffer(back, bw, bh, out->bits(), out->pitch());
        return D3D_OK;
    }
    // Drawn larger, the picture comes back at the back buffer's size, each pixel the blend of
    // those it was drawn as.
    GLuint fbo = 0, colour = 0;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, bw, bh);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    cache_.BindDrawFramebuffer(fbo);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    cache_.BindReadFramebuffer(back);
    cache_.Enable(GL_SCISSOR_TEST, false);
    cache_.ColorMask(true, true, true, true);
    glBlitFramebuffer(0, 0, renderWidth_, renderHeight_, 0, 0, bw, bh, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    ReadFramebuffer(fbo, bw, bh, out->bits(), out->pitch());
    cache_.BindReadFramebuffer(back); // so that the mirror names no deleted framebuffer
    BindBackBuffer();
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &colour);
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** texture, HANDLE* shared)
{
    const FormatInfo* info = FindTextureFormat(format);
    const bool valid = info && !shared && !(usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL));
    return MakeObject(texture, valid ? D3D_OK : D3DERR_INVALIDCALL,
                      [&] { return Texture::Create(this, width, height, levels, usage, *info, pool); });
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                                   HANDLE* shared)
{
    const bool valid = length != 0 && !shared && (!fvf || length >= FvfVertexSize(fvf));
    return MakeObject(buffer, BufferRefusal(valid, length),
                      [&] { return new VertexBuffer(this, length, usage, fvf, pool); });
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** buffer, HANDLE* shared)
{
    const bool valid = length != 0 && !shared && (format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32);
    return MakeObject(buffer, BufferRefusal(valid, length),
                      [&] { return new IndexBuffer(this, length, usage, format, pool); });
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE* shared)
{
    const FormatInfo* info = FindTextureFormat(format);
    return MakeObject(surface, info && !shared ? D3D_OK : D3DERR_INVALIDCALL,
                      [&] { return Surface::CreatePlain(this, width, height, *info, pool); });
}

} // namespace qv::d3d
