// The REF device type: a software implementation of the fixed-function pipeline.
//
// Per draw:   derive state -> transform and light the vertices -> assemble primitives
//             -> clip -> project -> cull and set up -> rasterize -> per pixel: texture
//             stages, alpha test, depth, fog, blend (pixel_pipeline.h).
// Draws are queued up to the next flush (a clear, a change of target, the CPU about to touch
// a surface's memory, the end of the frame, or a full queue): each is transformed when it
// comes, then at the flush every worker of the pool draws the queued primitives that touch
// its own rows of the target (RowShare), in submission order, so the picture is the same for
// any number of workers, and a frame of many small draws keeps all of them busy. Queue and
// scratch buffers live in the rasterizer and keep their capacity, so steady-state drawing
// does not allocate.
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
#include <deque>
#include <vector>

namespace d3d8 {

namespace {

using namespace ref;

// Clears and vertex transforms smaller than these run on the calling thread alone.
constexpr long long kParallelClearPixels = 64 * 1024;
constexpr std::size_t kVerticesPerPart = 64;
// The queue is flushed before it would hold more than these (unless one draw alone does):
// transformed vertices take 240 bytes each.
constexpr std::size_t kMaxQueuedVertices = 32 * 1024;
constexpr std::size_t kMaxQueuedPrimitives = 4 * kMaxQueuedVertices;

// A primitive's vertices, as positions in the queue's vertex arrays (points use the first,
// lines the first two).
struct Primitive {
    UINT v[3];
};

enum class PrimitiveKind { Point, Line, Triangle };

// A draw waiting for the flush: its derived state, its target, and its primitives
// [firstPrimitive, endPrimitive) of the queue's list.
struct QueuedDraw {
    DrawContext ctx;
    Target target;
    PrimitiveKind kind = PrimitiveKind::Triangle;
    std::size_t firstPrimitive = 0, endPrimitive = 0;
    bool binned = false;  // its triangles are in the parts' bins
    int onlyPart = -1;    // the part that draws all of it when it lies within one band of rows
};

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
    void EndFrame() override { Flush(); }
    void ReadBack(const SurfaceData&) override { Flush(); }
    // Queued draws may read the texture or write the surface: they are drawn before it goes.
    void ForgetTexture(std::uint64_t) override { Flush(); }
    void ForgetSurface(const SurfaceData&) override { Flush(); }

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
    void Flush();
    void DrawQueued(unsigned part, unsigned parts) const;
    bool VertexRange(const DrawCall& call, UINT& lo, UINT& hi) const;
    void TransformRange(const DrawContext& ctx, const BYTE* source, UINT stride, std::size_t begin, std::size_t end);
    void ListPrimitives(const DrawCall& call, UINT first, QueuedDraw& d);
    bool SpansOneBand(std::size_t begin, std::size_t end, unsigned& band) const;
    void BinTriangles(const QueuedDraw& d);
    bool TriangleVertices(const DrawCall& call, UINT p, UINT (&v)[3]) const;
    bool VertexIndex(const DrawCall& call, UINT n, UINT& out) const;
    void DrawPrimitive(const QueuedDraw& d, const Target& t, const Primitive& p) const;
    void DrawTriangle(const QueuedDraw& d, const Target& t, UINT i0, UINT i1, UINT i2) const;
    void DrawLine(const QueuedDraw& d, const Target& t, UINT i0, UINT i1) const;
    void DrawPoint(const QueuedDraw& d, const Target& t, UINT i) const;

    WorkerPool pool_;
    RefPixelPaths paths_;
    PixelInstructions instructions_;
    // Row shares of a flush: more than threads, so a thread kept waiting for a processor
    // holds up little; one alone draws each draw as it comes.
    unsigned parts_ = pool_.Threads() == 1 ? 1 : 4 * pool_.Threads();
    // The queue: draws_[0, queued_) with their vertices (transformed, in clip space and on
    // the screen) and primitives. A deque, as a DrawContext points into itself and must not move.
    std::deque<QueuedDraw> draws_;
    std::size_t queued_ = 0;
    std::size_t vertices_ = 0;
    std::vector<ClipVertex> clip_;
    std::vector<ScreenVertex> screen_;
    std::vector<unsigned char> inside_;
    std::vector<Primitive> primitives_;
    // Per row part: the queued triangles of binned draws that may cover one of its rows, in
    // submission order, found once per draw rather than by every part.
    std::vector<std::vector<UINT>> bins_ = std::vector<std::vector<UINT>>(parts_);
};

void RefRasterizer::Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
                          DWORD) {
    Flush();
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
    UINT lo, hi;
    if (!VertexRange(call, lo, hi)) return;
    const std::size_t count = static_cast<std::size_t>(hi) - lo + 1;
    const Target target{targets.color, targets.depth && targets.depth->bits ? targets.depth : nullptr, {}};
    if (queued_ > 0) {
        const Target& queuedTarget = draws_[0].target;
        if (queuedTarget.color != target.color || queuedTarget.depth != target.depth ||
            vertices_ + count > kMaxQueuedVertices || primitives_.size() + call.primitiveCount > kMaxQueuedPrimitives)
            Flush();
    }
    if (queued_ == draws_.size()) draws_.emplace_back();
    QueuedDraw& d = draws_[queued_];
    PrepareDrawContext(state, targets, d.ctx);
    if (paths_ == RefPixelPaths::General) d.ctx.simple.usable = false;
    d.ctx.instructions = instructions_;
    if (d.ctx.clipLeft >= d.ctx.clipRight || d.ctx.clipTop >= d.ctx.clipBottom) return;
    d.target = target;

    const std::size_t begin = vertices_, end = begin + count;
    if (clip_.size() < end) {
        clip_.resize(end);
        screen_.resize(end);
        inside_.resize(end);
    }
    // Each vertex is processed alone, so ranges of a large draw go to the pool's parts.
    const auto parts = static_cast<unsigned>(std::clamp<std::size_t>(count / kVerticesPerPart, 1, parts_));
    RunParts(parts, [&](unsigned part, unsigned n) {
        const std::size_t from = count * part / n, to = count * (part + 1) / n;
        TransformRange(d.ctx, call.vertices + (lo + from) * call.stride, call.stride, begin + from, begin + to);
    });
    vertices_ = end;
    ListPrimitives(call, static_cast<UINT>(begin) - lo, d);
    // A point's square reaches beyond its triangle: those of fill mode POINT are not binned.
    d.binned = parts_ > 1 && d.kind == PrimitiveKind::Triangle && d.ctx.fillMode != D3DFILL_POINT;
    d.onlyPart = -1;
    unsigned band;
    if (d.binned)
        BinTriangles(d);
    else if (parts_ > 1 && SpansOneBand(begin, end, band))
        d.onlyPart = static_cast<int>(band % parts_);
    ++queued_;
    if (parts_ == 1) Flush();
}

void RefRasterizer::Flush() {
    if (queued_ == 0) return;
    RunParts(parts_, [&](unsigned part, unsigned parts) { DrawQueued(part, parts); });
    queued_ = 0;
    vertices_ = 0;
    primitives_.clear();
    for (std::vector<UINT>& bin : bins_) bin.clear();
}

// Draws, in submission order, what the queued draws put into the rows of part `part`.
void RefRasterizer::DrawQueued(unsigned part, unsigned parts) const {
    const std::vector<UINT>& bin = bins_[part];
    std::size_t next = 0;
    for (std::size_t n = 0; n < queued_; ++n) {
        const QueuedDraw& d = draws_[n];
        Target t = d.target;
        t.rows = {static_cast<int>(part), static_cast<int>(parts)};
        if (d.binned) {
            for (; next < bin.size() && bin[next] < d.endPrimitive; ++next) DrawPrimitive(d, t, primitives_[bin[next]]);
        } else if (d.onlyPart < 0 || d.onlyPart == static_cast<int>(part)) {
            for (std::size_t p = d.firstPrimitive; p < d.endPrimitive; ++p) DrawPrimitive(d, t, primitives_[p]);
        }
    }
}

// The vertex numbers the draw's primitives read, before baseVertex: false when none is valid.
bool RefRasterizer::VertexRange(const DrawCall& call, UINT& lo, UINT& hi) const {
    const UINT used = static_cast<UINT>(VerticesForPrimitives(call.primitiveType, call.primitiveCount));
    if (used == 0) return false;
    lo = ~0u;
    hi = 0;
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
    return lo <= hi;
}

// Transforms the vertices at source, source + stride, ... into the queue's arrays at [begin, end).
void RefRasterizer::TransformRange(const DrawContext& ctx, const BYTE* source, UINT stride, std::size_t begin,
                                   std::size_t end) {
    for (std::size_t k = begin; k < end; ++k, source += stride) {
        ProcessVertex(ctx, source, clip_[k]);
        inside_[k] = ctx.layout.transformed || InsideClipVolume(clip_[k]);
        screen_[k] = ToScreen(ctx, clip_[k]);
    }
}

// Appends the call's primitives to the queue's list, each vertex number plus `offset` (its
// place in the queue's vertex arrays), leaving out those with an index outside the vertices.
void RefRasterizer::ListPrimitives(const DrawCall& call, UINT offset, QueuedDraw& d) {
    d.firstPrimitive = primitives_.size();
    Primitive p{};
    auto fetch = [&](UINT n, UINT& out) { return VertexIndex(call, n, out); };
    auto add = [&](int vertices) {
        for (int k = 0; k < vertices; ++k) p.v[k] += offset;
        primitives_.push_back(p);
    };
    for (UINT n = 0; n < call.primitiveCount; ++n) {
        switch (call.primitiveType) {
        case D3DPT_POINTLIST:
            d.kind = PrimitiveKind::Point;
            if (fetch(n, p.v[0])) add(1);
            break;
        case D3DPT_LINELIST:
            d.kind = PrimitiveKind::Line;
            if (fetch(2 * n, p.v[0]) && fetch(2 * n + 1, p.v[1])) add(2);
            break;
        case D3DPT_LINESTRIP:
            d.kind = PrimitiveKind::Line;
            if (fetch(n, p.v[0]) && fetch(n + 1, p.v[1])) add(2);
            break;
        default:
            d.kind = PrimitiveKind::Triangle;
            if (TriangleVertices(call, n, p.v)) add(3);
            break;
        }
    }
    d.endPrimitive = primitives_.size();
}

// Puts every triangle of the draw in the bin of each part owning one of the allowed rows within
// half a pixel of its vertices (what MayCoverOwnedRow keeps), and clipped triangles in every bin.
void RefRasterizer::BinTriangles(const QueuedDraw& d) {
    const unsigned parts = parts_;
    const float allowedTop = static_cast<float>(d.ctx.clipTop), allowedBottom = static_cast<float>(d.ctx.clipBottom - 1);
    for (std::size_t p = d.firstPrimitive; p < d.endPrimitive; ++p) {
        const UINT* v = primitives_[p].v;
        const ScreenVertex &a = screen_[v[0]], &b = screen_[v[1]], &c = screen_[v[2]];
        const float top = std::max(std::min({a.y, b.y, c.y}) - 0.5f, allowedTop);
        const float bottom = std::min(std::max({a.y, b.y, c.y}) + 0.5f, allowedBottom);
        unsigned first = 0, bands = parts;
        if (inside_[v[0]] && inside_[v[1]] && inside_[v[2]]) {
            if (!(top <= bottom)) continue;  // no allowed row (or not a number)
            first = static_cast<unsigned>(std::ceil(top)) >> kBandShift;
            const unsigned last = static_cast<unsigned>(bottom) >> kBandShift;
            if (last < first) continue;  // between two rows
            bands = std::min(last - first + 1, parts);
        }
        for (unsigned k = 0; k < bands; ++k) bins_[(first + k) % parts].push_back(static_cast<UINT>(p));
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

// True when the queued vertices [begin, end) are inside the clip volume and all lie within
// one band of rows, `band`, so one part does all the drawing (small sprites, glyphs).
bool RefRasterizer::SpansOneBand(std::size_t begin, std::size_t end, unsigned& band) const {
    float top = screen_[begin].y, bottom = top;
    for (std::size_t k = begin; k < end; ++k) {
        if (!inside_[k]) return false;
        const float reach = 0.5f * screen_[k].pointSize + 1.0f;  // a point's half size, rounding
        top = std::min(top, screen_[k].y - reach);
        bottom = std::max(bottom, screen_[k].y + reach);
    }
    if (!(top >= 0.0f && bottom < 1e6f)) return false;
    band = static_cast<unsigned>(top) >> kBandShift;
    return band == static_cast<unsigned>(bottom) >> kBandShift;
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

void RefRasterizer::DrawPrimitive(const QueuedDraw& d, const Target& t, const Primitive& p) const {
    switch (d.kind) {
    case PrimitiveKind::Point: return DrawPoint(d, t, p.v[0]);
    case PrimitiveKind::Line: return DrawLine(d, t, p.v[0], p.v[1]);
    case PrimitiveKind::Triangle: return DrawTriangle(d, t, p.v[0], p.v[1], p.v[2]);
    }
}

void RefRasterizer::DrawTriangle(const QueuedDraw& d, const Target& t, UINT i0, UINT i1, UINT i2) const {
    const DrawContext& ctx = d.ctx;
    if (ctx.fillMode == D3DFILL_POINT) {
        DrawPoint(d, t, i0);
        DrawPoint(d, t, i1);
        DrawPoint(d, t, i2);
        return;
    }
    const UINT idx[3] = {i0, i1, i2};
    const bool inside = inside_[i0] && inside_[i1] && inside_[i2];
    if (inside && !MayCoverOwnedRow(t.rows, screen_[i0].y, screen_[i1].y, screen_[i2].y)) return;
    ScreenVertex clipped[kMaxClippedVertices];
    const ScreenVertex* poly[kMaxClippedVertices];
    int n = 3;
    if (inside) {
        for (int k = 0; k < 3; ++k) poly[k] = &screen_[idx[k]];
    } else {
        ClipVertex work[kMaxClippedVertices];
        for (int k = 0; k < 3; ++k) work[k] = clip_[idx[k]];
        n = ClipPolygon(work, 3, ctx.attrCount);
        for (int k = 0; k < n; ++k) {
            clipped[k] = ToScreen(ctx, work[k]);
            poly[k] = &clipped[k];
        }
    }
    if (n < 3) return;
    for (int k = 0; k < n; ++k)
        if (!std::isfinite(poly[k]->x) || !std::isfinite(poly[k]->y)) return;  // broken pre-transformed input
    const ScreenVertex& provoking = screen_[i0];
    if (ctx.fillMode == D3DFILL_WIREFRAME) {
        if (IsCulled(ctx, poly, n)) return;
        for (int k = 0; k < n; ++k) RasterizeLine(ctx, t, *poly[k], *poly[(k + 1) % n], &provoking);
        return;
    }
    TriangleSetup setup;
    for (int k = 1; k + 1 < n; ++k)
        if (SetupTriangle(ctx, *poly[0], *poly[k], *poly[k + 1], provoking, setup)) RasterizeTriangle(ctx, t, setup);
}

void RefRasterizer::DrawLine(const QueuedDraw& d, const Target& t, UINT i0, UINT i1) const {
    if (!(inside_[i0] && inside_[i1])) {
        ClipVertex a = clip_[i0], b = clip_[i1];
        if (!ClipSegment(a, b, d.ctx.attrCount)) return;
        const ScreenVertex sa = ToScreen(d.ctx, a), sb = ToScreen(d.ctx, b);
        RasterizeLine(d.ctx, t, sa, sb);
        return;
    }
    RasterizeLine(d.ctx, t, screen_[i0], screen_[i1]);
}

void RefRasterizer::DrawPoint(const QueuedDraw& d, const Target& t, UINT i) const {
    if (!d.ctx.layout.transformed && !PointInsideDepthRange(clip_[i])) return;
    RasterizePoint(d.ctx, t, screen_[i]);
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
