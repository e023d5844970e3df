// GL set-up of a new device, its back buffer, and the resources it creates.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_buffers.h"
#include "platform/d3d9/d3d9_direct3d.h"
#include "platform/d3d9/d3d9_texture.h"

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

} // namespace

bool Device::InitGl()
{
    if (!MakeCurrent())
        return false;
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
    // Half a pixel in NDC is 1/W across and 1/H down (GL's y runs up).
    uniforms_.posFixup[0] = 1.0f / float(params_.BackBufferWidth ? params_.BackBufferWidth : 1);
    uniforms_.posFixup[1] = -1.0f / float(params_.BackBufferHeight ? params_.BackBufferHeight : 1);
    uniforms_.posFixup[2] = float(params_.BackBufferWidth);
    uniforms_.posFixup[3] = float(params_.BackBufferHeight);
    const DWORD f = params_.BackBufferFormat;
    opaqueTarget_ = f != D3DFMT_A8R8G8B8;
    if (f != D3DFMT_X8R8G8B8 && f != D3DFMT_A8R8G8B8 && f != D3DFMT_R5G6B5 && f != D3DFMT_X1R5G5B5)
        return false;
    return InitBatching() && CreateBackBuffer() == D3D_OK;
}

HRESULT Device::CreateBackBuffer()
{
    const GLsizei w = GLsizei(params_.BackBufferWidth), h = GLsizei(params_.BackBufferHeight);
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (w <= 0 || h <= 0 || w > maxSize || h > maxSize)
        return D3DERR_INVALIDCALL;
    GLenum depthFormat = 0;
    if (params_.EnableAutoDepthStencil && !DepthFormatOf(params_.AutoDepthStencilFormat, &depthFormat, &hasStencil_))
        return D3DERR_INVALIDCALL;

    // Colour in textures, so that Present can read them with a program of its own.
    glGenTextures(GLsizei(colorBuffers_.size()), colorBuffers_.data());
    glGenFramebuffers(GLsizei(framebuffers_.size()), framebuffers_.data());
    if (depthFormat) {
        glGenRenderbuffers(1, &depthBuffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
        glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, w, h);
    }
    for (size_t i = 0; i < framebuffers_.size(); ++i) {
        cache_.BindTexture(0, colorBuffers_[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        cache_.BindDrawFramebuffer(framebuffers_[i]);
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorBuffers_[i], 0);
        if (depthBuffer_)
            glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, hasStencil_ ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                      GL_RENDERBUFFER, depthBuffer_);
        if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            return D3DERR_NOTAVAILABLE;
        // A new back buffer is black and its depth is far.
        cache_.ColorMask(true, true, true, true);
        cache_.DepthMask(true);
        cache_.Enable(GL_SCISSOR_TEST, false);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        ClearDepth(1.0f);
        glClear(GL_COLOR_BUFFER_BIT | (depthBuffer_ ? GL_DEPTH_BUFFER_BIT : 0u));
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    backIndex_ = 0;
    BindBackBuffer();
    dirty_ |= kDirtyRaster | kDirtyDepth;

    D3DSURFACE_DESC desc{};
    desc.Format = params_.BackBufferFormat;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = D3DUSAGE_RENDERTARGET;
    desc.Pool = D3DPOOL_DEFAULT;
    desc.Width = params_.BackBufferWidth;
    desc.Height = params_.BackBufferHeight;
    backBufferSurface_ = std::make_unique<Surface>(Surface::Kind::BackBuffer, this, this, desc, nullptr, 0);
    return D3D_OK;
}

void Device::BindBackBuffer()
{
    cache_.BindDrawFramebuffer(framebuffers_[size_t(backIndex_)]);
    cache_.Viewport(0, 0, GLsizei(params_.BackBufferWidth), GLsizei(params_.BackBufferHeight));
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
    ReadFramebuffer(framebuffers_[size_t(backIndex_)], out->bits(), out->pitch());
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
