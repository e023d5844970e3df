// D3DXLoadMeshFromXA and the mesh it makes, on the recording device: buffers made through the
// device at load, the material buffer's layout, and the calls DrawSubset makes.
#include "support/recording_device.h"
#include "test_xfile_util.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using testing::ElementsAre;

struct Loaded {
    HRESULT hr = E_FAIL;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ~Loaded()
    {
        if (mesh) mesh->Release();
        if (materials) materials->Release();
    }
};

void Load(RecordingDevice& dev, const std::string& path, Loaded& out, DWORD options = D3DXMESH_SYSTEMMEM)
{
    out.hr = D3DXLoadMeshFromXA(path.c_str(), options, &dev, nullptr, &out.materials, nullptr, &out.count, &out.mesh);
}

TEST(XFileD3DX, LoadMakesBuffersThroughTheDeviceAndFillsThem)
{
    RecordingDevice dev;
    Loaded x;
    Load(dev, std::string(kXDataDir) + "shape.x", x);
    ASSERT_EQ(S_OK, x.hr);
    // Nine vertices of position, normal and uv; eighteen 16-bit indices; system memory.
    EXPECT_THAT(dev.Lines(), testing::IsSupersetOf({"CreateVertexBuffer(288, 0, 274, 2, null) -> vb1",
                                                    "CreateIndexBuffer(36, 0, 101, 2, null) -> ib1"}));
    EXPECT_EQ(DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), x.mesh->GetFVF());
    EXPECT_EQ(32u, x.mesh->GetNumBytesPerVertex());
    EXPECT_EQ(9u, x.mesh->GetNumVertices());
    EXPECT_EQ(6u, x.mesh->GetNumFaces());
    EXPECT_EQ(DWORD(D3DXMESH_SYSTEMMEM), x.mesh->GetOptions());

    xfile::MeshData expected;
    ASSERT_EQ(S_OK, LoadBytes(ReadBytes(std::string(kXDataDir) + "shape.x"), expected));
    const FakeVertexBuffer* vb = dev.VertexBuffer("vb1");
    const FakeIndexBuffer* ib = dev.IndexBuffer("ib1");
    ASSERT_TRUE(vb && ib);
    ASSERT_EQ(288u, vb->bytes.size());
    for (size_t i = 0; i < expected.vertices.size(); ++i)
        EXPECT_EQ(0, std::memcmp(&vb->bytes[i * 32], &expected.vertices[i], 32)) << i;
    std::vector<uint16_t> indices(18);
    ASSERT_EQ(36u, ib->bytes.size());
    std::memcpy(indices.data(), ib->bytes.data(), 36);
    EXPECT_EQ(std::vector<uint16_t>(expected.indices.begin(), expected.indices.end()), indices);

    DWORD tableSize = 0;
    ASSERT_EQ(S_OK, x.mesh->GetAttributeTable(nullptr, &tableSize));
    ASSERT_EQ(2u, tableSize);
    D3DXATTRIBUTERANGE table[2];
    x.mesh->GetAttributeTable(table, &tableSize);
    EXPECT_EQ(1u, table[1].AttribId);
    EXPECT_EQ(5u, table[1].FaceCount);
}

TEST(XFileD3DX, MaterialBufferHoldsRecordsThenTheirTextureNames)
{
    RecordingDevice dev;
    Loaded x;
    Load(dev, std::string(kXDataDir) + "shape.x", x);
    ASSERT_EQ(S_OK, x.hr);
    ASSERT_EQ(2u, x.count);
    ASSERT_EQ(2 * sizeof(D3DXMATERIAL) + sizeof("blue.bmp"), x.materials->GetBufferSize());
    const auto* records = static_cast<const D3DXMATERIAL*>(x.materials->GetBufferPointer());
    EXPECT_EQ(0.8f, records[0].MatD3D.Diffuse.r);
    EXPECT_EQ(nullptr, records[0].pTextureFilename);
    EXPECT_EQ(0.9f, records[1].MatD3D.Diffuse.b);
    ASSERT_NE(nullptr, records[1].pTextureFilename);
    EXPECT_STREQ("blue.bmp", records[1].pTextureFilename);
    EXPECT_EQ(reinterpret_cast<const char*>(records + 2), records[1].pTextureFilename);
}

TEST(XFileD3DX, DrawSubsetDrawsThatAttributesFacesOnly)
{
    RecordingDevice dev;
    Loaded x;
    Load(dev, std::string(kXDataDir) + "shape.x", x);
    ASSERT_EQ(S_OK, x.hr);
    dev.Clear();
    x.mesh->DrawSubset(1);
    x.mesh->DrawSubset(0);
    EXPECT_THAT(dev.Lines(), ElementsAre("SetFVF(274)", "SetStreamSource(0, vb1, 0, 32)", "SetIndices(ib1)",
                                         "DrawIndexedPrimitive(4, 0, 0, 9, 3, 5)", "SetFVF(274)",
                                         "SetStreamSource(0, vb1, 0, 32)", "SetIndices(ib1)",
                                         "DrawIndexedPrimitive(4, 0, 4, 4, 0, 1)"));
    dev.Clear();
    EXPECT_EQ(S_OK, x.mesh->DrawSubset(2));  // no face has it
    EXPECT_TRUE(dev.calls().empty());
}

TEST(XFileD3DX, BackslashesSeparateDirectoriesAndDotDotGoesUp)
{
    const std::string here = std::filesystem::current_path().filename().string();
    for (const std::string& path : {std::string("tests\\data\\xfile\\shape.x"), "..\\" + here + "/tests/data/xfile/shape.x"}) {
        RecordingDevice dev;
        Loaded x;
        Load(dev, path, x);
        EXPECT_EQ(S_OK, x.hr) << path;
        EXPECT_EQ(2u, x.count) << path;
    }
}

TEST(XFileD3DX, FailuresLeaveNothingBehind)
{
    RecordingDevice dev;
    const ULONG refs = dev.refs();
    {
        Loaded x;
        Load(dev, "tests/data/xfile/no_such_file.x", x);
        EXPECT_EQ(D3DXERR_INVALIDDATA, x.hr);
        EXPECT_EQ(nullptr, x.mesh);
        EXPECT_EQ(nullptr, x.materials);
    }
    for (const char* directory : {"tests/data/xfile", "tests\\data\\xfile\\"}) {
        Loaded x;
        Load(dev, directory, x);
        EXPECT_EQ(D3DXERR_INVALIDDATA, x.hr) << directory;
        EXPECT_EQ(nullptr, x.mesh) << directory;
    }
    {
        Loaded x;
        Load(dev, std::string(kXDataDir) + "broken/index_out_of_range.x", x);
        EXPECT_EQ(D3DXERR_INVALIDDATA, x.hr);
        EXPECT_EQ(nullptr, x.mesh);
    }
    for (const char* call : {"CreateVertexBuffer", "CreateIndexBuffer", "VB.Lock", "IB.Lock"}) {
        dev.Fail(call, D3DERR_OUTOFVIDEOMEMORY);
        Loaded x;
        Load(dev, std::string(kXDataDir) + "shape.x", x);
        EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, x.hr) << call;
        EXPECT_EQ(nullptr, x.mesh) << call;
        EXPECT_EQ(nullptr, x.materials) << call;
        dev.Succeed(call);
    }
    EXPECT_EQ(refs, dev.refs());  // every mesh that got as far as holding the device let it go

    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXLoadMeshFromXA("tests/data/xfile/shape.x", 0, nullptr, nullptr, nullptr,
                                                     nullptr, nullptr, &mesh));
    ID3DXBuffer* effects = nullptr;
    EXPECT_EQ(E_NOTIMPL, D3DXLoadMeshFromXA("tests/data/xfile/shape.x", 0, &dev, nullptr, nullptr, &effects,
                                            nullptr, &mesh));
    EXPECT_EQ(nullptr, mesh);
}

TEST(XFileD3DX, InMemoryLoadsWhatTheFileLoads)
{
    const std::vector<uint8_t> bytes = ReadBytes(std::string(kXDataDir) + "shape_bin.x");
    RecordingDevice fromFile, fromMemory;
    Loaded a, b;
    Load(fromFile, std::string(kXDataDir) + "shape_bin.x", a);
    b.hr = D3DXLoadMeshFromXInMemory(bytes.data(), DWORD(bytes.size()), D3DXMESH_SYSTEMMEM, &fromMemory, nullptr,
                                     &b.materials, nullptr, &b.count, &b.mesh);
    ASSERT_EQ(S_OK, a.hr);
    ASSERT_EQ(S_OK, b.hr);
    EXPECT_EQ(fromFile.Lines(), fromMemory.Lines());
    EXPECT_EQ(a.count, b.count);
    ASSERT_EQ(a.materials->GetBufferSize(), b.materials->GetBufferSize());

    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXLoadMeshFromXInMemory(nullptr, 10, 0, &fromMemory, nullptr, nullptr, nullptr,
                                                            nullptr, &mesh));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXLoadMeshFromXInMemory(bytes.data(), 0, 0, &fromMemory, nullptr, nullptr,
                                                            nullptr, nullptr, &mesh));
    // A buffer cut short is bad data, like a truncated file.
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXLoadMeshFromXInMemory(bytes.data(), DWORD(bytes.size() / 2), 0, &fromMemory,
                                                             nullptr, nullptr, nullptr, nullptr, &mesh));
    EXPECT_EQ(nullptr, mesh);
}

TEST(XFileD3DX, MoreThan65535VerticesTake32BitIndices)
{
    const std::string path = testing::TempDir() + "xfile_wide.x";
    {
        std::ofstream out(path);
        out << "xof 0303txt 0032\nMesh { 70000;";
        for (int i = 0; i < 70000; ++i) out << i << ";0;0;" << (i + 1 < 70000 ? "," : ";");
        out << " 1; 3;0,69998,69999;; }\n";
    }
    RecordingDevice dev;
    Loaded x;
    Load(dev, path, x);
    ASSERT_EQ(S_OK, x.hr);
    EXPECT_EQ(1u, dev.Calls("CreateIndexBuffer").size());
    EXPECT_EQ("CreateIndexBuffer(12, 0, 102, 2, null) -> ib1", dev.Calls("CreateIndexBuffer")[0].ToString());
    EXPECT_EQ(DWORD(D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT), x.mesh->GetOptions());
    uint32_t indices[3];
    std::memcpy(indices, dev.IndexBuffer("ib1")->bytes.data(), sizeof indices);
    EXPECT_EQ(69999u, indices[2]);
    std::remove(path.c_str());
}

TEST(XFileD3DX, AdjacencyNamesTheFaceAcrossEachEdge)
{
    const std::string path = testing::TempDir() + "xfile_quad.x";
    std::ofstream(path) << "xof 0303txt 0032 Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;; }";
    RecordingDevice dev;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ASSERT_EQ(S_OK, D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, &dev, &adjacency, nullptr, nullptr,
                                       nullptr, &mesh));
    ASSERT_EQ(6 * sizeof(DWORD), adjacency->GetBufferSize());
    const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    EXPECT_THAT(std::vector<DWORD>(a, a + 6), ElementsAre(0xFFFFFFFFu, 0xFFFFFFFFu, 1u, 0u, 0xFFFFFFFFu, 0xFFFFFFFFu));
    adjacency->Release();
    mesh->Release();
    std::remove(path.c_str());
}

}  // namespace
