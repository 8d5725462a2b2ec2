#include "platform/d3d8/buffers.h"

#include "platform/d3d8/device.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace d3d8 {

HRESULT BufferStorage::Lock(const char* where, UINT offset, UINT size, BYTE** ppbData, DWORD flags) {
    if (!ppbData) {
        Report(where, "null data pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppbData = nullptr;
    if (locked_) {
        Report(where, "buffer is already locked");
        return D3DERR_INVALIDCALL;
    }
    if (offset > size_ || (size != 0 && size > size_ - offset) || (offset == size_ && size_ != 0 && size == 0)) {
        Report(where, "range outside the buffer");
        return D3DERR_INVALIDCALL;
    }
    if ((flags & D3DLOCK_DISCARD) && !(flags & D3DLOCK_READONLY)) {
        if (back_.size() != front_.size()) {
            try {
                back_.assign(size_, 0);
            } catch (const std::bad_alloc&) {
                Report(where, "out of memory for fresh storage");
                return E_OUTOFMEMORY;
            }
        }
        front_.swap(back_);
    }
    locked_ = true;
    *ppbData = front_.data() + offset;
    return D3D_OK;
}

HRESULT BufferStorage::Unlock(const char* where) {
    if (!locked_) {
        Report(where, "buffer is not locked");
        return D3DERR_INVALIDCALL;
    }
    locked_ = false;
    return D3D_OK;
}

// ---- What both share -----------------------------------------------------------------

namespace {

// The interface calls as reported, for the buffer of each resource type.
const char* LockCall(D3DRESOURCETYPE type) {
    return type == D3DRTYPE_VERTEXBUFFER ? "IDirect3DVertexBuffer8::Lock" : "IDirect3DIndexBuffer8::Lock";
}
const char* UnlockCall(D3DRESOURCETYPE type) {
    return type == D3DRTYPE_VERTEXBUFFER ? "IDirect3DVertexBuffer8::Unlock" : "IDirect3DIndexBuffer8::Unlock";
}

}  // namespace

template <class Interface, D3DRESOURCETYPE kType>
HRESULT Buffer<Interface, kType>::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = OwnerDevice();
    OwnerDevice()->AddRef();
    return D3D_OK;
}

template <class Interface, D3DRESOURCETYPE kType>
DWORD Buffer<Interface, kType>::SetPriority(DWORD PriorityNew) {
    const DWORD old = priority_;
    if (pool_ == D3DPOOL_MANAGED) priority_ = PriorityNew;
    return old;
}

template <class Interface, D3DRESOURCETYPE kType>
HRESULT Buffer<Interface, kType>::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
    return storage_.Lock(LockCall(kType), OffsetToLock, SizeToLock, ppbData, Flags);
}

template <class Interface, D3DRESOURCETYPE kType>
HRESULT Buffer<Interface, kType>::Unlock() {
    return storage_.Unlock(UnlockCall(kType));
}

template class Buffer<IDirect3DVertexBuffer8, D3DRTYPE_VERTEXBUFFER>;
template class Buffer<IDirect3DIndexBuffer8, D3DRTYPE_INDEXBUFFER>;

// ---- Vertex buffer -------------------------------------------------------------------

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : Buffer(device, length, usage, pool), fvf_(fvf) {}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = D3DFMT_VERTEXDATA;
    pDesc->Type = D3DRTYPE_VERTEXBUFFER;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = storage_.Size();
    pDesc->FVF = fvf_;
    return D3D_OK;
}

// ---- Index buffer --------------------------------------------------------------------

IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : Buffer(device, length, usage, pool), format_(format) {}

HRESULT IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
    const HRESULT hr = Buffer::Lock(OffsetToLock, SizeToLock, ppbData, Flags);
    if (SUCCEEDED(hr) && !(Flags & D3DLOCK_READONLY)) maxIndexKnown_ = false;
    return hr;
}

DWORD IndexBuffer::MaxIndex() const {
    if (!maxIndexKnown_) {
        const BYTE* p = storage_.Bytes();
        const UINT count = storage_.Size() / IndexSize();
        DWORD m = 0;
        if (format_ == D3DFMT_INDEX32) {
            for (UINT i = 0; i < count; ++i) {
                DWORD v;
                std::memcpy(&v, p + i * 4, 4);
                m = std::max(m, v);
            }
        } else {
            for (UINT i = 0; i < count; ++i) {
                WORD v;
                std::memcpy(&v, p + i * 2, 2);
                m = std::max<DWORD>(m, v);
            }
        }
        maxIndex_ = m;
        maxIndexKnown_ = true;
    }
    return maxIndex_;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = format_;
    pDesc->Type = D3DRTYPE_INDEXBUFFER;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = storage_.Size();
    return D3D_OK;
}

}  // namespace d3d8
