#include "platform/d3dx/mesh.h"

#include "platform/d3d8/fvf.h"
#include "platform/d3dx/image.h"
#include "platform/d3dx/xfile.h"
#include "platform/win32/debug_output.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// ---- vertex formats -------------------------------------------------------------------

using d3d8::FvfLayout;

void CopyElement(const BYTE* src, int srcOffset, int srcSize, BYTE* dst, int dstOffset, int dstSize) {
    if (srcOffset < 0 || dstOffset < 0) return;
    std::memcpy(dst + dstOffset, src + srcOffset, static_cast<size_t>(std::min(srcSize, dstSize)));
}

// ---- ID3DXBuffer ----------------------------------------------------------------------

class Buffer final : public ID3DXBuffer {
public:
    explicit Buffer(size_t size) : bytes_(size) {}
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    LPVOID GetBufferPointer() override { return bytes_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

private:
    ~Buffer() override = default;
    ULONG refs_ = 1;
    std::vector<BYTE> bytes_;
};

// ---- ID3DXMesh ------------------------------------------------------------------------

D3DPOOL PoolFor(DWORD options, DWORD systemFlag, DWORD managedFlag) {
    if (options & systemFlag) return D3DPOOL_SYSTEMMEM;
    if (options & managedFlag) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

DWORD UsageFor(DWORD options, bool vertex) {
    DWORD usage = 0;
    if (options & (vertex ? D3DXMESH_VB_WRITEONLY : D3DXMESH_IB_WRITEONLY)) usage |= D3DUSAGE_WRITEONLY;
    if (options & (vertex ? D3DXMESH_VB_DYNAMIC : D3DXMESH_IB_DYNAMIC)) usage |= D3DUSAGE_DYNAMIC;
    if (options & (vertex ? D3DXMESH_VB_SOFTWAREPROCESSING : D3DXMESH_IB_SOFTWAREPROCESSING))
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
    if (options & D3DXMESH_DONOTCLIP) usage |= D3DUSAGE_DONOTCLIP;
    if (options & D3DXMESH_POINTS) usage |= D3DUSAGE_POINTS;
    if (options & D3DXMESH_RTPATCHES) usage |= D3DUSAGE_RTPATCHES;
    if (options & D3DXMESH_NPATCHES) usage |= D3DUSAGE_NPATCHES;
    return usage;
}

class Mesh final : public ID3DXMesh {
public:
    // A mesh of zeroed vertices and indices with device buffers made; S_OK or the device's error.
    static HRESULT Create(IDirect3DDevice8* device, DWORD faces, DWORD vertices, DWORD options, DWORD fvf,
                          Mesh** out) {
        *out = nullptr;
        const FvfLayout layout = d3d8::DecodeFvf(fvf);
        if (!device || faces == 0 || vertices == 0 || !layout.valid) return D3DERR_INVALIDCALL;
        if (!(options & D3DXMESH_32BIT) && vertices > 0xffff) return D3DERR_INVALIDCALL;
        const UINT indexSize = (options & D3DXMESH_32BIT) ? 4 : 2;
        const std::uint64_t vbBytes = std::uint64_t{vertices} * layout.size;
        const std::uint64_t ibBytes = std::uint64_t{faces} * 3 * indexSize;
        if (vbBytes > 0x7fffffff || ibBytes > 0x7fffffff) return E_OUTOFMEMORY;

        Mesh* mesh = new (std::nothrow) Mesh(device, faces, vertices, options, fvf, layout);
        if (!mesh) return E_OUTOFMEMORY;
        HRESULT hr = device->CreateVertexBuffer(static_cast<UINT>(vbBytes), UsageFor(options, true), fvf,
                                                PoolFor(options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED),
                                                &mesh->vb_);
        if (SUCCEEDED(hr))
            hr = device->CreateIndexBuffer(static_cast<UINT>(ibBytes), UsageFor(options, false),
                                           indexSize == 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                           PoolFor(options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &mesh->ib_);
        if (FAILED(hr)) {
            mesh->Release();
            return hr;
        }
        mesh->vertices_.assign(static_cast<size_t>(vbBytes), 0);
        mesh->indices_.assign(static_cast<size_t>(ibBytes), 0);
        mesh->attributes_.assign(faces, 0);
        *out = mesh;
        return S_OK;
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT DrawSubset(DWORD attribId) override {
        bool bound = false;
        for (const D3DXATTRIBUTERANGE& range : table_) {
            if (range.AttribId != attribId || range.FaceCount == 0) continue;
            if (!bound) {
                HRESULT hr = device_->SetStreamSource(0, vb_, layout_.size);
                if (SUCCEEDED(hr)) hr = device_->SetIndices(ib_, 0);
                if (SUCCEEDED(hr)) hr = device_->SetVertexShader(fvf_);
                if (FAILED(hr)) return hr;
                bound = true;
            }
            const HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, range.VertexStart,
                                                             range.VertexCount, range.FaceStart * 3, range.FaceCount);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

    DWORD GetNumFaces() override { return numFaces_; }
    DWORD GetNumVertices() override { return numVertices_; }
    DWORD GetFVF() override { return fvf_; }
    DWORD GetOptions() override { return options_; }

    HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) override {
        if (!ppDevice) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *ppDevice = device_;
        return S_OK;
    }

    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device, ID3DXMesh** ppCloneMesh) override {
        if (ppCloneMesh) *ppCloneMesh = nullptr;
        if (!device || !ppCloneMesh) return D3DERR_INVALIDCALL;
        options = (options & ~D3DXMESH_32BIT) | (options_ & D3DXMESH_32BIT);
        Mesh* clone = nullptr;
        HRESULT hr = Create(device, numFaces_, numVertices_, options, fvf, &clone);
        if (FAILED(hr)) return hr;
        const FvfLayout& s = layout_;
        const FvfLayout& d = clone->layout_;
        for (DWORD v = 0; v < numVertices_; ++v) {
            const BYTE* src = vertices_.data() + static_cast<size_t>(v) * s.size;
            BYTE* dst = clone->vertices_.data() + static_cast<size_t>(v) * d.size;
            CopyElement(src, s.position, 12, dst, d.position, 12);  // x, y, z; the rest stays zero
            CopyElement(src, s.normal, 12, dst, d.normal, 12);
            CopyElement(src, s.pointSize, 4, dst, d.pointSize, 4);
            CopyElement(src, s.diffuse, 4, dst, d.diffuse, 4);
            CopyElement(src, s.specular, 4, dst, d.specular, 4);
            for (UINT t = 0; t < 8; ++t)
                CopyElement(src, s.texCoord[t], static_cast<int>(s.texCoordDims[t] * 4), dst, d.texCoord[t],
                            static_cast<int>(d.texCoordDims[t] * 4));
        }
        clone->indices_ = indices_;
        clone->attributes_ = attributes_;
        clone->table_ = table_;
        hr = clone->UploadVertices();
        if (SUCCEEDED(hr)) hr = clone->UploadIndices();
        if (FAILED(hr)) {
            clone->Release();
            return hr;
        }
        *ppCloneMesh = clone;
        return S_OK;
    }

    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* ppVB) override {
        if (!ppVB) return D3DERR_INVALIDCALL;
        vb_->AddRef();
        *ppVB = vb_;
        return S_OK;
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ppIB) override {
        if (!ppIB) return D3DERR_INVALIDCALL;
        ib_->AddRef();
        *ppIB = ib_;
        return S_OK;
    }

    HRESULT LockVertexBuffer(DWORD flags, BYTE** ppData) override {
        if (ppData) *ppData = nullptr;
        if (!ppData || vbLock_ != LockState::None) return D3DERR_INVALIDCALL;
        vbLock_ = (flags & D3DLOCK_READONLY) ? LockState::ReadOnly : LockState::Writable;
        *ppData = vertices_.data();
        return S_OK;
    }
    HRESULT UnlockVertexBuffer() override {
        if (vbLock_ == LockState::None) return D3DERR_INVALIDCALL;
        const bool wrote = vbLock_ == LockState::Writable;
        vbLock_ = LockState::None;
        return wrote ? UploadVertices() : S_OK;
    }
    HRESULT LockIndexBuffer(DWORD flags, BYTE** ppData) override {
        if (ppData) *ppData = nullptr;
        if (!ppData || ibLock_ != LockState::None) return D3DERR_INVALIDCALL;
        ibLock_ = (flags & D3DLOCK_READONLY) ? LockState::ReadOnly : LockState::Writable;
        *ppData = indices_.data();
        return S_OK;
    }
    HRESULT UnlockIndexBuffer() override {
        if (ibLock_ == LockState::None) return D3DERR_INVALIDCALL;
        const bool wrote = ibLock_ == LockState::Writable;
        ibLock_ = LockState::None;
        if (!wrote) return S_OK;
        RebuildAttributeTable();
        return UploadIndices();
    }
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** ppData) override {
        if (ppData) *ppData = nullptr;
        if (!ppData || attrLock_ != LockState::None) return D3DERR_INVALIDCALL;
        attrLock_ = (flags & D3DLOCK_READONLY) ? LockState::ReadOnly : LockState::Writable;
        *ppData = attributes_.data();
        return S_OK;
    }
    HRESULT UnlockAttributeBuffer() override {
        if (attrLock_ == LockState::None) return D3DERR_INVALIDCALL;
        if (attrLock_ == LockState::Writable) RebuildAttributeTable();
        attrLock_ = LockState::None;
        return S_OK;
    }

    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override {
        if (!size) return D3DERR_INVALIDCALL;
        const DWORD count = static_cast<DWORD>(table_.size());
        if (!table) {
            *size = count;
            return S_OK;
        }
        const DWORD n = std::min(*size, count);
        std::copy_n(table_.begin(), n, table);
        *size = n;
        return S_OK;
    }

    // ---- filled by the loaders --------------------------------------------------------

    const FvfLayout& layout() const { return layout_; }
    BYTE* vertexData() { return vertices_.data(); }
    DWORD* attributeData() { return attributes_.data(); }
    void SetIndex(size_t i, UINT value) {
        if (options_ & D3DXMESH_32BIT) {
            const std::uint32_t v = value;
            std::memcpy(&indices_[i * 4], &v, 4);
        } else {
            const std::uint16_t v = static_cast<std::uint16_t>(value);
            std::memcpy(&indices_[i * 2], &v, 2);
        }
    }
    UINT Index(size_t i) const {
        if (options_ & D3DXMESH_32BIT) {
            std::uint32_t v;
            std::memcpy(&v, &indices_[i * 4], 4);
            return v;
        }
        std::uint16_t v;
        std::memcpy(&v, &indices_[i * 2], 2);
        return v;
    }

    // Runs of faces with equal attributes, each with the range of vertices it uses.
    void RebuildAttributeTable() {
        table_.clear();
        for (DWORD f = 0; f < numFaces_; ++f) {
            if (table_.empty() || table_.back().AttribId != attributes_[f]) {
                table_.push_back({attributes_[f], f, 0, 0xffffffffu, 0});
            }
            D3DXATTRIBUTERANGE& r = table_.back();
            ++r.FaceCount;
            DWORD end = r.VertexCount ? r.VertexStart + r.VertexCount : 0;
            for (int k = 0; k < 3; ++k) {
                const DWORD v = std::min<DWORD>(Index(f * size_t{3} + k), numVertices_ - 1);
                r.VertexStart = std::min(r.VertexStart, v);
                end = std::max(end, v + 1);
            }
            r.VertexCount = end - r.VertexStart;
        }
    }

    HRESULT UploadVertices() { return Upload(vb_, vertices_); }
    HRESULT UploadIndices() { return Upload(ib_, indices_); }

private:
    enum class LockState { None, ReadOnly, Writable };

    Mesh(IDirect3DDevice8* device, DWORD faces, DWORD vertices, DWORD options, DWORD fvf, const FvfLayout& layout)
        : device_(device), options_(options), fvf_(fvf), numFaces_(faces), numVertices_(vertices), layout_(layout) {
        device_->AddRef();
    }
    ~Mesh() override {
        if (vb_) vb_->Release();
        if (ib_) ib_->Release();
        device_->Release();
    }

    template <typename BufferInterface>
    static HRESULT Upload(BufferInterface* buffer, const std::vector<BYTE>& bytes) {
        BYTE* data = nullptr;
        HRESULT hr = buffer->Lock(0, 0, &data, 0);
        if (FAILED(hr)) return hr;
        std::memcpy(data, bytes.data(), bytes.size());
        return buffer->Unlock();
    }

    ULONG refs_ = 1;
    IDirect3DDevice8* device_;
    DWORD options_;
    DWORD fvf_;
    DWORD numFaces_;
    DWORD numVertices_;
    FvfLayout layout_;
    IDirect3DVertexBuffer8* vb_ = nullptr;
    IDirect3DIndexBuffer8* ib_ = nullptr;
    std::vector<BYTE> vertices_;
    std::vector<BYTE> indices_;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> table_;
    LockState vbLock_ = LockState::None;
    LockState ibLock_ = LockState::None;
    LockState attrLock_ = LockState::None;
};

// ---- loading --------------------------------------------------------------------------

// Three neighbours per face: faces sharing an edge, comparing corners by position so that
// vertices split for their normals still connect.
std::vector<DWORD> ComputeAdjacency(const d3dx::XMeshData& data) {
    struct PositionKey {
        std::uint32_t x, y, z;
        bool operator==(const PositionKey& o) const { return x == o.x && y == o.y && z == o.z; }
    };
    struct PositionHash {
        size_t operator()(const PositionKey& k) const { return (k.x * 73856093u) ^ (k.y * 19349663u) ^ (k.z * 83492791u); }
    };
    std::unordered_map<PositionKey, UINT, PositionHash> firstAt;
    std::vector<UINT> rep(data.vertices.size());
    for (size_t i = 0; i < data.vertices.size(); ++i) {
        PositionKey key;
        std::memcpy(&key.x, &data.vertices[i].position.x, 4);
        std::memcpy(&key.y, &data.vertices[i].position.y, 4);
        std::memcpy(&key.z, &data.vertices[i].position.z, 4);
        rep[i] = firstAt.emplace(key, static_cast<UINT>(i)).first->second;
    }
    const size_t faces = data.attributes.size();
    std::vector<DWORD> adjacency(faces * 3, 0xffffffffu);
    std::unordered_map<std::uint64_t, std::vector<DWORD>> edges;  // (low rep, high rep) -> face*3+edge
    for (size_t f = 0; f < faces; ++f) {
        for (int e = 0; e < 3; ++e) {
            UINT a = rep[data.indices[f * 3 + e]], b = rep[data.indices[f * 3 + (e + 1) % 3]];
            if (a == b) continue;
            if (a > b) std::swap(a, b);
            edges[(static_cast<std::uint64_t>(a) << 32) | b].push_back(static_cast<DWORD>(f * 3 + e));
        }
    }
    for (const auto& entry : edges) {
        const std::vector<DWORD>& users = entry.second;
        if (users.size() < 2) continue;
        // The first face along an edge pairs with the second, every other face with the first.
        for (size_t i = 0; i < users.size(); ++i) {
            const DWORD other = users[i == 0 ? 1 : 0];
            if (other / 3 != users[i] / 3) adjacency[users[i]] = other / 3;
        }
    }
    return adjacency;
}

HRESULT BuildMesh(const d3dx::XMeshData& data, DWORD options, IDirect3DDevice8* device, Mesh** out) {
    DWORD fvf = D3DFVF_XYZ;
    if (data.hasNormals) fvf |= D3DFVF_NORMAL;
    if (data.hasTexCoords) fvf |= D3DFVF_TEX1;
    if (data.vertices.size() > 0xffff) options |= D3DXMESH_32BIT;
    Mesh* mesh = nullptr;
    HRESULT hr = Mesh::Create(device, static_cast<DWORD>(data.attributes.size()),
                              static_cast<DWORD>(data.vertices.size()), options, fvf, &mesh);
    if (FAILED(hr)) return hr;
    const FvfLayout& l = mesh->layout();
    BYTE* v = mesh->vertexData();
    for (const d3dx::XVertex& src : data.vertices) {
        std::memcpy(v + l.position, &src.position, 12);
        if (l.normal >= 0) std::memcpy(v + l.normal, &src.normal, 12);
        if (l.texCoord[0] >= 0) {
            std::memcpy(v + l.texCoord[0], &src.u, 4);
            std::memcpy(v + l.texCoord[0] + 4, &src.v, 4);
        }
        v += l.size;
    }
    for (size_t i = 0; i < data.indices.size(); ++i) mesh->SetIndex(i, data.indices[i]);
    std::copy(data.attributes.begin(), data.attributes.end(), mesh->attributeData());
    mesh->RebuildAttributeTable();
    hr = mesh->UploadVertices();
    if (SUCCEEDED(hr)) hr = mesh->UploadIndices();
    if (FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *out = mesh;
    return S_OK;
}

ID3DXBuffer* MaterialBuffer(const std::vector<d3dx::XMaterial>& materials) {
    size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
    for (const d3dx::XMaterial& m : materials)
        if (!m.textureFilename.empty()) bytes += m.textureFilename.size() + 1;
    Buffer* buffer = new Buffer(bytes);
    auto* out = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
    char* strings = reinterpret_cast<char*>(out + materials.size());
    for (const d3dx::XMaterial& m : materials) {
        out->MatD3D = m.material;
        out->pTextureFilename = nullptr;
        if (!m.textureFilename.empty()) {
            std::memcpy(strings, m.textureFilename.c_str(), m.textureFilename.size() + 1);
            out->pTextureFilename = strings;
            strings += m.textureFilename.size() + 1;
        }
        ++out;
    }
    return buffer;
}

HRESULT LoadFromBytesUnguarded(const char* name, const BYTE* bytes, size_t size, DWORD options,
                               IDirect3DDevice8* device, LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                               DWORD* pNumMaterials, LPD3DXMESH* ppMesh) {
    d3dx::XMeshData data;
    std::string error;
    HRESULT hr = d3dx::ParseXFile(reinterpret_cast<const char*>(bytes), size, &data, &error);
    if (FAILED(hr)) {
        platform::TellUser("%s: not a usable mesh: %s", name, error.c_str());
        return hr;
    }
    Mesh* mesh = nullptr;
    hr = BuildMesh(data, options, device, &mesh);
    if (FAILED(hr)) return hr;
    *ppMesh = mesh;  // handed out first so that the caller releases it if what follows throws

    if (ppAdjacency) {
        const std::vector<DWORD> adjacency = ComputeAdjacency(data);
        Buffer* buffer = new Buffer(adjacency.size() * sizeof(DWORD));
        std::memcpy(buffer->GetBufferPointer(), adjacency.data(), adjacency.size() * sizeof(DWORD));
        *ppAdjacency = buffer;
    }
    if (ppMaterials && !data.materials.empty()) *ppMaterials = MaterialBuffer(data.materials);
    if (pNumMaterials) *pNumMaterials = static_cast<DWORD>(data.materials.size());
    return S_OK;
}

// Allocation failures become E_OUTOFMEMORY with every output left empty.
HRESULT LoadFromBytes(const char* name, const BYTE* bytes, size_t size, DWORD options, IDirect3DDevice8* device,
                      LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                      LPD3DXMESH* ppMesh) {
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXMesh* mesh = nullptr;
    DWORD count = 0;
    HRESULT hr;
    try {
        hr = LoadFromBytesUnguarded(name, bytes, size, options, device, ppAdjacency ? &adjacency : nullptr,
                                    ppMaterials ? &materials : nullptr, &count, &mesh);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        for (IUnknown* object : {static_cast<IUnknown*>(adjacency), static_cast<IUnknown*>(materials),
                                 static_cast<IUnknown*>(mesh)})
            if (object) object->Release();
        return hr;
    }
    if (ppAdjacency) *ppAdjacency = adjacency;
    if (ppMaterials) *ppMaterials = materials;
    if (pNumMaterials) *pNumMaterials = count;
    *ppMesh = mesh;
    return S_OK;
}

}  // namespace

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer) {
    if (!ppBuffer) return D3DERR_INVALIDCALL;
    *ppBuffer = new (std::nothrow) Buffer(NumBytes);
    return *ppBuffer ? S_OK : E_OUTOFMEMORY;
}

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, LPDIRECT3DDEVICE8 pDevice,
                          LPD3DXMESH* ppMesh) {
    if (ppMesh) *ppMesh = nullptr;
    if (!ppMesh) return D3DERR_INVALIDCALL;
    Mesh* mesh = nullptr;
    const HRESULT hr = Mesh::Create(pDevice, NumFaces, NumVertices, Options, FVF, &mesh);
    if (FAILED(hr)) return hr;
    mesh->RebuildAttributeTable();
    *ppMesh = mesh;
    return S_OK;
}

HRESULT D3DXLoadMeshFromXInMemory(const BYTE* Memory, DWORD SizeOfMemory, DWORD Options, LPDIRECT3DDEVICE8 pDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                                  LPD3DXMESH* ppMesh) {
    if (ppAdjacency) *ppAdjacency = nullptr;
    if (ppMaterials) *ppMaterials = nullptr;
    if (pNumMaterials) *pNumMaterials = 0;
    if (ppMesh) *ppMesh = nullptr;
    if (!Memory || !pDevice || !ppMesh) return D3DERR_INVALIDCALL;
    return LoadFromBytes("(memory)", Memory, SizeOfMemory, Options, pDevice, ppAdjacency, ppMaterials,
                         pNumMaterials, ppMesh);
}

HRESULT D3DXLoadMeshFromX(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE8 pDevice, LPD3DXBUFFER* ppAdjacency,
                          LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials, LPD3DXMESH* ppMesh) {
    if (ppAdjacency) *ppAdjacency = nullptr;
    if (ppMaterials) *ppMaterials = nullptr;
    if (pNumMaterials) *pNumMaterials = 0;
    if (ppMesh) *ppMesh = nullptr;
    if (!pFilename || !pDevice || !ppMesh) return D3DERR_INVALIDCALL;
    std::vector<BYTE> bytes;
    std::string reason;
    if (!d3dx::ReadWholeFile(pFilename, &bytes, &reason)) {
        platform::TellUser("%s: cannot be read: %s", pFilename, reason.c_str());
        return D3DXERR_INVALIDDATA;
    }
    return LoadFromBytes(pFilename, bytes.data(), bytes.size(), Options, pDevice, ppAdjacency, ppMaterials,
                         pNumMaterials, ppMesh);
}

UINT D3DXGetFVFVertexSize(DWORD FVF) {
    const FvfLayout layout = d3d8::DecodeFvf(FVF);
    return layout.valid ? layout.size : 0;
}
