// The render states a font records for drawing text, on the recording device: with blending,
// without it, and when the device cannot tell.
#include "test_text_support.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string> TextStates(bool blend, const std::string& atlas)
{
    std::vector<std::string> lines = {"SetTexture(0, " + atlas + ")", "SetRenderState(7, 0)",
                                      blend ? "SetRenderState(27, 1)" : "SetRenderState(27, 0)"};
    if (blend) {
        lines.push_back("SetRenderState(19, 5)");
        lines.push_back("SetRenderState(20, 6)");
    }
    for (const char* line :
         {"SetRenderState(15, 1)", "SetRenderState(24, 8)", "SetRenderState(25, 7)",
          "SetRenderState(8, 3)", "SetRenderState(22, 3)", "SetRenderState(52, 0)",
          "SetRenderState(136, 1)", "SetRenderState(152, 0)", "SetRenderState(151, 0)",
          "SetRenderState(167, 0)", "SetRenderState(28, 0)", "SetRenderState(168, 15)",
          "SetTextureStageState(0, 1, 4)", "SetTextureStageState(0, 2, 2)",
          "SetTextureStageState(0, 3, 0)", "SetTextureStageState(0, 4, 4)",
          "SetTextureStageState(0, 5, 2)", "SetTextureStageState(0, 6, 0)",
          "SetTextureStageState(0, 11, 0)", "SetTextureStageState(0, 24, 0)",
          "SetTextureStageState(1, 1, 1)", "SetTextureStageState(1, 4, 1)",
          "SetSamplerState(0, 6, 1)", "SetSamplerState(0, 5, 1)", "SetSamplerState(0, 7, 0)"})
        lines.push_back(line);
    return lines;
}

class FontStatesTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        font.Init("Arial", 14);
        ASSERT_EQ(font.BuildAtlas(), S_OK);
        device.Clear();
    }
    void TearDown() override
    {
        font.ReleaseDeviceObjects();
        TextTest::TearDown();
    }
    std::vector<std::string> Block(IDirect3DStateBlock9* block)
    {
        auto* fake = dynamic_cast<FakeStateBlock*>(device.ObjectAt(block));
        std::vector<std::string> lines;
        if (fake)
            for (const auto& call : fake->recorded) lines.push_back(call.ToString());
        return lines;
    }
    std::string AtlasLabel() { return device.LabelOf(font.atlasTexture); }

    CTextureFont font;
};

TEST_F(FontStatesTest, BlendingTargetRecordsAllThirtySettingsInBothBlocks)
{
    ASSERT_EQ(font.PrepareDrawing(), S_OK);
    const auto expected = TextStates(true, AtlasLabel());
    ASSERT_EQ(expected.size(), 30u);
    EXPECT_THAT(Block(font.stateBlockA), ElementsAreArray(expected));
    EXPECT_THAT(Block(font.stateBlockB), ElementsAreArray(expected));
    EXPECT_NE(font.stateBlockA, font.stateBlockB);

    // The check asks about the render target's format on the display's format, and gives back
    // what it borrowed.
    auto lines = device.Lines();
    lines.resize(9);
    EXPECT_THAT(lines, ElementsAre("CreateVertexBuffer(9600, 520, 0, 0, null) -> vb1", "GetDirect3D() -> d3d",
                                   "GetDeviceCaps()", "GetDisplayMode(0)", "GetRenderTarget(0) -> surf1",
                                   "Surf.GetDesc(surf1)", "D3D.CheckDeviceFormat(0, 1, 22, 524289, 1, 22)",
                                   "Surf.Release(surf1)", "D3D.Release()"));
    EXPECT_EQ(device.Count("BeginStateBlock"), 2u);
    EXPECT_EQ(device.Count("EndStateBlock"), 2u);

    // Only a font that asks for it records the depth test on.
    CTextureFont deep;
    deep.Init("Arial", 14);
    deep.device = &device;
    deep.styleFlags = TEXTUREFONT_ZENABLE;
    ASSERT_EQ(deep.PrepareDrawing(), S_OK);
    EXPECT_EQ(Block(deep.stateBlockA).at(1), "SetRenderState(7, 1)");
}

TEST_F(FontStatesTest, TargetWithoutPostShaderBlendingRecordsNoBlendFactors)
{
    device.renderTargetFormat = D3DFMT_A8R8G8B8;
    device.direct3D().checkFormatResults[D3DFMT_A8R8G8B8] = D3DERR_NOTAVAILABLE;
    ASSERT_EQ(font.PrepareDrawing(), S_OK);
    const auto expected = TextStates(false, AtlasLabel());
    ASSERT_EQ(expected.size(), 28u);
    EXPECT_THAT(Block(font.stateBlockA), ElementsAreArray(expected));
    EXPECT_THAT(Block(font.stateBlockB), ElementsAreArray(expected));
}

TEST_F(FontStatesTest, DeviceThatCannotTellKeepsBlendingOn)
{
    device.direct3D().checkDeviceFormatResult = D3DERR_NOTAVAILABLE;
    device.Fail("GetRenderTarget", D3DERR_NOTFOUND);
    ASSERT_EQ(font.PrepareDrawing(), S_OK);
    EXPECT_THAT(Block(font.stateBlockA), ElementsAreArray(TextStates(true, AtlasLabel())));
    EXPECT_EQ(device.Count("D3D.CheckDeviceFormat"), 0u);
    EXPECT_EQ(device.Count("D3D.Release"), 1u);

    CTextureFont other;
    other.Init("Arial", 14);
    other.device = &device;
    other.atlasTexture = nullptr;
    device.Fail("GetDirect3D", E_FAIL);
    ASSERT_EQ(other.PrepareDrawing(), S_OK);
    EXPECT_THAT(Block(other.stateBlockB), ElementsAreArray(TextStates(true, "null")));
}

TEST_F(FontStatesTest, FailedVertexBufferEndsBeforeAnyRecording)
{
    device.Fail("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font.PrepareDrawing(), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font.glyphVertexBuffer, nullptr);
    EXPECT_EQ(font.stateBlockA, nullptr);
    EXPECT_EQ(font.stateBlockB, nullptr);
    EXPECT_EQ(device.Count("BeginStateBlock"), 0u);
}

TEST_F(FontStatesTest, ReleaseGoesBufferBlocksTextureAndForgetsTheDevice)
{
    ASSERT_EQ(font.PrepareDrawing(), S_OK);
    device.Clear();
    font.ReleaseDeviceObjects();
    EXPECT_THAT(device.Names(), ElementsAre("VB.Release", "SB.Release", "SB.Release", "Tex.Release"));
    EXPECT_EQ(font.glyphVertexBuffer, nullptr);
    EXPECT_EQ(font.atlasTexture, nullptr);
    EXPECT_EQ(font.device, nullptr);
}

}  // namespace
