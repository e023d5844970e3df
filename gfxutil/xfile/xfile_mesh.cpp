#include "gfxutil/xfile/xfile_mesh.h"

namespace xfile {
namespace {

// Reads an object's values in order; every read fails cleanly past the end.
class Cursor {
public:
    explicit Cursor(const std::vector<Value>& values) : values_(values) {}
    size_t left() const { return values_.size() - next_; }
    bool Uint(uint32_t& out)
    {
        if (!left() || !values_[next_].isUint) return false;
        out = values_[next_++].uint;
        return true;
    }
    bool Float(float& out)
    {
        if (!left()) return false;
        out = static_cast<float>(values_[next_++].number);
        return true;
    }
    bool Vector(Vec3& v) { return Float(v.x) && Float(v.y) && Float(v.z); }
    bool Uv(Vec2& uv) { return Float(uv.u) && Float(uv.v); }
    bool Color(D3DCOLORVALUE& col, bool alpha)
    {
        return Float(col.r) && Float(col.g) && Float(col.b) && (!alpha || Float(col.a));
    }
    // True when `count` records of `valuesEach` values can still follow.
    bool Holds(uint64_t count, uint64_t valuesEach) const { return count * valuesEach <= left(); }

private:
    const std::vector<Value>& values_;
    size_t next_ = 0;
};

bool ReadMaterial(const Object& object, MaterialRecord& out)
{
    // ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor.
    if (object.values.size() != 11) return false;
    Cursor c(object.values);
    D3DMATERIAL9& m = out.material;
    m = D3DMATERIAL9{};
    c.Color(m.Diffuse, true);
    c.Float(m.Power);
    c.Color(m.Specular, false);
    c.Color(m.Emissive, false);
    // The file has no alpha for these, nor any ambient colour: opaque, and black ambient.
    m.Specular.a = 1.0f;
    m.Emissive.a = 1.0f;
    m.Ambient.a = 1.0f;
    out.hasTexture = false;
    out.texture.clear();
    for (const Child& child : object.children) {
        const Object* texture = child.object.get();
        if (!texture || texture->type != "TextureFilename") continue;
        if (texture->strings.empty()) return false;
        out.hasTexture = true;
        out.texture = texture->strings.front();
        break;
    }
    return true;
}

bool ReadNormals(const Object& object, SourceMesh& mesh)
{
    Cursor c(object.values);
    uint32_t count, faces;
    if (!c.Uint(count) || !c.Holds(count, 3)) return false;
    std::vector<Vec3> normals(count);
    for (Vec3& n : normals) c.Vector(n);
    if (!c.Uint(faces) || faces != mesh.faceSizes.size()) return false;
    std::vector<uint32_t> corners;
    corners.reserve(mesh.corners.size());
    for (uint32_t size : mesh.faceSizes) {
        uint32_t n;
        if (!c.Uint(n) || n != size) return false;
        for (uint32_t j = 0; j < n; ++j) {
            uint32_t index;
            if (!c.Uint(index) || index >= count) return false;
            corners.push_back(index);
        }
    }
    mesh.normals = std::move(normals);
    mesh.normalCorners = std::move(corners);
    return true;
}

bool ReadTextureCoords(const Object& object, SourceMesh& mesh)
{
    Cursor c(object.values);
    uint32_t count;
    if (!c.Uint(count) || count != mesh.positions.size() || !c.Holds(count, 2)) return false;
    std::vector<Vec2> uvs(count);
    for (Vec2& uv : uvs) c.Uv(uv);
    mesh.uvs = std::move(uvs);
    return true;
}

bool ReadMaterialList(const Object& object, const Document& doc, SourceMesh& mesh)
{
    Cursor c(object.values);
    uint32_t materialCount, indexCount;
    if (!c.Uint(materialCount)) return false;
    mesh.faceMaterials.clear();
    mesh.materials.clear();
    if (materialCount == 0) return true;
    // Older exporters write fewer indices than faces; the last one then covers the rest.
    if (!c.Uint(indexCount) || indexCount > mesh.faceSizes.size() || !c.Holds(indexCount, 1)) return false;
    std::vector<uint32_t> faceMaterials;
    faceMaterials.reserve(mesh.faceSizes.size());
    for (uint32_t i = 0; i < indexCount; ++i) {
        uint32_t index;
        if (!c.Uint(index) || index >= materialCount) return false;
        faceMaterials.push_back(index);
    }
    faceMaterials.resize(mesh.faceSizes.size(), faceMaterials.empty() ? 0 : faceMaterials.back());

    std::vector<MaterialRecord> materials;
    for (const Child& child : object.children) {
        const Object* material = Resolve(child, doc);
        if (!material) return false;  // a reference to nothing
        if (material->type != "Material") continue;
        if (materials.size() == materialCount) return false;
        materials.emplace_back();
        if (!ReadMaterial(*material, materials.back())) return false;
    }
    if (materials.size() != materialCount) return false;
    mesh.faceMaterials = std::move(faceMaterials);
    mesh.materials = std::move(materials);
    return true;
}

}  // namespace

const Object* Resolve(const Child& child, const Document& doc)
{
    return child.object ? child.object.get() : doc.Find(child.reference);
}

bool ReadMesh(const Object& object, const Document& doc, SourceMesh& out)
{
    out = SourceMesh{};
    Cursor c(object.values);
    uint32_t vertexCount, faceCount;
    if (!c.Uint(vertexCount) || !c.Holds(vertexCount, 3)) return false;
    out.positions.resize(vertexCount);
    for (Vec3& p : out.positions) c.Vector(p);
    // Each face needs its corner count and at least three corners.
    if (!c.Uint(faceCount) || !c.Holds(faceCount, 4)) return false;
    out.faceSizes.reserve(faceCount);
    for (uint32_t f = 0; f < faceCount; ++f) {
        uint32_t n;
        if (!c.Uint(n) || n < 3 || !c.Holds(n, 1)) return false;
        out.faceSizes.push_back(n);
        for (uint32_t j = 0; j < n; ++j) {
            uint32_t index;
            if (!c.Uint(index) || index >= vertexCount) return false;
            out.corners.push_back(index);
        }
    }
    for (const Child& child : object.children) {
        const Object* part = Resolve(child, doc);
        if (!part) continue;
        bool ok = true;
        if (part->type == "MeshNormals") ok = ReadNormals(*part, out);
        else if (part->type == "MeshTextureCoords") ok = ReadTextureCoords(*part, out);
        else if (part->type == "MeshMaterialList") ok = ReadMaterialList(*part, doc, out);
        if (!ok) return false;
    }
    return true;
}

bool ReadMatrix(const Object& transform, std::array<float, 16>& m)
{
    if (transform.values.size() != 16) return false;
    Cursor c(transform.values);
    for (float& f : m) c.Float(f);
    return true;
}

}  // namespace xfile
