// CXObject::Render on the recording device: the world matrix from the angles / 57.2, the nine
// calls before each subset, the second stage, and stage 1 switched off at the end.
#include "test_xobject_fixture.h"

#include <gmock/gmock.h>

#include <cmath>

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

D3DXVECTOR3 Through(const D3DMATRIX& m, float x, float y, float z)
{
    return D3DXVECTOR3(x * m._11 + y * m._21 + z * m._31 + m._41, x * m._12 + y * m._22 + z * m._32 + m._42,
                       x * m._13 + y * m._23 + z * m._33 + m._43);
}

class XObjectRenderTest : public XObjectTest {
protected:
    void LoadTwoSubsets()
    {
        WriteFile("Models/two.x", Model({{0.8f, "tex.bmp"}, {0.4f, ""}}));
        WriteBmp("Models/tex.bmp", 4);
        ASSERT_EQ(0, object.Load("Models/two.x"));
        dev.Clear();
    }
    CXObject& object = Make();
};

TEST_F(XObjectRenderTest, NoSubsetsSetsTheWorldAndTurnsStageOneOff)
{
    object.Render();
    ASSERT_THAT(dev.Names(), ElementsAre("SetTransform", "SetTextureStageState"));
    EXPECT_EQ(256u, dev.calls()[0].u(0));
    EXPECT_EQ("SetTextureStageState(1, 1, 1)", dev.calls()[1].ToString());

    object.Load("Models/none.x");  // a failed load draws nothing either
    dev.Clear();
    object.Render();
    EXPECT_EQ(2u, dev.calls().size());
}

TEST_F(XObjectRenderTest, EachSubsetGetsNineCallsThenItsDraw)
{
    LoadTwoSubsets();
    object.Render();
    const std::vector<std::string> subset = {"SetTransform", "SetSamplerState", "SetSamplerState", "SetSamplerState",
                                             "SetMaterial", "SetTextureStageState", "SetTextureStageState",
                                             "SetTexture", "SetTextureStageState",
                                             // DrawSubset's own calls
                                             "SetFVF", "SetStreamSource", "SetIndices", "DrawIndexedPrimitive"};
    std::vector<std::string> expected = {"SetTransform"};
    expected.insert(expected.end(), subset.begin(), subset.end());
    expected.insert(expected.end(), subset.begin(), subset.end());
    expected.push_back("SetTextureStageState");
    ASSERT_THAT(dev.Names(), ElementsAreArray(expected));

    const std::vector<RecordedCall>& c = dev.calls();
    EXPECT_EQ(16u, c[1].u(0));  // D3DTS_TEXTURE0, scaled by (1, 1, 1)
    EXPECT_EQ(1.0f, c[1].matrix._11);
    EXPECT_EQ(1.0f, c[1].matrix._33);
    EXPECT_EQ("SetSamplerState(0, 6, 2)", c[2].ToString());
    EXPECT_EQ("SetSamplerState(0, 5, 2)", c[3].ToString());
    EXPECT_EQ("SetSamplerState(0, 7, 2)", c[4].ToString());
    EXPECT_EQ(0.8f, c[5].material.Diffuse.r);
    EXPECT_EQ(0.8f, c[5].material.Ambient.r);
    EXPECT_EQ("SetTextureStageState(0, 24, 2)", c[6].ToString());
    EXPECT_EQ("SetTextureStageState(0, 11, 0)", c[7].ToString());
    EXPECT_EQ(object.textures[0], c[8].p(1));
    EXPECT_EQ("SetTextureStageState(0, 1, 4)", c[9].ToString());
    EXPECT_EQ("SetTexture(0, null)", c[13 + 8].ToString());  // the second material has no texture
    EXPECT_EQ(0.4f, c[13 + 5].material.Ambient.r);
    EXPECT_EQ("SetTextureStageState(1, 1, 1)", c.back().ToString());
}

TEST_F(XObjectRenderTest, WorldIsRotationXYZThenPositionThenObjectMatrix)
{
    object.rotation = D3DXVECTOR3(0, 0, 45);
    object.position = D3DXVECTOR3(10, 0, 0);
    object.Render();
    const D3DXVECTOR3 p = Through(dev.calls()[0].matrix, 1, 0, 0);
    EXPECT_NEAR(10.71f, p.x, 0.005f);
    EXPECT_NEAR(0.71f, p.y, 0.005f);
    EXPECT_NEAR(0.0f, p.z, 1e-6f);

    // 90 degrees is 90 / 57.2 radians, not pi / 2; the object's own matrix comes last.
    dev.Clear();
    object.rotation = D3DXVECTOR3(90, 0, 0);
    object.position = D3DXVECTOR3(0, 0, 0);
    D3DXMatrixScaling(&object.objectMatrix, 2, 2, 2);
    object.Render();
    const D3DMATRIX& m = dev.calls()[0].matrix;
    EXPECT_FLOAT_EQ(2.0f * std::cos(90.0f / 57.2f), m._22);
    EXPECT_FLOAT_EQ(2.0f * std::sin(90.0f / 57.2f), m._23);
    EXPECT_GT(std::fabs(m._22), 0.005f);
}

TEST_F(XObjectRenderTest, SameObjectDrawnTwiceInOneFrameAtTwoPlaces)
{
    LoadTwoSubsets();
    object.position = D3DXVECTOR3(25, 0, 0);
    object.Render();
    object.position = D3DXVECTOR3(-50, 75, 0);
    object.Render();
    std::vector<RecordedCall> worlds;
    for (const RecordedCall& c : dev.Calls("SetTransform"))
        if (c.u(0) == 256) worlds.push_back(c);
    ASSERT_EQ(2u, worlds.size());
    EXPECT_EQ(25.0f, worlds[0].matrix._41);
    EXPECT_EQ(-50.0f, worlds[1].matrix._41);
    EXPECT_EQ(75.0f, worlds[1].matrix._42);
    EXPECT_EQ(4u, dev.Count("DrawIndexedPrimitive"));
}

TEST_F(XObjectRenderTest, StageCoordinatesAndTheSecondStageBlockWhenSwitchedOn)
{
    LoadTwoSubsets();
    object.texCoordSource[0] = 2;
    object.texScale[0] = D3DXVECTOR3(0.5f, 4, 1);
    object.secondStageOn = true;
    object.secondTexture = object.textures[0];
    object.texCoordSource[1] = 1;
    object.texScale[1] = D3DXVECTOR3(2, 3, 1);
    object.secondColorOp = D3DTOP_ADD;
    object.Render();
    const std::vector<RecordedCall>& c = dev.calls();
    // World, then the first subset: nine calls, the stage-1 block, the draw. A coordinate set
    // other than 0 transforms three components.
    EXPECT_EQ(0.5f, c[1].matrix._11);
    EXPECT_EQ(4.0f, c[1].matrix._22);
    EXPECT_EQ("SetTextureStageState(0, 24, 3)", c[6].ToString());
    EXPECT_EQ("SetTextureStageState(0, 11, 2)", c[7].ToString());
    EXPECT_EQ("SetTextureStageState(0, 2, 2)", c[10].ToString());
    EXPECT_EQ("SetTextureStageState(0, 3, 0)", c[11].ToString());
    EXPECT_EQ("SetTextureStageState(0, 4, 1)", c[12].ToString());
    EXPECT_EQ(17u, c[13].u(0));
    EXPECT_EQ(2.0f, c[13].matrix._11);
    EXPECT_EQ(3.0f, c[13].matrix._22);
    EXPECT_EQ("SetSamplerState(1, 6, 2)", c[14].ToString());
    EXPECT_EQ("SetSamplerState(1, 5, 2)", c[15].ToString());
    EXPECT_EQ("SetSamplerState(1, 7, 2)", c[16].ToString());
    EXPECT_EQ("SetTextureStageState(1, 24, 3)", c[17].ToString());
    EXPECT_EQ("SetTextureStageState(1, 11, 1)", c[18].ToString());
    EXPECT_EQ("SetTexture", c[19].name);
    EXPECT_EQ(object.textures[0], c[19].p(1));
    EXPECT_EQ("SetTextureStageState(1, 1, 7)", c[20].ToString());
    EXPECT_EQ("SetFVF", c[21].name);
    EXPECT_EQ("SetTextureStageState(1, 1, 1)", c.back().ToString());
}

}  // namespace
