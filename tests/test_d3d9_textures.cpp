// Textured drawing: texel orientation, every format the device takes, mip levels, texture
// transforms and the stage operations the engine uses.
#include "test_d3d9_support.h"

using namespace d3d9test;

namespace {

class D3D9Textures : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
    }
    void TearDown() override
    {
        device->EndScene();
        QvForceCpuDxtDecode(FALSE);
        DeviceTest::TearDown();
    }

    // A texture whose level `level` is filled by `fill(bytes, pitch, width, height)`.
    template <class Fill>
    IDirect3DTexture9* MakeTexture(UINT w, UINT h, UINT levels, D3DFORMAT f, Fill fill)
    {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, levels, 0, f, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
        for (UINT l = 0; t && l < t->GetLevelCount(); ++l) {
            D3DLOCKED_RECT lr{};
            D3DSURFACE_DESC d{};
            t->GetLevelDesc(l, &d);
            EXPECT_EQ(t->LockRect(l, &lr, nullptr, 0), D3D_OK);
            fill(static_cast<uint8_t*>(lr.pBits), lr.Pitch, d.Width, d.Height, l);
            t->UnlockRect(l);
        }
        return t;
    }

    // A screen-filling quad in pre-transformed coordinates, texture coordinates 0..1.
    void DrawTexturedQuad(float x0 = 0, float y0 = 0, float x1 = kW, float y1 = kH)
    {
        struct V {
            float x, y, z, rhw;
            DWORD c;
            float u, v;
        };
        x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
        const V q[4] = {{x0, y0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {x1, y0, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                        {x0, y1, 0.5f, 1, 0xFFFFFFFF, 0, 1}, {x1, y1, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
        DrawStrip(q, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    }
};

void Fill32(uint8_t* bits, INT pitch, UINT w, UINT h, DWORD (*colour)(UINT, UINT))
{
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            reinterpret_cast<DWORD*>(bits + y * pitch)[x] = colour(x, y);
}

TEST_F(D3D9Textures, FirstRowOfTheLockIsTheTopOfTheQuad)
{
    IDirect3DTexture9* t = MakeTexture(2, 2, 1, D3DFMT_A8R8G8B8, [](uint8_t* b, INT p, UINT w, UINT h, UINT) {
        Fill32(b, p, w, h, [](UINT x, UINT y) -> DWORD {
            static const DWORD c[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
            return c[y * 2 + x];
        });
    });
    device->SetTexture(0, t);
    DrawTexturedQuad();
    const auto px = Pixels();
    EXPECT_EQ(px[10 * kW + 10], 0xFFFF0000u);
    EXPECT_EQ(px[10 * kW + 50], 0xFF00FF00u);
    EXPECT_EQ(px[50 * kW + 10], 0xFF0000FFu);
    EXPECT_EQ(px[50 * kW + 50], 0xFFFFFFFFu);
    device->SetTexture(0, nullptr);
    t->Release();
}

struct FormatColour {
    D3DFORMAT format;
    UINT bytes;      // texel size
    uint32_t texel;  // one texel as stored
    DWORD expected;  // what the quad shows
};

TEST_F(D3D9Textures, EveryFormatSamplesAsD3DDefinesIt)
{
    const FormatColour cases[] = {
        {D3DFMT_A8R8G8B8, 4, 0xFF336699, 0xFF336699}, {D3DFMT_X8R8G8B8, 4, 0x00336699, 0xFF336699},
        {D3DFMT_A4R4G4B4, 2, 0xF36A, D3DCOLOR_XRGB(0x33, 0x66, 0xAA)},
        {D3DFMT_R5G6B5, 2, 0xFC00, D3DCOLOR_XRGB(255, 130, 0)},
        {D3DFMT_A1R5G5B5, 2, 0x801F, D3DCOLOR_XRGB(0, 0, 255)},
        {D3DFMT_L8, 1, 0x80, D3DCOLOR_XRGB(128, 128, 128)},
        {D3DFMT_A8B8G8R8, 4, 0xFF996633, D3DCOLOR_XRGB(0x33, 0x66, 0x99)},
        {D3DFMT_R8G8B8, 3, 0x336699, D3DCOLOR_XRGB(0x33, 0x66, 0x99)},
        {D3DFMT_X1R5G5B5, 2, 0x03E0, D3DCOLOR_XRGB(0, 255, 0)},
        {D3DFMT_X4R4G4B4, 2, 0x0F00, D3DCOLOR_XRGB(255, 0, 0)},
        {D3DFMT_A8, 1, 0x80, D3DCOLOR_XRGB(0, 0, 0)}, // black with alpha
        {D3DFMT_A8L8, 2, 0xFF40, D3DCOLOR_XRGB(0x40, 0x40, 0x40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format);
        const uint32_t texel = c.texel;
        const UINT bytes = c.bytes;
        IDirect3DTexture9* t = MakeTexture(4, 4, 1, c.format, [=](uint8_t* b, INT p, UINT w, UINT h, UINT) {
            for (UINT y = 0; y < h; ++y)
                for (UINT x = 0; x < w; ++x)
                    std::memcpy(b + y * p + x * bytes, &texel, bytes);
        });
        device->SetTexture(0, t);
        DrawTexturedQuad();
        EXPECT_TRUE(NearColour(PixelAt(20, 20), c.expected));
        device->SetTexture(0, nullptr);
        t->Release();
    }
}

TEST_F(D3D9Textures, DxtBlocksDecodeTheSameOnTheGpuAndOnTheCpu)
{
    // Colour 0 red, colour 1 blue; texel indices 0, 1, 2, 3 across every row. DXT1 with
    // c0 > c1 interpolates thirds.
    const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
    const DWORD expected[4] = {D3DCOLOR_XRGB(255, 0, 0), D3DCOLOR_XRGB(0, 0, 255), D3DCOLOR_XRGB(170, 0, 85),
                               D3DCOLOR_XRGB(85, 0, 170)};
    for (BOOL cpu : {FALSE, TRUE}) {
        SCOPED_TRACE(cpu ? "decoded on the CPU" : "uploaded compressed");
        QvForceCpuDxtDecode(cpu);
        IDirect3DTexture9* t = MakeTexture(4, 4, 1, D3DFMT_DXT1, [&](uint8_t* b, INT, UINT, UINT, UINT) {
            std::memcpy(b, block, sizeof block);
        });
        device->SetTexture(0, t);
        DrawTexturedQuad();
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(NearColour(PixelAt(UINT(i * 16 + 8), 30), expected[i], 3)) << "texel " << i;
        device->SetTexture(0, nullptr);
        t->Release();
    }
}

TEST_F(D3D9Textures, MipFilterPicksTheLevelTheShrinkAsksFor)
{
    // Level 0 red, level 1 green: a 64-texel texture on 32 pixels is a shrink by two.
    IDirect3DTexture9* t = MakeTexture(64, 64, 2, D3DFMT_A8R8G8B8, [](uint8_t* b, INT p, UINT w, UINT h, UINT l) {
        Fill32(b, p, w, h, l == 0 ? +[](UINT, UINT) -> DWORD { return 0xFFFF0000; }
                                  : +[](UINT, UINT) -> DWORD { return 0xFF00FF00; });
    });
    device->SetTexture(0, t);
    DrawTexturedQuad(0, 0, 32, 32);
    EXPECT_EQ(PixelAt(16, 16), 0xFFFF0000u) << "MIPFILTER NONE keeps level 0";
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    DrawTexturedQuad(0, 0, 32, 32);
    EXPECT_EQ(PixelAt(16, 16), 0xFF00FF00u);
    device->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(D3D9Textures, TwoDimensionalTransformTranslatesWithTheThirdRow)
{
    // D3D feeds (u, v, 1, 0) into the matrix for two coordinates: _31 and _32 translate.
    IDirect3DTexture9* t = MakeTexture(2, 1, 1, D3DFMT_A8R8G8B8, [](uint8_t* b, INT p, UINT w, UINT h, UINT) {
        Fill32(b, p, w, h, [](UINT x, UINT) -> DWORD { return x ? 0xFF00FF00 : 0xFFFF0000; });
    });
    device->SetTexture(0, t);
    D3DMATRIX m = Identity();
    m._31 = 0.5f;
    device->SetTransform(D3DTS_TEXTURE0, &m);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    struct V {
        float x, y, z;
        DWORD c;
        float u, v;
    };
    // Pre-transformed vertices skip texture transforms, so this one goes through the pipeline.
    const D3DMATRIX id = Identity();
    D3DMATRIX ortho = Identity(); // x, y in -1..1 straight to the screen
    device->SetTransform(D3DTS_WORLD, &id);
    device->SetTransform(D3DTS_VIEW, &id);
    device->SetTransform(D3DTS_PROJECTION, &ortho);
    const V q[4] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0}, {1, 1, 0.5f, 0xFFFFFFFF, 1, 0},
                    {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1}, {1, -1, 0.5f, 0xFFFFFFFF, 1, 1}};
    DrawStrip(q, kFvfPDT);
    EXPECT_EQ(PixelAt(8, 32), 0xFF00FF00u);  // u 0.1 + 0.5 is in the right texel
    EXPECT_EQ(PixelAt(40, 32), 0xFFFF0000u); // u 0.6 + 0.5 wraps to the left texel
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    DrawStrip(q, kFvfPDT);
    EXPECT_EQ(PixelAt(8, 32), 0xFFFF0000u);
    device->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(D3D9Textures, StageOperationsCombineTextureDiffuseAndFactor)
{
    IDirect3DTexture9* t = MakeTexture(1, 1, 1, D3DFMT_A8R8G8B8, [](uint8_t* b, INT p, UINT w, UINT h, UINT) {
        Fill32(b, p, w, h, [](UINT, UINT) -> DWORD { return 0x80808080; });
    });
    device->SetTexture(0, t);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF4080FF);
    struct Case {
        DWORD op, arg1, arg2;
        DWORD expected;
    } cases[] = {
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DCOLOR_XRGB(128, 128, 128)},
        {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DCOLOR_XRGB(0x40, 0x80, 0xFF)},
        {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DCOLOR_XRGB(32, 64, 128)},
        {D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DCOLOR_XRGB(64, 128, 255)},
        {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DCOLOR_XRGB(192, 255, 255)},
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, D3DCOLOR_XRGB(127, 127, 127)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "op " << c.op);
        device->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
        DrawTexturedQuad();
        EXPECT_TRUE(NearColour(PixelAt(20, 20), c.expected));
    }
    // Stage 1 adds onto stage 0's result; stage 2 stays off.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    DrawTexturedQuad();
    EXPECT_TRUE(NearColour(PixelAt(20, 20), D3DCOLOR_XRGB(192, 255, 255)));
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(D3D9Textures, AddressModesWrapMirrorAndClampBeyondOne)
{
    IDirect3DTexture9* t = MakeTexture(2, 1, 1, D3DFMT_A8R8G8B8, [](uint8_t* b, INT p, UINT w, UINT h, UINT) {
        Fill32(b, p, w, h, [](UINT x, UINT) -> DWORD { return x ? 0xFF00FF00 : 0xFFFF0000; });
    });
    device->SetTexture(0, t);
    struct V {
        float x, y, z, rhw;
        DWORD c;
        float u, v;
    };
    // u runs from 0 to 2 across the screen: the columns below sample 0.27, 0.77, 1.27, 1.77.
    const V q[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {63.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 2, 0},
                    {-0.5f, 63.5f, 0.5f, 1, 0xFFFFFFFF, 0, 1}, {63.5f, 63.5f, 0.5f, 1, 0xFFFFFFFF, 2, 1}};
    const DWORD red = 0xFFFF0000, green = 0xFF00FF00;
    const struct {
        DWORD mode;
        DWORD expected[4];
    } cases[] = {
        {D3DTADDRESS_WRAP, {red, green, red, green}},
        {D3DTADDRESS_MIRROR, {red, green, green, red}},
        {D3DTADDRESS_CLAMP, {red, green, green, green}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "address mode " << c.mode);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
        DrawStrip(q, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(PixelAt(UINT(8 + 16 * i), 30), c.expected[i]) << "column " << 8 + 16 * i;
    }
    device->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(D3D9Textures, SpecularColourIsAddedOnlyWhenEnabled)
{
    struct V {
        float x, y, z, rhw;
        DWORD diffuse, specular;
    };
    const V q[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFF404040, 0xFF201008}, {63.5f, -0.5f, 0.5f, 1, 0xFF404040, 0xFF201008},
                    {-0.5f, 63.5f, 0.5f, 1, 0xFF404040, 0xFF201008}, {63.5f, 63.5f, 0.5f, 1, 0xFF404040, 0xFF201008}};
    const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;
    DrawStrip(q, fvf);
    EXPECT_EQ(PixelAt(30, 30), 0xFF404040u);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    DrawStrip(q, fvf);
    EXPECT_TRUE(NearColour(PixelAt(30, 30), D3DCOLOR_XRGB(0x60, 0x50, 0x48)));
}

TEST_F(D3D9Textures, UntexturedStageShowsTheLitColour)
{
    // The mesh path draws a subset whose texture failed with SetTexture(0, null) and
    // MODULATE(TEXTURE, DIFFUSE), alpha SELECTARG1(TEXTURE): the vertex colour shows.
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    struct V {
        float x, y, z, rhw;
        DWORD c;
    };
    const V q[4] = {{-0.5f, -0.5f, 0.5f, 1, 0x80336699}, {63.5f, -0.5f, 0.5f, 1, 0x80336699},
                    {-0.5f, 63.5f, 0.5f, 1, 0x80336699}, {63.5f, 63.5f, 0.5f, 1, 0x80336699}};
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawStrip(q, kFvfRHW);
    // Half of the colour over black: the alpha came from the vertex too.
    EXPECT_TRUE(NearColour(PixelAt(20, 20), D3DCOLOR_XRGB(0x1A, 0x33, 0x4D)));
}

} // namespace
