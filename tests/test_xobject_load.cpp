// CXObject construction and CXObject::Load: the retry one directory up, the directory prefix,
// ambient := diffuse, the texture look-up order and the load-failure message boxes.
#include "test_xobject_fixture.h"

#include <gmock/gmock.h>

#include <cstring>

namespace {

using testing::ElementsAre;
using testing::Pair;

TEST_F(XObjectTest, ConstructionGivesAnEmptyObjectAtTheOrigin)
{
    static CXObject stored;  // as the game keeps them
    CXObject& local = Make();
    for (const CXObject* o : {&stored, &local}) {
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), o->position);
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), o->rotation);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(r == c ? 1.0f : 0.0f, o->objectMatrix(r, c));
        EXPECT_EQ(nullptr, o->mesh);
        EXPECT_EQ(nullptr, o->materials);
        EXPECT_EQ(nullptr, o->textures);
        EXPECT_EQ(0u, o->materialCount);
        EXPECT_EQ(nullptr, o->secondTexture);
        EXPECT_FALSE(o->secondStageOn);
        EXPECT_FALSE(o->loadAttempted);
        EXPECT_EQ('\0', o->directory[0]);
        for (int s = 0; s < 7; ++s) {
            EXPECT_EQ(D3DXVECTOR3(1, 1, 1), o->texScale[s]);
            EXPECT_EQ(0u, o->texCoordSource[s]);
        }
    }
    // Fields in their published order.
    const void* fields[] = {&local.position, &local.rotation, local.directory, &local.objectMatrix, &local.mesh,
                            &local.materials, &local.textures, &local.materialCount, &local.secondTexture,
                            &local.secondStageOn, &local.loadAttempted, local.texScale, local.texCoordSource,
                            &local.secondColorOp};
    for (size_t i = 1; i < sizeof fields / sizeof fields[0]; ++i) EXPECT_LT(fields[i - 1], fields[i]) << i;
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(dev.calls().empty());  // construction touches no device
}

TEST_F(XObjectTest, LoadTakesMaterialsWithAmbientAsDiffuseAndTexturesBareNameFirst)
{
    WriteFile("Models/four.x", Model({{0.8f, "prefixed.bmp"}, {0.5f, "both.bmp"}, {0.3f, "missing.bmp"}, {0.1f, ""}}));
    WriteBmp("Models/prefixed.bmp", 8);
    WriteBmp("Models/both.bmp", 8);
    WriteBmp("both.bmp", 4);

    CXObject& o = Make();
    EXPECT_EQ(0, o.Load("Models/four.x"));
    EXPECT_TRUE(o.loadAttempted);
    EXPECT_STREQ("Models/", o.directory);
    ASSERT_EQ(4u, o.materialCount);
    ASSERT_NE(nullptr, o.mesh);
    const D3DMATERIAL9& m = o.materials[0];
    EXPECT_EQ(0.8f, m.Ambient.r);
    EXPECT_EQ(0.2f, m.Ambient.g);
    EXPECT_EQ(0.2f, m.Ambient.b);
    EXPECT_EQ(1.0f, m.Ambient.a);
    EXPECT_EQ(0.8f, m.Diffuse.r);
    EXPECT_EQ(5.0f, m.Power);

    // prefixed.bmp only under Models/; both.bmp found by its bare name (the 4-pixel one).
    ASSERT_EQ(2u, dev.Calls("CreateTexture").size());
    EXPECT_EQ(8u, dev.Calls("CreateTexture")[0].u(0));
    EXPECT_EQ(4u, dev.Calls("CreateTexture")[1].u(0));
    EXPECT_NE(nullptr, o.textures[0]);
    EXPECT_NE(nullptr, o.textures[1]);
    EXPECT_EQ(nullptr, o.textures[2]);
    EXPECT_EQ(nullptr, o.textures[3]);
    // One box for the texture found nowhere; none for the material without a name.
    EXPECT_THAT(boxes, ElementsAre(Pair("MeshTex Load", "Could not find texture map")));
}

TEST_F(XObjectTest, MeshOneDirectoryUpIsFoundAndThePrefixStaysTheGivenPaths)
{
    WriteFile("../Models/up.x", Model({{0.8f, "tex.bmp"}}));
    WriteBmp("Models/tex.bmp", 8);  // relative to the working directory, behind the prefix
    CXObject& o = Make();
    EXPECT_EQ(0, o.Load("Models/up.x"));
    EXPECT_STREQ("Models/", o.directory);
    EXPECT_EQ(1u, o.materialCount);
    EXPECT_NE(nullptr, o.textures[0]);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(XObjectTest, MeshFoundNowhereShowsTwoBoxesAndLeavesTheObjectEmpty)
{
    CXObject& o = Make();
    EXPECT_EQ(E_FAIL, o.Load("Models/none.x"));
    EXPECT_THAT(boxes, ElementsAre(Pair("Load XMesh", "Could not find X file"), Pair("Load XMesh", "Models/none.x")));
    EXPECT_TRUE(o.loadAttempted);
    EXPECT_EQ(nullptr, o.mesh);
    EXPECT_EQ(nullptr, o.materials);
    EXPECT_EQ(nullptr, o.textures);
    EXPECT_EQ(0u, o.materialCount);
    EXPECT_EQ('\0', o.directory[0]);
}

TEST_F(XObjectTest, PrefixIsUpToTheFirstSlashOrNothing)
{
    WriteFile("a/b/c.x", Model({{0.8f, "t.bmp"}}));
    WriteBmp("a/t.bmp", 4);
    CXObject& nested = Make();
    EXPECT_EQ(0, nested.Load("a/b/c.x"));
    EXPECT_STREQ("a/", nested.directory);
    EXPECT_NE(nullptr, nested.textures[0]);

    // No slash: no prefix, the second try repeats the first, and `directory` is left alone.
    WriteFile("flat.x", Model({{0.8f, "t.bmp"}}));
    CXObject& flat = Make();
    std::strcpy(flat.directory, "kept/");
    EXPECT_EQ(0, flat.Load("flat.x"));
    EXPECT_STREQ("kept/", flat.directory);
    EXPECT_EQ(nullptr, flat.textures[0]);
    EXPECT_THAT(boxes, ElementsAre(Pair("MeshTex Load", "Could not find texture map")));

    // A backslash is no separator for the prefix: Models\bs.x loads, but its texture beside
    // it in Models/ is not looked for there.
    WriteFile("Models/bs.x", Model({{0.8f, "bs.bmp"}}));
    WriteBmp("Models/bs.bmp", 4);
    CXObject& backslashed = Make();
    EXPECT_EQ(0, backslashed.Load("Models\\bs.x"));
    EXPECT_EQ('\0', backslashed.directory[0]);
    EXPECT_EQ(nullptr, backslashed.textures[0]);
    EXPECT_EQ(2u, boxes.size());
}

TEST_F(XObjectTest, OverlongPathsAreCutNeverOverflowed)
{
    // 60 characters fill the retry buffer of 64 with "..\" and the terminator: still retried.
    const std::string longest = "Models/" + std::string(49, 'n') + ".x.x";
    ASSERT_EQ(60u, longest.size());
    WriteFile("../" + longest, Model({{0.8f, ""}}));
    EXPECT_EQ(0, Make().Load(longest.c_str()));
    EXPECT_TRUE(boxes.empty());

    // 61 characters: too long for the retry buffer, so the copy one directory up is not tried.
    const std::string longName = "Models/" + std::string(50, 'n') + ".x.x";
    ASSERT_EQ(61u, longName.size());
    WriteFile("../" + longName, Model({{0.8f, ""}}));
    CXObject& notRetried = Make();
    EXPECT_EQ(E_FAIL, notRetried.Load(longName.c_str()));
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(longName, boxes[1].second);
    boxes.clear();

    // A first directory of 150 characters: `directory` holds its first 127; a texture name of
    // 300 characters: prefix + name is cut at 259, and so not found.
    const std::string dir(150, 'd');
    const std::string texture(300, 't');
    WriteFile(dir + "/m.x", Model({{0.8f, texture}}));
    CXObject& deep = Make();
    EXPECT_EQ(0, deep.Load((dir + "/m.x").c_str()));
    EXPECT_EQ(dir.substr(0, 127), std::string(deep.directory));
    EXPECT_EQ(nullptr, deep.textures[0]);
    EXPECT_THAT(boxes, ElementsAre(Pair("MeshTex Load", "Could not find texture map")));
}

}  // namespace
