#include "gfxutil/d3dx/d3dx_mesh.h"

#include <cstring>
#include <new>

namespace d3dx {
namespace {

D3DPOOL PoolFor(DWORD options, DWORD systemMem, DWORD managed)
{
    if (options & systemMem) return D3DPOOL_SYSTEMMEM;
    if (options & managed) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

DWORD UsageFor(DWORD options, DWORD writeOnly, DWORD dynamic)
{
    return ((options & writeOnly) ? DWORD(D3DUSAGE_WRITEONLY) : 0) | ((options & dynamic) ? DWORD(D3DUSAGE_DYNAMIC) : 0);
}

// Writes `count` records through a locked buffer; the lock is released whatever happens.
template <class Buffer, class Write>
HRESULT WriteLocked(Buffer* buffer, Write write)
{
    void* p = nullptr;
    const HRESULT hr = buffer->Lock(0, 0, &p, 0);
    if (FAILED(hr)) return hr;
    if (!p) {
        buffer->Unlock();
        return E_FAIL;
    }
    write(static_cast<uint8_t*>(p));
    return buffer->Unlock();
}

}  // namespace

Mesh::Mesh(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }

Mesh::~Mesh()
{
    if (vertexBuffer_) vertexBuffer_->Release();
    if (indexBuffer_) indexBuffer_->Release();
    device_->Release();
}

HRESULT Mesh::Create(IDirect3DDevice9* device, DWORD options, const xfile::MeshData& data, ID3DXMesh** out)
{
    *out = nullptr;
    Mesh* mesh = nullptr;
    try {
        mesh = new Mesh(device);
        mesh->options_ = options;
        const HRESULT hr = mesh->Fill(data);
        if (FAILED(hr)) {
            mesh->Release();
            return hr;
        }
    } catch (const std::bad_alloc&) {
        if (mesh) mesh->Release();
        return E_OUTOFMEMORY;
    }
    *out = mesh;
    return S_OK;
}

HRESULT Mesh::Fill(const xfile::MeshData& data)
{
    numVertices_ = DWORD(data.vertices.size());
    numFaces_ = DWORD(data.attributes.size());
    fvf_ = D3DFVF_XYZ | (data.hasNormals ? D3DFVF_NORMAL : 0) | (data.hasUvs ? D3DFVF_TEX1 : 0);
    stride_ = 12 + (data.hasNormals ? 12 : 0) + (data.hasUvs ? 8 : 0);
    const bool wide = (options_ & D3DXMESH_32BIT) || numVertices_ > 0xFFFF;
    if (wide) options_ |= D3DXMESH_32BIT;
    attributes_.assign(data.attributes.begin(), data.attributes.end());
    table_ = data.ranges;

    HRESULT hr = device_->CreateVertexBuffer(numVertices_ * stride_, UsageFor(options_, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC),
                                             fvf_, PoolFor(options_, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED),
                                             &vertexBuffer_, nullptr);
    if (FAILED(hr)) return hr;
    if (!vertexBuffer_) return E_FAIL;
    const DWORD indexBytes = wide ? 4 : 2;
    hr = device_->CreateIndexBuffer(numFaces_ * 3 * indexBytes, UsageFor(options_, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
                                    wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                    PoolFor(options_, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &indexBuffer_, nullptr);
    if (FAILED(hr)) return hr;
    if (!indexBuffer_) return E_FAIL;

    hr = WriteLocked(vertexBuffer_, [&](uint8_t* p) {
        for (const xfile::Vertex& v : data.vertices) {
            std::memcpy(p, &v.position, 12);
            p += 12;
            if (data.hasNormals) {
                std::memcpy(p, &v.normal, 12);
                p += 12;
            }
            if (data.hasUvs) {
                std::memcpy(p, &v.uv, 8);
                p += 8;
            }
        }
    });
    if (FAILED(hr)) return hr;
    return WriteLocked(indexBuffer_, [&](uint8_t* p) {
        for (uint32_t index : data.indices) {
            if (wide) {
                std::memcpy(p, &index, 4);
            } else {
                const uint16_t narrow = uint16_t(index);
                std::memcpy(p, &narrow, 2);
            }
            p += indexBytes;
        }
    });
}

HRESULT Mesh::DrawSubset(DWORD AttribId)
{
    for (const D3DXATTRIBUTERANGE& range : table_) {
        if (range.AttribId != AttribId) continue;
        device_->SetFVF(fvf_);
        device_->SetStreamSource(0, vertexBuffer_, 0, stride_);
        device_->SetIndices(indexBuffer_);
        return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount,
                                             range.FaceStart * 3, range.FaceCount);
    }
    return S_OK;  // no faces carry that attribute: nothing to draw
}

HRESULT Mesh::GetDevice(LPDIRECT3DDEVICE9* ppDevice)
{
    if (!ppDevice) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return S_OK;
}

HRESULT Mesh::LockVertexBuffer(DWORD Flags, LPVOID* ppData)
{
    if (!ppData) return D3DERR_INVALIDCALL;
    return vertexBuffer_->Lock(0, 0, ppData, Flags);
}

HRESULT Mesh::UnlockVertexBuffer() { return vertexBuffer_->Unlock(); }

HRESULT Mesh::LockIndexBuffer(DWORD Flags, LPVOID* ppData)
{
    if (!ppData) return D3DERR_INVALIDCALL;
    return indexBuffer_->Lock(0, 0, ppData, Flags);
}

HRESULT Mesh::UnlockIndexBuffer() { return indexBuffer_->Unlock(); }

HRESULT Mesh::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize)
{
    if (!pAttribTableSize) return D3DERR_INVALIDCALL;
    // As in D3DX: called once without a table for the count, then with room for that many.
    if (pAttribTable && !table_.empty())
        std::memcpy(pAttribTable, table_.data(), table_.size() * sizeof(D3DXATTRIBUTERANGE));
    *pAttribTableSize = DWORD(table_.size());
    return S_OK;
}

HRESULT Mesh::LockAttributeBuffer(DWORD, DWORD** ppData)
{
    if (!ppData) return D3DERR_INVALIDCALL;
    *ppData = attributes_.data();
    return S_OK;
}

}  // namespace d3dx
