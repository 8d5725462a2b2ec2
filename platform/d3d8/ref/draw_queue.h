// Draws waiting to be rasterized: each with its derived state and its target, its vertices
// transformed and lit, its primitives as vertex positions in the queue, and, per part of the
// target's rows, the triangles that may touch them. A queue is filled on the calling thread
// and then drawn by the parts of the worker pool, each into its own rows (RowShare) and in
// submission order, so the picture does not depend on how many parts there are.
#pragma once

#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/ref/ref_types.h"

#include <cstddef>
#include <deque>
#include <vector>

namespace d3d8::ref {

// A primitive's vertices, as positions in the queue's vertex arrays (points use the first,
// lines the first two).
struct Primitive {
    UINT v[3];
};

enum class PrimitiveKind { Point, Line, Triangle };

// A queued draw: its primitives are [firstPrimitive, endPrimitive) of the queue's list.
struct QueuedDraw {
    DrawContext ctx;
    Target target;
    PrimitiveKind kind = PrimitiveKind::Triangle;
    std::size_t firstPrimitive = 0, endPrimitive = 0;
    bool binned = false;  // its triangles are in the parts' bins
    int onlyPart = -1;    // the part that draws all of it when it lies within one band of rows
};

// The vertex numbers a draw's primitives read (before baseVertex), [lo, hi]: false when none
// is valid.
bool VertexRange(const DrawCall& call, UINT& lo, UINT& hi);

class DrawQueue {
public:
    explicit DrawQueue(unsigned parts) : bins_(parts) {}

    bool Empty() const { return count_ == 0; }
    // True when the queue is empty or its draws go to `target`.
    bool DrawsInto(const Target& target) const;
    // True when a draw of `vertices` vertices and `primitives` primitives fits (an empty queue
    // takes any draw).
    bool HasRoom(std::size_t vertices, std::size_t primitives) const;

    // Adding a draw: its context to fill, then room for its vertices (their first position),
    // transformed with TransformRange, perhaps by several threads, then Add. A draw not added
    // leaves the queue as it was.
    DrawContext& NextContext();
    std::size_t ReserveVertices(std::size_t count);
    // Transforms the vertices at source, source + stride, ... into positions [begin, end).
    void TransformRange(const BYTE* source, UINT stride, std::size_t begin, std::size_t end);
    // Adds the draw whose `count` vertices from vertex lo of the call were transformed into
    // the reserved positions: lists its primitives and bins them.
    void Add(const Target& target, const DrawCall& call, UINT lo, std::size_t count);

    // Draws what the queued draws put into the rows of part `part`.
    void DrawPart(unsigned part) const;
    void Reset();

private:
    void ListPrimitives(const DrawCall& call, UINT offset, QueuedDraw& d);
    void BinTriangles(const QueuedDraw& d);
    bool SpansOneBand(std::size_t begin, std::size_t end, unsigned& band) const;
    void DrawPrimitive(const QueuedDraw& d, const Target& t, const Primitive& p) const;
    void DrawTriangle(const QueuedDraw& d, const Target& t, UINT i0, UINT i1, UINT i2) const;
    void DrawLine(const QueuedDraw& d, const Target& t, UINT i0, UINT i1) const;
    void DrawPoint(const QueuedDraw& d, const Target& t, UINT i) const;

    // draws_[0, count_): a deque, as a DrawContext points into itself and must not move.
    std::deque<QueuedDraw> draws_;
    std::size_t count_ = 0;
    std::size_t vertices_ = 0;
    std::vector<ClipVertex> clip_;
    std::vector<ScreenVertex> screen_;
    std::vector<unsigned char> inside_;
    std::vector<Primitive> primitives_;
    // Per row part: the queued triangles of binned draws that may cover one of its rows, in
    // submission order, found once per draw rather than by every part.
    std::vector<std::vector<UINT>> bins_;
};

}  // namespace d3d8::ref
