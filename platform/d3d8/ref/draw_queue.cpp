#include "platform/d3d8/ref/draw_queue.h"

#include "platform/d3d8/ref/clipping.h"
#include "platform/d3d8/ref/rasterize.h"
#include "platform/d3d8/ref/setup.h"
#include "platform/d3d8/ref/vertex_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d8::ref {

namespace {

// A queue is full before it would hold more than these (unless one draw alone does):
// a transformed vertex takes 240 bytes, a draw's state about 3 KB.
constexpr std::size_t kMaxQueuedVertices = 32 * 1024;
constexpr std::size_t kMaxQueuedPrimitives = 4 * kMaxQueuedVertices;
constexpr std::size_t kMaxQueuedDraws = 1024;

// The vertex number of the n-th vertex the primitives read, before baseVertex.
bool VertexIndex(const DrawCall& call, UINT n, UINT& out) {
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
bool TriangleVertices(const DrawCall& call, UINT p, UINT (&v)[3]) {
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

// False when no row within half a pixel of the vertices' rows belongs to `rows` (cheap
// rejection before setup, for the many small triangles of a draw shared out by rows; the
// half pixel covers the rounding of wireframe edges).
bool MayCoverOwnedRow(const RowShare& rows, float y0, float y1, float y2) {
    const float top = std::min({y0, y1, y2}) - 0.5f, bottom = std::max({y0, y1, y2}) + 0.5f;
    if (rows.count == 1 || !(top >= 0.0f && bottom < 1e6f)) return true;
    return rows.First(static_cast<int>(std::ceil(top))) <= static_cast<int>(bottom);
}

// Draws the convex screen polygon `poly` of a triangle (clipped or not) as its fill mode says.
void DrawPolygon(const DrawContext& ctx, const Target& t, const ScreenVertex* const* poly, int n, const ScreenVertex& provoking) {
    if (n < 3) return;
    for (int k = 0; k < n; ++k)
        if (!std::isfinite(poly[k]->x) || !std::isfinite(poly[k]->y)) return;  // broken pre-transformed input
    if (ctx.fillMode == D3DFILL_WIREFRAME) {
        if (IsCulled(ctx, poly, n)) return;
        for (int k = 0; k < n; ++k) RasterizeLine(ctx, t, *poly[k], *poly[(k + 1) % n], &provoking);
        return;
    }
    TriangleSetup setup;
    for (int k = 1; k + 1 < n; ++k)
        if (SetupTriangle(ctx, *poly[0], *poly[k], *poly[k + 1], provoking, setup)) RasterizeTriangle(ctx, t, setup);
}

}  // namespace

bool VertexRange(const DrawCall& call, UINT& lo, UINT& hi) {
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

bool DrawQueue::DrawsInto(const Target& target) const {
    return count_ == 0 || (draws_[0].target.color == target.color && draws_[0].target.depth == target.depth);
}

bool DrawQueue::HasRoom(std::size_t vertices, std::size_t primitives) const {
    return count_ == 0 || (count_ < kMaxQueuedDraws && vertices_ + vertices <= kMaxQueuedVertices &&
                           primitives_.size() + primitives <= kMaxQueuedPrimitives);
}

DrawContext& DrawQueue::NextContext() {
    if (count_ == draws_.size()) draws_.emplace_back();
    return draws_[count_].ctx;
}

std::size_t DrawQueue::ReserveVertices(std::size_t count) {
    const std::size_t begin = vertices_, end = begin + count;
    if (clip_.size() < end) {
        clip_.resize(end);
        screen_.resize(end);
        inside_.resize(end);
    }
    return begin;
}

void DrawQueue::TransformRange(const BYTE* source, UINT stride, std::size_t begin, std::size_t end) {
    const DrawContext& ctx = draws_[count_].ctx;
    for (std::size_t k = begin; k < end; ++k, source += stride) {
        ProcessVertex(ctx, source, clip_[k]);
        inside_[k] = ctx.layout.transformed || InsideClipVolume(clip_[k]);
        screen_[k] = ToScreen(ctx, clip_[k]);
    }
}

void DrawQueue::Add(const Target& target, const DrawCall& call, UINT lo, std::size_t count) {
    QueuedDraw& d = draws_[count_];
    d.target = target;
    const std::size_t begin = vertices_, end = begin + count;
    vertices_ = end;
    ListPrimitives(call, static_cast<UINT>(begin) - lo, d);
    const auto parts = static_cast<unsigned>(bins_.size());
    // A point's square reaches beyond its triangle: those of fill mode POINT are not binned.
    d.binned = parts > 1 && d.kind == PrimitiveKind::Triangle && d.ctx.fillMode != D3DFILL_POINT;
    d.onlyPart = -1;
    unsigned band;
    if (d.binned)
        BinTriangles(d);
    else if (parts > 1 && SpansOneBand(begin, end, band))
        d.onlyPart = static_cast<int>(band % parts);
    ++count_;
}

void DrawQueue::Reset() {
    count_ = 0;
    vertices_ = 0;
    primitives_.clear();
    for (std::vector<UINT>& bin : bins_) bin.clear();
}

void DrawQueue::DrawPart(unsigned part) const {
    const std::vector<UINT>& bin = bins_[part];
    const RowShare rows{static_cast<int>(part), static_cast<int>(bins_.size())};
    std::size_t next = 0;
    for (std::size_t n = 0; n < count_; ++n) {
        const QueuedDraw& d = draws_[n];
        Target t = d.target;
        t.rows = rows;
        if (d.binned) {
            for (; next < bin.size() && bin[next] < d.endPrimitive; ++next) DrawPrimitive(d, t, primitives_[bin[next]]);
        } else if (d.onlyPart < 0 || d.onlyPart == static_cast<int>(part)) {
            for (std::size_t p = d.firstPrimitive; p < d.endPrimitive; ++p) DrawPrimitive(d, t, primitives_[p]);
        }
    }
}

// Appends the call's primitives to the queue's list, each vertex number plus `offset` (its
// place in the queue's vertex arrays), leaving out those with an index outside the vertices.
void DrawQueue::ListPrimitives(const DrawCall& call, UINT offset, QueuedDraw& d) {
    const D3DPRIMITIVETYPE type = call.primitiveType;
    d.kind = type == D3DPT_POINTLIST                                ? PrimitiveKind::Point
             : type == D3DPT_LINELIST || type == D3DPT_LINESTRIP ? PrimitiveKind::Line
                                                                   : PrimitiveKind::Triangle;
    d.firstPrimitive = primitives_.size();
    Primitive p{};
    auto fetch = [&](UINT n, UINT& out) { return VertexIndex(call, n, out); };
    for (UINT n = 0; n < call.primitiveCount; ++n) {
        bool valid;
        switch (type) {
        case D3DPT_POINTLIST: valid = fetch(n, p.v[0]); break;
        case D3DPT_LINELIST: valid = fetch(2 * n, p.v[0]) && fetch(2 * n + 1, p.v[1]); break;
        case D3DPT_LINESTRIP: valid = fetch(n, p.v[0]) && fetch(n + 1, p.v[1]); break;
        default: valid = TriangleVertices(call, n, p.v); break;
        }
        if (!valid) continue;
        for (UINT& v : p.v) v += offset;  // the unused ones too: never read
        primitives_.push_back(p);
    }
    d.endPrimitive = primitives_.size();
}

// Puts every triangle of the draw in the bin of each part owning one of the allowed rows within
// half a pixel of its vertices (what MayCoverOwnedRow keeps), and clipped triangles in every bin.
void DrawQueue::BinTriangles(const QueuedDraw& d) {
    const auto parts = static_cast<unsigned>(bins_.size());
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

// True when the queued vertices [begin, end) are inside the clip volume and all lie within
// one band of rows, `band`, so one part does all the drawing (small sprites, glyphs).
bool DrawQueue::SpansOneBand(std::size_t begin, std::size_t end, unsigned& band) const {
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

void DrawQueue::DrawPrimitive(const QueuedDraw& d, const Target& t, const Primitive& p) const {
    switch (d.kind) {
    case PrimitiveKind::Point: return DrawPoint(d, t, p.v[0]);
    case PrimitiveKind::Line: return DrawLine(d, t, p.v[0], p.v[1]);
    case PrimitiveKind::Triangle: return DrawTriangle(d, t, p.v[0], p.v[1], p.v[2]);
    }
}

void DrawQueue::DrawTriangle(const QueuedDraw& d, const Target& t, UINT i0, UINT i1, UINT i2) const {
    const DrawContext& ctx = d.ctx;
    if (ctx.fillMode == D3DFILL_POINT) {
        DrawPoint(d, t, i0);
        DrawPoint(d, t, i1);
        DrawPoint(d, t, i2);
        return;
    }
    if (inside_[i0] && inside_[i1] && inside_[i2]) {
        if (!MayCoverOwnedRow(t.rows, screen_[i0].y, screen_[i1].y, screen_[i2].y)) return;
        const ScreenVertex* poly[3] = {&screen_[i0], &screen_[i1], &screen_[i2]};
        return DrawPolygon(ctx, t, poly, 3, screen_[i0]);
    }
    ClipVertex work[kMaxClippedVertices];
    const UINT idx[3] = {i0, i1, i2};
    for (int k = 0; k < 3; ++k) work[k] = clip_[idx[k]];
    const int n = ClipPolygon(work, 3, ctx.attrCount);
    ScreenVertex clipped[kMaxClippedVertices];
    const ScreenVertex* poly[kMaxClippedVertices];
    for (int k = 0; k < n; ++k) {
        clipped[k] = ToScreen(ctx, work[k]);
        poly[k] = &clipped[k];
    }
    DrawPolygon(ctx, t, poly, n, screen_[i0]);
}

void DrawQueue::DrawLine(const QueuedDraw& d, const Target& t, UINT i0, UINT i1) const {
    if (!(inside_[i0] && inside_[i1])) {
        ClipVertex a = clip_[i0], b = clip_[i1];
        if (!ClipSegment(a, b, d.ctx.attrCount)) return;
        const ScreenVertex sa = ToScreen(d.ctx, a), sb = ToScreen(d.ctx, b);
        RasterizeLine(d.ctx, t, sa, sb);
        return;
    }
    RasterizeLine(d.ctx, t, screen_[i0], screen_[i1]);
}

void DrawQueue::DrawPoint(const QueuedDraw& d, const Target& t, UINT i) const {
    if (!d.ctx.layout.transformed && !PointInsideDepthRange(clip_[i])) return;
    RasterizePoint(d.ctx, t, screen_[i]);
}

}  // namespace d3d8::ref
