// What the reader makes of the test models: every encoding gives the same mesh, and the mesh
// is the file's own geometry (positions, winding, uv), split, merged and grouped as D3DX does.
#include "test_xfile_util.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using xfile::MeshData;

// Same structure, and every float equal (an exporter may write -0 in one encoding and 0 in
// another) or within `tolerance`.
void ExpectSameMesh(const MeshData& a, const MeshData& b, const std::string& what, float tolerance = 0.0f)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(a.hasNormals, b.hasNormals);
    EXPECT_EQ(a.hasUvs, b.hasUvs);
    ASSERT_EQ(a.vertices.size(), b.vertices.size());
    ASSERT_EQ(a.materials.size(), b.materials.size());
    const auto floats = [&](const float* x, const float* y, int n, size_t item) {
        for (int k = 0; k < n; ++k) ASSERT_NEAR(x[k], y[k], tolerance) << "item " << item << " float " << k;
    };
    for (size_t i = 0; i < a.vertices.size(); ++i) floats(&a.vertices[i].position.x, &b.vertices[i].position.x, 8, i);
    for (size_t i = 0; i < a.materials.size(); ++i) {
        floats(&a.materials[i].material.Diffuse.r, &b.materials[i].material.Diffuse.r, 17, i);
        EXPECT_EQ(a.materials[i].hasTexture, b.materials[i].hasTexture);
        EXPECT_EQ(a.materials[i].texture, b.materials[i].texture);
    }
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.attributes, b.attributes);
    ASSERT_EQ(a.ranges.size(), b.ranges.size());
    EXPECT_EQ(0, std::memcmp(a.ranges.data(), b.ranges.data(), a.ranges.size() * sizeof(D3DXATTRIBUTERANGE)));
}

MeshData LoadFile(const std::string& name)
{
    MeshData mesh;
    EXPECT_EQ(S_OK, LoadBytes(ReadBytes(kXDataDir + name), mesh)) << name;
    return mesh;
}

TEST(XFileReader, EveryEncodingGivesTheSameMesh)
{
    for (const char* stem : {"shape", "frames", "grid"}) {
        const MeshData text = LoadFile(std::string(stem) + ".x");
        ASSERT_FALSE(text.vertices.empty()) << stem;
        for (const char* flavour : {"_bin", "_tzip", "_bzip", "_txt64", "_bin64"}) {
            const std::string name = std::string(stem) + flavour + ".x";
            if (std::string(stem) == "grid" && std::string(flavour).find("64") != std::string::npos) continue;
            ExpectSameMesh(text, LoadFile(name), name);
        }
    }
}

TEST(XFileReader, GeometryIsTheFilesOwn)
{
    const MeshData m = LoadFile("shape.x");
    ASSERT_TRUE(m.hasNormals);
    ASSERT_TRUE(m.hasUvs);
    // Six positions as written, then the three positions whose corners needed another normal.
    ASSERT_EQ(9u, m.vertices.size());
    const float positions[6][3] = {{0.1f, 0.2f, 0.3f}, {1.7f, 0.0f, -0.5f}, {1.5f, 2.25f, 0.0f},
                                   {-0.3f, 1.9f, 0.7f}, {3.0f, 3.0f, 3.0f}, {-2.5f, 0.0f, 0.001f}};
    const float uvs[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.25f}, {0.125f, 0.75f}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(positions[i][0], m.vertices[i].position.x) << i;
        EXPECT_EQ(positions[i][1], m.vertices[i].position.y) << i;
        EXPECT_EQ(positions[i][2], m.vertices[i].position.z) << i;
        EXPECT_EQ(uvs[i][0], m.vertices[i].uv.u) << i;
        EXPECT_EQ(uvs[i][1], m.vertices[i].uv.v) << i;
    }
    const int splitFrom[3] = {1, 2, 3};
    const float splitNormal[3][3] = {{0, 1, 0}, {0, 1, 0}, {1, 0, 0}};
    for (int k = 0; k < 3; ++k) {
        const xfile::Vertex& v = m.vertices[6 + k];
        const xfile::Vertex& from = m.vertices[splitFrom[k]];
        EXPECT_EQ(from.position.x, v.position.x);
        EXPECT_EQ(from.uv.v, v.uv.v);
        EXPECT_EQ(splitNormal[k][0], v.normal.x);
        EXPECT_EQ(splitNormal[k][1], v.normal.y);
        EXPECT_EQ(splitNormal[k][2], v.normal.z);
    }
    // Normal 3 has the value of normal 0: the pentagon's corner on position 0 stays vertex 0.
    EXPECT_EQ(1.0f, m.vertices[0].normal.z);

    // Fans (v0, vi, vi+1) in written winding; the triangle (material 0) first, then the quad and
    // the pentagon (material 1) in file order.
    const std::vector<uint32_t> indices = {6, 4, 7, 0, 1, 2, 0, 2, 3, 0, 8, 5, 0, 5, 4, 0, 4, 1};
    EXPECT_EQ(indices, m.indices);
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 1, 1, 1, 1}), m.attributes);
    ASSERT_EQ(2u, m.ranges.size());
    EXPECT_EQ(0u, m.ranges[0].AttribId);
    EXPECT_EQ(0u, m.ranges[0].FaceStart);
    EXPECT_EQ(1u, m.ranges[0].FaceCount);
    EXPECT_EQ(4u, m.ranges[0].VertexStart);
    EXPECT_EQ(4u, m.ranges[0].VertexCount);
    EXPECT_EQ(1u, m.ranges[1].AttribId);
    EXPECT_EQ(1u, m.ranges[1].FaceStart);
    EXPECT_EQ(5u, m.ranges[1].FaceCount);
    EXPECT_EQ(0u, m.ranges[1].VertexStart);
    EXPECT_EQ(9u, m.ranges[1].VertexCount);
}

TEST(XFileReader, MaterialsInListOrderWithReferencesResolved)
{
    const MeshData m = LoadFile("shape.x");
    ASSERT_EQ(2u, m.materials.size());
    const D3DMATERIAL9& red = m.materials[0].material;  // `{ Red }`, defined at top level
    EXPECT_EQ(0.8f, red.Diffuse.r);
    EXPECT_EQ(0.2f, red.Diffuse.g);
    EXPECT_EQ(1.0f, red.Diffuse.a);
    EXPECT_EQ(12.5f, red.Power);
    EXPECT_EQ(0.25f, red.Specular.b);
    EXPECT_EQ(1.0f, red.Specular.a);
    EXPECT_EQ(0.1f, red.Emissive.b);
    EXPECT_EQ(0.0f, red.Ambient.r);
    EXPECT_EQ(0.0f, red.Ambient.g);
    EXPECT_EQ(0.0f, red.Ambient.b);
    EXPECT_FALSE(m.materials[0].hasTexture);

    const D3DMATERIAL9& blue = m.materials[1].material;
    EXPECT_EQ(0.9f, blue.Diffuse.b);
    EXPECT_EQ(0.5f, blue.Diffuse.a);
    EXPECT_EQ(4.0f, blue.Power);
    EXPECT_TRUE(m.materials[1].hasTexture);
    EXPECT_EQ("blue.bmp", m.materials[1].texture);
}

TEST(XFileReader, FramesTransformTheirMeshesChildThenParent)
{
    const MeshData m = LoadFile("frames.x");
    // Tri (in Child, in Root), RootTri (in Root), Loose (top level), Loose again (via Copy).
    ASSERT_EQ(12u, m.vertices.size());
    // Child turns +x onto +y, Root then moves by +10 on x.
    EXPECT_FLOAT_EQ(10.0f, m.vertices[0].position.x);
    EXPECT_FLOAT_EQ(1.0f, m.vertices[0].position.y);
    EXPECT_FLOAT_EQ(9.0f, m.vertices[1].position.x);
    EXPECT_FLOAT_EQ(0.0f, m.vertices[1].position.y);
    EXPECT_FLOAT_EQ(1.0f, m.vertices[2].position.z);
    EXPECT_NEAR(0.0f, m.vertices[0].normal.x, 1e-7f);
    EXPECT_FLOAT_EQ(1.0f, m.vertices[0].normal.y);
    EXPECT_EQ(11.0f, m.vertices[3].position.x);  // RootTri: Root's move only
    EXPECT_EQ(0.0f, m.vertices[3].normal.x);     // a mesh without normals gets zero ones
    EXPECT_EQ(1.0f, m.vertices[6].position.x);   // Loose: untouched
    EXPECT_EQ(5.0f, m.vertices[9].position.z);   // the copy is moved +5 on z
    EXPECT_EQ(6.0f, m.vertices[11].position.z);

    // Loose's material, the copy's, then the shared default for Tri and RootTri.
    ASSERT_EQ(3u, m.materials.size());
    EXPECT_EQ(1.0f, m.materials[0].material.Diffuse.r);
    EXPECT_EQ(1.0f, m.materials[1].material.Diffuse.r);
    EXPECT_EQ(0.5f, m.materials[2].material.Diffuse.r);
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 2}), m.attributes);
    EXPECT_EQ((std::vector<uint32_t>{6, 8, 7, 9, 11, 10, 0, 1, 2, 3, 4, 5}), m.indices);
}

TEST(XFileReader, MeshWithoutMaterialsGetsOneGreyMaterial)
{
    MeshData m;
    ASSERT_EQ(S_OK, LoadText("xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }", m));
    EXPECT_FALSE(m.hasNormals);
    EXPECT_FALSE(m.hasUvs);
    ASSERT_EQ(1u, m.materials.size());
    const D3DMATERIAL9& d = m.materials[0].material;
    EXPECT_EQ(0.5f, d.Diffuse.r);
    EXPECT_EQ(0.5f, d.Diffuse.b);
    EXPECT_EQ(1.0f, d.Diffuse.a);
    EXPECT_EQ(0.0f, d.Ambient.r);
    EXPECT_FALSE(m.materials[0].hasTexture);
    EXPECT_EQ((std::vector<uint32_t>{0}), m.attributes);
}

TEST(XFileReader, LargeModelSpansSeveralCompressedBlocks)
{
    const std::vector<uint8_t> zipped = ReadBytes(std::string(kXDataDir) + "grid_tzip.x");
    const MeshData m = LoadFile("grid_tzip.x");
    EXPECT_EQ(31u * 31u, m.vertices.size());
    EXPECT_EQ(2u * 30u * 30u, m.attributes.size());
    EXPECT_EQ(1.0f, m.vertices.back().uv.u);
    EXPECT_EQ(7.5f, m.vertices.back().position.x);
    EXPECT_GT(ReadBytes(std::string(kXDataDir) + "grid.x").size(), 2u * 32768u);
    EXPECT_LT(zipped.size(), 32768u);
}

TEST(XFileReader, WriterVariationsReadAlike)
{
    // Separators, comments, exponents and an object GUID vary between exporters.
    const char* const variants[] = {
        "xof 0302txt 0032\nMesh m { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }",
        "xof 0303txt 0032 Mesh{3;0,0,0,1,0,0,0,1,0;1;3;0,1,2;}",
        "xof 0303txt 0032 // c\nMesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> 3 # c\n 0 0 0 1e0 0 0 0 +1.0 0 1 3 0 1 2 }",
    };
    MeshData first;
    ASSERT_EQ(S_OK, LoadText(variants[0], first));
    for (const char* v : variants) {
        MeshData m;
        ASSERT_EQ(S_OK, LoadText(v, m)) << v;
        ExpectSameMesh(first, m, v);
    }
}

// The game's own models, and tank0 in the encodings tools/make-models writes for this test.
TEST(XFileReader, GameModelsLoadAndTheirEncodingsAgree)
{
    const char* const models[] = {"lpice0.x", "lpice1.x", "lpice2.x", "lpice3.x", "lpice4.x", "lpice5.x",
                                  "tank0.x",  "tank1.x",  "tank2.x",  "tank3.x",  "bullet1.x"};
    for (const char* name : models) {
        MeshData m;
        EXPECT_EQ(S_OK, LoadBytes(ReadBytes(std::string("Models/") + name), m)) << name;
        EXPECT_FALSE(m.ranges.empty()) << name;
    }
    // make-models writes every encoding of a model with the same single-precision numbers, so
    // all of them must load to the same mesh, bit for bit.
    const auto load = [](const std::string& path) {
        MeshData m;
        EXPECT_EQ(S_OK, LoadBytes(ReadBytes(path), m)) << path;
        return m;
    };
    const MeshData text = load("Models/tank0.x");
    for (const char* flavour : {"tank0_tzip.x", "tank0_bin.x", "tank0_bzip.x", "tank0_txt64.x"})
        ExpectSameMesh(text, load(std::string("tests/data/models/") + flavour), flavour);
}

}  // namespace
