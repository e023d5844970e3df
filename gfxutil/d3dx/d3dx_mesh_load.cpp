// D3DXLoadMeshFromXA and D3DXLoadMeshFromXInMemory: an X file, or its bytes, into one
// ID3DXMesh, its materials and their count.
#include "gfxutil/d3dx/d3dx_mesh.h"
#include "gfxutil/xfile/xfile_scene.h"

#include "base/file_read.h"
#include "base/win_path.h"

#include <cstring>
#include <map>
#include <new>
#include <unordered_map>

namespace d3dx {
namespace {

// Larger files are refused before reading: no game model comes near it.
constexpr uint64_t kMaxFileBytes = uint64_t(256) << 20;

// N D3DXMATERIAL records, then the texture names they point at, in one buffer.
HRESULT MakeMaterialBuffer(const std::vector<xfile::MaterialRecord>& materials, ID3DXBuffer** out)
{
    size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
    for (const xfile::MaterialRecord& m : materials) {
        if (m.hasTexture) bytes += std::strlen(m.texture.c_str()) + 1;
    }
    const HRESULT hr = D3DXCreateBuffer(DWORD(bytes), out);
    if (FAILED(hr)) return hr;
    auto* records = static_cast<D3DXMATERIAL*>((*out)->GetBufferPointer());
    char* names = reinterpret_cast<char*>(records + materials.size());
    for (const xfile::MaterialRecord& m : materials) {
        records->MatD3D = m.material;
        records->pTextureFilename = nullptr;
        if (m.hasTexture) {
            const size_t length = std::strlen(m.texture.c_str());
            std::memcpy(names, m.texture.c_str(), length + 1);
            records->pTextureFilename = names;
            names += length + 1;
        }
        ++records;
    }
    return S_OK;
}

// Three neighbours per face, one across each edge (v0 v1, v1 v2, v2 v0), or 0xFFFFFFFF.
// Vertices at bit-identical positions count as one, as D3DX's adjacency with epsilon 0 does.
HRESULT MakeAdjacency(const xfile::MeshData& data, ID3DXBuffer** out)
{
    const size_t faces = data.attributes.size();
    HRESULT hr = D3DXCreateBuffer(DWORD(faces * 3 * sizeof(DWORD)), out);
    if (FAILED(hr)) return hr;
    std::map<std::array<uint32_t, 3>, uint32_t> firstAt;
    std::vector<uint32_t> rep(data.vertices.size());
    for (size_t v = 0; v < data.vertices.size(); ++v) {
        std::array<uint32_t, 3> bits;
        std::memcpy(bits.data(), &data.vertices[v].position, sizeof bits);
        rep[v] = firstAt.emplace(bits, uint32_t(v)).first->second;
    }
    std::unordered_map<uint64_t, uint32_t> edgeFace;  // directed edge -> first face using it
    auto key = [&](uint32_t a, uint32_t b) { return (uint64_t(rep[a]) << 32) | rep[b]; };
    for (size_t f = 0; f < faces; ++f) {
        for (int e = 0; e < 3; ++e)
            edgeFace.emplace(key(data.indices[f * 3 + e], data.indices[f * 3 + (e + 1) % 3]), uint32_t(f));
    }
    auto* adjacency = static_cast<DWORD*>((*out)->GetBufferPointer());
    for (size_t f = 0; f < faces; ++f) {
        for (int e = 0; e < 3; ++e) {
            auto it = edgeFace.find(key(data.indices[f * 3 + (e + 1) % 3], data.indices[f * 3 + e]));
            adjacency[f * 3 + e] = (it != edgeFace.end() && it->second != f) ? it->second : 0xFFFFFFFFu;
        }
    }
    return S_OK;
}

template <class T>
void ReleaseAndClear(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

// The one path behind both entry points: bytes of an X file in, the mesh and what the caller
// asked for out. With `fileName` the bytes are read from that file first.
HRESULT LoadMesh(const uint8_t* bytes, size_t size, const char* fileName, DWORD Options,
                 LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                 LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    *ppMesh = nullptr;
    if (ppAdjacency) *ppAdjacency = nullptr;
    if (ppMaterials) *ppMaterials = nullptr;
    // Effect instances are not made here; a caller asking for them learns so, rather than
    // finding a null it did not expect.
    if (ppEffectInstances) {
        *ppEffectInstances = nullptr;
        return E_NOTIMPL;
    }

    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    HRESULT hr;
    try {
        std::vector<uint8_t> file;
        if (fileName) {
            if (!base::ReadWholeFile(base::NativePath(fileName), kMaxFileBytes, &file))
                return D3DXERR_INVALIDDATA;
            bytes = file.data();
            size = file.size();
        }
        xfile::MeshData data;
        hr = xfile::LoadMeshData(bytes, size, data);
        if (SUCCEEDED(hr)) hr = Mesh::Create(pD3DDevice, Options, data, &mesh);
        if (SUCCEEDED(hr) && ppMaterials) hr = MakeMaterialBuffer(data.materials, &materials);
        if (SUCCEEDED(hr) && ppAdjacency) hr = MakeAdjacency(data, &adjacency);
        if (SUCCEEDED(hr) && pNumMaterials) *pNumMaterials = DWORD(data.materials.size());
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        ReleaseAndClear(mesh);
        ReleaseAndClear(materials);
        ReleaseAndClear(adjacency);
        return hr;
    }
    *ppMesh = mesh;
    if (ppMaterials) *ppMaterials = materials;
    if (ppAdjacency) *ppAdjacency = adjacency;
    return S_OK;
}

}  // namespace
}  // namespace d3dx

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                                  LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    if (!pFilename || !pD3DDevice || !ppMesh) return D3DERR_INVALIDCALL;
    return d3dx::LoadMesh(nullptr, 0, pFilename, Options, pD3DDevice, ppAdjacency, ppMaterials,
                          ppEffectInstances, pNumMaterials, ppMesh);
}

HRESULT WINAPI D3DXLoadMeshFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD Options,
                                         LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXBUFFER* ppAdjacency,
                                         LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances,
                                         DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    if (!Memory || SizeOfMemory == 0 || !pD3DDevice || !ppMesh) return D3DERR_INVALIDCALL;
    return d3dx::LoadMesh(static_cast<const uint8_t*>(Memory), SizeOfMemory, nullptr, Options,
                          pD3DDevice, ppAdjacency, ppMaterials, ppEffectInstances, pNumMaterials, ppMesh);
}
