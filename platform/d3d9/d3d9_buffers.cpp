#include "platform/d3d9/d3d9_buffers.h"

#include "platform/d3d9/d3d9_device.h"
#include "platform/d3d9/gl_state_cache.h"

#include <algorithm>
#include <cstring>

namespace qv::d3d {

using namespace qv::gl;

HRESULT BufferStore::Lock(UINT offset, UINT size, void** data, DWORD flags)
{
    if (!data)
        return D3DERR_INVALIDCALL;
    *data = nullptr;
    const size_t total = bytes_.size();
    // Size 0 locks from the offset to the end, as D3D9 does.
    if (offset > total || size > total - offset)
        return D3DERR_INVALIDCALL;
    if (size == 0)
        size = UINT(total - offset);
    if (!(flags & D3DLOCK_READONLY)) {
        const size_t lo = (flags & D3DLOCK_DISCARD) ? 0 : offset;
        const size_t hi = (flags & D3DLOCK_DISCARD) ? total : size_t(offset) + size;
        if (dirtyHi_ <= dirtyLo_) {
            dirtyLo_ = lo;
            dirtyHi_ = hi;
        } else {
            dirtyLo_ = std::min(dirtyLo_, lo);
            dirtyHi_ = std::max(dirtyHi_, hi);
        }
        ++version_;
    }
    ++locks_;
    *data = bytes_.data() + offset;
    return D3D_OK;
}

HRESULT BufferStore::Unlock()
{
    if (locks_ == 0)
        return D3DERR_INVALIDCALL;
    --locks_;
    ++version_; // what was written under the lock invalidates cached index ranges
    return D3D_OK;
}

GLuint BufferStore::Sync(GLenum target, GlStateCache& cache)
{
    if (!name_)
        glGenBuffers(1, &name_);
    if (target == GL_ELEMENT_ARRAY_BUFFER)
        cache.BindElementBuffer(name_);
    else
        cache.BindArrayBuffer(name_);
    if (!allocated_ || (dirtyLo_ == 0 && dirtyHi_ >= bytes_.size())) {
        // A whole-buffer write replaces the storage, so GL need not wait for earlier draws.
        glBufferData(target, GLsizeiptr(bytes_.size()), bytes_.data(), GL_DYNAMIC_DRAW);
        allocated_ = true;
    } else if (dirtyHi_ > dirtyLo_) {
        glBufferSubData(target, GLintptr(dirtyLo_), GLsizeiptr(dirtyHi_ - dirtyLo_), bytes_.data() + dirtyLo_);
    }
    dirtyLo_ = dirtyHi_ = 0;
    return name_;
}

void BufferStore::DeleteGl(GlStateCache& cache)
{
    if (name_) {
        cache.ForgetBuffer(name_);
        glDeleteBuffers(1, &name_);
        name_ = 0;
    }
}

template <class Interface, class Layout>
Buffer<Interface, Layout>::~Buffer()
{
    this->device_->FlushBatch();
    if (this->device_->MakeCurrent())
        store_.DeleteGl(this->device_->gl());
}

template <class Interface, class Layout>
HRESULT Buffer<Interface, Layout>::Lock(UINT offset, UINT size, void** data, DWORD flags)
{
    this->device_->FlushBatch();
    return store_.Lock(offset, size, data, flags);
}

template <class Interface, class Layout>
HRESULT Buffer<Interface, Layout>::Unlock()
{
    this->device_->FlushBatch();
    return store_.Unlock();
}
template class Buffer<IDirect3DVertexBuffer9, DWORD>;
template class Buffer<IDirect3DIndexBuffer9, D3DFORMAT>;

// ---- vertex and index buffers ---------------------------------------------------------------

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc)
{
    const HRESULT hr = Describe(desc, D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER);
    if (hr == D3D_OK)
        desc->FVF = layout_;
    return hr;
}

UINT IndexBuffer::IndexAt(UINT i) const
{
    const uint8_t* p = store_.data() + size_t(i) * indexSize();
    if (indexSize() == 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void IndexBuffer::RebuildBlocks()
{
    const UINT n = indexCount();
    const UINT blocks = (n + kBlock - 1) / kBlock;
    blockMin_.assign(blocks, ~0u);
    blockMax_.assign(blocks, 0);
    for (UINT i = 0; i < n; ++i) {
        const UINT v = IndexAt(i), b = i / kBlock;
        blockMin_[b] = std::min(blockMin_[b], v);
        blockMax_[b] = std::max(blockMax_[b], v);
    }
    blocksVersion_ = store_.version();
}

void IndexBuffer::IndexRange(UINT first, UINT count, UINT* lo, UINT* hi)
{
    if (last_.version == store_.version() && last_.first == first && last_.count == count) {
        *lo = last_.lo;
        *hi = last_.hi;
        return;
    }
    if (blocksVersion_ != store_.version())
        RebuildBlocks();
    UINT mn = ~0u, mx = 0;
    UINT i = first;
    const UINT end = first + count;
    while (i < end) {
        if (i % kBlock == 0 && i + kBlock <= end) {
            mn = std::min(mn, blockMin_[i / kBlock]);
            mx = std::max(mx, blockMax_[i / kBlock]);
            i += kBlock;
        } else {
            const UINT v = IndexAt(i++);
            mn = std::min(mn, v);
            mx = std::max(mx, v);
        }
    }
    *lo = count ? mn : 0;
    *hi = mx;
    last_ = {first, count, *lo, *hi, store_.version()};
}

} // namespace qv::d3d
