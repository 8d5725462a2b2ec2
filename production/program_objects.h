// The production's program-wide objects: five particle systems, sixteen meshes and the
// music stream. They exist before the application object and outlive it.
#pragma once

#include "particles/particle_emitter.h"
#include "platform/audio.h"
#include "render/d3d_mesh.h"

extern CParticleEmitter g_TunnelEmitter;     // assets::kTunnelScript
extern CParticleEmitter g_CountdownEmitter;  // assets::kCountdownScript
extern CParticleEmitter g_AlvenEmitter;      // assets::kAlvenScript
extern CParticleEmitter g_DarkElfEmitter;    // assets::kDarkElfScript
extern CParticleEmitter g_CaveEmitter;       // assets::kCaveScript

extern CD3DMesh* g_pSquidMesh;
extern CD3DMesh* g_pHaloMesh;
extern CD3DMesh* g_pLogoMesh;
extern CD3DMesh* g_pShapeMesh;
extern CD3DMesh* g_pOneMesh;
extern CD3DMesh* g_pTwoMesh;
extern CD3DMesh* g_pThreeMesh;
extern CD3DMesh* g_pFourMesh;
extern CD3DMesh* g_pFiveMesh;
extern CD3DMesh* g_pBoxyMesh;
extern CD3DMesh* g_pFemMesh;
extern CD3DMesh* g_pAlienMesh;
extern CD3DMesh* g_pAlien2Mesh;
extern CD3DMesh* g_pCaveMesh;
extern CD3DMesh* g_pObjFaenMesh;
extern CD3DMesh* g_pSakligMesh;

extern HSTREAM g_hMusic;  // 0 when there is no music

// A mesh with the file it loads, in loading order.
struct ProductionMesh {
    CD3DMesh** mesh;
    const char* file;
};
extern const ProductionMesh kProductionMeshes[16];

// A particle system with its script, in loading order.
struct ProductionEmitter {
    CParticleEmitter* emitter;
    const char* script;
};
extern const ProductionEmitter kProductionEmitters[5];
