// Derives the per-draw DrawContext from the device's state snapshot: matrices combined,
// lights moved into camera space, the active texture stages found, render states decoded.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

// Fills `ctx` for one draw into `targets`.
void PrepareDrawContext(const PipelineState& state, const RenderTargets& targets, DrawContext& ctx);

}  // namespace d3d8::ref
