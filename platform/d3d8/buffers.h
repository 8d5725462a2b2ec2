// Vertex and index buffers: bytes the user writes through Lock and the draws read.
#pragma once

#include "platform/d3d8/interfaces.h"
#include "platform/d3d8/object.h"

#include <vector>

namespace d3d8 {

// The bytes of a buffer and its lock state. D3DLOCK_DISCARD switches to fresh storage
// (the two stores alternate, so nothing is allocated per lock).
class BufferStorage {
public:
    explicit BufferStorage(UINT size) : size_(size), front_(size, 0) {}

    // Offset and size 0 lock the whole buffer; size 0 with an offset locks to the end.
    HRESULT Lock(const char* where, UINT offset, UINT size, BYTE** ppbData, DWORD flags);
    HRESULT Unlock(const char* where);

    const BYTE* Bytes() const { return front_.data(); }
    UINT Size() const { return size_; }
    bool IsLocked() const { return locked_; }

private:
    UINT size_;
    std::vector<BYTE> front_;
    std::vector<BYTE> back_;  // the other store for discard locks; allocated on first use
    bool locked_ = false;
};

// What vertex and index buffers share: storage, lock, usage, pool and priority.
// `Interface` is the public buffer interface, `kType` its resource type.
template <class Interface, D3DRESOURCETYPE kType>
class Buffer : public Interface, public Counted {
public:
    ULONG AddRef() override { return AddRefPublic(); }
    ULONG Release() override { return ReleasePublic(); }
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD PriorityNew) override;
    DWORD GetPriority() override { return priority_; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return kType; }

    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;

    bool IsDefaultPool() const override { return pool_ == D3DPOOL_DEFAULT; }
    const BufferStorage& Storage() const { return storage_; }

protected:
    Buffer(Device* device, UINT length, DWORD usage, D3DPOOL pool)
        : Counted(device), storage_(length), usage_(usage), pool_(pool) {}

    BufferStorage storage_;
    DWORD usage_;
    D3DPOOL pool_;

private:
    DWORD priority_ = 0;
};

class VertexBuffer final : public Buffer<IDirect3DVertexBuffer8, D3DRTYPE_VERTEXBUFFER> {
public:
    VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

private:
    DWORD fvf_;
};

class IndexBuffer final : public Buffer<IDirect3DIndexBuffer8, D3DRTYPE_INDEXBUFFER> {
public:
    IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    D3DFORMAT Format() const { return format_; }
    UINT IndexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }
    // The largest index in the whole buffer; scanned once after each writing lock, so draws
    // of unchanged buffers need not look at their indices again.
    DWORD MaxIndex() const;

private:
    D3DFORMAT format_;
    mutable DWORD maxIndex_ = 0;
    mutable bool maxIndexKnown_ = false;
};

}  // namespace d3d8
