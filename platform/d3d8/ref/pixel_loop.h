// The one decision of which loop draws a draw's pixels, taken once per draw from its derived
// state and its target. The general loop draws every state; the others draw the simple class
// (SimpleShading) faster where the draw fits them, with the same bytes.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

// For a context whose state, simple class, blend kind and instructions are prepared.
PixelLoops ChoosePixelLoops(const DrawContext& ctx, const Target& target);

}  // namespace d3d8::ref
