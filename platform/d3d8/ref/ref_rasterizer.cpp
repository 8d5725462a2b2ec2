// The REF device type: a software implementation of the fixed-function pipeline.
//
// Per draw:   derive state -> transform and light the vertices -> assemble primitives
//             -> clip -> project -> cull and set up -> rasterize -> per pixel: texture
//             stages, alpha test, depth, fog, blend (pixel_pipeline.h).
// Vertices are transformed once; the primitives are then drawn by every worker of the
// pool, each into its own rows of the target (RowShare), so the picture is the same for any
// number of workers. Scratch buffers live in the rasterizer and keep their capacity, so
// steady-state drawing does not allocate.
#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/ref/clipping.h"
#include "platform/d3d8/ref/draw_state.h"
#include "platform/d3d8/ref/rasterize.h"
#include "platform/d3d8/ref/setup.h"
#include "platform/d3d8/ref/vertex_transform.h"
#include "platform/d3d8/ref/worker_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace d3d8 {

namespace {

using namespace ref;

// Clears and vertex transforms smaller than these run on the calling thread alone.
constexpr long long kParallelClearPixels = 64 * 1024;
constexpr std::size_t kVerticesPerPart = 64;

class RefRasterizer final : public Rasterizer {
public:
    RefRasterizer(RefPixelPaths paths, RefInstructions instructions)
        : pool_(DefaultWorkerCount()),
          paths_(paths),
          instructions_(instructions == RefInstructions::Baseline ? PixelInstructions::Baseline
                                                                  : WidestPixelInstructions()) {}

    void Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil) override;
    void Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) override;
    void ForgetTexture(std::uint64_t) override {}  // nothing is cached per texture

private:
    // Runs work(part, parts) for every part 0..parts-1 on the pool's threads.
    template <class Work>
    void RunParts(unsigned parts, Work&& work) {
        struct Job {
            Work* work;
            unsigned parts;
        } job{&work, parts};
        pool_.Run([](void* j, unsigned part) { (*static_cast<Job*>(j)->work)(part, static_cast<Job*>(j)->parts); }, &job,
                  parts);
    }
    void ClearRows(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z, unsigned part,
                   unsigned parts) const;
    bool TransformVertices(const DrawCall& call);
    void TransformRange(const DrawCall& call, std::size_t begin, std::size_t end);
    bool SpansOneBand() const;
    bool BinsTriangles(const DrawCall& call) const;
    void BinTriangles(const DrawCall& call);
    bool TriangleVertices(const DrawCall& call, UINT p, UINT (&v)[3]) const;
    void DrawPrimitives(const DrawCall& call, const Target& t) const;
    void DrawTriangle(const Target& t, UINT i0, UINT i1, UINT i2) const;
    void DrawLine(const Target& t, UINT i0, UINT i1) const;
    void DrawPoint(const Target& t, UINT i) const;
    const ScreenVertex& Screen(UINT i) const { return screen_[i - first_]; }
    bool VertexIndex(const DrawCall& call, UINT n, UINT& out) const;

    DrawContext ctx_;
    Target target_;
    WorkerPool pool_;
    RefPixelPaths paths_;
    PixelInstructions instructions_;
    // Row shares of a draw: more than threads, so a thread kept waiting for a processor
    // holds up little.
    unsigned parts_ = 4 * pool_.Threads();
    // Vertices [first_, first_ + count_) of the draw, transformed and mapped to the screen.
    UINT first_ = 0;
    std::size_t count_ = 0;
    std::vector<ClipVertex> clip_;
    std::vector<ScreenVertex> screen_;
    std::vector<unsigned char> inside_;
    // Per row part of a draw of triangles: the triangles that may cover one of its rows,
    // found once per draw rather than by every part.
    std::vector<std::vector<UINT>> bins_ = std::vector<std::vector<UINT>>(parts_);
};

void RefRasterizer::Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
                          DWORD) {
    const bool large = static_cast<long long>(rect.right - rect.left) * (rect.bottom - rect.top) >= kParallelClearPixels;
    RunParts(large ? parts_ : 1, [&](unsigned part, unsigned parts) {
        ClearRows(targets, rect, flags, color, z, part, parts);
    });
}

// Clears the part-th of `parts` equal row ranges of the clear rectangle.
void RefRasterizer::ClearRows(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
                              unsigned part, unsigned parts) const {
    auto clamped = [&](const SurfaceData& s, LONG& l, LONG& t, LONG& r, LONG& b) {
        l = std::clamp<LONG>(rect.left, 0, static_cast<LONG>(s.width));
        r = std::clamp<LONG>(rect.right, 0, static_cast<LONG>(s.width));
        const LONG top = std::clamp<LONG>(rect.top, 0, static_cast<LONG>(s.height));
        const LONG bottom = std::clamp<LONG>(rect.bottom, 0, static_cast<LONG>(s.height));
        const long long rows = std::max<LONG>(bottom - top, 0);
        t = top + static_cast<LONG>(rows * part / parts);
        b = top + static_cast<LONG>(rows * (part + 1) / parts);
        return l < r && t < b && s.bits;
    };
    LONG l, t, r, b;
    if ((flags & D3DCLEAR_TARGET) && targets.color && clamped(*targets.color, l, t, r, b)) {
        const SurfaceData& s = *targets.color;
        const std::size_t bpp = BytesPerPixel(s.format), bytes = static_cast<std::size_t>(r - l) * bpp;
        auto row = [&](LONG y) {
            return s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch + static_cast<std::ptrdiff_t>(l) * bpp;
        };
        // The first row by doubling the pixels written so far, the others as copies of it.
        BYTE* first = row(t);
        WriteArgb(s.format, first, color);
        for (std::size_t done = bpp; done < bytes; done *= 2)
            std::memcpy(first + done, first, std::min(done, bytes - done));
        for (LONG y = t + 1; y < b; ++y) std::memcpy(row(y), first, bytes);
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
    if (paths_ == RefPixelPaths::General) ctx_.simple.usable = false;
    ctx_.instructions = instructions_;
    if (ctx_.clipLeft >= ctx_.clipRight || ctx_.clipTop >= ctx_.clipBottom) return;
    target_ = {targets.color, targets.depth && targets.depth->bits ? targets.depth : nullptr, {}};
    if (!TransformVertices(call)) return;
    if (pool_.Threads() == 1 || SpansOneBand()) {
        DrawPrimitives(call, target_);
        return;
    }
    const bool binned = BinsTriangles(call);
    if (binned) BinTriangles(call);
    RunParts(parts_, [&](unsigned part, unsigned parts) {
        Target t = target_;
        t.rows = {static_cast<int>(part), static_cast<int>(parts)};
        if (!binned) return DrawPrimitives(call, t);
        UINT v[3];
        for (UINT p : bins_[part])
            if (TriangleVertices(call, p, v)) DrawTriangle(t, v[0], v[1], v[2]);
    });
}

bool RefRasterizer::BinsTriangles(const DrawCall& call) const {
    const D3DPRIMITIVETYPE type = call.primitiveType;
    const bool triangles = type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLEFAN;
    return triangles && ctx_.fillMode != D3DFILL_POINT;  // a point's square reaches beyond its triangle
}

// Puts every triangle in the bin of each part owning a band of rows within half a pixel of its
// vertices (what MayCoverOwnedRow keeps), and clipped triangles in every bin.
void RefRasterizer::BinTriangles(const DrawCall& call) {
    const unsigned parts = parts_;
    for (std::vector<UINT>& bin : bins_) bin.clear();
    UINT v[3];
    for (UINT p = 0; p < call.primitiveCount; ++p) {
        if (!TriangleVertices(call, p, v)) continue;
        const ScreenVertex &a = Screen(v[0]), &b = Screen(v[1]), &c = Screen(v[2]);
        const float top = std::min({a.y, b.y, c.y}) - 0.5f, bottom = std::max({a.y, b.y, c.y}) + 0.5f;
        const bool inside = inside_[v[0] - first_] && inside_[v[1] - first_] && inside_[v[2] - first_];
        unsigned first = 0, bands = parts;
        if (inside && top >= 0.0f && bottom < 1e6f) {
            first = static_cast<unsigned>(std::ceil(top)) >> kBandShift;
            const unsigned last = static_cast<unsigned>(bottom) >> kBandShift;
            if (last < first) continue;  // between two rows
            bands = std::min(last - first + 1, parts);
        }
        for (unsigned k = 0; k < bands; ++k) bins_[(first + k) % parts].push_back(p);
    }
}

// False when no row within half a pixel of the vertices' rows belongs to `rows` (cheap
// rejection before setup, for the many small triangles of a draw shared out by rows; the
// half pixel covers the rounding of wireframe edges).
bool MayCoverOwnedRow(const RowShare& rows, float y0, float y1, float y2) {
    const float top = std::min({y0, y1, y2}) - 0.5f, bottom = std::max({y0, y1, y2}) + 0.5f;
    if (rows.count == 1 || !(top >= 0.0f && bottom < 1e6f)) return true;
    return rows.First(static_cast<int>(std::ceil(top))) <= static_cast<int>(bottom);
}

// True when every vertex is inside the clip volume and all lie within one band of rows,
// so one worker would do all the drawing anyway (small sprites, glyphs).
bool RefRasterizer::SpansOneBand() const {
    float top = screen_[0].y, bottom = top;
    for (std::size_t k = 0; k < count_; ++k) {
        if (!inside_[k]) return false;
        const float reach = 0.5f * screen_[k].pointSize + 1.0f;  // a point's half size, rounding
        top = std::min(top, screen_[k].y - reach);
        bottom = std::max(bottom, screen_[k].y + reach);
    }
    if (!(top >= 0.0f && bottom < 1e6f)) return false;
    return static_cast<int>(top) >> kBandShift == static_cast<int>(bottom) >> kBandShift;
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
    count_ = count;
    if (clip_.size() < count) {
        clip_.resize(count);
        screen_.resize(count);
        inside_.resize(count);
    }
    // Each vertex is processed alone, so ranges of a large draw go to the pool's parts.
    const auto parts = static_cast<unsigned>(std::clamp<std::size_t>(count / kVerticesPerPart, 1, parts_));
    RunParts(parts, [&](unsigned part, unsigned n) { TransformRange(call, count * part / n, count * (part + 1) / n); });
    return true;
}

void RefRasterizer::TransformRange(const DrawCall& call, std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
        ProcessVertex(ctx_, call.vertices + (first_ + k) * static_cast<std::size_t>(call.stride), clip_[k]);
        inside_[k] = ctx_.layout.transformed || InsideClipVolume(clip_[k]);
        screen_[k] = ToScreen(ctx_, clip_[k]);
    }
}

// The vertices of triangle p of a list, strip or fan, in drawing order: odd triangles of a
// strip swap their last two vertices to keep the winding. False when an index is outside the
// vertex range.
bool RefRasterizer::TriangleVertices(const DrawCall& call, UINT p, UINT (&v)[3]) const {
    auto fetch = [&](UINT n, UINT& out) { return VertexIndex(call, n, out); };
    switch (call.primitiveType) {
    case D3DPT_TRIANGLELIST: return fetch(3 * p, v[0]) && fetch(3 * p + 1, v[1]) && fetch(3 * p + 2, v[2]);
    case D3DPT_TRIANGLESTRIP:
        if (!(fetch(p, v[0]) && fetch(p + 1, v[1]) && fetch(p + 2, v[2]))) return false;
        if (p & 1) std::swap(v[1], v[2]);
        return true;
    case D3DPT_TRIANGLEFAN: return fetch(0, v[0]) && fetch(p + 1, v[1]) && fetch(p + 2, v[2]);
    default: return false;
    }
}

void RefRasterizer::DrawPrimitives(const DrawCall& call, const Target& t) const {
    UINT v[3];
    auto fetch = [&](UINT n, UINT& out) { return VertexIndex(call, n, out); };
    for (UINT p = 0; p < call.primitiveCount; ++p) {
        switch (call.primitiveType) {
        case D3DPT_POINTLIST:
            if (fetch(p, v[0])) DrawPoint(t, v[0]);
            break;
        case D3DPT_LINELIST:
            if (fetch(2 * p, v[0]) && fetch(2 * p + 1, v[1])) DrawLine(t, v[0], v[1]);
            break;
        case D3DPT_LINESTRIP:
            if (fetch(p, v[0]) && fetch(p + 1, v[1])) DrawLine(t, v[0], v[1]);
            break;
        case D3DPT_TRIANGLELIST:
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            if (TriangleVertices(call, p, v)) DrawTriangle(t, v[0], v[1], v[2]);
            break;
        default:
            return;
        }
    }
}

void RefRasterizer::DrawTriangle(const Target& t, UINT i0, UINT i1, UINT i2) const {
    if (ctx_.fillMode == D3DFILL_POINT) {
        DrawPoint(t, i0);
        DrawPoint(t, i1);
        DrawPoint(t, i2);
        return;
    }
    const UINT idx[3] = {i0, i1, i2};
    const bool inside = inside_[i0 - first_] && inside_[i1 - first_] && inside_[i2 - first_];
    if (inside && !MayCoverOwnedRow(t.rows, Screen(i0).y, Screen(i1).y, Screen(i2).y)) return;
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
        for (int k = 0; k < n; ++k) RasterizeLine(ctx_, t, *poly[k], *poly[(k + 1) % n], &provoking);
        return;
    }
    TriangleSetup setup;
    for (int k = 1; k + 1 < n; ++k)
        if (SetupTriangle(ctx_, *poly[0], *poly[k], *poly[k + 1], provoking, setup))
            RasterizeTriangle(ctx_, t, setup);
}

void RefRasterizer::DrawLine(const Target& t, UINT i0, UINT i1) const {
    if (!(inside_[i0 - first_] && inside_[i1 - first_])) {
        ClipVertex a = clip_[i0 - first_], b = clip_[i1 - first_];
        if (!ClipSegment(a, b, ctx_.attrCount)) return;
        const ScreenVertex sa = ToScreen(ctx_, a), sb = ToScreen(ctx_, b);
        RasterizeLine(ctx_, t, sa, sb);
        return;
    }
    RasterizeLine(ctx_, t, Screen(i0), Screen(i1));
}

void RefRasterizer::DrawPoint(const Target& t, UINT i) const {
    const ClipVertex& c = clip_[i - first_];
    if (!ctx_.layout.transformed && !PointInsideDepthRange(c)) return;
    RasterizePoint(ctx_, t, Screen(i));
}

}  // namespace

RefPixelPaths RefPixelPathsFromEnvironment() {
    const char* text = std::getenv("MORVELT_REF_PIXELS");
    return text && std::strcmp(text, "general") == 0 ? RefPixelPaths::General : RefPixelPaths::Specialised;
}

RefInstructions RefInstructionsFromEnvironment() {
    const char* text = std::getenv("MORVELT_REF_ISA");
    return text && std::strcmp(text, "baseline") == 0 ? RefInstructions::Baseline : RefInstructions::Widest;
}

std::unique_ptr<Rasterizer> CreateRefRasterizer(RefPixelPaths paths, RefInstructions instructions) {
    return std::make_unique<RefRasterizer>(paths, instructions);
}

}  // namespace d3d8
