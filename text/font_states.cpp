// CTextureFont::PrepareDrawing: the glyph vertex buffer and the render state text is drawn in,
// recorded twice into state blocks.
#include "text/texture_font.h"

#include <initializer_list>

namespace {

// Room for the quads of one batch of glyphs.
constexpr UINT kGlyphVertexBufferBytes = 9600;

// Blending needs the render target's format to support it after the pixel shader. When the
// device cannot say (no Direct3D object, no render target), blending is assumed.
bool CanBlend(IDirect3DDevice9* device)
{
    IDirect3D9* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d) return true;
    D3DCAPS9 caps = {};
    D3DDISPLAYMODE mode = {};
    device->GetDeviceCaps(&caps);
    device->GetDisplayMode(0, &mode);
    IDirect3DSurface9* target = nullptr;
    if (FAILED(device->GetRenderTarget(0, &target)) || !target) {
        d3d->Release();
        return true;
    }
    D3DSURFACE_DESC desc = {};
    target->GetDesc(&desc);
    bool blend = SUCCEEDED(d3d->CheckDeviceFormat(
        caps.AdapterOrdinal, caps.DeviceType, mode.Format,
        D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING, D3DRTYPE_SURFACE,
        desc.Format));
    target->Release();
    d3d->Release();
    return blend;
}

// Textured by the atlas, tinted by the vertex colour, faint coverage discarded, blended over
// the scene when the target allows it.
void RecordTextStates(IDirect3DDevice9* device, IDirect3DTexture9* atlas, DWORD styleFlags,
                      bool blend)
{
    device->SetTexture(0, atlas);
    device->SetRenderState(D3DRS_ZENABLE, (styleFlags & TEXTUREFONT_ZENABLE) ? TRUE : FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend ? TRUE : FALSE);
    if (blend) {
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x08);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device->SetRenderState(D3DRS_CLIPPING, TRUE);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, FALSE);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE,
                           D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                               D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
}

}  // namespace

HRESULT CTextureFont::PrepareDrawing()
{
    // Called before BuildAtlas gave the font a device, there is nothing to record into.
    if (!device) return E_FAIL;
    HRESULT hr = device->CreateVertexBuffer(kGlyphVertexBufferBytes,
                                            D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                            D3DPOOL_DEFAULT, &glyphVertexBuffer, nullptr);
    if (FAILED(hr)) {
        glyphVertexBuffer = nullptr;
        return hr;
    }
    const bool blend = CanBlend(device);
    for (LPDIRECT3DSTATEBLOCK9* block : {&stateBlockA, &stateBlockB}) {
        device->BeginStateBlock();
        RecordTextStates(device, atlasTexture, styleFlags, blend);
        device->EndStateBlock(block);
    }
    return S_OK;
}
