// libFuzzer entry for D3DXLoadMeshFromXInMemory on the real device: any bytes in, and on success
// a mesh whose buffers, attribute table, material records and adjacency all hold together, and
// whose subsets draw without the device refusing a range.
#include "fuzz/fuzz_device.h"

#include <d3dx9mesh.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

// Every record's name lies inside the buffer, after the records, and ends there.
void CheckMaterials(ID3DXBuffer* buffer, DWORD count)
{
    const DWORD size = buffer->GetBufferSize();
    Check(size >= count * sizeof(D3DXMATERIAL));
    const auto* records = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
    const char* begin = reinterpret_cast<const char*>(records + count);
    const char* end = static_cast<const char*>(buffer->GetBufferPointer()) + size;
    for (DWORD i = 0; i < count; ++i) {
        const char* name = records[i].pTextureFilename;
        if (!name) continue;
        Check(name >= begin && name < end);
        Check(std::memchr(name, 0, size_t(end - name)) != nullptr);
    }
}

void CheckMesh(ID3DXMesh* mesh, DWORD materialCount, ID3DXBuffer* adjacency)
{
    const DWORD faces = mesh->GetNumFaces();
    const DWORD vertices = mesh->GetNumVertices();
    Check(faces > 0 && vertices > 0);
    Check(adjacency->GetBufferSize() == faces * 3 * sizeof(DWORD));
    const auto* adjacent = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    for (DWORD i = 0; i < faces * 3; ++i) Check(adjacent[i] == 0xFFFFFFFFu || adjacent[i] < faces);

    void* indexData = nullptr;
    Check(SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData)));
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (DWORD i = 0; i < faces * 3; ++i) {
        const DWORD index = wide ? static_cast<const DWORD*>(indexData)[i] : static_cast<const WORD*>(indexData)[i];
        Check(index < vertices);
    }
    mesh->UnlockIndexBuffer();

    DWORD ranges = 0;
    Check(SUCCEEDED(mesh->GetAttributeTable(nullptr, &ranges)));
    std::vector<D3DXATTRIBUTERANGE> table(ranges);
    if (ranges) Check(SUCCEEDED(mesh->GetAttributeTable(table.data(), &ranges)));
    for (const D3DXATTRIBUTERANGE& r : table) {
        Check(r.AttribId < materialCount);
        Check(r.FaceStart <= faces && r.FaceCount <= faces - r.FaceStart);
        Check(r.VertexStart <= vertices && r.VertexCount <= vertices - r.VertexStart);
    }

    // One subset past the materials draws nothing and must not upset the device either.
    IDirect3DDevice9* device = FuzzDevice();
    const UINT rejected = FuzzDeviceRejectedDraws();
    device->BeginScene();
    for (DWORD i = 0; i <= materialCount; ++i) mesh->DrawSubset(i);
    device->EndScene();
    Check(FuzzDeviceRejectedDraws() == rejected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IDirect3DDevice9* device = FuzzDevice();
    if (!device || size == 0) return 0;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0xDEADBEEF;
    ID3DXMesh* mesh = nullptr;
    const HRESULT hr = D3DXLoadMeshFromXInMemory(data, DWORD(size), D3DXMESH_SYSTEMMEM, device, &adjacency,
                                                 &materials, nullptr, &count, &mesh);
    if (SUCCEEDED(hr)) {
        Check(mesh && materials && adjacency && count != 0xDEADBEEF);
        CheckMaterials(materials, count);
        CheckMesh(mesh, count, adjacency);
        mesh->Release();
        materials->Release();
        adjacency->Release();
    } else {
        Check(!mesh && !materials && !adjacency);
    }
    return 0;
}
