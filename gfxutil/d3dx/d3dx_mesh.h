// ID3DXMesh over a vertex and an index buffer of the device it was made for.
#pragma once

#include "gfxutil/d3dx/d3dx_com.h"
#include "gfxutil/xfile/xfile_scene.h"

#include <d3dx9mesh.h>

#include <vector>

namespace d3dx {

class Mesh final : public RefCounted<ID3DXMesh> {
public:
    // Makes the buffers with the device's own CreateVertexBuffer/CreateIndexBuffer, in the
    // pools the options ask for, and fills them. On failure nothing is left behind.
    static HRESULT Create(IDirect3DDevice9* device, DWORD options, const xfile::MeshData& data, ID3DXMesh** out);

    HRESULT STDMETHODCALLTYPE DrawSubset(DWORD AttribId) override;
    DWORD STDMETHODCALLTYPE GetNumFaces() override { return numFaces_; }
    DWORD STDMETHODCALLTYPE GetNumVertices() override { return numVertices_; }
    DWORD STDMETHODCALLTYPE GetFVF() override { return fvf_; }
    DWORD STDMETHODCALLTYPE GetNumBytesPerVertex() override { return stride_; }
    DWORD STDMETHODCALLTYPE GetOptions() override { return options_; }
    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE9* ppDevice) override;
    HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() override;
    HRESULT STDMETHODCALLTYPE LockIndexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT STDMETHODCALLTYPE UnlockIndexBuffer() override;
    HRESULT STDMETHODCALLTYPE GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override;
    HRESULT STDMETHODCALLTYPE LockAttributeBuffer(DWORD Flags, DWORD** ppData) override;
    HRESULT STDMETHODCALLTYPE UnlockAttributeBuffer() override { return S_OK; }

private:
    explicit Mesh(IDirect3DDevice9* device);
    ~Mesh() override;
    HRESULT Fill(const xfile::MeshData& data);

    IDirect3DDevice9* device_;
    IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
    IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
    DWORD options_ = 0;
    DWORD fvf_ = 0;
    DWORD stride_ = 0;
    DWORD numVertices_ = 0;
    DWORD numFaces_ = 0;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> table_;
};

}  // namespace d3dx
