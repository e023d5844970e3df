// The Direct3D 9 hooks that need only the published interface, so both builds share them.
#include <qv_d3d9.h>

#include <cstdint>
#include <vector>

#include "platform/png/qv_png.h"

D3DPRESENT_PARAMETERS QvPresentParams(UINT width, UINT height)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

HRESULT QvSaveBackBufferPng(IDirect3DDevice9* device, QvBackBufferSource source, const char* path, int channels,
                            int compressionLevel)
{
    if (!path || (channels != 3 && channels != 4) || compressionLevel < 1 || compressionLevel > 9)
        return D3DERR_INVALIDCALL;
    UINT w = 0, h = 0;
    HRESULT hr = QvReadBackBuffer(device, source, nullptr, 0, &w, &h);
    if (FAILED(hr))
        return hr;
    std::vector<DWORD> pixels(size_t(w) * h);
    hr = QvReadBackBuffer(device, source, pixels.data(), UINT(pixels.size()), &w, &h);
    if (FAILED(hr))
        return hr;
    std::vector<uint8_t> bytes(pixels.size() * size_t(channels));
    for (size_t i = 0; i < pixels.size(); ++i) {
        const DWORD p = pixels[i];
        uint8_t* out = &bytes[i * size_t(channels)];
        out[0] = uint8_t(p >> 16);
        out[1] = uint8_t(p >> 8);
        out[2] = uint8_t(p);
        if (channels == 4)
            out[3] = uint8_t(p >> 24);
    }
    return QvWritePng(path, int(w), int(h), channels, bytes.data(), compressionLevel) ? D3D_OK : E_FAIL;
}
