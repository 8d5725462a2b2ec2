// Primitive setup: the perspective divide and viewport mapping, culling, and for triangles
// the fixed-point edge functions (top-left fill rule) and the interpolation planes.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

#include <cstdint>

namespace d3d8::ref {

// Sub-pixel precision of triangle vertices: 1/256 pixel.
constexpr int kSubPixelBits = 8;
constexpr std::int64_t kSubPixelOne = 1 << kSubPixelBits;

// Maps a clip-space vertex to the screen: pixel centres on whole coordinates, so NDC -1 lies
// on the centre of the viewport's first pixel column. Pre-transformed vertices pass through.
ScreenVertex ToScreen(const DrawContext& ctx, const ClipVertex& v);

// value(x, y) = c + dx * x + dy * y, with x, y pixel coordinates.
struct Plane {
    float c = 0, dx = 0, dy = 0;
    float At(float x, float y) const { return c + dx * x + dy * y; }
};

struct TriangleSetup {
    // Pixel rectangle to visit (inclusive), already limited to the viewport and target.
    int minX = 0, minY = 0, maxX = -1, maxY = -1;
    // Edge i at the first pixel centre of the rectangle, and its steps per pixel in x and y;
    // a pixel is inside when every edge value is >= bias (0 on top and left edges, else 1).
    std::int64_t edge[3] = {}, stepX[3] = {}, stepY[3] = {}, bias[3] = {};
    Plane z;                 // device depth, linear in screen space
    Plane q;                 // 1/w
    Plane attr[kMaxAttrs];   // attribute * q, by attribute number
    float attrDx[kMaxAttrs] = {};  // x steps of the interpolated attributes, in DrawContext::interpolated order
    bool flat = false;       // colours constant from the provoking vertex
    float flatColors[kAttrFog] = {};
};

// The pixels of row y inside all three edges, [xStart, xEnd]; false when there are none.
bool RowSpan(const TriangleSetup& s, int y, int& xStart, int& xEnd);

// The pixels a point covers (inclusive), its square's top-left corner and 1 / size.
struct PointSquare {
    float left = 0, top = 0, inv = 1;
    int x0 = 0, x1 = -1, y0 = 0, y1 = -1;
};

// The square of the vertex's size centred on it, limited to the allowed pixels; false when
// it covers none.
bool SetupPoint(const DrawContext& ctx, const ScreenVertex& v, PointSquare& sq);

// Culls and sets up the triangle a, b, c (in drawing order); `provoking` gives the colours
// of flat shading. Returns false when the triangle is culled, degenerate or covers no pixel.
bool SetupTriangle(const DrawContext& ctx, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                   const ScreenVertex& provoking, TriangleSetup& out);

// True when the screen polygon (convex, drawing order) faces away as the cull mode says.
bool IsCulled(const DrawContext& ctx, const ScreenVertex* const* poly, int n);

}  // namespace d3d8::ref
