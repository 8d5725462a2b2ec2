// The REF device type: a software implementation of the fixed-function pipeline.
//
// Per draw:   derive state -> transform and light the vertices -> assemble primitives
//             -> clip -> project -> cull and set up -> rasterize -> per pixel: texture
//             stages, alpha test, depth, fog, blend (pixel_pipeline.h).
// Draws are transformed as they come and queued (draw_queue.h); a full queue is handed to the
// worker pool, whose threads draw it, each into its own rows, while the calling thread fills
// the other queue. Before a clear, a change of target, the CPU touching a surface's memory and
// the end of a frame, everything queued is drawn. The picture is the same for any number of
// workers, and a frame of many small draws keeps all of them busy. Queues and scratch buffers
// keep their capacity, so steady-state drawing does not allocate.
#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/ref/ref_rasterizer.h"
#include "platform/d3d8/ref/draw_queue.h"
#include "platform/d3d8/ref/draw_state.h"
#include "platform/d3d8/ref/pixel_loop.h"
#include "platform/d3d8/ref/worker_pool.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace d3d8 {

namespace {

using namespace ref;

// Clears and vertex transforms smaller than these run on the calling thread alone.
constexpr long long kParallelClearPixels = 64 * 1024;
constexpr std::size_t kVerticesPerPart = 64;

PixelInstructions PixelInstructionsFor(RefInstructions instructions) {
    switch (instructions) {
    case RefInstructions::Avx2: return std::min(WidestPixelInstructions(), PixelInstructions::Avx2);
    case RefInstructions::Baseline: return PixelInstructions::Baseline;
    case RefInstructions::Scalar: return PixelInstructions::Scalar;
    default: return WidestPixelInstructions();
    }
}

class RefRasterizer final : public Rasterizer {
public:
    RefRasterizer(RefPixelPaths paths, RefInstructions instructions)
        : pool_(DefaultWorkerCount()),
          paths_(paths),
          instructions_(PixelInstructionsFor(instructions)) {}
    ~RefRasterizer() override { pool_.Wait(); }

    void Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil) override;
    void Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) override;
    void EndFrame() override { Finish(); }
    void ReadBack(const SurfaceData&) override { Finish(); }
    // Queued draws may read the texture or write the surface: they are drawn before it goes.
    void ForgetTexture(std::uint64_t) override { Finish(); }
    void ForgetSurface(const SurfaceData&) override { Finish(); }

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
    // Hands the full queue to the pool (after the one before it is drawn) and fills the other.
    void Flush();
    // Draws everything queued and returns when it is done.
    void Finish();

    WorkerPool pool_;
    RefPixelPaths paths_;
    PixelInstructions instructions_;
    // Row parts of a queue: more than threads, so a thread kept waiting for a processor
    // holds up little; one thread alone draws each draw as it comes.
    unsigned parts_ = pool_.Threads() == 1 ? 1 : 4 * pool_.Threads();
    DrawQueue queues_[2] = {DrawQueue(parts_), DrawQueue(parts_)};
    unsigned filling_ = 0;
};

void RefRasterizer::Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
                          DWORD) {
    Finish();
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
    if (!queues_[filling_].DrawsInto(target))
        Finish();  // another target, whose draws may read this one: what is queued is drawn first
    else if (!queues_[filling_].HasRoom(count, call.primitiveCount))
        Flush();  // full: drawn while the other fills
    DrawQueue& queue = queues_[filling_];
    DrawContext& ctx = queue.NextContext();
    PrepareDrawContext(state, targets, ctx);
    if (paths_ == RefPixelPaths::General) ctx.simple.usable = false;
    ctx.instructions = instructions_;
    if (ctx.clipLeft >= ctx.clipRight || ctx.clipTop >= ctx.clipBottom) return;
    ChoosePixelLoops(ctx, target);
    const std::size_t begin = queue.ReserveVertices(count);
    // Each vertex is processed alone, so ranges of a large draw go to the pool's parts, unless
    // the pool is still drawing the other queue.
    const bool poolFree = pool_.Idle();
    const auto parts = poolFree ? static_cast<unsigned>(std::clamp<std::size_t>(count / kVerticesPerPart, 1, parts_)) : 1;
    RunParts(parts, [&](unsigned part, unsigned n) {
        const std::size_t from = count * part / n, to = count * (part + 1) / n;
        queue.TransformRange(call.vertices + (lo + from) * call.stride, call.stride, begin + from, begin + to);
    });
    queue.Add(target, call, lo, count);
    if (parts_ == 1) Finish();  // one thread: nothing to gain from queueing
}

void DrawQueuePart(void* queue, unsigned part) { static_cast<const DrawQueue*>(queue)->DrawPart(part); }

void RefRasterizer::Flush() {
    DrawQueue& full = queues_[filling_];
    pool_.Wait();
    filling_ ^= 1;
    queues_[filling_].Reset();
    pool_.Start(DrawQueuePart, &full, parts_);
}

void RefRasterizer::Finish() {
    pool_.Wait();
    DrawQueue& queue = queues_[filling_];
    if (queue.Empty()) return;
    pool_.Run(DrawQueuePart, &queue, parts_);
    queue.Reset();
}

}  // namespace

RefPixelPaths RefPixelPathsFromEnvironment() {
    const char* text = std::getenv("MORVELT_REF_PIXELS");
    return text && std::strcmp(text, "general") == 0 ? RefPixelPaths::General : RefPixelPaths::Specialised;
}

RefInstructions RefInstructionsFromEnvironment() {
    const char* text = std::getenv("MORVELT_REF_ISA");
    if (text && std::strcmp(text, "avx2") == 0) return RefInstructions::Avx2;
    if (text && std::strcmp(text, "baseline") == 0) return RefInstructions::Baseline;
    if (text && std::strcmp(text, "scalar") == 0) return RefInstructions::Scalar;
    return RefInstructions::Widest;
}

std::unique_ptr<Rasterizer> CreateRefRasterizer(RefPixelPaths paths, RefInstructions instructions) {
    return std::make_unique<RefRasterizer>(paths, instructions);
}

}  // namespace d3d8
