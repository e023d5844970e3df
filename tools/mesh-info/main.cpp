// mesh-info FILE...
//
// Loads each X file as the game loads a model (D3DXLoadMeshFromXA into system memory, on a
// windowless device) and prints its faces and vertices, then each subset with its face count,
// material and texture. A texture is looked up as the game finds one for a model in Models/:
// by its name from the working directory, then beside the X file; each one found goes through
// the game's texture loader too. Exits with 1 when a mesh or a texture it names failed.
#include "tools/texture-info/texture_report.h"

#include <d3dx9mesh.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Faces per subset, from the mesh's attribute buffer.
std::vector<DWORD> FacesPerSubset(ID3DXMesh* mesh, DWORD subsets) {
    std::vector<DWORD> faces(subsets, 0);
    DWORD* attributes = nullptr;
    if (FAILED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes)) || !attributes)
        return faces;
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f)
        if (attributes[f] < subsets) ++faces[attributes[f]];
    mesh->UnlockAttributeBuffer();
    return faces;
}

// The texture line of one subset; false when the texture is named but does not load.
bool ReportTexture(IDirect3DDevice9* device, const std::string& meshPath, const char* name) {
    if (!name || !*name) {
        std::printf("      no texture\n");
        return true;
    }
    const std::string beside =
        (std::filesystem::path(meshPath).parent_path() / name).generic_string();
    std::string line;
    for (const std::string& candidate : {std::string(name), beside}) {
        if (assetinfo::DescribeTexture(device, candidate.c_str(), &line)) {
            std::printf("      texture %s (%s): %s\n", name, candidate.c_str(), line.c_str());
            return true;
        }
        if (line != "FAIL no such file") break;  // found, but it does not load
    }
    std::printf("      texture %s: %s\n", name, line.c_str());
    return false;
}

bool ReportMesh(IDirect3DDevice9* device, const char* path) {
    if (!assetinfo::IsFile(path)) {
        std::printf("%s: FAIL no such file\n", path);
        return false;
    }
    ID3DXBuffer* materials = nullptr;
    DWORD subsets = 0;
    ID3DXMesh* mesh = nullptr;
    const HRESULT hr = D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM, device, nullptr, &materials,
                                          nullptr, &subsets, &mesh);
    if (FAILED(hr)) {
        std::printf("%s: FAIL %s\n", path,
                    hr == D3DXERR_INVALIDDATA ? "D3DXERR_INVALIDDATA: not an X file we read, or a damaged one"
                                              : assetinfo::FailureReason(hr).c_str());
        return false;
    }
    std::printf("%s: OK %lu faces, %lu vertices, FVF 0x%03lX, %lu subset%s\n", path,
                static_cast<unsigned long>(mesh->GetNumFaces()),
                static_cast<unsigned long>(mesh->GetNumVertices()),
                static_cast<unsigned long>(mesh->GetFVF()), static_cast<unsigned long>(subsets),
                subsets == 1 ? "" : "s");
    const std::vector<DWORD> faces = FacesPerSubset(mesh, subsets);
    const D3DXMATERIAL* records =
        materials ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
    bool ok = true;
    for (DWORD i = 0; records && i < subsets; ++i) {
        const D3DMATERIAL9& m = records[i].MatD3D;
        std::printf("  subset %lu: %lu faces, diffuse %.3f %.3f %.3f %.3f, specular %.3f %.3f %.3f "
                    "power %.3g, emissive %.3f %.3f %.3f\n",
                    static_cast<unsigned long>(i), static_cast<unsigned long>(faces[i]), m.Diffuse.r,
                    m.Diffuse.g, m.Diffuse.b, m.Diffuse.a, m.Specular.r, m.Specular.g, m.Specular.b,
                    m.Power, m.Emissive.r, m.Emissive.g, m.Emissive.b);
        if (!ReportTexture(device, path, records[i].pTextureFilename)) ok = false;
    }
    if (materials) materials->Release();
    mesh->Release();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    return assetinfo::RunOnFiles(argc, argv, "mesh-info", "mesh-info FILE.x...", ReportMesh);
}
