// One Mesh data object as the file writes it, with the children the loader understands.
#pragma once

#include "gfxutil/xfile/xfile_tree.h"

#include <d3d9.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xfile {

struct Vec3 {
    float x, y, z;
};
struct Vec2 {
    float u, v;
};

struct MaterialRecord {
    D3DMATERIAL9 material{};
    bool hasTexture = false;
    std::string texture;
};

struct SourceMesh {
    std::vector<Vec3> positions;
    std::vector<uint32_t> faceSizes;      // corners of each polygon
    std::vector<uint32_t> corners;        // position index per corner, polygon after polygon
    std::vector<Vec3> normals;            // empty when the mesh has no MeshNormals
    std::vector<uint32_t> normalCorners;  // normal index per corner, laid out as `corners`
    std::vector<Vec2> uvs;                // empty, or one per position
    std::vector<uint32_t> faceMaterials;  // empty, or one material index per polygon
    std::vector<MaterialRecord> materials;
};

// The object a child stands for: the nested object, or the one its reference names (null when
// the name is unknown).
const Object* Resolve(const Child& child, const Document& doc);

// Reads a Mesh with its MeshNormals, MeshTextureCoords and MeshMaterialList. Every count is
// checked against the values actually present before anything is sized from it.
bool ReadMesh(const Object& mesh, const Document& doc, SourceMesh& out);

// A FrameTransformMatrix: sixteen floats, row after row.
bool ReadMatrix(const Object& transform, std::array<float, 16>& m);

}  // namespace xfile
