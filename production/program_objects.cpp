#include "production/program_objects.h"

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
    {&g_pSquidMesh, "Data/squidlikething.x"},
    {&g_pHaloMesh, "Data/halo.x"},
    {&g_pLogoMesh, "Data/logo.x"},
    {&g_pShapeMesh, "Data/shape.x"},
    {&g_pOneMesh, "Data/one.x"},
    {&g_pTwoMesh, "Data/two.x"},
    {&g_pThreeMesh, "Data/three.x"},
    {&g_pFourMesh, "Data/four.x"},
    {&g_pFiveMesh, "Data/five.x"},
    {&g_pBoxyMesh, "Data/boxy.x"},
    {&g_pFemMesh, "Data/fem.x"},
    {&g_pAlienMesh, "Data/alien.x"},
    {&g_pAlien2Mesh, "Data/alien.x"},
    {&g_pCaveMesh, "Data/cave.x"},
    {&g_pObjFaenMesh, "Data/objfaen.x"},
    {&g_pSakligMesh, "Data/saklig.x"},
};

const ProductionEmitter kProductionEmitters[5] = {
    {&g_TunnelEmitter, "data/tunnel.dps"},
    {&g_CountdownEmitter, "data/cdown.dps"},
    {&g_AlvenEmitter, "data/alven.dps"},
    {&g_DarkElfEmitter, "data/darkelf.dps"},
    {&g_CaveEmitter, "data/cave.dps"},
};
