#include "platform/d3d8/ref/setup.h"

#include <algorithm>
#include <cmath>

namespace d3d8::ref {

ScreenVertex ToScreen(const DrawContext& ctx, const ClipVertex& v) {
    ScreenVertex s;
    if (ctx.layout.transformed) {
        s.x = v.pos[0];
        s.y = v.pos[1];
        s.z = v.pos[2];
        s.q = v.pos[3] > 0 && std::isfinite(v.pos[3]) ? v.pos[3] : 1.0f;  // rhw
    } else {
        const float q = 1.0f / v.pos[3];
        s.q = q;
        s.x = ctx.vpX + (1.0f + v.pos[0] * q) * 0.5f * ctx.vpW;
        s.y = ctx.vpY + (1.0f - v.pos[1] * q) * 0.5f * ctx.vpH;
        s.z = ctx.vpMinZ + v.pos[2] * q * (ctx.vpMaxZ - ctx.vpMinZ);
    }
    std::copy(v.attr, v.attr + ctx.attrCount, s.attr);
    s.pointSize = v.pointSize;
    return s;
}

namespace {

// Twice the signed area in screen space (y down): positive for clockwise as seen on screen.
double SignedArea(const ScreenVertex* const* p, int n) {
    double a = 0;
    for (int i = 1; i + 1 < n; ++i)
        a += (static_cast<double>(p[i]->x) - p[0]->x) * (static_cast<double>(p[i + 1]->y) - p[0]->y) -
             (static_cast<double>(p[i + 1]->x) - p[0]->x) * (static_cast<double>(p[i]->y) - p[0]->y);
    return a;
}

// Pixel coordinates beyond this are outside any target; vertices are clamped to keep the
// fixed-point arithmetic in range for pre-transformed input, which is not clipped.
constexpr float kCoordLimit = 1 << 20;

std::int64_t ToFixed(float v) {
    if (v != v) return 0;  // NaN
    const float c = std::clamp(v, -kCoordLimit, kCoordLimit);
    // Rounded half away from zero, as llround does. The product is exact in a double (a
    // float's 24 bits times a power of two, below 2^28), and so is the added half from a
    // quarter up; below that the sum stays under 1 and truncates to 0 either way.
    const double scaled = static_cast<double>(c) * kSubPixelOne;
    const auto magnitude = static_cast<std::int64_t>(std::fabs(scaled) + 0.5);
    return scaled < 0 ? -magnitude : magnitude;
}

Plane MakePlane(double x0, double y0, double ex1, double ey1, double ex2, double ey2, double invArea, double v0,
                double v1, double v2) {
    const double d1 = v1 - v0, d2 = v2 - v0;
    const double dx = (d1 * ey2 - d2 * ey1) * invArea;
    const double dy = (d2 * ex1 - d1 * ex2) * invArea;
    return {static_cast<float>(v0 - dx * x0 - dy * y0), static_cast<float>(dx), static_cast<float>(dy)};
}

}  // namespace

bool IsCulled(const DrawContext& ctx, const ScreenVertex* const* poly, int n) {
    const double area = SignedArea(poly, n);
    if (ctx.cullMode == D3DCULL_CW) return area > 0;
    if (ctx.cullMode == D3DCULL_CCW) return area < 0;
    return false;
}

bool SetupTriangle(const DrawContext& ctx, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                   const ScreenVertex& provoking, TriangleSetup& out) {
    const ScreenVertex* v[3] = {&a, &b, &c};
    for (const ScreenVertex* p : v)
        if (!std::isfinite(p->x) || !std::isfinite(p->y)) return false;
    std::int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = ToFixed(v[i]->x);
        Y[i] = ToFixed(v[i]->y);
    }
    std::int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return false;
    if ((ctx.cullMode == D3DCULL_CW && area > 0) || (ctx.cullMode == D3DCULL_CCW && area < 0)) return false;
    if (area < 0) {  // rasterize clockwise on screen
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
        area = -area;
    }

    // Pixel rectangle: centres inside the bounding box, limited to the allowed pixels.
    const std::int64_t minXf = std::min({X[0], X[1], X[2]}), maxXf = std::max({X[0], X[1], X[2]});
    const std::int64_t minYf = std::min({Y[0], Y[1], Y[2]}), maxYf = std::max({Y[0], Y[1], Y[2]});
    auto ceilDiv = [](std::int64_t v) { return v >= 0 ? (v + kSubPixelOne - 1) >> kSubPixelBits : -((-v) >> kSubPixelBits); };
    auto floorDiv = [](std::int64_t v) { return v >= 0 ? v >> kSubPixelBits : -((-v + kSubPixelOne - 1) >> kSubPixelBits); };
    out.minX = static_cast<int>(std::max<std::int64_t>(ceilDiv(minXf), ctx.clipLeft));
    out.maxX = static_cast<int>(std::min<std::int64_t>(floorDiv(maxXf), ctx.clipRight - 1));
    out.minY = static_cast<int>(std::max<std::int64_t>(ceilDiv(minYf), ctx.clipTop));
    out.maxY = static_cast<int>(std::min<std::int64_t>(floorDiv(maxYf), ctx.clipBottom - 1));
    if (out.minX > out.maxX || out.minY > out.maxY) return false;

    // Edge i runs from vertex i to vertex i+1; inside is >= 0 for this winding.
    const std::int64_t px = static_cast<std::int64_t>(out.minX) << kSubPixelBits;
    const std::int64_t py = static_cast<std::int64_t>(out.minY) << kSubPixelBits;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const std::int64_t dx = X[j] - X[i], dy = Y[j] - Y[i];
        out.edge[i] = dx * (py - Y[i]) - dy * (px - X[i]);
        out.stepX[i] = -dy * kSubPixelOne;
        out.stepY[i] = dx * kSubPixelOne;
        const bool top = dy == 0 && dx > 0;
        const bool left = dy < 0;
        out.bias[i] = (top || left) ? 0 : 1;
    }

    // Interpolation planes on the snapped positions.
    const double x0 = static_cast<double>(X[0]) / kSubPixelOne, y0 = static_cast<double>(Y[0]) / kSubPixelOne;
    const double ex1 = static_cast<double>(X[1] - X[0]) / kSubPixelOne, ey1 = static_cast<double>(Y[1] - Y[0]) / kSubPixelOne;
    const double ex2 = static_cast<double>(X[2] - X[0]) / kSubPixelOne, ey2 = static_cast<double>(Y[2] - Y[0]) / kSubPixelOne;
    const double invArea = 1.0 / (ex1 * ey2 - ex2 * ey1);
    out.z = MakePlane(x0, y0, ex1, ey1, ex2, ey2, invArea, v[0]->z, v[1]->z, v[2]->z);
    out.q = MakePlane(x0, y0, ex1, ey1, ex2, ey2, invArea, v[0]->q, v[1]->q, v[2]->q);
    out.flat = ctx.flatShading;
    if (out.flat) std::copy(provoking.attr, provoking.attr + kAttrFog, out.flatColors);
    for (int k = 0; k < ctx.interpolatedCount; ++k) {
        const int i = ctx.interpolated[k];
        out.attr[i] = MakePlane(x0, y0, ex1, ey1, ex2, ey2, invArea, static_cast<double>(v[0]->attr[i]) * v[0]->q,
                                static_cast<double>(v[1]->attr[i]) * v[1]->q, static_cast<double>(v[2]->attr[i]) * v[2]->q);
        out.attrDx[k] = out.attr[i].dx;
    }
    return true;
}

bool SetupPoint(const DrawContext& ctx, const ScreenVertex& v, PointSquare& sq) {
    const float size = v.pointSize;
    if (!(size > 0)) return false;
    const float half = size * 0.5f;
    sq.left = v.x - half;
    sq.top = v.y - half;
    const float x0 = std::max(std::ceil(sq.left), static_cast<float>(ctx.clipLeft));
    const float x1 = std::min(std::ceil(v.x + half) - 1, static_cast<float>(ctx.clipRight - 1));
    const float y0 = std::max(std::ceil(sq.top), static_cast<float>(ctx.clipTop));
    const float y1 = std::min(std::ceil(v.y + half) - 1, static_cast<float>(ctx.clipBottom - 1));
    if (!(x0 <= x1 && y0 <= y1)) return false;
    sq.x0 = static_cast<int>(x0);
    sq.x1 = static_cast<int>(x1);
    sq.y0 = static_cast<int>(y0);
    sq.y1 = static_cast<int>(y1);
    sq.inv = 1.0f / size;
    return true;
}

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {  // b > 0
    std::int64_t q = a / b;
    if ((a % b != 0) && (a < 0)) --q;
    return q;
}
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

}  // namespace

bool RowSpan(const TriangleSetup& s, int y, int& xStart, int& xEnd) {
    std::int64_t lo = 0, hi = s.maxX - s.minX;
    for (int i = 0; i < 3; ++i) {
        const std::int64_t e = s.edge[i] + s.stepY[i] * (y - s.minY);
        const std::int64_t sx = s.stepX[i];
        if (sx > 0)
            lo = std::max(lo, CeilDiv(s.bias[i] - e, sx));
        else if (sx < 0)
            hi = std::min(hi, FloorDiv(e - s.bias[i], -sx));
        else if (e < s.bias[i])
            return false;
    }
    if (lo > hi) return false;
    xStart = s.minX + static_cast<int>(lo);
    xEnd = s.minX + static_cast<int>(hi);
    return true;
}

}  // namespace d3d8::ref
