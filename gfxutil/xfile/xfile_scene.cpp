#include "gfxutil/xfile/xfile_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>

namespace xfile {
namespace {

constexpr uint32_t kDefaultMaterial = UINT32_MAX;  // placeholder until the list is complete
constexpr size_t kMaxFrameVisits = size_t(1) << 16;

// Row-vector transform (p' = p * M), as Direct3D composes them: child * parent.
struct Transform {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    bool identity = true;

    Transform Then(const Transform& next) const
    {
        if (identity) return next;
        if (next.identity) return *this;
        Transform out;
        out.identity = false;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                float sum = 0.0f;
                for (int k = 0; k < 4; ++k) sum += m[r * 4 + k] * next.m[k * 4 + c];
                out.m[r * 4 + c] = sum;
            }
        return out;
    }

    Vec3 Point(const Vec3& p) const
    {
        if (identity) return p;
        Vec3 out{p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
                 p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
        const float w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
        if (w != 1.0f && w != 0.0f) out = Vec3{out.x / w, out.y / w, out.z / w};
        return out;
    }

    // Normals go through the inverse transpose (here the cofactors, up to the determinant's
    // sign), then keep the length the file gave them.
    Vec3 Normal(const Vec3& n) const
    {
        if (identity) return n;
        const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
        const float c00 = e * i - f * h, c01 = f * g - d * i, c02 = d * h - e * g;
        const float c10 = c * h - b * i, c11 = a * i - c * g, c12 = b * g - a * h;
        const float c20 = b * f - c * e, c21 = c * d - a * f, c22 = a * e - b * d;
        const float det = a * c00 + b * c01 + c * c02;
        Vec3 out{n.x * c00 + n.y * c10 + n.z * c20, n.x * c01 + n.y * c11 + n.z * c21,
                 n.x * c02 + n.y * c12 + n.z * c22};
        const float len = std::sqrt(out.x * out.x + out.y * out.y + out.z * out.z);
        if (len == 0.0f || !std::isfinite(len)) return Vec3{0, 0, 0};
        const float scale = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) / len * (det < 0.0f ? -1.0f : 1.0f);
        return Vec3{out.x * scale, out.y * scale, out.z * scale};
    }
};

// Equal normal vectors (+0 and -0 alike) share a vertex; only different values split one.
std::array<uint32_t, 3> NormalValue(const Vec3& n)
{
    const float v[3] = {n.x + 0.0f, n.y + 0.0f, n.z + 0.0f};
    std::array<uint32_t, 3> bits;
    std::memcpy(bits.data(), v, sizeof v);
    return bits;
}

class SceneBuilder {
public:
    explicit SceneBuilder(const Document& doc, MeshData& out) : doc_(doc), out_(out) {}

    HRESULT Build()
    {
        const Transform identity;
        for (const auto& object : doc_.objects) {
            bool ok = true;
            if (object->type == "Mesh") ok = AddMesh(*object, identity);
            else if (object->type == "Frame") ok = AddFrame(*object, identity, 1);
            if (!ok) return D3DXERR_INVALIDDATA;
        }
        if (out_.indices.empty()) return E_FAIL;
        Finish();
        return S_OK;
    }

private:
    bool AddFrame(const Object& frame, const Transform& parent, int depth)
    {
        if (depth > kMaxDepth || ++frameVisits_ > kMaxFrameVisits) return false;
        Transform local;
        for (const Child& child : frame.children) {
            const Object* part = Resolve(child, doc_);
            if (!part || part->type != "FrameTransformMatrix") continue;
            Transform m;
            if (!ReadMatrix(*part, m.m)) return false;
            m.identity = false;
            local = local.Then(m);
        }
        const Transform world = local.Then(parent);
        for (const Child& child : frame.children) {
            const Object* part = Resolve(child, doc_);
            if (!part) continue;
            if (part->type == "Mesh" && !AddMesh(*part, world)) return false;
            if (part->type == "Frame" && !AddFrame(*part, world, depth + 1)) return false;
        }
        return true;
    }

    bool AddMesh(const Object& object, const Transform& world)
    {
        SourceMesh src;
        if (!ReadMesh(object, doc_, src)) return false;
        if (src.positions.empty()) return true;  // nothing to draw, as D3DX skips it

        const uint32_t base = uint32_t(out_.vertices.size());
        if (src.positions.size() > kMaxVertices - base) return false;
        for (size_t i = 0; i < src.positions.size(); ++i) {
            Vertex v{world.Point(src.positions[i]), Vec3{0, 0, 0}, Vec2{0, 0}};
            if (!src.uvs.empty()) v.uv = src.uvs[i];
            out_.vertices.push_back(v);
        }
        out_.hasUvs = out_.hasUvs || !src.uvs.empty();

        std::vector<uint32_t> cornerVertex = src.corners;
        for (uint32_t& v : cornerVertex) v += base;
        if (!src.normals.empty()) {
            out_.hasNormals = true;
            if (!SplitByNormal(src, world, base, cornerVertex)) return false;
        }
        return AddTriangles(src, cornerVertex);
    }

    // A position whose corners carry different normals becomes one vertex per normal; the
    // first keeps the position's own slot, the others are appended in corner order.
    bool SplitByNormal(const SourceMesh& src, const Transform& world, uint32_t base,
                       std::vector<uint32_t>& cornerVertex)
    {
        std::map<std::array<uint32_t, 3>, uint32_t> distinct;
        std::vector<uint32_t> normalId(src.normals.size());
        for (size_t n = 0; n < src.normals.size(); ++n)
            normalId[n] = distinct.emplace(NormalValue(src.normals[n]), uint32_t(distinct.size())).first->second;

        std::vector<uint32_t> slotNormal(src.positions.size(), UINT32_MAX);
        std::unordered_map<uint64_t, uint32_t> extra;  // (position, normal id) -> vertex
        for (size_t c = 0; c < src.corners.size(); ++c) {
            const uint32_t p = src.corners[c];
            const uint32_t n = src.normalCorners[c];
            uint32_t vertex = base + p;
            if (slotNormal[p] == UINT32_MAX) {
                slotNormal[p] = n;
                out_.vertices[vertex].normal = world.Normal(src.normals[n]);
            } else if (normalId[slotNormal[p]] != normalId[n]) {
                const uint64_t key = (uint64_t(p) << 32) | normalId[n];
                auto found = extra.find(key);
                if (found != extra.end()) {
                    vertex = found->second;
                } else {
                    if (out_.vertices.size() >= kMaxVertices) return false;
                    Vertex copy = out_.vertices[base + p];
                    copy.normal = world.Normal(src.normals[n]);
                    vertex = uint32_t(out_.vertices.size());
                    out_.vertices.push_back(copy);
                    extra.emplace(key, vertex);
                }
            }
            cornerVertex[c] = vertex;
        }
        return true;
    }

    // Polygons become fans (v0, vi, vi+1), winding as written.
    bool AddTriangles(const SourceMesh& src, const std::vector<uint32_t>& cornerVertex)
    {
        const uint32_t materialBase = uint32_t(materials_.size());
        size_t corner = 0;
        for (size_t f = 0; f < src.faceSizes.size(); ++f) {
            const uint32_t size = src.faceSizes[f];
            if (size - 2 > kMaxTriangles - out_.attributes.size()) return false;
            const uint32_t attribute = src.materials.empty() ? kDefaultMaterial : materialBase + src.faceMaterials[f];
            for (uint32_t j = 1; j + 1 < size; ++j) {
                out_.indices.push_back(cornerVertex[corner]);
                out_.indices.push_back(cornerVertex[corner + j]);
                out_.indices.push_back(cornerVertex[corner + j + 1]);
                out_.attributes.push_back(attribute);
            }
            corner += size;
        }
        materials_.insert(materials_.end(), src.materials.begin(), src.materials.end());
        return true;
    }

    // Meshes without materials share one default material at the end of the list; then the
    // triangles are grouped by material, keeping file order within each group.
    void Finish()
    {
        bool usesDefault = false;
        for (uint32_t& a : out_.attributes) {
            if (a == kDefaultMaterial) {
                a = uint32_t(materials_.size());
                usesDefault = true;
            }
        }
        if (usesDefault) materials_.push_back(DefaultMaterial());
        out_.materials = std::move(materials_);

        const size_t groups = out_.materials.size();
        std::vector<size_t> start(groups + 1, 0);
        for (uint32_t a : out_.attributes) ++start[a + 1];
        for (size_t g = 0; g < groups; ++g) start[g + 1] += start[g];

        const size_t triangles = out_.attributes.size();
        std::vector<uint32_t> indices(triangles * 3), attributes(triangles);
        std::vector<size_t> next(start.begin(), start.end() - 1);
        for (size_t t = 0; t < triangles; ++t) {
            const size_t to = next[out_.attributes[t]]++;
            attributes[to] = out_.attributes[t];
            std::memcpy(&indices[to * 3], &out_.indices[t * 3], 3 * sizeof(uint32_t));
        }
        out_.indices = std::move(indices);
        out_.attributes = std::move(attributes);

        for (size_t g = 0; g < groups; ++g) {
            if (start[g] == start[g + 1]) continue;
            uint32_t lo = UINT32_MAX, hi = 0;
            for (size_t i = start[g] * 3; i < start[g + 1] * 3; ++i) {
                lo = std::min(lo, out_.indices[i]);
                hi = std::max(hi, out_.indices[i]);
            }
            out_.ranges.push_back(D3DXATTRIBUTERANGE{DWORD(g), DWORD(start[g]), DWORD(start[g + 1] - start[g]),
                                                     lo, hi - lo + 1});
        }
    }

    const Document& doc_;
    MeshData& out_;
    std::vector<MaterialRecord> materials_;
    size_t frameVisits_ = 0;
};

}  // namespace

MaterialRecord DefaultMaterial()
{
    MaterialRecord record;
    record.material.Diffuse = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 1.0f};
    record.material.Specular = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 1.0f};
    return record;
}

HRESULT LoadMeshData(const uint8_t* data, size_t size, MeshData& out)
{
    out = MeshData{};
    try {
        Document doc;
        if (!ParseDocument(data, size, doc)) return D3DXERR_INVALIDDATA;
        const HRESULT hr = SceneBuilder(doc, out).Build();
        if (FAILED(hr)) out = MeshData{};
        return hr;
    } catch (const std::bad_alloc&) {
        out = MeshData{};
        return E_OUTOFMEMORY;
    }
}

}  // namespace xfile
