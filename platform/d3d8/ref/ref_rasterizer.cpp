// The REF device type: a software implementation of the fixed-function pipeline.
//
// Per draw:   derive state -> transform and light the vertices -> assemble primitives
//             -> clip -> project -> cull and set up -> rasterize -> per pixel: texture
//             stages, alpha test, depth, fog, blend (pixel_pipeline.h).
// Scratch buffers live in the rasterizer and keep their capacity, so steady-state drawing
// does not allocate.
#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/ref/clipping.h"
#include "platform/d3d8/ref/draw_state.h"
#include "platform/d3d8/ref/rasterize.h"
#include "platform/d3d8/ref/setup.h"
#include "platform/d3d8/ref/vertex_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace d3d8 {

namespace {

using namespace ref;

class RefRasterizer final : public Rasterizer {
public:
    void Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil) override;
    void Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) override;
    void ForgetTexture(std::uint64_t) override {}  // nothing is cached per texture

private:
    bool TransformVertices(const DrawCall& call);
    void DrawPrimitives(const DrawCall& call);
    void DrawTriangle(UINT i0, UINT i1, UINT i2);
    void DrawLine(UINT i0, UINT i1);
    void DrawPoint(UINT i);
    const ScreenVertex& Screen(UINT i);
    bool VertexIndex(const DrawCall& call, UINT n, UINT& out) const;

    DrawContext ctx_;
    Target target_;
    // Vertices [first_, first_ + count) of the draw, transformed; screen positions on demand.
    UINT first_ = 0;
    std::vector<ClipVertex> clip_;
    std::vector<ScreenVertex> screen_;
    std::vector<unsigned char> screenReady_;
    std::vector<unsigned char> inside_;
};

void RefRasterizer::Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
                          DWORD) {
    auto clamped = [&rect](const SurfaceData& s, LONG& l, LONG& t, LONG& r, LONG& b) {
        l = std::clamp<LONG>(rect.left, 0, static_cast<LONG>(s.width));
        r = std::clamp<LONG>(rect.right, 0, static_cast<LONG>(s.width));
        t = std::clamp<LONG>(rect.top, 0, static_cast<LONG>(s.height));
        b = std::clamp<LONG>(rect.bottom, 0, static_cast<LONG>(s.height));
        return l < r && t < b && s.bits;
    };
    LONG l, t, r, b;
    if ((flags & D3DCLEAR_TARGET) && targets.color && clamped(*targets.color, l, t, r, b)) {
        const SurfaceData& s = *targets.color;
        const UINT bpp = BytesPerPixel(s.format);
        BYTE pixel[4] = {};
        WriteArgb(s.format, pixel, color);
        for (LONG y = t; y < b; ++y) {
            BYTE* row = s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch + static_cast<std::ptrdiff_t>(l) * bpp;
            for (LONG x = l; x < r; ++x, row += bpp) std::memcpy(row, pixel, bpp);
        }
    }
    if ((flags & D3DCLEAR_ZBUFFER) && targets.depth && clamped(*targets.depth, l, t, r, b)) {
        const SurfaceData& s = *targets.depth;
        const float value = std::clamp(z, 0.0f, 1.0f);
        for (LONG y = t; y < b; ++y) {
            float* row = reinterpret_cast<float*>(s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch);
            std::fill(row + l, row + r, value);
        }
    }
}

void RefRasterizer::Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) {
    if (!targets.color || !targets.color->bits || !call.vertices || call.primitiveCount == 0) return;
    if (BytesPerPixel(targets.color->format) == 0) return;
    PrepareDrawContext(state, targets, ctx_);
    if (ctx_.clipLeft >= ctx_.clipRight || ctx_.clipTop >= ctx_.clipBottom) return;
    target_ = {targets.color, targets.depth && targets.depth->bits ? targets.depth : nullptr};
    if (!TransformVertices(call)) return;
    DrawPrimitives(call);
}

// The vertex number of the n-th vertex the primitives read, before baseVertex.
bool RefRasterizer::VertexIndex(const DrawCall& call, UINT n, UINT& out) const {
    long long index;
    if (call.indices) {
        const UINT k = call.startIndex + n;
        if (call.indexFormat == D3DFMT_INDEX32) {
            std::uint32_t v;
            std::memcpy(&v, call.indices + 4 * static_cast<std::size_t>(k), 4);
            index = static_cast<long long>(v) + call.baseVertex;
        } else {
            std::uint16_t v;
            std::memcpy(&v, call.indices + 2 * static_cast<std::size_t>(k), 2);
            index = static_cast<long long>(v) + call.baseVertex;
        }
    } else {
        index = static_cast<long long>(call.startVertex) + n;
    }
    if (index < 0 || index >= call.vertexCount) return false;
    out = static_cast<UINT>(index);
    return true;
}

bool RefRasterizer::TransformVertices(const DrawCall& call) {
    const UINT used = static_cast<UINT>(VerticesForPrimitives(call.primitiveType, call.primitiveCount));
    if (used == 0) return false;
    UINT lo = ~0u, hi = 0;
    if (!call.indices) {
        if (call.startVertex >= call.vertexCount) return false;
        lo = call.startVertex;
        hi = static_cast<UINT>(std::min<unsigned long long>(static_cast<unsigned long long>(lo) + used - 1,
                                                            call.vertexCount - 1));
    } else {
        for (UINT n = 0; n < used; ++n) {
            UINT i;
            if (!VertexIndex(call, n, i)) continue;
            lo = std::min(lo, i);
            hi = std::max(hi, i);
        }
    }
    if (lo > hi) return false;
    first_ = lo;
    const std::size_t count = static_cast<std::size_t>(hi) - lo + 1;
    if (clip_.size() < count) {
        clip_.resize(count);
        screen_.resize(count);
        screenReady_.resize(count);
        inside_.resize(count);
    }
    std::fill(screenReady_.begin(), screenReady_.begin() + static_cast<std::ptrdiff_t>(count), 0);
    for (std::size_t k = 0; k < count; ++k) {
        ProcessVertex(ctx_, call.vertices + (lo + k) * static_cast<std::size_t>(call.stride), clip_[k]);
        inside_[k] = ctx_.layout.transformed || InsideClipVolume(clip_[k]);
    }
    return true;
}

const ScreenVertex& RefRasterizer::Screen(UINT i) {
    const UINT k = i - first_;
    if (!screenReady_[k]) {
        screen_[k] = ToScreen(ctx_, clip_[k]);
        screenReady_[k] = 1;
    }
    return screen_[k];
}

void RefRasterizer::DrawPrimitives(const DrawCall& call) {
    UINT v[3];
    auto fetch = [&](UINT n, UINT& out) { return VertexIndex(call, n, out); };
    for (UINT p = 0; p < call.primitiveCount; ++p) {
        switch (call.primitiveType) {
        case D3DPT_POINTLIST:
            if (fetch(p, v[0])) DrawPoint(v[0]);
            break;
        case D3DPT_LINELIST:
            if (fetch(2 * p, v[0]) && fetch(2 * p + 1, v[1])) DrawLine(v[0], v[1]);
            break;
        case D3DPT_LINESTRIP:
            if (fetch(p, v[0]) && fetch(p + 1, v[1])) DrawLine(v[0], v[1]);
            break;
        case D3DPT_TRIANGLELIST:
            if (fetch(3 * p, v[0]) && fetch(3 * p + 1, v[1]) && fetch(3 * p + 2, v[2])) DrawTriangle(v[0], v[1], v[2]);
            break;
        case D3DPT_TRIANGLESTRIP:
            // Odd triangles swap their last two vertices to keep the winding.
            if (fetch(p, v[0]) && fetch(p + 1, v[1]) && fetch(p + 2, v[2])) {
                if (p & 1)
                    DrawTriangle(v[0], v[2], v[1]);
                else
                    DrawTriangle(v[0], v[1], v[2]);
            }
            break;
        case D3DPT_TRIANGLEFAN:
            if (fetch(0, v[0]) && fetch(p + 1, v[1]) && fetch(p + 2, v[2])) DrawTriangle(v[0], v[1], v[2]);
            break;
        default:
            return;
        }
    }
}

void RefRasterizer::DrawTriangle(UINT i0, UINT i1, UINT i2) {
    if (ctx_.fillMode == D3DFILL_POINT) {
        DrawPoint(i0);
        DrawPoint(i1);
        DrawPoint(i2);
        return;
    }
    const UINT idx[3] = {i0, i1, i2};
    const bool inside = inside_[i0 - first_] && inside_[i1 - first_] && inside_[i2 - first_];
    ScreenVertex clipped[kMaxClippedVertices];
    const ScreenVertex* poly[kMaxClippedVertices];
    int n = 3;
    if (inside) {
        for (int k = 0; k < 3; ++k) poly[k] = &Screen(idx[k]);
    } else {
        ClipVertex work[kMaxClippedVertices];
        for (int k = 0; k < 3; ++k) work[k] = clip_[idx[k] - first_];
        n = ClipPolygon(work, 3, ctx_.attrCount);
        for (int k = 0; k < n; ++k) {
            clipped[k] = ToScreen(ctx_, work[k]);
            poly[k] = &clipped[k];
        }
    }
    if (n < 3) return;
    for (int k = 0; k < n; ++k)
        if (!std::isfinite(poly[k]->x) || !std::isfinite(poly[k]->y)) return;  // broken pre-transformed input
    const ScreenVertex& provoking = Screen(i0);
    if (ctx_.fillMode == D3DFILL_WIREFRAME) {
        if (IsCulled(ctx_, poly, n)) return;
        for (int k = 0; k < n; ++k) RasterizeLine(ctx_, target_, *poly[k], *poly[(k + 1) % n], &provoking);
        return;
    }
    TriangleSetup setup;
    for (int k = 1; k + 1 < n; ++k)
        if (SetupTriangle(ctx_, *poly[0], *poly[k], *poly[k + 1], provoking, setup))
            RasterizeTriangle(ctx_, target_, setup);
}

void RefRasterizer::DrawLine(UINT i0, UINT i1) {
    if (!(inside_[i0 - first_] && inside_[i1 - first_])) {
        ClipVertex a = clip_[i0 - first_], b = clip_[i1 - first_];
        if (!ClipSegment(a, b, ctx_.attrCount)) return;
        const ScreenVertex sa = ToScreen(ctx_, a), sb = ToScreen(ctx_, b);
        RasterizeLine(ctx_, target_, sa, sb);
        return;
    }
    RasterizeLine(ctx_, target_, Screen(i0), Screen(i1));
}

void RefRasterizer::DrawPoint(UINT i) {
    const ClipVertex& c = clip_[i - first_];
    if (!ctx_.layout.transformed && !PointInsideDepthRange(c)) return;
    RasterizePoint(ctx_, target_, Screen(i));
}

}  // namespace

std::unique_ptr<Rasterizer> CreateRefRasterizer() { return std::make_unique<RefRasterizer>(); }

}  // namespace d3d8
