// Our X reader against Assimp's X importer on the same files: the same triangles with the same
// corners (position, normal, uv) in the same winding, and the same materials.
//
// What Assimp does differently, and how this test undoes it:
// - Its X importer converts the scene to right-handed space (z of positions, normals and frame
//   matrices negated), reverses the winding of every polygon and stores v as 1 - v. Importing
//   with aiProcess_ConvertToLeftHanded (MakeLeftHanded, FlipWindingOrder, FlipUVs) applies each
//   of these once more, which gives back the file's own values; v comes back as 1 - (1 - v),
//   hence a small tolerance on uv.
// - It keeps one vertex per face corner and one aiMesh per mesh and material, so corners are
//   compared by value, never by vertex index, and triangles are matched as a multiset.
// - It keeps polygons whole. Its own triangulation (aiProcess_Triangulate) ear-cuts polygons of
//   five corners or more (shape.x's pentagon comes out as other triangles over the same area);
//   D3DX fans them (v0, vi, vi+1), so the test fans Assimp's polygons itself.
// - aiProcess_PreTransformVertices applies the frame matrices, as we do when merging meshes.
// - A mesh without a material list gets no default material of its own: Assimp gives it the
//   scene's material 0 (its grey stand-in only when the file has no material at all). Those
//   triangles are compared by geometry only.
#include "test_xfile_util.h"

#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Corner {
    float position[3];
    float normal[3];
    float uv[2];
};

struct Material {
    float diffuse[4];
    float specular[3];
    float emissive[3];
    float power;
    std::string texture;  // empty without one
};

struct Triangle {
    Corner corner[3];
    Material material;
    bool defaultMaterial = false;  // ours came from a mesh without a material list
};

bool Near(float a, float b, float relative)
{
    return std::fabs(a - b) <= relative * std::max({1.0f, std::fabs(a), std::fabs(b)});
}

bool SameCorners(const Triangle& a, const Triangle& b)
{
    for (int k = 0; k < 3; ++k) {
        const Corner& x = a.corner[k];
        const Corner& y = b.corner[k];
        for (int i = 0; i < 3; ++i)
            if (!Near(x.position[i], y.position[i], 1e-5f) || !Near(x.normal[i], y.normal[i], 1e-5f)) return false;
        for (int i = 0; i < 2; ++i)
            if (std::fabs(x.uv[i] - y.uv[i]) > 1e-6f) return false;
    }
    return true;
}

std::string Describe(const Material& m)
{
    char text[256];
    std::snprintf(text, sizeof text, "diffuse %g %g %g %g specular %g %g %g emissive %g %g %g power %g texture \"",
                  m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3], m.specular[0], m.specular[1], m.specular[2],
                  m.emissive[0], m.emissive[1], m.emissive[2], m.power);
    return text + m.texture + "\"";
}

std::string Describe(const Triangle& t)
{
    std::string out;
    char text[160];
    for (const Corner& c : t.corner) {
        std::snprintf(text, sizeof text, "(p %g %g %g n %g %g %g uv %g %g) ", c.position[0], c.position[1],
                      c.position[2], c.normal[0], c.normal[1], c.normal[2], c.uv[0], c.uv[1]);
        out += text;
    }
    return out;
}

std::vector<Triangle> OurTriangles(const std::string& path)
{
    xfile::MeshData mesh;
    EXPECT_EQ(S_OK, LoadBytes(ReadBytes(path), mesh)) << path;
    const xfile::MaterialRecord fallback = xfile::DefaultMaterial();
    const auto isDefault = [&](uint32_t index) {
        const xfile::MaterialRecord& r = mesh.materials[index];
        return index + 1 == mesh.materials.size() && !r.hasTexture &&
               std::memcmp(&r.material, &fallback.material, sizeof r.material) == 0;
    };
    std::vector<Triangle> out(mesh.attributes.size());
    for (size_t t = 0; t < out.size(); ++t) {
        Triangle& tri = out[t];
        for (int k = 0; k < 3; ++k) {
            const xfile::Vertex& v = mesh.vertices[mesh.indices[t * 3 + k]];
            tri.corner[k] = Corner{{v.position.x, v.position.y, v.position.z},
                                   {v.normal.x, v.normal.y, v.normal.z},
                                   {v.uv.u, v.uv.v}};
        }
        const xfile::MaterialRecord& r = mesh.materials[mesh.attributes[t]];
        const D3DMATERIAL9& m = r.material;
        tri.material = Material{{m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a},
                                {m.Specular.r, m.Specular.g, m.Specular.b},
                                {m.Emissive.r, m.Emissive.g, m.Emissive.b},
                                m.Power,
                                r.hasTexture ? r.texture : std::string()};
        tri.defaultMaterial = isDefault(mesh.attributes[t]);
    }
    return out;
}

Material AssimpMaterial(const aiMaterial* m)
{
    aiColor4D diffuse(0, 0, 0, 1), specular(0, 0, 0, 1), emissive(0, 0, 0, 1);
    aiGetMaterialColor(m, AI_MATKEY_COLOR_DIFFUSE, &diffuse);
    aiGetMaterialColor(m, AI_MATKEY_COLOR_SPECULAR, &specular);
    aiGetMaterialColor(m, AI_MATKEY_COLOR_EMISSIVE, &emissive);
    ai_real power = 0;
    aiGetMaterialFloat(m, AI_MATKEY_SHININESS, &power);
    aiString texture;
    std::string name;
    if (aiGetMaterialTexture(m, aiTextureType_DIFFUSE, 0, &texture) == aiReturn_SUCCESS) name = texture.C_Str();
    return Material{{diffuse.r, diffuse.g, diffuse.b, diffuse.a},
                    {specular.r, specular.g, specular.b},
                    {emissive.r, emissive.g, emissive.b},
                    float(power),
                    name};
}

constexpr unsigned kImportSteps = aiProcess_ConvertToLeftHanded | aiProcess_PreTransformVertices;

// Takes the scene and releases it.
std::vector<Triangle> AssimpTriangles(const aiScene* scene)
{
    std::vector<Triangle> out;
    EXPECT_NE(nullptr, scene) << aiGetErrorString();
    if (!scene) return out;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        const Material material = AssimpMaterial(scene->mMaterials[mesh->mMaterialIndex]);
        const auto corner = [&](unsigned v) {
            Corner c{};
            const aiVector3D& p = mesh->mVertices[v];
            c.position[0] = p.x, c.position[1] = p.y, c.position[2] = p.z;
            if (mesh->mNormals) {
                const aiVector3D& n = mesh->mNormals[v];
                c.normal[0] = n.x, c.normal[1] = n.y, c.normal[2] = n.z;
            }
            if (mesh->mTextureCoords[0]) {
                c.uv[0] = mesh->mTextureCoords[0][v].x;
                c.uv[1] = mesh->mTextureCoords[0][v].y;
            }
            return c;
        };
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            for (unsigned j = 1; j + 1 < face.mNumIndices; ++j) {
                Triangle t;
                t.corner[0] = corner(face.mIndices[0]);
                t.corner[1] = corner(face.mIndices[j]);
                t.corner[2] = corner(face.mIndices[j + 1]);
                t.material = material;
                out.push_back(t);
            }
        }
    }
    aiReleaseImport(scene);
    return out;
}

void ExpectSameMaterial(const Material& ours, const Material& theirs, size_t triangle)
{
    bool same = ours.texture == theirs.texture && Near(ours.power, theirs.power, 1e-6f);
    for (int i = 0; i < 4; ++i) same = same && Near(ours.diffuse[i], theirs.diffuse[i], 1e-6f);
    for (int i = 0; i < 3; ++i) {
        same = same && Near(ours.specular[i], theirs.specular[i], 1e-6f);
        same = same && Near(ours.emissive[i], theirs.emissive[i], 1e-6f);
    }
    EXPECT_TRUE(same) << "triangle " << triangle << "\n  ours:   " << Describe(ours)
                      << "\n  Assimp: " << Describe(theirs);
}

// Our reader on `path` against Assimp's scene (from the same file unless told otherwise).
void ExpectAssimpAgrees(const std::string& path, const aiScene* scene = nullptr)
{
    SCOPED_TRACE(path);
    const std::vector<Triangle> ours = OurTriangles(path);
    const std::vector<Triangle> theirs = AssimpTriangles(scene ? scene : aiImportFile(path.c_str(), kImportSteps));
    ASSERT_FALSE(ours.empty());
    EXPECT_EQ(ours.size(), theirs.size()) << "triangles";

    // Each of our triangles takes the Assimp triangle at its own place when that one matches,
    // else the first unmatched one that does.
    std::vector<bool> taken(theirs.size(), false);
    std::map<std::string, int> ourCount, theirCount;  // triangles per material
    size_t inPlace = 0, unmatched = 0;
    for (size_t t = 0; t < ours.size(); ++t) {
        size_t found = theirs.size();
        if (t < theirs.size() && !taken[t] && SameCorners(ours[t], theirs[t])) {
            found = t;
            ++inPlace;
        } else {
            for (size_t u = 0; u < theirs.size() && found == theirs.size(); ++u)
                if (!taken[u] && SameCorners(ours[t], theirs[u])) found = u;
        }
        if (found == theirs.size()) {
            if (++unmatched <= 5) ADD_FAILURE() << "no Assimp triangle for ours " << t << ": " << Describe(ours[t]);
            continue;
        }
        taken[found] = true;
        if (ours[t].defaultMaterial) continue;
        ExpectSameMaterial(ours[t].material, theirs[found].material, t);
        ++ourCount[Describe(ours[t].material)];
        ++theirCount[Describe(theirs[found].material)];
    }
    EXPECT_EQ(0u, unmatched) << "of " << ours.size() << " triangles";
    EXPECT_EQ(ourCount, theirCount);
    for (size_t u = 0, shown = 0; u < theirs.size() && shown < 5; ++u) {
        if (taken[u]) continue;
        ADD_FAILURE() << "Assimp triangle " << u << " has no match in ours: " << Describe(theirs[u]);
        ++shown;
    }
    std::printf("%s: %zu triangles, %zu in the same place, %zu materials\n", path.c_str(), ours.size(), inPlace,
                ourCount.size());
}

struct FileGroup {
    const char* name;
    std::vector<std::string> paths;
};

const FileGroup kGroups[] = {
    {"GameModels",
     {"Models/lpice0.x", "Models/lpice1.x", "Models/lpice2.x", "Models/lpice3.x", "Models/lpice4.x",
      "Models/lpice5.x", "Models/tank0.x", "Models/tank1.x", "Models/tank2.x", "Models/tank3.x",
      "Models/bullet1.x"}},
    {"Tank0Encodings",
     {"tests/data/models/tank0_bin.x", "tests/data/models/tank0_bzip.x", "tests/data/models/tank0_txt64.x",
      "tests/data/models/tank0_tzip.x"}},
    {"Shape",
     {"tests/data/xfile/shape.x", "tests/data/xfile/shape_bin.x", "tests/data/xfile/shape_bin64.x",
      "tests/data/xfile/shape_bzip.x", "tests/data/xfile/shape_txt64.x", "tests/data/xfile/shape_tzip.x"}},
    {"Grid",
     {"tests/data/xfile/grid.x", "tests/data/xfile/grid_bin.x", "tests/data/xfile/grid_bzip.x",
      "tests/data/xfile/grid_tzip.x"}},
};

class XFileAssimp : public ::testing::TestWithParam<FileGroup> {};

TEST_P(XFileAssimp, SameTrianglesAndMaterials)
{
    for (const std::string& path : GetParam().paths) ExpectAssimpAgrees(path);
}

void PrintTo(const FileGroup& group, std::ostream* out) { *out << group.name; }

std::string GroupName(const ::testing::TestParamInfo<FileGroup>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Files, XFileAssimp, ::testing::ValuesIn(kGroups), GroupName);

// Assimp's X parser reads a data reference (`{ Name }`) only inside a material list; the one in
// Frame Copy, which the format allows in any open template, makes it give up on the whole file.
// Assimp gets frames.x with that reference written out as the mesh it names; every encoding of
// frames.x is held to that.
TEST(XFileAssimp, FramesWithTheMeshReferenceWrittenOut)
{
    const std::vector<uint8_t> bytes = ReadBytes(std::string(kXDataDir) + "frames.x");
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(nullptr, aiImportFileFromMemory(text.data(), unsigned(text.size()), kImportSteps, "x"))
        << "Assimp now reads the reference: compare frames.x itself";

    const size_t mesh = text.find("Mesh Loose {");
    const size_t reference = text.find("{ Loose }");
    ASSERT_NE(std::string::npos, mesh);
    ASSERT_NE(std::string::npos, reference);
    size_t end = text.find('{', mesh);
    for (int depth = 0; end < text.size(); ++end) {
        depth += text[end] == '{' ? 1 : text[end] == '}' ? -1 : 0;
        if (depth == 0) break;
    }
    ASSERT_LT(end, text.size());
    std::string copy = text.substr(mesh, end + 1 - mesh);
    copy.replace(0, std::string("Mesh Loose").size(), "Mesh LooseCopy");
    text.replace(reference, std::string("{ Loose }").size(), copy);

    for (const char* flavour : {"", "_bin", "_bin64", "_bzip", "_txt64", "_tzip"})
        ExpectAssimpAgrees(std::string(kXDataDir) + "frames" + flavour + ".x",
                           aiImportFileFromMemory(text.data(), unsigned(text.size()), kImportSteps, "x"));
}

}  // namespace
