#include "platform/d3d9/d3d9_texture.h"

#include "base/texture_size.h"
#include "platform/d3d9/d3d9_device.h"
#include "platform/d3d9/gl_state_cache.h"

#include <algorithm>

namespace qv::d3d {

using namespace qv::gl;

bool LockOffset(const FormatInfo& f, UINT width, UINT height, UINT pitch, const RECT* rect, size_t* offset)
{
    *offset = 0;
    if (!rect)
        return true;
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        UINT(rect->right) > width || UINT(rect->bottom) > height)
        return false;
    if (IsCompressed(f)) {
        if (rect->left % 4 || rect->top % 4)
            return false;
        *offset = size_t(rect->top / 4) * pitch + size_t(rect->left / 4) * f.blockBytes;
    } else {
        *offset = size_t(rect->top) * pitch + size_t(rect->left) * f.bytesPerPixel;
    }
    return true;
}

// ---- texture ---------------------------------------------------------------------------------

Texture::Texture(Device* device, const FormatInfo& format, DWORD usage, D3DPOOL pool)
    : DeviceChild(device), format_(format), usage_(usage), pool_(pool)
{
}

Texture* Texture::Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                         const FormatInfo& format, D3DPOOL pool)
{
    if (width == 0 || height == 0 || width > base::kMaxTextureSize || height > base::kMaxTextureSize)
        return nullptr;
    const UINT chain = base::MipChainLength(width, height);
    if (levels == 0)
        levels = chain;
    if (levels > chain)
        return nullptr;
    auto* texture = new Texture(device, format, usage, pool);
    if (GlTextureArrays* arrays = device->textureArrays())
        texture->page_ = arrays->Acquire(format, width, height, levels, device->CompressedDxtUpload(), &texture->layer_);
    texture->levels_.resize(levels);
    texture->surfaces_.resize(levels);
    for (UINT i = 0; i < levels; ++i) {
        Level& l = texture->levels_[i];
        l.width = std::max(1u, width >> i);
        l.height = std::max(1u, height >> i);
        l.bytes.assign(LevelBytes(format, l.width, l.height), 0);
    }
    return texture;
}

Texture::~Texture()
{
    device_->FlushBatch();
    surfaces_.clear();
    const bool current = device_->MakeCurrent();
    if (page_)
        device_->textureArrays()->Release(page_, layer_, device_->gl(), current);
    if (name_ && current) {
        device_->gl().ForgetTexture(name_);
        glDeleteTextures(1, &name_);
    }
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc)
{
    if (!desc || level >= levels_.size())
        return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = format_.format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Width = levels_[level].width;
    desc->Height = levels_[level].height;
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface)
{
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= levels_.size())
        return D3DERR_INVALIDCALL;
    if (!surfaces_[level]) {
        D3DSURFACE_DESC desc;
        GetLevelDesc(level, &desc);
        surfaces_[level] = std::make_unique<Surface>(Surface::Kind::TextureLevel, device_, this, desc, this, level);
    }
    AddRef();
    *surface = surfaces_[level].get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags)
{
    if (!locked || level >= levels_.size())
        return D3DERR_INVALIDCALL;
    device_->FlushBatch();
    locked->pBits = nullptr;
    locked->Pitch = 0;
    Level& l = levels_[level];
    if (l.locks)
        return D3DERR_INVALIDCALL;
    const UINT pitch = RowPitch(format_, l.width);
    size_t offset = 0;
    if (!LockOffset(format_, l.width, l.height, pitch, rect, &offset))
        return D3DERR_INVALIDCALL;
    ++l.locks;
    if (!(flags & D3DLOCK_READONLY)) {
        l.dirty = true;
        pending_ = true;
    }
    locked->Pitch = INT(pitch);
    locked->pBits = l.bytes.data() + offset;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level)
{
    if (level >= levels_.size() || levels_[level].locks == 0)
        return D3DERR_INVALIDCALL;
    device_->FlushBatch();
    --levels_[level].locks;
    return D3D_OK;
}

void Texture::UploadLevel(GLint index, Level& l, bool compressed)
{
    const GlTexelLayout gl = GlTexelLayoutOf(format_, compressed);
    const void* texels = l.bytes.data();
    std::vector<uint8_t> rgba;
    if (IsCompressed(format_) && !gl.blocks) {
        rgba.resize(size_t(l.width) * size_t(l.height) * 4);
        DecodeDxt(format_.format, l.bytes.data(), l.width, l.height, rgba.data());
        texels = rgba.data();
    } else if (es && !gl.blocks) {
        rgba.resize(size_t(l.width) * size_t(l.height) * 4);
        ExpandToRgba8(format_, l.bytes.data(), l.width, l.height, rgba.data());
        texels = rgba.data();
    }
    const GLsizei w = GLsizei(l.width), h = GLsizei(l.height);
    if (page_)
        device_->textureArrays()->Upload(*page_, layer_, UINT(index), texels, l.bytes.size());
    else if (gl.blocks)
        glCompressedTexImage2D(GL_TEXTURE_2D, index, GLenum(gl.internal), w, h, 0, GLsizei(l.bytes.size()), texels);
    else
        glTexImage2D(GL_TEXTURE_2D, index, gl.internal, w, h, 0, gl.format, gl.type, texels);
    l.dirty = false;
}

void Texture::Sync(GlStateCache& cache, int unit, bool compressedUpload)
{
    if (page_) {
        // A page's first texture to be drawn makes the GL texture that all its layers share.
        device_->textureArrays()->Bind(*page_, unit, cache);
    } else {
        const bool made = name_ == 0;
        if (made)
            glGenTextures(1, &name_);
        cache.BindTexture(unit, name_);
        if (made) {
            uploadedCompressed_ = compressedUpload;
            SetUpGlTexture(GL_TEXTURE_2D, format_, UINT(levels_.size()));
        }
    }
    if (pending_) {
        const bool compressed = page_ ? page_->compressed : uploadedCompressed_;
        // The bind above selects the unit only when it changes the binding, and an upload goes
        // to the texture bound on whichever unit is active.
        cache.ActiveUnit(unit);
        // A level still locked is being written: it goes up after its unlock, not half done.
        bool stillLocked = false;
        for (size_t i = 0; i < levels_.size(); ++i) {
            if (levels_[i].dirty && levels_[i].locks)
                stillLocked = true;
            else if (levels_[i].dirty)
                UploadLevel(GLint(i), levels_[i], compressed);
        }
        pending_ = stillLocked;
    }
}

// ---- surface ---------------------------------------------------------------------------------

Surface::Surface(Kind kind, Device* device, IUnknown* owner, const D3DSURFACE_DESC& desc, Texture* texture, UINT level)
    : kind_(kind), device_(device), owner_(owner), desc_(desc), texture_(texture), level_(level)
{
}

D3DSURFACE_DESC Surface::Desc(D3DFORMAT format, DWORD usage, D3DPOOL pool, UINT width, UINT height)
{
    D3DSURFACE_DESC desc{};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.Width = width;
    desc.Height = height;
    return desc;
}

Surface* Surface::CreatePlain(Device* device, UINT width, UINT height, const FormatInfo& format, D3DPOOL pool)
{
    if (width == 0 || height == 0 || width > base::kMaxTextureSize || height > base::kMaxTextureSize)
        return nullptr;
    auto* s = new Surface(Kind::Plain, device, nullptr, Desc(format.format, 0, pool, width, height), nullptr, 0);
    s->pitch_ = RowPitch(format, width);
    s->bytes_.assign(LevelBytes(format, width, height), 0);
    AttachChild(device);
    return s;
}

Surface::~Surface()
{
    if (kind_ == Kind::Plain)
        DetachChild(device_);
}

HRESULT Surface::QueryInterface(REFIID, void** object)
{
    if (object)
        *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Surface::AddRef()
{
    if (owner_)
        return owner_->AddRef();
    return ++refs_;
}

ULONG Surface::Release()
{
    if (owner_)
        return owner_->Release();
    if (refs_ == 0)
        return 0;
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Surface::GetDevice(IDirect3DDevice9** device) { return GetDeviceOf(device_, device); }

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc)
{
    if (!desc)
        return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags)
{
    switch (kind_) {
    case Kind::TextureLevel:
        return texture_->LockRect(level_, locked, rect, flags);
    case Kind::BackBuffer:
        // D3D9 locks a back buffer only when it was created lockable; ours never is.
        return D3DERR_INVALIDCALL;
    case Kind::Plain:
        break;
    }
    if (!locked || locks_)
        return D3DERR_INVALIDCALL;
    device_->FlushBatch();
    const FormatInfo* f = FindTextureFormat(desc_.Format);
    size_t offset = 0;
    if (!f || !LockOffset(*f, desc_.Width, desc_.Height, pitch_, rect, &offset))
        return D3DERR_INVALIDCALL;
    ++locks_;
    locked->Pitch = INT(pitch_);
    locked->pBits = bytes_.data() + offset;
    return D3D_OK;
}

HRESULT Surface::UnlockRect()
{
    if (kind_ == Kind::TextureLevel)
        return texture_->UnlockRect(level_);
    if (kind_ == Kind::BackBuffer || locks_ == 0)
        return D3DERR_INVALIDCALL;
    --locks_;
    return D3D_OK;
}

} // namespace qv::d3d
