// libFuzzer entry for texture loading: any bytes through D3DXCreateTextureFromFileInMemoryEx onto
// the real device, which allocates every level, so a size the loader gets wrong reaches the
// allocator. The options come from the input's length, so each file is also read with non-power-
// of-two sizes, the file's own mip count, a colour key or a format of its own. A texture that
// loads has sane levels, each of which can be locked and read whole.
#include "fuzz/fuzz_device.h"

#include <d3dx9tex.h>

#include <cstddef>
#include <cstdint>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

struct Options {
    UINT width, height, levels;
    D3DFORMAT format;
    DWORD filter, mipFilter;
    D3DCOLOR colorKey;
};

const Options kOptions[] = {
    // What the game asks for.
    {D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, D3DX_DEFAULT, D3DX_DEFAULT, 0},
    {D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE, D3DFMT_UNKNOWN, D3DX_FILTER_POINT,
     D3DX_FILTER_BOX, 0},
    {D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_A8R8G8B8, D3DX_FILTER_NONE, D3DX_DEFAULT, 0xFF000000},
    {7, 5, 3, D3DFMT_R5G6B5, D3DX_FILTER_LINEAR, D3DX_FILTER_POINT, 0},
};

UINT BytesPerPixel(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_A2R10G10B10:
    case D3DFMT_A2B10G10R10: return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8L8: return 2;
    case D3DFMT_L8:
    case D3DFMT_A8:
    case D3DFMT_R3G3B2: return 1;
    default: return 0;  // block formats and the rest: rows of blocks, not checked byte by byte
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IDirect3DDevice9* device = FuzzDevice();
    if (!device || size == 0) return 0;
    const Options& o = kOptions[size % 4];
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(device, data, UINT(size), o.width, o.height, o.levels, 0,
                                                           o.format, D3DPOOL_MANAGED, o.filter, o.mipFilter,
                                                           o.colorKey, &info, nullptr, &texture);
    if (FAILED(hr)) {
        Check(texture == nullptr);
        return 0;
    }
    Check(texture != nullptr);
    Check(info.Width > 0 && info.Height > 0 && info.Width <= 16384 && info.Height <= 16384);
    const DWORD levels = texture->GetLevelCount();
    Check(levels >= 1 && levels <= 15);
    volatile uint8_t sink = 0;
    for (DWORD level = 0; level < levels; ++level) {
        D3DSURFACE_DESC desc{};
        Check(SUCCEEDED(texture->GetLevelDesc(level, &desc)));
        Check(desc.Width > 0 && desc.Height > 0);
        D3DLOCKED_RECT locked{};
        Check(SUCCEEDED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)));
        const UINT bytes = BytesPerPixel(desc.Format);
        if (bytes) {
            Check(locked.Pitch >= INT(desc.Width * bytes));
            // Every byte of every row: what the loader wrote, all of it inside the level.
            for (UINT y = 0; y < desc.Height; ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
                for (UINT x = 0; x < desc.Width * bytes; ++x) sink = sink ^ row[x];
            }
        }
        texture->UnlockRect(level);
    }
    (void)sink;
    texture->Release();
    return 0;
}
