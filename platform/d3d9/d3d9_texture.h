// 2D textures with their mip chain kept in system memory (as D3D's managed pool does) and
// uploaded to GL when a draw binds them; and the surfaces that stand for texture levels, the
// back buffer and plain off-screen images.
//
// Small textures of one format, size and level count are layers of one GL array texture
// (gl_texture_arrays.h): the layer is a per-draw value like the world matrix, and draws going
// from one of them to another still go to GL as one (d3d9_batch.cpp).
#pragma once

#include "platform/d3d9/d3d9_com.h"
#include "platform/d3d9/d3d9_formats.h"
#include "platform/d3d9/gl_texture_arrays.h"

#include <memory>
#include <vector>

namespace qv::d3d {

class GlStateCache;
class Surface;

class Texture final : public DeviceChild<IDirect3DTexture9> {
public:
    // Null for sizes or formats we cannot hold; `levels` 0 asks for the whole chain.
    static Texture* Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                           const FormatInfo& format, D3DPOOL pool);
    ~Texture() override;

    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return DWORD(levels_.size()); }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;

    // Uploads what changed since the last draw and leaves the texture bound on `unit`.
    void Sync(GlStateCache& cache, int unit, bool compressedUpload);
    bool pending() const { return pending_; }
    // A layer of an array texture (sampled with the layer's index) rather than a texture of its own.
    bool layered() const { return page_ != nullptr; }
    UINT layer() const { return layer_; }
    bool SharesArrayWith(const Texture& other) const { return page_ && page_ == other.page_; }

private:
    struct Level {
        UINT width, height;
        std::vector<uint8_t> bytes;
        bool dirty = true;
        int locks = 0;
    };
    Texture(Device* device, const FormatInfo& format, DWORD usage, D3DPOOL pool);
    void UploadLevel(GLint index, Level& level, bool compressed);

    const FormatInfo& format_;
    DWORD usage_;
    D3DPOOL pool_;
    std::vector<Level> levels_;
    std::vector<std::unique_ptr<Surface>> surfaces_;
    GLuint name_ = 0; // its own GL texture, when not layered
    GlTextureArrays::Page* page_ = nullptr;
    UINT layer_ = 0;
    bool pending_ = true;
    bool uploadedCompressed_ = false;
};

class Surface final : public IDirect3DSurface9 {
public:
    enum class Kind { TextureLevel, BackBuffer, Plain };

    // A texture level or the back buffer: counts forward to the owner, which frees it.
    Surface(Kind kind, Device* device, IUnknown* owner, const D3DSURFACE_DESC& desc, Texture* texture, UINT level);
    // A surface's description: its size, format, usage and pool.
    static D3DSURFACE_DESC Desc(D3DFORMAT format, DWORD usage, D3DPOOL pool, UINT width, UINT height);
    // A plain surface with its own memory and its own count.
    static Surface* CreatePlain(Device* device, UINT width, UINT height, const FormatInfo& format, D3DPOOL pool);
    ~Surface() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;

    Kind kind() const { return kind_; }
    const D3DSURFACE_DESC& desc() const { return desc_; }
    // Plain surfaces only: their pixels, pitch bytes a row.
    uint8_t* bits() { return bytes_.data(); }
    UINT pitch() const { return pitch_; }

private:
    Kind kind_;
    Device* device_;
    IUnknown* owner_;
    D3DSURFACE_DESC desc_;
    Texture* texture_;
    UINT level_;
    ULONG refs_ = 1;
    std::vector<uint8_t> bytes_;
    UINT pitch_ = 0;
    int locks_ = 0;
};

// Checks a lock rectangle against a surface of `width` x `height` and turns it into a byte
// offset into memory of `pitch` bytes a row. Block formats need block-aligned rectangles.
bool LockOffset(const FormatInfo& f, UINT width, UINT height, UINT pitch, const RECT* rect, size_t* offset);

} // namespace qv::d3d
