#include "platform/d3d8/ref/clipping.h"

#include <cmath>

namespace d3d8::ref {

namespace {

// Guard band half-width in units of w: far beyond any viewport edge, small enough to keep
// pixel coordinates well inside float and fixed-point precision.
constexpr float kGuard = 64.0f;
constexpr float kMinW = 1e-6f;
constexpr int kPlaneCount = 7;

// Signed distance of a vertex to clip plane `p`; inside when >= 0.
float Distance(const float* pos, int p) {
    switch (p) {
    case 0: return pos[2];                       // near
    case 1: return pos[3] - pos[2];              // far
    case 2: return pos[3] - kMinW;               // in front of the eye
    case 3: return kGuard * pos[3] - pos[0];     // guard band right
    case 4: return kGuard * pos[3] + pos[0];     // left
    case 5: return kGuard * pos[3] - pos[1];     // top
    default: return kGuard * pos[3] + pos[1];    // bottom
    }
}

void Lerp(const ClipVertex& a, const ClipVertex& b, float t, int attrCount, ClipVertex& out) {
    for (int i = 0; i < 4; ++i) out.pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * t;
    for (int i = 0; i < attrCount; ++i) out.attr[i] = a.attr[i] + (b.attr[i] - a.attr[i]) * t;
    out.pointSize = a.pointSize;
}

bool Finite(const ClipVertex& v) {
    return std::isfinite(v.pos[0]) && std::isfinite(v.pos[1]) && std::isfinite(v.pos[2]) && std::isfinite(v.pos[3]);
}

}  // namespace

bool InsideClipVolume(const ClipVertex& v) {
    for (int p = 0; p < kPlaneCount; ++p)
        if (!(Distance(v.pos, p) >= 0)) return false;
    return true;
}

bool PointInsideDepthRange(const ClipVertex& v) {
    return v.pos[2] >= 0 && v.pos[2] <= v.pos[3] && v.pos[3] > kMinW;
}

bool ClipSegment(ClipVertex& a, ClipVertex& b, int attrCount) {
    if (!Finite(a) || !Finite(b)) return false;
    float t0 = 0, t1 = 1;
    for (int p = 0; p < kPlaneCount; ++p) {
        const float da = Distance(a.pos, p), db = Distance(b.pos, p);
        if (!(da >= 0) && !(db >= 0)) return false;
        if (da >= 0 && db >= 0) continue;
        const float t = da / (da - db);
        if (da < 0)
            t0 = t0 > t ? t0 : t;
        else
            t1 = t1 < t ? t1 : t;
    }
    if (!(t0 < t1)) return false;
    const ClipVertex oa = a, ob = b;
    if (t0 > 0) Lerp(oa, ob, t0, attrCount, a);
    if (t1 < 1) Lerp(oa, ob, t1, attrCount, b);
    return true;
}

int ClipPolygon(ClipVertex* poly, int n, int attrCount) {
    // A vertex without a finite position makes the whole primitive meaningless.
    for (int i = 0; i < n; ++i)
        if (!Finite(poly[i])) return 0;
    ClipVertex scratch[kMaxClippedVertices];
    ClipVertex* in = poly;
    ClipVertex* out = scratch;
    for (int p = 0; p < kPlaneCount && n > 0; ++p) {
        float d[kMaxClippedVertices];
        bool allInside = true;
        for (int i = 0; i < n; ++i) {
            d[i] = Distance(in[i].pos, p);
            if (!(d[i] >= 0)) allInside = false;
        }
        if (allInside) continue;
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            const bool inI = d[i] >= 0, inJ = d[j] >= 0;
            if (inI && m < kMaxClippedVertices) out[m++] = in[i];
            if (inI != inJ && m < kMaxClippedVertices) {
                // Interpolate from the inside vertex so shared edges clip identically.
                if (inI)
                    Lerp(in[i], in[j], d[i] / (d[i] - d[j]), attrCount, out[m++]);
                else
                    Lerp(in[j], in[i], d[j] / (d[j] - d[i]), attrCount, out[m++]);
            }
        }
        n = m;
        ClipVertex* t = in;
        in = out;
        out = t;
    }
    if (in != poly)
        for (int i = 0; i < n; ++i) poly[i] = in[i];
    return n < 3 ? 0 : n;
}

}  // namespace d3d8::ref
