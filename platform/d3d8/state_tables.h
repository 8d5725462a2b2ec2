// Which render, texture-stage and transform states exist, their valid values, their
// defaults and whether they belong to the pixel or the vertex part of the pipeline
// (what D3DSBT_PIXELSTATE and D3DSBT_VERTEXSTATE blocks hold).
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8 {

bool IsRenderState(DWORD state);
bool IsValidRenderStateValue(DWORD state, DWORD value);
bool IsPixelRenderState(DWORD state);
bool IsVertexRenderState(DWORD state);

bool IsStageState(DWORD type);
bool IsValidStageStateValue(DWORD type, DWORD value);
bool IsPixelStageState(DWORD type);
bool IsVertexStageState(DWORD type);

// D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0..7, D3DTS_WORLDMATRIX(0..255).
bool IsTransformState(DWORD state);

// Defaults as a new device has them; `depthBuffer` decides D3DRS_ZENABLE.
void DefaultRenderStates(DWORD (&states)[D3DRS_TABLE_SIZE], bool depthBuffer);
void DefaultStageStates(DWORD (&states)[kMaxStages][D3DTSS_TABLE_SIZE]);

}  // namespace d3d8
