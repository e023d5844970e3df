// Every mesh of an X file, in every frame, merged into one indexed triangle list with its
// materials, faces grouped by material the way a D3DX mesh keeps its attribute table.
#pragma once

#include "gfxutil/xfile/xfile_mesh.h"

#include <d3dx9mesh.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace xfile {

struct Vertex {
    Vec3 position;
    Vec3 normal;
    Vec2 uv;
};

struct MeshData {
    bool hasNormals = false;
    bool hasUvs = false;
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;     // three per triangle
    std::vector<uint32_t> attributes;  // material index of each triangle, ascending
    std::vector<D3DXATTRIBUTERANGE> ranges;  // one per material that has triangles
    std::vector<MaterialRecord> materials;
};

// References can repeat a mesh; past these totals the file is taken for hostile.
constexpr size_t kMaxVertices = size_t(1) << 21;
constexpr size_t kMaxTriangles = size_t(1) << 21;

// The material a mesh without MeshMaterialList is drawn with: mid grey.
MaterialRecord DefaultMaterial();

// Reads the whole file. S_OK, D3DXERR_INVALIDDATA for malformed data, E_FAIL when the file
// holds no mesh with triangles, E_OUTOFMEMORY.
HRESULT LoadMeshData(const uint8_t* data, size_t size, MeshData& out);

}  // namespace xfile
