// D3DXCreateTextureFromFileA / ExA and their in-memory twins: an image file into a texture
// with a mip chain, made through the device's public calls only (CreateTexture, then
// LockRect/UnlockRect per level) so that any IDirect3DDevice9 can take it.
#include <d3dx9tex.h>

#include "gfxutil/texels/image_format.h"
#include "gfxutil/texels/image_resample.h"
#include "gfxutil/codecs/image_source.h"

#include "base/texture_size.h"

#include <algorithm>
#include <cstring>

namespace d3dx {

using namespace codecs;
using namespace texels;

namespace {

struct TexturePlan {
    UINT width = 0;
    UINT height = 0;
    UINT levels = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    ResampleFilter imageFilter = ResampleFilter::Linear;
    ResampleFilter mipFilter = ResampleFilter::Linear;
    D3DCOLOR colorKey = 0;
};

UINT NextPowerOfTwo(UINT v)
{
    UINT p = 1;
    while (p < v) p <<= 1;
    return p;
}

UINT ResolveSide(UINT requested, UINT fromFile)
{
    if (requested == 0 || requested == D3DX_DEFAULT) return NextPowerOfTwo(fromFile);
    if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return fromFile;
    return requested;
}

bool ResolveFilter(DWORD filter, ResampleFilter* out)
{
    if (filter == D3DX_DEFAULT) {
        *out = ResampleFilter::Linear;
        return true;
    }
    // The low byte names the filter; the flags above it (dither, mirror, sRGB) change nothing
    // that matters for the formats we write. NONE would leave the texels beyond a picture
    // that does not fill the texture undefined; the nearest texel fills them instead.
    switch (filter & 0xFF) {
        case D3DX_FILTER_NONE:
        case D3DX_FILTER_POINT: *out = ResampleFilter::Point; return true;
        case D3DX_FILTER_LINEAR:
        case D3DX_FILTER_TRIANGLE:
        case D3DX_FILTER_BOX: *out = ResampleFilter::Linear; return true;
        default: return false;
    }
}

HRESULT MakePlan(const SourceImage& src, const D3DCAPS9& caps, UINT width, UINT height,
                 UINT mipLevels, D3DFORMAT format, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                 TexturePlan* plan)
{
    if (!ResolveFilter(filter, &plan->imageFilter) || !ResolveFilter(mipFilter, &plan->mipFilter))
        return D3DERR_INVALIDCALL;
    plan->width = ResolveSide(width, src.width);
    plan->height = ResolveSide(height, src.height);
    if (plan->width > kMaxTextureSide || plan->height > kMaxTextureSide) return D3DERR_INVALIDCALL;
    // Too big for the device: halve until it fits, as the top mip levels would be dropped.
    while (caps.MaxTextureWidth && plan->width > caps.MaxTextureWidth) plan->width /= 2;
    while (caps.MaxTextureHeight && plan->height > caps.MaxTextureHeight) plan->height /= 2;

    const UINT full = base::MipChainLength(plan->width, plan->height);
    if (mipLevels == 0 || mipLevels == D3DX_DEFAULT) plan->levels = full;
    else if (mipLevels == D3DX_FROM_FILE) plan->levels = std::min(full, src.info.MipLevels);
    else plan->levels = std::min(full, mipLevels);

    plan->colorKey = colorKey;
    if (format == D3DFMT_UNKNOWN) {
        plan->format = src.format;
        // A colour key makes texels transparent; keep somewhere to put that.
        if (colorKey != 0 && !FormatHasAlpha(plan->format)) plan->format = D3DFMT_A8R8G8B8;
    } else if (format == D3DFMT_R8G8B8) {
        plan->format = D3DFMT_X8R8G8B8;  // the device has no 24-bit textures
    } else if (IsLoadableFormat(format)) {
        plan->format = format;
    } else {
        return D3DERR_NOTAVAILABLE;
    }
    return S_OK;
}

HRESULT WriteLevel(IDirect3DTexture9* texture, UINT level, D3DFORMAT format, UINT width,
                   UINT height, ByteView bytes)
{
    const size_t rowBytes = RowBytes(format, width);
    const UINT rows = RowCount(format, height);
    if (bytes.size < rowBytes * rows) return E_FAIL;
    D3DLOCKED_RECT locked{};
    HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    // A device that hands back less room than the level needs gets nothing written.
    if (!locked.pBits || locked.Pitch < 0 || size_t(locked.Pitch) < rowBytes) {
        texture->UnlockRect(level);
        return D3DERR_INVALIDCALL;
    }
    uint8_t* dst = static_cast<uint8_t*>(locked.pBits);
    for (UINT y = 0; y < rows; ++y)
        std::memcpy(dst + size_t(y) * size_t(locked.Pitch), bytes.data + y * rowBytes, rowBytes);
    return texture->UnlockRect(level);
}

void ApplyColorKey(ArgbImage* image, D3DCOLOR key)
{
    for (uint32_t& texel : image->pixels)
        if (texel == key) texel = 0;
}

// Fills every level: stored levels are copied as they are when nothing about them changes;
// the rest is made from the level above (or, for the top, from the whole picture).
HRESULT FillLevels(IDirect3DTexture9* texture, const SourceImage& src, const TexturePlan& plan)
{
    const bool copyStored = plan.format == src.format && plan.colorKey == 0 &&
                            plan.width == src.width && plan.height == src.height;
    ArgbImage previous;  // the level above, when it was made rather than copied
    for (UINT level = 0; level < plan.levels; ++level) {
        const UINT w = std::max(1u, plan.width >> level), h = std::max(1u, plan.height >> level);
        HRESULT hr;
        if (copyStored && level < src.stored.size()) {
            hr = WriteLevel(texture, level, plan.format, w, h, src.stored[level]);
            previous = ArgbImage();
        } else {
            ArgbImage current;
            if (level == 0) {
                if (!src.TopLevelArgb(&current)) return D3DXERR_INVALIDDATA;
                if (plan.colorKey != 0) ApplyColorKey(&current, plan.colorKey);
                current = Resample(current, w, h, plan.imageFilter);
            } else {
                // The level above was copied from the file: its texels are the ones to filter.
                const UINT pw = std::max(1u, plan.width >> (level - 1));
                const UINT ph = std::max(1u, plan.height >> (level - 1));
                if (previous.pixels.empty() &&
                    !DecodeLevel(plan.format, src.stored[level - 1], pw, ph, &previous))
                    return D3DXERR_INVALIDDATA;
                current = Resample(previous, w, h, plan.mipFilter);
            }
            const std::vector<uint8_t> bytes = EncodeLevel(plan.format, current);
            hr = WriteLevel(texture, level, plan.format, w, h, ByteView(bytes));
            previous = std::move(current);
        }
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// What the file and memory entry points share once the source is read.
HRESULT CreateTextureFromSource(IDirect3DDevice9* device, const SourceImage& src, UINT width,
                                UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                D3DXIMAGE_INFO* srcInfo, IDirect3DTexture9** out)
{
    TexturePlan plan;
    D3DCAPS9 caps{};
    if (FAILED(device->GetDeviceCaps(&caps))) caps = D3DCAPS9{};
    HRESULT hr =
        MakePlan(src, caps, width, height, mipLevels, format, filter, mipFilter, colorKey, &plan);
    if (FAILED(hr)) return hr;

    IDirect3DTexture9* texture = nullptr;
    hr = device->CreateTexture(plan.width, plan.height, plan.levels, usage, plan.format, pool,
                               &texture, nullptr);
    // A device without the file's format (DXT, 16-bit) still gets the picture, in 32 bits.
    if (FAILED(hr) && format == D3DFMT_UNKNOWN && plan.format != D3DFMT_A8R8G8B8 &&
        plan.format != D3DFMT_X8R8G8B8) {
        plan.format = FormatHasAlpha(plan.format) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        texture = nullptr;
        hr = device->CreateTexture(plan.width, plan.height, plan.levels, usage, plan.format, pool,
                                   &texture, nullptr);
    }
    if (FAILED(hr)) return hr;
    if (!texture) return E_FAIL;

    hr = FillLevels(texture, src, plan);
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    if (srcInfo) *srcInfo = src.info;
    *out = texture;
    return S_OK;
}

}  // namespace
}  // namespace d3dx

HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                            DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture)
{
    (void)pPalette;  // no palettised format is ever made
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
    codecs::SourceImage src;
    HRESULT hr = codecs::LoadSourceImage(pSrcFile, &src);
    if (FAILED(hr)) return hr;
    return d3dx::CreateTextureFromSource(pDevice, src, Width, Height, MipLevels, Usage, Format,
                                         Pool, Filter, MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                   UINT SrcDataSize, UINT Width, UINT Height,
                                                   UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                   D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                   PALETTEENTRY* pPalette,
                                                   LPDIRECT3DTEXTURE9* ppTexture)
{
    (void)pPalette;
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppTexture) return D3DERR_INVALIDCALL;
    codecs::SourceImage src;
    HRESULT hr = codecs::LoadSourceImage(
        texels::ByteView(static_cast<const uint8_t*>(pSrcData), SrcDataSize), &src);
    if (FAILED(hr)) return hr;
    return d3dx::CreateTextureFromSource(pDevice, src, Width, Height, MipLevels, Usage, Format,
                                         Pool, Filter, MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture)
{
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                        0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                        D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                 UINT SrcDataSize, LPDIRECT3DTEXTURE9* ppTexture)
{
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT,
                                               D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                               D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               nullptr, nullptr, ppTexture);
}
