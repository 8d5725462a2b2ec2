// Meshes: ID3DXBuffer, ID3DXMesh, D3DXLoadMeshFromX (text .x files), D3DXCreateMeshFVF.
//
// A mesh keeps its vertices, indices and per-face attributes in memory it owns and mirrors
// them into a vertex and an index buffer created on its device (pools and usages from the
// D3DXMESH_* options); Lock/Unlock of the mesh's buffers go through its own copy, and the
// device buffers are refreshed on unlock. DrawSubset draws the faces of one attribute with
// one DrawIndexedPrimitive per run of consecutive faces (one run after loading, which sorts
// faces by material).
// Leaves out: vertex declarations, progressive and skinned meshes, Optimize, Intersect,
// adjacency generation other than on load, and the binary .x format.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx/constants.h"

constexpr DWORD D3DXMESH_32BIT = 0x001;  // 32-bit indices (chosen automatically above 65535 vertices)
constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
constexpr DWORD D3DXMESH_POINTS = 0x004;
constexpr DWORD D3DXMESH_RTPATCHES = 0x008;
constexpr DWORD D3DXMESH_NPATCHES = 0x4000;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
constexpr DWORD D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
constexpr DWORD D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000;
constexpr DWORD D3DXMESH_VB_SHARE = 0x1000;
constexpr DWORD D3DXMESH_USEHWONLY = 0x2000;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
constexpr DWORD D3DXMESH_DYNAMIC = 0x880;
constexpr DWORD D3DXMESH_SOFTWAREPROCESSING = 0x18000;

// A material of a loaded mesh; pTextureFilename is NULL when the material has no texture.
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
};
using LPD3DXMATERIAL = D3DXMATERIAL*;

// Faces [FaceStart, FaceStart + FaceCount) of attribute AttribId use vertices
// [VertexStart, VertexStart + VertexCount).
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};
using LPD3DXATTRIBUTERANGE = D3DXATTRIBUTERANGE*;

// A block of bytes with a reference count.
struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};
using LPD3DXBUFFER = ID3DXBuffer*;

struct ID3DXMesh;

struct ID3DXBaseMesh : IUnknown {
    // Sets stream 0, the indices and the FVF as vertex shader, then draws the faces whose
    // attribute is AttribId (nothing, successfully, when there are none).
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) = 0;
    // A copy with another vertex format: elements present in both are copied, new ones are
    // zero. Options give the copy's pools and usages (0: default pool); the index size is kept.
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE8 pDevice, ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* ppVB) = 0;
    virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // With pAttribTable NULL only the count is returned; otherwise *pAttribTableSize entries
    // at most are written and the count written is returned.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {
    // One attribute per face; after unlocking, faces are drawn by their new attributes.
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
};
using LPD3DXBASEMESH = ID3DXBaseMesh*;
using LPD3DXMESH = ID3DXMesh*;

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// An empty mesh of NumFaces triangles and NumVertices vertices, all attributes 0.
HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, LPDIRECT3DDEVICE8 pDevice,
                          LPD3DXMESH* ppMesh);

// Loads a text .x file: the vertex format is D3DFVF_XYZ plus D3DFVF_NORMAL and D3DFVF_TEX1
// when the file has normals and texture coordinates. ppAdjacency (optional) receives three
// DWORDs per face: the face across each edge, or 0xFFFFFFFF. ppMaterials (optional)
// receives one D3DXMATERIAL per material, NULL when the file has none, and *pNumMaterials
// the count. A missing file or broken content gives D3DXERR_INVALIDDATA (the reason goes to
// the debugger output), a file without meshes D3DXERR_LOADEDMESHHASNODATA.
HRESULT D3DXLoadMeshFromX(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE8 pDevice, LPD3DXBUFFER* ppAdjacency,
                          LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials, LPD3DXMESH* ppMesh);

// The same from the file's bytes in memory.
HRESULT D3DXLoadMeshFromXInMemory(const BYTE* Memory, DWORD SizeOfMemory, DWORD Options, LPDIRECT3DDEVICE8 pDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                                  LPD3DXMESH* ppMesh);

// Bytes per vertex of an FVF code (0 for codes the device would refuse).
UINT D3DXGetFVFVertexSize(DWORD FVF);
