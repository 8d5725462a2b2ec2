// Rasterization: turns set-up triangles, lines and points into fragments and runs each
// through the pixel pipeline: the general loop here, or the lane loop ChoosePixelLoops chose
// for the draw (lanes/lane_loops.h).
#pragma once

#include "platform/d3d8/ref/setup.h"

namespace d3d8::ref {

// Pixels whose centres lie inside the triangle by the top-left rule.
void RasterizeTriangle(const DrawContext& ctx, const Target& t, const TriangleSetup& s);

// A line from a to b, one pixel per step along the major axis, the last pixel left out (so
// closed outlines draw each corner once). Flat shading takes the colours of `provoking`
// (a triangle's first vertex for wireframe edges), or of a when it is null.
void RasterizeLine(const DrawContext& ctx, const Target& t, const ScreenVertex& a, const ScreenVertex& b,
                   const ScreenVertex* provoking = nullptr);

// A square point of the vertex's size centred on it (left and top edges inclusive); as a
// sprite its texture coordinates run 0..1 across the square.
void RasterizePoint(const DrawContext& ctx, const Target& t, const ScreenVertex& v);

}  // namespace d3d8::ref
