#include "render/d3d_mesh.h"

#include <cstring>

#include "app/media.h"  // FindMediaFile
#include "app/safe_release.h"

CD3DMesh::CD3DMesh(const char* name)
    : m_name{},
      m_pSysMemMesh(nullptr),
      m_pLocalMesh(nullptr),
      m_numMaterials(0),
      m_pMaterials(nullptr),
      m_pTextures(nullptr),
      m_bUseMaterials(TRUE) {
    if (name) std::strncpy(m_name, name, sizeof(m_name) - 1);
}

CD3DMesh::~CD3DMesh() { Destroy(); }

HRESULT CD3DMesh::Create(IDirect3DDevice8* pDevice, const char* fileName) {
    if (!pDevice || !fileName) return E_INVALIDARG;

    // The search leaves the bare name in the path when it finds nothing.
    char path[kMaxMediaPath];
    FindMediaFile(path, fileName);

    ID3DXBuffer* pMtrlBuffer = nullptr;
    DWORD numMaterials = 0;
    ID3DXMesh* pMesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromX(path, D3DXMESH_SYSTEMMEM, pDevice, nullptr, &pMtrlBuffer, &numMaterials, &pMesh);
    if (FAILED(hr)) return hr;

    Destroy();  // a second Create replaces the first mesh
    m_pSysMemMesh = pMesh;

    if (pMtrlBuffer && numMaterials > 0) {
        const auto* d3dxMtrls = static_cast<const D3DXMATERIAL*>(pMtrlBuffer->GetBufferPointer());
        m_numMaterials = numMaterials;
        m_pMaterials = new D3DMATERIAL8[m_numMaterials];
        m_pTextures = new IDirect3DTexture8*[m_numMaterials];
        for (DWORD i = 0; i < m_numMaterials; ++i) {
            // The file's ambient colour is not used: ambient light tints like diffuse light.
            m_pMaterials[i] = d3dxMtrls[i].MatD3D;
            m_pMaterials[i].Ambient = m_pMaterials[i].Diffuse;
            m_pTextures[i] = nullptr;
            const char* textureName = d3dxMtrls[i].pTextureFilename;
            if (textureName && textureName[0]) {
                char texturePath[kMaxMediaPath];
                FindMediaFile(texturePath, textureName);
                if (FAILED(D3DXCreateTextureFromFileA(pDevice, texturePath, &m_pTextures[i]))) m_pTextures[i] = nullptr;
            }
        }
    }
    SafeRelease(pMtrlBuffer);
    return S_OK;
}

HRESULT CD3DMesh::RebuildDeviceObjects(IDirect3DDevice8* pDevice) {
    if (!m_pSysMemMesh || !pDevice) return E_FAIL;
    SafeRelease(m_pLocalMesh);
    if (FAILED(m_pSysMemMesh->CloneMeshFVF(0, m_pSysMemMesh->GetFVF(), pDevice, &m_pLocalMesh)) || !m_pLocalMesh) {
        m_pLocalMesh = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CD3DMesh::ReleaseDeviceObjects() {
    SafeRelease(m_pLocalMesh);
    return S_OK;
}

HRESULT CD3DMesh::Destroy() {
    ReleaseDeviceObjects();
    for (DWORD i = 0; m_pTextures && i < m_numMaterials; ++i) SafeRelease(m_pTextures[i]);
    delete[] m_pTextures;
    m_pTextures = nullptr;
    delete[] m_pMaterials;
    m_pMaterials = nullptr;
    SafeRelease(m_pSysMemMesh);
    m_numMaterials = 0;
    return S_OK;
}

HRESULT CD3DMesh::Render(IDirect3DDevice8* pDevice, BOOL bDrawOpaqueSubsets, BOOL bDrawAlphaSubsets) {
    if (!m_pLocalMesh) return E_FAIL;
    if (m_bUseMaterials && !pDevice) return E_INVALIDARG;

    if (bDrawOpaqueSubsets) {
        for (DWORD i = 0; i < m_numMaterials; ++i) {
            if (m_bUseMaterials) {
                if (m_pMaterials[i].Diffuse.a < 1.0f) continue;
                pDevice->SetMaterial(&m_pMaterials[i]);
                pDevice->SetTexture(0, m_pTextures[i]);
            }
            m_pLocalMesh->DrawSubset(i);
        }
    }
    if (bDrawAlphaSubsets && m_bUseMaterials) {
        for (DWORD i = 0; i < m_numMaterials; ++i) {
            if (m_pMaterials[i].Diffuse.a == 1.0f) continue;
            pDevice->SetMaterial(&m_pMaterials[i]);
            pDevice->SetTexture(0, m_pTextures[i]);
            m_pLocalMesh->DrawSubset(i);
        }
    }
    return S_OK;
}
