// D3DXLoadMeshFromX and ID3DXMesh on the REF device behind a recording wrapper.
#include "image_files.h"

#include "platform/d3dx8.h"
#include "tests/support/recording_ref_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A cube of 8 corners and 6 quads, one normal per side, sides 0-2 in material 0 (textured),
// 3-5 in material 1.
const char* const kCube = R"(xof 0303txt 0032
Mesh Cube {
 8;
 -1;-1;-1;, 1;-1;-1;, 1;1;-1;, -1;1;-1;, -1;-1;1;, 1;-1;1;, 1;1;1;, -1;1;1;;
 6;
 4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;2,3,7,6;, 4;0,4,7,3;, 4;1,2,6,5;;
 MeshNormals { 6; 0;0;-1;, 0;0;1;, 0;-1;0;, 0;1;0;, -1;0;0;, 1;0;0;;
  6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; }
 MeshTextureCoords { 8; 0;0;, 1;0;, 1;1;, 0;1;, 0;0;, 1;0;, 1;1;, 0;1;; }
 MeshMaterialList { 2; 6; 0,0,0,1,1,1;;
  Material { 1;0;0;1;; 8; 1;1;1;; 0;0;0;; TextureFilename { "Textures\cube.jpg"; } }
  Material { 0;0;1;0.5;; 0; 0;0;0;; 0;0;0;; } }
}
)";

struct Vertex {  // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1
    float x, y, z, nx, ny, nz, u, v;
};

template <typename Desc, typename Buffer>
Desc DescOf(Buffer* buffer) {
    Desc desc{};
    buffer->GetDesc(&desc);
    return desc;
}
D3DVERTEXBUFFER_DESC DescOf(IDirect3DVertexBuffer8* b) { return DescOf<D3DVERTEXBUFFER_DESC>(b); }
D3DINDEXBUFFER_DESC DescOf(IDirect3DIndexBuffer8* b) { return DescOf<D3DINDEXBUFFER_DESC>(b); }

// What a vertex or index buffer holds.
template <typename Buffer>
std::vector<BYTE> Contents(Buffer* buffer) {
    const UINT size = DescOf(buffer).Size;
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, D3DLOCK_READONLY))) return {};
    std::vector<BYTE> bytes(data, data + size);
    buffer->Unlock();
    return bytes;
}

struct MeshLoad : ::testing::Test {
    fake::RecordingRefDevice device;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    DWORD numMaterials = 99;

    HRESULT Load(const std::string& text, DWORD options = D3DXMESH_SYSTEMMEM, bool wantAdjacency = false) {
        const std::string path = testimg::WriteTempFile(
            "mesh.x", testimg::Bytes(text.begin(), text.end()));
        return D3DXLoadMeshFromX(path.c_str(), options, &device, wantAdjacency ? &adjacency : nullptr, &materials,
                                 &numMaterials, &mesh);
    }
    void TearDown() override {
        if (mesh) mesh->Release();
        if (materials) materials->Release();
        if (adjacency) adjacency->Release();
        EXPECT_EQ(device.LiveObjects(), 0) << "a buffer leaked or the device reference was not given back";
    }
};

}  // namespace

TEST_F(MeshLoad, CubeHasItsFormatCountsMaterialsAndPools) {
    ASSERT_EQ(Load(kCube, D3DXMESH_SYSTEMMEM, true), S_OK);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_EQ(mesh->GetNumFaces(), 12u);
    EXPECT_EQ(mesh->GetNumVertices(), 24u);
    EXPECT_EQ(mesh->GetOptions(), D3DXMESH_SYSTEMMEM);
    EXPECT_EQ(D3DXGetFVFVertexSize(mesh->GetFVF()), 32u);
    EXPECT_EQ(DescOf(device.lastVertexBuffer).Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(DescOf(device.lastIndexBuffer).Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(DescOf(device.lastIndexBuffer).Format, D3DFMT_INDEX16);
    EXPECT_EQ(DescOf(device.lastVertexBuffer).Size, 24u * 32u);

    ASSERT_EQ(numMaterials, 2u);
    ASSERT_NE(materials, nullptr);
    ASSERT_GE(materials->GetBufferSize(), 2 * sizeof(D3DXMATERIAL));
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Power, 8.0f);
    ASSERT_NE(m[0].pTextureFilename, nullptr);
    EXPECT_STREQ(m[0].pTextureFilename, "Textures\\cube.jpg");
    EXPECT_EQ(m[1].pTextureFilename, nullptr);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Diffuse.a, 0.5f);

    // A closed cube: every face has three neighbours, and neighbourhood is mutual.
    ASSERT_NE(adjacency, nullptr);
    ASSERT_EQ(adjacency->GetBufferSize(), 12u * 3 * sizeof(DWORD));
    const auto* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    for (DWORD f = 0; f < 12; ++f) {
        for (int e = 0; e < 3; ++e) {
            const DWORD n = adj[f * 3 + e];
            ASSERT_LT(n, 12u) << "face " << f;
            EXPECT_TRUE(adj[n * 3] == f || adj[n * 3 + 1] == f || adj[n * 3 + 2] == f);
        }
    }
}

TEST_F(MeshLoad, AttributeTableAndDrawSubset) {
    ASSERT_EQ(Load(kCube), S_OK);
    DWORD count = 0;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &count), S_OK);
    ASSERT_EQ(count, 2u);
    D3DXATTRIBUTERANGE table[2] = {};
    ASSERT_EQ(mesh->GetAttributeTable(table, &count), S_OK);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 6u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 6u);
    EXPECT_EQ(table[1].FaceCount, 6u);

    ASSERT_EQ(mesh->DrawSubset(1), S_OK);
    ASSERT_EQ(device.Draws().size(), 1u);
    const fake::RecordedCall d = device.Draws()[0];
    EXPECT_EQ(d.what, static_cast<DWORD>(D3DPT_TRIANGLELIST));
    EXPECT_EQ(d.start, 18u);
    EXPECT_EQ(d.value, 6u);
    EXPECT_EQ(d.minIndex, table[1].VertexStart);
    EXPECT_EQ(d.numVertices, table[1].VertexCount);
    EXPECT_EQ(d.stride, 32u);
    EXPECT_EQ(d.shader, mesh->GetFVF());
    EXPECT_EQ(d.stream, device.lastVertexBuffer);
    EXPECT_EQ(d.indices, device.lastIndexBuffer);
    // Every index drawn lies in the range given to the device.
    BYTE* ib = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &ib), S_OK);
    for (UINT i = d.start; i < d.start + d.value * 3; ++i) {
        WORD index;
        std::memcpy(&index, ib + i * 2, 2);
        EXPECT_GE(index, d.minIndex);
        EXPECT_LT(index, d.minIndex + d.numVertices);
    }
    ASSERT_EQ(mesh->UnlockIndexBuffer(), S_OK);

    device.calls.clear();
    EXPECT_EQ(mesh->DrawSubset(7), S_OK) << "a subset without faces draws nothing";
    EXPECT_TRUE(device.Draws().empty());

    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), S_OK);
    for (int f = 0; f < 12; ++f) attributes[f] = 3;
    ASSERT_EQ(mesh->UnlockAttributeBuffer(), S_OK);
    EXPECT_EQ(mesh->DrawSubset(0), S_OK);
    EXPECT_TRUE(device.Draws().empty());
    EXPECT_EQ(mesh->DrawSubset(3), S_OK);
    ASSERT_EQ(device.Draws().size(), 1u);
    EXPECT_EQ(device.Draws()[0].value, 12u);
}

TEST_F(MeshLoad, CloneToDeviceCopyAndOtherFormats) {
    ASSERT_EQ(Load(kCube), S_OK);
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(0, mesh->GetFVF(), &device, &clone), S_OK);
    EXPECT_EQ(DescOf(device.lastVertexBuffer).Pool, D3DPOOL_DEFAULT) << "options 0: the device's default pool";
    IDirect3DVertexBuffer8* original = nullptr;
    ASSERT_EQ(mesh->GetVertexBuffer(&original), S_OK);
    EXPECT_EQ(Contents(device.lastVertexBuffer), Contents(original));
    original->Release();
    DWORD count = 0;
    clone->GetAttributeTable(nullptr, &count);
    EXPECT_EQ(count, 2u);
    clone->Release();

    // Adding a diffuse colour and dropping the texture coordinates.
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED, fvf, &device, &clone), S_OK);
    EXPECT_EQ(clone->GetFVF(), fvf);
    EXPECT_EQ(DescOf(device.lastVertexBuffer).Pool, D3DPOOL_MANAGED);
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &src), S_OK);
    ASSERT_EQ(clone->LockVertexBuffer(D3DLOCK_READONLY, &dst), S_OK);
    for (UINT v = 0; v < 24; ++v) {
        EXPECT_EQ(std::memcmp(src + v * 32, dst + v * 28, 24), 0) << "position and normal of vertex " << v;
        DWORD diffuse;
        std::memcpy(&diffuse, dst + v * 28 + 24, 4);
        EXPECT_EQ(diffuse, 0u);
    }
    mesh->UnlockVertexBuffer();
    clone->UnlockVertexBuffer();
    clone->Release();

    EXPECT_EQ(mesh->CloneMeshFVF(0, D3DFVF_NORMAL, &device, &clone), D3DERR_INVALIDCALL) << "no position";
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(mesh->CloneMeshFVF(0, fvf, nullptr, &clone), D3DERR_INVALIDCALL);
}

TEST_F(MeshLoad, VertexLocksReachTheDeviceBuffer) {
    ASSERT_EQ(Load(kCube), S_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &data), S_OK);
    BYTE* again = data;
    EXPECT_EQ(mesh->LockVertexBuffer(0, &again), D3DERR_INVALIDCALL) << "already locked";
    EXPECT_EQ(again, nullptr);
    Vertex v;
    std::memcpy(&v, data, sizeof v);
    v.x = 42.0f;
    std::memcpy(data, &v, sizeof v);
    ASSERT_EQ(mesh->UnlockVertexBuffer(), S_OK);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), D3DERR_INVALIDCALL) << "not locked";
    float x;
    std::memcpy(&x, Contents(device.lastVertexBuffer).data(), 4);
    EXPECT_EQ(x, 42.0f);
}

TEST_F(MeshLoad, FileWithoutMaterialsOrNormals) {
    ASSERT_EQ(Load("xof 0303txt 0032\nMesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;; }"), S_OK);
    EXPECT_EQ(numMaterials, 0u);
    EXPECT_EQ(materials, nullptr);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ);
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(mesh->GetNumVertices(), 4u);
}

TEST_F(MeshLoad, ManyVerticesSwitchTo32BitIndices) {
    std::string text = "xof 0303txt 0032\nMesh { 70000;\n";
    for (int i = 0; i < 70000; ++i) text += std::to_string(i) + ";0;0;,";
    text += ";\n 1; 3;0,1,69999;; }";
    ASSERT_EQ(Load(text), S_OK);
    EXPECT_TRUE(mesh->GetOptions() & D3DXMESH_32BIT);
    EXPECT_EQ(DescOf(device.lastIndexBuffer).Format, D3DFMT_INDEX32);
    DWORD last;
    std::memcpy(&last, Contents(device.lastIndexBuffer).data() + 8, 4);
    EXPECT_EQ(last, 69999u);
}

TEST_F(MeshLoad, FailuresLeaveEveryOutputEmpty) {
    const std::string broken[] = {
        "xof 0303bin 0032 binary",
        "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,9;; }",
        "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;",
        "not a mesh",
    };
    for (const std::string& text : broken) {
        EXPECT_EQ(Load(text), D3DXERR_INVALIDDATA) << text;
        EXPECT_EQ(mesh, nullptr);
        EXPECT_EQ(materials, nullptr);
        EXPECT_EQ(numMaterials, 0u);
    }
    EXPECT_EQ(Load("xof 0303txt 0032\nFrame { }"), D3DXERR_LOADEDMESHHASNODATA);
    EXPECT_EQ(D3DXLoadMeshFromX("/nonexistent.x", 0, &device, nullptr, &materials, &numMaterials, &mesh),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXLoadMeshFromX("/nonexistent.x", 0, nullptr, nullptr, nullptr, nullptr, &mesh), D3DERR_INVALIDCALL);
    // Either buffer failing: nothing is left, the other buffer included (checked at the end).
    device.failCreateVertexBuffer.Now(D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(Load(kCube), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(mesh, nullptr);
    device.failCreateVertexBuffer = {};
    device.failCreateIndexBuffer.Now(E_OUTOFMEMORY);
    EXPECT_EQ(Load(kCube), E_OUTOFMEMORY);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(materials, nullptr);
}

TEST(MeshCreate, BufferAndEmptyMesh) {
    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(12, &buffer), S_OK);
    EXPECT_EQ(buffer->GetBufferSize(), 12u);
    buffer->AddRef();
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 0u);

    fake::RecordingRefDevice device;
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_TEX1, &device, &mesh), S_OK);
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(DescOf(device.lastIndexBuffer).Pool, D3DPOOL_MANAGED);
    mesh->Release();
    EXPECT_EQ(D3DXCreateMeshFVF(2, 70000, 0, D3DFVF_XYZ, &device, &mesh), D3DERR_INVALIDCALL)
        << "16-bit indices cannot reach 70000 vertices";
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(device.LiveObjects(), 0);
}
