// Loaded textures on the real device: what the loader writes through LockRect must be what
// the GL backend samples, for block-compressed, 16-bit and 32-bit levels alike.
#include "test_d3d9_support.h"
#include "test_texture_support.h"

using namespace d3d9test;

namespace {

// Four solid quadrants, top-left, top-right, bottom-left, bottom-right, as 4x4 DXT1 blocks
// of an 8x8 texture: red, green, blue, white.
textest::Bytes QuadrantsDxt1() {
    textest::Bytes data;
    for (uint16_t c : {0xF800, 0x07E0, 0x001F, 0xFFFF})
        data.insert(data.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 8), 0, 0, 0, 0});
    return textest::DdsFile(textest::FourCC("DXT1", 8, 8), data);
}

// The same quadrants at 2x2, one texel each, in a 16-bit layout.
textest::Bytes QuadrantsR5G6B5() {
    return textest::DdsFile(textest::Masked(16, 0xF800, 0x07E0, 0x001F, 0, 2, 2),
                            textest::Texels({0xF800, 0x07E0, 0x001F, 0xFFFF}, 2));
}

class TextureOnDevice : public DeviceTest {
protected:
    // Fills the back buffer with the texture, unlit, unfiltered, from the top-level texels.
    void DrawFullScreen(IDirect3DTexture9* texture) {
        const D3DMATRIX id = Identity();
        device->SetTransform(D3DTS_WORLD, &id);
        device->SetTransform(D3DTS_VIEW, &id);
        device->SetTransform(D3DTS_PROJECTION, &id);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTexture(0, texture);
        const VertexPDT quad[4] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                                   {1, 1, 0.5f, 0xFFFFFFFF, 1, 0},
                                   {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1},
                                   {1, -1, 0.5f, 0xFFFFFFFF, 1, 1}};
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        DrawStrip(quad, kFvfPDT);
        device->EndScene();
        device->SetTexture(0, nullptr);
    }

    void ExpectQuadrants() {
        EXPECT_TRUE(NearColour(PixelAt(16, 16), 0xFFFF0000));
        EXPECT_TRUE(NearColour(PixelAt(48, 16), 0xFF00FF00));
        EXPECT_TRUE(NearColour(PixelAt(16, 48), 0xFF0000FF));
        EXPECT_TRUE(NearColour(PixelAt(48, 48), 0xFFFFFFFF));
    }

    IDirect3DTexture9* LoadFile(const textest::Bytes& file) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(device, textest::WriteScratch("t.dds", file).c_str(), &texture),
                  S_OK);
        return texture;
    }
};

}  // namespace

TEST_F(TextureOnDevice, DxtAnd16BitLevelsSampleAsStored) {
    for (const textest::Bytes& file : {QuadrantsDxt1(), QuadrantsR5G6B5()}) {
        IDirect3DTexture9* texture = LoadFile(file);
        ASSERT_NE(texture, nullptr);
        EXPECT_GT(texture->GetLevelCount(), 1u);
        DrawFullScreen(texture);
        ExpectQuadrants();
        texture->Release();
    }
}

TEST_F(TextureOnDevice, ResampledPictureKeepsItsLayout) {
    // The 3x2 BMP (white, grey, black over three dark texels) widened to 4x2: left column
    // white on top, right column black on top, dark blue-grey along the bottom.
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, QV_TEXTURE_DATA "/rgb_3x2.bmp", &texture), S_OK);
    DrawFullScreen(texture);
    EXPECT_TRUE(NearColour(PixelAt(4, 8), 0xFFFFFFFF));
    EXPECT_TRUE(NearColour(PixelAt(60, 8), 0xFF000000));
    EXPECT_TRUE(NearColour(PixelAt(32, 56), 0xFF0A141E));
    texture->Release();
}
