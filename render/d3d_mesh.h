// CD3DMesh: one mesh loaded from a .x file with its materials and textures.
// A system-memory master copy is kept for the life of the object; a drawing copy in the
// device's default pool is made from it on every (re)initialisation of the device.
// Subsets draw in two passes: opaque ones (diffuse alpha at least 1) first, translucent
// ones (diffuse alpha not exactly 1) second; blending for the second pass is the caller's.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx8.h"

class CD3DMesh {
public:
    explicit CD3DMesh(const char* name = "CD3DFile_Mesh");
    virtual ~CD3DMesh();
    CD3DMesh(const CD3DMesh&) = delete;
    CD3DMesh& operator=(const CD3DMesh&) = delete;

    // Loads the file (looked up in the media directories) with its materials; a texture
    // that cannot be loaded leaves its subset untextured. On failure the D3DX code is
    // returned and the object is left as it was.
    HRESULT Create(IDirect3DDevice8* pDevice, const char* fileName);
    // Makes the drawing copy; E_FAIL without a master copy or when cloning fails.
    HRESULT RebuildDeviceObjects(IDirect3DDevice8* pDevice);
    HRESULT ReleaseDeviceObjects();
    // Releases everything; harmless when repeated.
    HRESULT Destroy();

    // Draws the opaque and / or the translucent subsets; E_FAIL without a drawing copy.
    HRESULT Render(IDirect3DDevice8* pDevice, BOOL bDrawOpaqueSubsets = TRUE, BOOL bDrawAlphaSubsets = TRUE);

    char m_name[512];
    ID3DXMesh* m_pSysMemMesh;  // master copy
    ID3DXMesh* m_pLocalMesh;   // drawing copy
    DWORD m_numMaterials;      // subsets, materials and textures
    D3DMATERIAL8* m_pMaterials;
    IDirect3DTexture8** m_pTextures;  // null entries: no texture
    BOOL m_bUseMaterials;             // set each subset's material and texture before drawing it
};
