// The one decision of which loop draws a draw's pixels, taken once per draw from its derived
// state and its target. The general loop draws every state; the lane loops draw the simple
// class (SimpleShading) onto 32-bit targets, from the texture formats they read, with the
// same bytes.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

// For a context whose state, simple class, blend kind and instructions are prepared; where a
// lane loop is chosen, its LaneDraw is prepared in ctx.lanes.
void ChoosePixelLoops(DrawContext& ctx, const Target& target);

}  // namespace d3d8::ref
