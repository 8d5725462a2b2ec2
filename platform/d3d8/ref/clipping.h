// Clipping in clip space against the near (z = 0) and far (z = w) planes and a guard band
// far outside the viewport for x and y; whatever lies inside the guard band but outside the
// viewport is cut by the rasterizer's pixel bounds instead.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

// A clipped polygon holds at most the triangle's 3 vertices plus one per plane.
constexpr int kMaxClippedVertices = 12;

// True when every vertex lies inside all clip planes.
bool InsideClipVolume(const ClipVertex& v);

// Clips the convex polygon `poly` (n vertices, at most kMaxClippedVertices) in place, with
// `attrCount` attributes interpolated. Returns the new vertex count (0: nothing left).
int ClipPolygon(ClipVertex* poly, int n, int attrCount);

// Clips the segment a-b in place; false when nothing is left.
bool ClipSegment(ClipVertex& a, ClipVertex& b, int attrCount);

// True when a point lies between the near and far planes (points are not cut, only dropped).
bool PointInsideDepthRange(const ClipVertex& v);

}  // namespace d3d8::ref
