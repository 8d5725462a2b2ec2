// Derives the per-draw DrawContext from the device's state snapshot: matrices combined,
// lights moved into camera space, the active texture stages found, render states decoded.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

Matrix4 ToMatrix4(const D3DMATRIX& m);
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);  // a then b (row vectors)

// Decodes the vertex layout of an FVF code.

// Fills `ctx` for one draw into `targets`.
void PrepareDrawContext(const PipelineState& state, const RenderTargets& targets, DrawContext& ctx);

}  // namespace d3d8::ref
