// Pictures drawn through the GL device, checked where D3D9's fixed-function equations put
// them: position on screen, colour from lighting and material, blending, culling, depth.
#include "test_d3d9_support.h"

using namespace d3d9test;

namespace {

// Camera at the origin looking along +z, 90 degree field of view, near 1, far 100: a quad
// at z = 10 spanning -5..5 covers the middle half of the screen.
D3DMATRIX Projection()
{
    D3DMATRIX p{};
    p._11 = p._22 = 1.0f;
    p._33 = 100.0f / 99.0f;
    p._34 = 1.0f;
    p._43 = -100.0f / 99.0f;
    return p;
}

class D3D9Render : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        const D3DMATRIX id = Identity(), proj = Projection();
        device->SetTransform(D3DTS_VIEW, &id);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetTransform(D3DTS_WORLD, &id);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0);
        device->BeginScene();
    }
    void TearDown() override
    {
        device->EndScene();
        DeviceTest::TearDown();
    }

    // Clockwise on screen (top-left, top-right, bottom-left, bottom-right as a strip): D3D's front.
    void QuadPDT(VertexPDT (&q)[4], float z, DWORD colour, float half = 5.0f)
    {
        const VertexPDT v[4] = {{-half, half, z, colour, 0, 0}, {half, half, z, colour, 1, 0},
                                {-half, -half, z, colour, 0, 1}, {half, -half, z, colour, 1, 1}};
        std::memcpy(q, v, sizeof v);
    }
    void QuadPNT(VertexPNT (&q)[4], float z, float nz)
    {
        const VertexPNT v[4] = {{-5, 5, z, 0, 0, nz, 0, 0}, {5, 5, z, 0, 0, nz, 1, 0},
                                {-5, -5, z, 0, 0, nz, 0, 1}, {5, -5, z, 0, 0, nz, 1, 1}};
        std::memcpy(q, v, sizeof v);
    }

    static constexpr DWORD kClear = 0xFF102030;
};

TEST_F(D3D9Render, ClearFillsTheBackBufferWithTheColour)
{
    EXPECT_EQ(PixelAt(0, 0), kClear);
    EXPECT_EQ(PixelAt(kW - 1, kH - 1), kClear);
}

TEST_F(D3D9Render, UnlitQuadLandsWhereTheProjectionPutsIt)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    VertexPDT q[4];
    QuadPDT(q, 10.0f, 0xFF00FF00);
    DrawStrip(q, kFvfPDT);
    const auto px = Pixels();
    // Covers x and y from 16 to 48 in D3D screen space.
    EXPECT_EQ(px[32 * kW + 32], 0xFF00FF00u);
    EXPECT_EQ(px[17 * kW + 17], 0xFF00FF00u);
    EXPECT_EQ(px[46 * kW + 46], 0xFF00FF00u);
    EXPECT_EQ(px[14 * kW + 32], kClear);
    EXPECT_EQ(px[32 * kW + 49], kClear);
    EXPECT_EQ(px[50 * kW + 32], kClear);
}

TEST_F(D3D9Render, PretransformedQuadCoversExactlyThePixelsWhoseCentresItContains)
{
    // D3D9 puts pixel centres on integers: a quad from 9.5 to 19.5 covers pixels 10..19.
    const VertexRHW q[4] = {{9.5f, 4.5f, 0.5f, 1.0f, 0xFFFF0000}, {19.5f, 4.5f, 0.5f, 1.0f, 0xFFFF0000},
                            {9.5f, 14.5f, 0.5f, 1.0f, 0xFFFF0000}, {19.5f, 14.5f, 0.5f, 1.0f, 0xFFFF0000}};
    DrawStrip(q, kFvfRHW);
    const auto px = Pixels();
    for (UINT x = 8; x <= 21; ++x) {
        const bool inside = x >= 10 && x <= 19;
        EXPECT_EQ(px[10 * kW + x], inside ? 0xFFFF0000u : kClear) << "column " << x;
    }
    for (UINT y = 3; y <= 16; ++y) {
        const bool inside = y >= 5 && y <= 14;
        EXPECT_EQ(px[y * kW + 15], inside ? 0xFFFF0000u : kClear) << "row " << y;
    }
}

TEST_F(D3D9Render, IndexedDrawsCountTheirIndicesFromTheBaseVertex)
{
    // Two quads in one buffer, drawn through the same four indices: the base vertex picks one.
    const VertexRHW v[8] = {
        {4, 4, 0.5f, 1, 0xFFFF0000},  {20, 4, 0.5f, 1, 0xFFFF0000},  {4, 20, 0.5f, 1, 0xFFFF0000},  {20, 20, 0.5f, 1, 0xFFFF0000},
        {40, 4, 0.5f, 1, 0xFF00FF00}, {56, 4, 0.5f, 1, 0xFF00FF00}, {40, 20, 0.5f, 1, 0xFF00FF00}, {56, 20, 0.5f, 1, 0xFF00FF00}};
    IDirect3DVertexBuffer9* vb = MakeBuffer(v, 8, kFvfRHW);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    const WORD indices[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(p, indices, sizeof indices);
    ib->Unlock();
    device->SetStreamSource(0, vb, 0, sizeof(VertexRHW));
    device->SetIndices(ib);
    device->SetFVF(kFvfRHW);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->BeginScene();
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(PixelAt(48, 12), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(12, 12), kClear);
    // Back to the first quad with nothing else changed, and with the stream starting at the
    // second quad and the base vertex stepping back to the first.
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(PixelAt(12, 12), 0xFFFF0000u);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
    device->SetStreamSource(0, vb, 4 * sizeof(VertexRHW), sizeof(VertexRHW));
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(PixelAt(48, 12), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(12, 12), kClear);
    device->EndScene();
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    ib->Release();
    vb->Release();
}

TEST_F(D3D9Render, PixelCentresExactlyOnAnEdgeFollowTheTopLeftRule)
{
    // A centre on a top or left edge is inside, on a bottom or right edge outside: a quad from
    // 8 to 24 covers rows and columns 8 to 23 (drawn upside down, GL gave rows 9 to 24).
    const DWORD red = 0xFFFF0000;
    const VertexRHW q[4] = {{8, 8, 0.5f, 1, red}, {24, 8, 0.5f, 1, red}, {8, 24, 0.5f, 1, red}, {24, 24, 0.5f, 1, red}};
    DrawStrip(q, kFvfRHW);
    auto px = Pixels();
    for (UINT i = 6; i <= 26; ++i) {
        const bool inside = i >= 8 && i <= 23;
        EXPECT_EQ(px[16 * kW + i], inside ? red : kClear) << "column " << i;
        EXPECT_EQ(px[i * kW + 16], inside ? red : kClear) << "row " << i;
    }
    // A slanted edge through centres: (16, 16) lies on the diagonal x + y = 32, a right edge of
    // the upper-left triangle and a left edge of the lower-right one.
    auto drawTriangle = [&](const VertexRHW (&t)[3]) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
        DrawPrimitives(D3DPT_TRIANGLELIST, 1, t, kFvfRHW);
        return Pixels();
    };
    const VertexRHW upperLeft[3] = {{8, 8, 0.5f, 1, red}, {24, 8, 0.5f, 1, red}, {8, 24, 0.5f, 1, red}};
    px = drawTriangle(upperLeft);
    EXPECT_EQ(px[16 * kW + 16], kClear);
    EXPECT_EQ(px[16 * kW + 15], red);
    EXPECT_EQ(px[8 * kW + 8], red);
    const VertexRHW lowerRight[3] = {{24, 8, 0.5f, 1, red}, {24, 24, 0.5f, 1, red}, {8, 24, 0.5f, 1, red}};
    px = drawTriangle(lowerRight);
    EXPECT_EQ(px[16 * kW + 16], red);
    EXPECT_EQ(px[16 * kW + 15], kClear);
    EXPECT_EQ(px[23 * kW + 23], red);
    EXPECT_EQ(px[24 * kW + 20], kClear);
    EXPECT_EQ(px[20 * kW + 24], kClear);
}

TEST_F(D3D9Render, DefaultLightLightsAFaceTurnedToTheCamera)
{
    // Light 0 enabled without SetLight: white, directional, pointing along +z. A normal of
    // (0, 0, -1) faces it: N . (-direction) = 1, so the colour is the material's diffuse.
    D3DMATERIAL9 m{};
    m.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    m.Ambient = {1.0f, 0.0f, 0.0f, 1.0f};
    device->SetMaterial(&m);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    device->LightEnable(0, TRUE);
    VertexPNT q[4];
    QuadPNT(q, 10.0f, -1.0f);
    DrawStrip(q, kFvfPNT);
    // Diffuse (0.5, 0.25, 1) plus ambient material (1, 0, 0) x global ambient 0.25.
    EXPECT_TRUE(NearColour(PixelAt(32, 32), D3DCOLOR_XRGB(128 + 64, 64, 255)));
}

TEST_F(D3D9Render, FaceTurnedAwayFromTheLightGetsAmbientOnly)
{
    D3DMATERIAL9 m{};
    m.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m.Ambient = {0.0f, 1.0f, 0.0f, 1.0f};
    m.Emissive = {0.0f, 0.0f, 0.25f, 1.0f};
    device->SetMaterial(&m);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF808080);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->LightEnable(0, TRUE);
    VertexPNT q[4];
    QuadPNT(q, 10.0f, 1.0f);
    DrawStrip(q, kFvfPNT);
    EXPECT_TRUE(NearColour(PixelAt(32, 32), D3DCOLOR_XRGB(0, 128, 64)));
}

TEST_F(D3D9Render, NormalsAreUsedAsTransformedButNDotLNeverExceedsOne)
{
    // Without NORMALIZENORMALS a short normal dims the light; a long one (given so, or grown
    // by a shrinking world matrix) lights like a unit normal, as D3D clamps N.L to [0, 1].
    D3DMATERIAL9 m{};
    m.Diffuse = {0.5f, 0.3f, 0.2f, 1.0f};
    device->SetMaterial(&m);
    device->LightEnable(0, TRUE);
    const DWORD full = D3DCOLOR_XRGB(128, 77, 51), half = D3DCOLOR_XRGB(64, 38, 26);
    struct Case {
        float nz, worldScale;
        BOOL normalize;
        DWORD expected;
    } cases[] = {{-1.0f, 1.0f, FALSE, full}, {-2.0f, 1.0f, FALSE, full}, {-0.5f, 1.0f, FALSE, half},
                 {-0.5f, 1.0f, TRUE, full}, {-1.0f, 0.5f, FALSE, full}, {-1.0f, 2.0f, FALSE, half}};
    for (const Case& c : cases) {
        D3DMATRIX world = Identity();
        world._11 = world._22 = world._33 = c.worldScale;
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, c.normalize);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0);
        VertexPNT q[4];
        QuadPNT(q, 10.0f, c.nz);
        DrawStrip(q, kFvfPNT);
        EXPECT_TRUE(NearColour(PixelAt(32, 32), c.expected))
            << "normal z " << c.nz << ", world scale " << c.worldScale << ", normalize " << c.normalize;
    }
}

TEST_F(D3D9Render, VertexWithoutNormalIsLitByAmbientAndEmissiveOnly)
{
    // The vertex colour feeds the diffuse material (COLOR1), but with no normal there is no
    // diffuse term; ambient comes from the material (AMBIENTMATERIALSOURCE is MATERIAL).
    D3DMATERIAL9 m{};
    m.Ambient = {1.0f, 0.5f, 0.0f, 1.0f};
    device->SetMaterial(&m);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF808080);
    device->LightEnable(0, TRUE);
    VertexPDT q[4];
    QuadPDT(q, 10.0f, 0xFF0000FF);
    DrawStrip(q, kFvfPDT);
    EXPECT_TRUE(NearColour(PixelAt(32, 32), D3DCOLOR_XRGB(128, 64, 0)));
}

TEST_F(D3D9Render, PointAndSpotLightsAttenuateAndCutOffPerVertex)
{
    // Lighting is per vertex: each corner (+-5, +-5, 10) sees a light at the eye at distance
    // 12.25 and N . L = 10 / 12.25 = 0.816. Attenuation 1 / (0.1 d) = 0.816 makes it 0.667.
    D3DMATERIAL9 m{};
    m.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(&m);
    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    l.Range = 100.0f;
    l.Attenuation1 = 0.1f;
    ASSERT_EQ(device->SetLight(0, &l), D3D_OK);
    device->LightEnable(0, TRUE);
    VertexPNT q[4];
    QuadPNT(q, 10.0f, -1.0f);
    DrawStrip(q, kFvfPNT);
    EXPECT_TRUE(NearColour(PixelAt(32, 32), D3DCOLOR_XRGB(170, 170, 170)));

    // A spot along +z: the corners lie 35.3 degrees off its axis.
    l.Type = D3DLIGHT_SPOT;
    l.Direction = {0.0f, 0.0f, 1.0f};
    l.Theta = 80.0f * 3.14159265f / 180.0f; // inner cone half angle 40: corners fully lit
    l.Phi = 90.0f * 3.14159265f / 180.0f;
    l.Falloff = 1.0f;
    device->SetLight(0, &l);
    DrawStrip(q, kFvfPNT);
    EXPECT_TRUE(NearColour(PixelAt(32, 32), D3DCOLOR_XRGB(170, 170, 170)));
    l.Theta = 20.0f * 3.14159265f / 180.0f;
    l.Phi = 60.0f * 3.14159265f / 180.0f; // outer half angle 30: corners outside, dark
    device->SetLight(0, &l);
    DrawStrip(q, kFvfPNT);
    EXPECT_TRUE(NearColour(PixelAt(32, 32), 0));
    l.Range = 5.0f; // out of range altogether
    l.Type = D3DLIGHT_POINT;
    device->SetLight(0, &l);
    DrawStrip(q, kFvfPNT);
    EXPECT_TRUE(NearColour(PixelAt(32, 32), 0));
    EXPECT_EQ(device->SetLight(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetLight(8, &l), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Render, LightingOffPassesTheVertexColourOrWhite)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    VertexPNT q[4];
    QuadPNT(q, 10.0f, -1.0f);
    DrawStrip(q, kFvfPNT);
    EXPECT_EQ(PixelAt(32, 32), 0xFFFFFFFFu);
}

TEST_F(D3D9Render, CounterClockwiseQuadIsCulledByDefault)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    VertexPDT q[4];
    QuadPDT(q, 10.0f, 0xFFFF00FF);
    std::swap(q[0], q[1]); // now counter-clockwise on screen
    std::swap(q[2], q[3]);
    DrawStrip(q, kFvfPDT);
    EXPECT_EQ(PixelAt(32, 32), kClear);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    DrawStrip(q, kFvfPDT);
    EXPECT_EQ(PixelAt(32, 32), 0xFFFF00FFu);
}

TEST_F(D3D9Render, ClockwiseQuadIsCulledUnderCullCw)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    VertexPDT q[4];
    QuadPDT(q, 10.0f, 0xFFFF00FF);
    DrawStrip(q, kFvfPDT);
    EXPECT_EQ(PixelAt(32, 32), kClear);
}

TEST_F(D3D9Render, AlphaBlendingMixesBySourceAlphaAndAlphaTestDrops)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 8);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    VertexPDT q[4];
    QuadPDT(q, 10.0f, 0x80FFFFFF);
    DrawStrip(q, kFvfPDT);
    // 0x80/255 of white over (0x10, 0x20, 0x30).
    const float a = 128.0f / 255.0f;
    auto mix = [a](int src, int dst) { return int(src * a + dst * (1.0f - a) + 0.5f); };
    EXPECT_TRUE(NearColour(PixelAt(32, 32), D3DCOLOR_XRGB(mix(255, 0x10), mix(255, 0x20), mix(255, 0x30))));
    // Alpha 7 is below the reference 8 and leaves no trace.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
    QuadPDT(q, 10.0f, 0x07FFFFFF);
    DrawStrip(q, kFvfPDT);
    EXPECT_EQ(PixelAt(32, 32), kClear);
    QuadPDT(q, 10.0f, 0x08FFFFFF);
    DrawStrip(q, kFvfPDT);
    EXPECT_NE(PixelAt(32, 32), kClear);
}

TEST_F(D3D9Render, NearerQuadHidesFartherOneWhateverTheOrder)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    VertexPDT nearQ[4], farQ[4];
    QuadPDT(nearQ, 10.0f, 0xFFFF0000, 2.0f);
    QuadPDT(farQ, 20.0f, 0xFF00FF00, 10.0f);
    DrawStrip(nearQ, kFvfPDT);
    DrawStrip(farQ, kFvfPDT);
    EXPECT_EQ(PixelAt(32, 32), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(20, 32), 0xFF00FF00u);
}

// Every comparison against ALPHAREF at its edges: the alpha is compared as the 8-bit value it
// would be stored as, one below, at and one above the reference.
TEST_F(D3D9Render, AlphaTestComparesTheEightBitAlphaWithTheReference)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 100);
    struct Case {
        D3DCMPFUNC func;
        bool passes[3]; // alpha 99, 100, 101
    };
    const Case cases[] = {
        {D3DCMP_LESS, {true, false, false}},         {D3DCMP_LESSEQUAL, {true, true, false}},
        {D3DCMP_EQUAL, {false, true, false}},        {D3DCMP_NOTEQUAL, {true, false, true}},
        {D3DCMP_GREATEREQUAL, {false, true, true}}, {D3DCMP_GREATER, {false, false, true}},
        {D3DCMP_NEVER, {false, false, false}},       {D3DCMP_ALWAYS, {true, true, true}},
    };
    VertexPDT q[4];
    for (const Case& c : cases) {
        device->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        for (int k = 0; k < 3; ++k) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
            QuadPDT(q, 10.0f, (DWORD(99 + k) << 24) | 0xFFFFFF);
            DrawStrip(q, kFvfPDT);
            EXPECT_EQ(PixelAt(32, 32) != kClear, c.passes[k]) << "func " << c.func << ", alpha " << 99 + k;
        }
    }
}

// ---- fill modes and flat shading: every device draws them, ES through rewritten draws -------

constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

VertexRHW Rhw(float x, float y, DWORD colour) { return {x, y, 0.5f, 1.0f, colour}; }

struct Square {
    D3DPRIMITIVETYPE type;
    std::vector<VertexRHW> v;
};

// The square from 8 to 56 as two triangles clockwise on screen (Direct3D's front faces) as a
// list, a strip and a fan, vertex i in colour c[i]; with `back` every triangle turned round.
// The list and the strip split it along x + y = 64, the fan along x = y.
std::vector<Square> Squares(bool back, const std::vector<DWORD>& c)
{
    std::vector<Square> s = {
        {D3DPT_TRIANGLELIST, {Rhw(8, 8, c[0]), Rhw(56, 8, c[1]), Rhw(8, 56, c[2]), Rhw(56, 8, c[3]), Rhw(56, 56, c[4]), Rhw(8, 56, c[5])}},
        {D3DPT_TRIANGLESTRIP, {Rhw(8, 8, c[0]), Rhw(56, 8, c[1]), Rhw(8, 56, c[2]), Rhw(56, 56, c[3])}},
        {D3DPT_TRIANGLEFAN, {Rhw(8, 8, c[0]), Rhw(56, 8, c[1]), Rhw(56, 56, c[2]), Rhw(8, 56, c[3])}}};
    if (back) {
        std::swap(s[0].v[1], s[0].v[2]);
        std::swap(s[0].v[4], s[0].v[5]);
        std::swap(s[1].v[0], s[1].v[1]);
        std::swap(s[1].v[2], s[1].v[3]);
        std::swap(s[2].v[1], s[2].v[3]);
    }
    return s;
}

class D3D9FillModes : public D3D9Render {
protected:
    std::vector<DWORD> Draw(D3DPRIMITIVETYPE type, UINT count, const std::vector<VertexRHW>& v)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0);
        IDirect3DVertexBuffer9* vb = MakeBuffer(v.data(), UINT(v.size()), kFvfRHW);
        device->SetStreamSource(0, vb, 0, sizeof(VertexRHW));
        device->SetFVF(kFvfRHW);
        EXPECT_EQ(device->DrawPrimitive(type, 0, count), D3D_OK);
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
        return Pixels();
    }
    // Pixels other than the clear colour from (x0, y0) to (x1, y1) inclusive.
    static int Drawn(const std::vector<DWORD>& px, UINT x0 = 0, UINT y0 = 0, UINT x1 = kW - 1, UINT y1 = kH - 1)
    {
        int n = 0;
        for (UINT y = y0; y <= y1; ++y)
            for (UINT x = x0; x <= x1; ++x)
                n += px[y * kW + x] != kClear;
        return n;
    }
};

// Wireframe draws a triangle's edges and point fill its corners, of the triangles culling
// leaves (judged on the triangle, as for a solid one); neither touches the inside.
TEST_F(D3D9FillModes, WireframeAndPointFillDrawTheTrianglesCullingLeaves)
{
    for (const DWORD fill : {DWORD(D3DFILL_WIREFRAME), DWORD(D3DFILL_POINT)}) {
        device->SetRenderState(D3DRS_FILLMODE, fill);
        for (const bool back : {false, true})
            for (const Square& s : Squares(back, {kRed, kGreen, kBlue, kYellow, kGreen, kBlue}))
                for (const DWORD cull : {D3DCULL_NONE, D3DCULL_CCW, D3DCULL_CW}) {
                    SCOPED_TRACE(::testing::Message() << "fill " << fill << ", type " << s.type << ", back " << back
                                                      << ", cull " << cull);
                    device->SetRenderState(D3DRS_CULLMODE, cull);
                    const auto px = Draw(s.type, 2, s.v);
                    if (cull != D3DCULL_NONE && (cull == D3DCULL_CCW) == back) {
                        EXPECT_EQ(Drawn(px), 0);
                        continue;
                    }
                    for (const auto& at : {std::make_pair(32, 8), {8, 32}, {32, 56}, {56, 32}}) // the sides' middles
                        EXPECT_EQ(px[at.second * kW + at.first] != kClear, fill == D3DFILL_WIREFRAME);
                    if (fill == D3DFILL_POINT) {
                        EXPECT_EQ(px[8 * kW + 8], kRed);
                        EXPECT_EQ(Drawn(px), 4);
                    }
                    // Inside, off both diagonals.
                    EXPECT_EQ(Drawn(px, 12, 28, 18, 36) + Drawn(px, 46, 28, 52, 36) + Drawn(px, 28, 12, 36, 18) +
                                  Drawn(px, 28, 46, 36, 52), 0);
                }
    }
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    EXPECT_EQ(Drawn(Draw(D3DPT_TRIANGLESTRIP, 2, Squares(true, {kRed, kRed, kRed, kRed, kRed, kRed})[1].v)), 48 * 48);
}

// A flat triangle takes the colour of its first vertex: 3i in a list, i in a strip, i + 1 in a
// fan; a flat line that of its first. The default culling still sees every triangle's winding.
TEST_F(D3D9FillModes, FlatShadingTakesEachPrimitivesFirstVertexColour)
{
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    const auto squares = Squares(false, {kRed, kGreen, kBlue, kYellow, kGreen, kBlue});
    auto px = Draw(squares[0].type, 2, squares[0].v); // (red, green, blue), (yellow, green, blue)
    EXPECT_EQ(px[20 * kW + 20], kRed);
    EXPECT_EQ(px[44 * kW + 44], kYellow);
    px = Draw(squares[1].type, 2, squares[1].v); // (red, green, blue), (green, yellow, blue)
    EXPECT_EQ(px[20 * kW + 20], kRed);
    EXPECT_EQ(px[44 * kW + 44], kGreen);
    px = Draw(squares[2].type, 2, squares[2].v); // (green, blue, red), (blue, yellow, red)
    EXPECT_EQ(px[20 * kW + 44], kGreen);
    EXPECT_EQ(px[44 * kW + 20], kBlue);
    px = Draw(D3DPT_LINELIST, 2, {Rhw(8, 20, kRed), Rhw(56, 20, kGreen), Rhw(8, 40, kBlue), Rhw(56, 40, kYellow)});
    EXPECT_EQ(px[20 * kW + 32], kRed);
    EXPECT_EQ(px[40 * kW + 32], kBlue);
    px = Draw(D3DPT_LINESTRIP, 2, {Rhw(8, 20, kRed), Rhw(56, 20, kGreen), Rhw(56, 50, kBlue)});
    EXPECT_EQ(px[20 * kW + 32], kRed);
    EXPECT_EQ(px[35 * kW + 56], kGreen);
}

// Culling before the edges are drawn sees the transformed triangle, and the vertices an indexed
// draw names from its base vertex.
TEST_F(D3D9FillModes, WireframeCullsTransformedAndIndexedTriangles)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    VertexPDT q[4];
    QuadPDT(q, 10.0f, kGreen); // covers 16 to 48
    DrawStrip(q, kFvfPDT);
    auto px = Pixels();
    EXPECT_GT(Drawn(px, 30, 15, 34, 17), 0);
    EXPECT_EQ(Drawn(px, 20, 20, 26, 26) + Drawn(px, 38, 38, 44, 44), 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
    std::swap(q[0], q[1]);
    std::swap(q[2], q[3]);
    DrawStrip(q, kFvfPDT);
    EXPECT_EQ(Drawn(Pixels()), 0);

    // Vertices 0 to 3 a back-facing square on the left, 4 to 7 a front-facing one on the right;
    // the draws start at the second index.
    const std::vector<VertexRHW> v = {Rhw(20, 8, kRed),  Rhw(4, 8, kRed),  Rhw(20, 24, kRed),  Rhw(4, 24, kRed),
                                      Rhw(40, 8, kBlue), Rhw(56, 8, kBlue), Rhw(40, 24, kBlue), Rhw(56, 24, kBlue)};
    IDirect3DVertexBuffer9* vb = MakeBuffer(v.data(), 8, kFvfRHW);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(7 * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    const WORD indices[7] = {9, 0, 1, 2, 2, 1, 3};
    std::memcpy(p, indices, sizeof indices);
    ib->Unlock();
    device->SetStreamSource(0, vb, 0, sizeof(VertexRHW));
    device->SetFVF(kFvfRHW);
    device->SetIndices(ib);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 1, 2), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 1, 2), D3D_OK);
    px = Pixels();
    EXPECT_EQ(px[8 * kW + 48], kBlue);
    EXPECT_EQ(Drawn(px, 42, 10, 47, 15) + Drawn(px, 50, 18, 54, 22) + Drawn(px, 0, 0, 31, kH - 1), 0);
    device->SetIndices(nullptr);
    ib->Release();
    vb->Release();
}

} // namespace
