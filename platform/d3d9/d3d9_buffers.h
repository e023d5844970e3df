// Vertex and index buffers: a system-memory copy that Lock hands out, mirrored into a GL buffer
// when a draw needs it.
#pragma once

#include "platform/d3d9/d3d9_com.h"
#include "platform/d3d9/gl_api.h"

#include <cstdint>
#include <vector>

namespace qv::d3d {

class GlStateCache;

class BufferStore {
public:
    explicit BufferStore(UINT size) : bytes_(size) {}
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT Unlock();
    UINT size() const { return UINT(bytes_.size()); }
    const uint8_t* data() const { return bytes_.data(); }
    uint32_t version() const { return version_; }
    bool locked() const { return locks_ > 0; }
    GLuint name() const { return name_; }
    bool pending() const { return !name_ || dirtyHi_ > dirtyLo_; }
    // Binds the GL copy on `target` (through the cache) and brings it up to date.
    GLuint Sync(GLenum target, GlStateCache& cache);
    void DeleteGl(GlStateCache& cache);

private:
    std::vector<uint8_t> bytes_;
    GLuint name_ = 0;
    size_t dirtyLo_ = 0, dirtyHi_ = 0;
    int locks_ = 0;
    uint32_t version_ = 0;
    bool allocated_ = false;
};

// What both buffer kinds are: a store that Lock hands out, the usage, pool and layout (a vertex
// format, or an index format) GetDesc reports, and a GL copy that goes with the buffer.
template <class Interface, class Layout>
class Buffer : public DeviceChild<Interface> {
public:
    Buffer(Device* device, UINT length, DWORD usage, Layout layout, D3DPOOL pool)
        : DeviceChild<Interface>(device), store_(length), usage_(usage), pool_(pool), layout_(layout)
    {
    }
    ~Buffer() override;

    // Both send the device's waiting draws first: they read the buffer as it is now.
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;

    BufferStore& store() { return store_; }

protected:
    // The fields both kinds of description share.
    template <class Desc>
    HRESULT Describe(Desc* desc, D3DFORMAT format, D3DRESOURCETYPE type) const
    {
        if (!desc)
            return D3DERR_INVALIDCALL;
        desc->Format = format;
        desc->Type = type;
        desc->Usage = usage_;
        desc->Pool = pool_;
        desc->Size = store_.size();
        return D3D_OK;
    }

    BufferStore store_;
    DWORD usage_;
    D3DPOOL pool_;
    Layout layout_;
};
extern template class Buffer<IDirect3DVertexBuffer9, DWORD>;
extern template class Buffer<IDirect3DIndexBuffer9, D3DFORMAT>;

class VertexBuffer final : public Buffer<IDirect3DVertexBuffer9, DWORD> {
public:
    using Buffer::Buffer;

    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
};

class IndexBuffer final : public Buffer<IDirect3DIndexBuffer9, D3DFORMAT> {
public:
    using Buffer::Buffer;

    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* desc) override
    {
        return Describe(desc, layout_, D3DRTYPE_INDEXBUFFER);
    }
    UINT indexSize() const { return layout_ == D3DFMT_INDEX32 ? 4 : 2; }
    UINT indexCount() const { return store_.size() / indexSize(); }
    // Smallest and largest index among `count` indices from `first`, which the caller has
    // checked to lie inside the buffer. Cached per block, and the last range asked whole: a mesh
    // drawn hundreds of times a frame asks the same ranges over and over.
    void IndexRange(UINT first, UINT count, UINT* lo, UINT* hi);

private:
    static constexpr UINT kBlock = 64;
    UINT IndexAt(UINT i) const;
    void RebuildBlocks();

    std::vector<UINT> blockMin_, blockMax_;
    uint32_t blocksVersion_ = ~0u;
    struct {
        UINT first = 0, count = 0, lo = 0, hi = 0;
        uint32_t version = ~0u;
    } last_;
};

} // namespace qv::d3d
