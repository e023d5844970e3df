// Loaded textures on the real device: what the loader writes through LockRect must be what
// the GL backend samples, for block-compressed, 16-bit and resampled 32-bit levels alike.
#include "test_d3d9_support.h"
#include "test_texture_support.h"

using namespace d3d9test;

namespace {

class TextureOnDevice : public DeviceTest {
protected:
    // Fills the back buffer with the texture, unlit, and returns the texels at the middle of
    // its quarters: top-left, top-right, bottom-left, bottom-right.
    std::vector<DWORD> DrawQuarters(const std::string& path) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &texture), S_OK);
        if (!texture) return {};
        EXPECT_GT(texture->GetLevelCount(), 1u);
        const D3DMATRIX id = Identity();
        for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION})
            device->SetTransform(t, &id);
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
        texture->Release();
        return {PixelAt(8, 16), PixelAt(56, 16), PixelAt(8, 48), PixelAt(56, 48)};
    }
    void ExpectNear(const std::vector<DWORD>& got, const std::vector<DWORD>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(NearColour(got[i], want[i])) << "quarter " << i;
    }
};

}  // namespace

TEST_F(TextureOnDevice, LevelsSampleAsLoaded) {
    // Red, green, blue and white quarters: 8x8 DXT1 (one block each), and 2x2 R5G6B5.
    textest::Bytes blocks;
    for (uint16_t c : {0xF800, 0x07E0, 0x001F, 0xFFFF}) {
        // Both endpoints the same colour, every index 0: one flat block.
        const uint8_t block[8] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 8), 0, 0, 0, 0};
        for (uint8_t b : block)
            blocks.push_back(b);
    }
    const std::vector<DWORD> quarters = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    ExpectNear(DrawQuarters(textest::WriteScratch(
                   "q.dds", textest::DdsFile(textest::FourCC("DXT1", 8, 8), blocks))),
               quarters);
    const auto r5g6b5 = textest::Masked(16, 0xF800, 0x07E0, 0x001F, 0, 2, 2);
    ExpectNear(DrawQuarters(textest::WriteScratch(
                   "q16.dds",
                   textest::DdsFile(r5g6b5, textest::Texels({0xF800, 0x07E0, 0x001F, 0xFFFF}, 2)))),
               quarters);
    // The 3x2 BMP widened to 4x2: white and black at the top corners, (10, 20, 30) below.
    ExpectNear(DrawQuarters(textest::kData + "/rgb_3x2.bmp"),
               {0xFFFFFFFF, 0xFF000000, 0xFF0A141E, 0xFF0A141E});
}
