#include "production/program_objects.h"

#include "assets/asset_manifest.h"

CParticleEmitter g_TunnelEmitter;
CParticleEmitter g_CountdownEmitter;
CParticleEmitter g_AlvenEmitter;
CParticleEmitter g_DarkElfEmitter;
CParticleEmitter g_CaveEmitter;

// Allocated at program start and kept until the process ends.
CD3DMesh* g_pSquidMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pHaloMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pLogoMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pShapeMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pOneMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pTwoMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pThreeMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pFourMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pFiveMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pBoxyMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pFemMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pAlienMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pAlien2Mesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pCaveMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pObjFaenMesh = new CD3DMesh("CD3DFile_Mesh");
CD3DMesh* g_pSakligMesh = new CD3DMesh("CD3DFile_Mesh");

HSTREAM g_hMusic = 0;

const ProductionMesh kProductionMeshes[16] = {
    {&g_pSquidMesh, assets::kSquidMesh.path},
    {&g_pHaloMesh, assets::kHaloMesh.path},
    {&g_pLogoMesh, assets::kLogoMesh.path},
    {&g_pShapeMesh, assets::kShapeMesh.path},
    {&g_pOneMesh, assets::kOneMesh.path},
    {&g_pTwoMesh, assets::kTwoMesh.path},
    {&g_pThreeMesh, assets::kThreeMesh.path},
    {&g_pFourMesh, assets::kFourMesh.path},
    {&g_pFiveMesh, assets::kFiveMesh.path},
    {&g_pBoxyMesh, assets::kBoxyMesh.path},
    {&g_pFemMesh, assets::kFemMesh.path},
    {&g_pAlienMesh, assets::kAlienMesh.path},
    {&g_pAlien2Mesh, assets::kAlienMesh.path},
    {&g_pCaveMesh, assets::kCaveMesh.path},
    {&g_pObjFaenMesh, assets::kObjFaenMesh.path},
    {&g_pSakligMesh, assets::kSakligMesh.path},
};

const ProductionEmitter kProductionEmitters[5] = {
    {&g_TunnelEmitter, assets::kTunnelScript.path},
    {&g_CountdownEmitter, assets::kCountdownScript.path},
    {&g_AlvenEmitter, assets::kAlvenScript.path},
    {&g_DarkElfEmitter, assets::kDarkElfScript.path},
    {&g_CaveEmitter, assets::kCaveScript.path},
};
