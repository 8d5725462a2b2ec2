// Differential testing of HAL against REF: a rasterizer that forwards every call to both.
// REF draws into the caller's surfaces (so the caller's own checks see REF's pixels); HAL
// draws into mirror surfaces of the same size and format. After each clear or draw the
// mirrors are read back and compared with REF's pixels; a difference beyond the tolerance is
// a test failure naming the place and both values. With DUAL_DUMP set in the environment the
// two pictures of a failing comparison are written to /tmp/ref.ppm and /tmp/hal.ppm.
#pragma once

#include "platform/d3d8/rasterizer.h"

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace dual {

struct Tolerance {
    int channel = 2;               // 0..255: largest difference counted as equal
    double pixelFraction = 0.005;  // share of pixels allowed to differ more: coverage on exact ties
    int outlierChannel = 255;      // no pixel may differ by more than this
    float depth = 1e-4f;           // depth values, 0..1
};

class DualRasterizer final : public d3d8::Rasterizer {
public:
    DualRasterizer(std::unique_ptr<d3d8::Rasterizer> ref, std::unique_ptr<d3d8::Rasterizer> hal, Tolerance tolerance);

    void Clear(const d3d8::RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil) override;
    void Draw(const d3d8::RenderTargets& targets, const d3d8::PipelineState& state, const d3d8::DrawCall& call) override;
    void ForgetTexture(std::uint64_t id) override;
    void ForgetSurface(const d3d8::SurfaceData& surface) override;

    int Calls() const { return calls_; }

private:
    struct Mirror {
        std::vector<BYTE> memory;
        d3d8::SurfaceData data;
    };
    d3d8::SurfaceData* MirrorOf(const d3d8::SurfaceData* surface);
    d3d8::RenderTargets Mirrored(const d3d8::RenderTargets& targets);
    void Compare(const d3d8::RenderTargets& targets, const char* what);

    // HAL keeps textures by id; the REF test helpers number textures per fill function, so
    // two live textures can share an id. HAL is handed copies numbered by (id, memory).
    const d3d8::PipelineState& Renumbered(const d3d8::PipelineState& state);

    std::unique_ptr<d3d8::Rasterizer> ref_, hal_;
    std::map<std::pair<std::uint64_t, const d3d8::SurfaceData*>, std::uint64_t> ids_;
    std::uint64_t nextId_ = 0;  // never reused
    d3d8::TextureData shadow_[d3d8::kMaxStages];
    d3d8::PipelineState state_;
    Tolerance tolerance_;
    std::unordered_map<const BYTE*, std::unique_ptr<Mirror>> mirrors_;
    int calls_ = 0;
};

}  // namespace dual
