#include "dual_rasterizer.h"

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/ref/ref_rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>

namespace dual {

using namespace d3d8;

DualRasterizer::DualRasterizer(std::unique_ptr<Rasterizer> ref, std::unique_ptr<Rasterizer> hal, Tolerance tolerance)
    : ref_(std::move(ref)), hal_(std::move(hal)), tolerance_(tolerance) {}

SurfaceData* DualRasterizer::MirrorOf(const SurfaceData* s) {
    if (!s || !s->bits) return nullptr;
    auto& m = mirrors_[s->bits];
    if (!m || m->data.width != s->width || m->data.height != s->height || m->data.format != s->format) {
        if (m) hal_->ForgetSurface(m->data);
        m = std::make_unique<Mirror>();
        m->memory.assign(static_cast<std::size_t>(s->pitch) * s->height, 0);
        std::memcpy(m->memory.data(), s->bits, m->memory.size());  // the surface as it starts
        m->data = *s;
        m->data.bits = m->memory.data();
    }
    return &m->data;
}

RenderTargets DualRasterizer::Mirrored(const RenderTargets& t) { return {MirrorOf(t.color), MirrorOf(t.depth)}; }

void DualRasterizer::Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
                           DWORD stencil) {
    ref_->Clear(targets, rect, flags, color, z, stencil);
    hal_->Clear(Mirrored(targets), rect, flags, color, z, stencil);
    Compare(targets, "Clear");
}

void DualRasterizer::Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) {
    ref_->Draw(targets, state, call);
    hal_->Draw(Mirrored(targets), Renumbered(state), call);
    Compare(targets, "Draw");
}

const PipelineState& DualRasterizer::Renumbered(const PipelineState& state) {
    state_ = state;
    for (UINT s = 0; s < kMaxStages; ++s) {
        if (!state.textures[s]) continue;
        shadow_[s] = *state.textures[s];
        auto key = std::make_pair(shadow_[s].id, shadow_[s].levels);
        auto it = ids_.find(key);
        if (it == ids_.end()) it = ids_.emplace(key, (1ull << 48) + nextId_++).first;
        shadow_[s].id = it->second;
        state_.textures[s] = &shadow_[s];
    }
    return state_;
}

void DualRasterizer::ForgetSurface(const SurfaceData& surface) {
    ref_->ForgetSurface(surface);
    auto it = mirrors_.find(surface.bits);
    if (it == mirrors_.end()) return;
    hal_->ForgetSurface(it->second->data);
    mirrors_.erase(it);
}

void DualRasterizer::ForgetTexture(std::uint64_t id) {
    ref_->ForgetTexture(id);
    for (auto it = ids_.begin(); it != ids_.end();) {
        if (it->first.first == id) {
            hal_->ForgetTexture(it->second);
            it = ids_.erase(it);
        } else {
            ++it;
        }
    }
}

void DualRasterizer::Compare(const RenderTargets& targets, const char* what) {
    ++calls_;
    if (const unsigned error = gl::TakeError(*hal_))
        ADD_FAILURE() << what << " #" << calls_ << ": OpenGL error 0x" << std::hex << error;
    if (targets.color && targets.color->bits) {
        const SurfaceData& r = *targets.color;
        const SurfaceData& h = *MirrorOf(targets.color);
        ref_->ReadBack(r);
        hal_->ReadBack(h);
        const UINT bpp = BytesPerPixel(r.format);
        int over = 0, worst = 0, wx = 0, wy = 0;
        D3DCOLOR wr = 0, wh = 0;
        for (UINT y = 0; y < r.height; ++y)
            for (UINT x = 0; x < r.width; ++x) {
                const D3DCOLOR a = ReadArgb(r.format, r.bits + y * r.pitch + x * bpp);
                const D3DCOLOR b = ReadArgb(h.format, h.bits + y * h.pitch + x * bpp);
                int d = 0;
                for (int shift = 0; shift < 32; shift += 8)
                    d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff)));
                if (d > tolerance_.channel) ++over;
                if (d > worst) worst = d, wx = static_cast<int>(x), wy = static_cast<int>(y), wr = a, wh = b;
            }
        const double fraction = static_cast<double>(over) / (static_cast<double>(r.width) * r.height);
        if (std::getenv("DUAL_DUMP") && (fraction > tolerance_.pixelFraction || worst > tolerance_.outlierChannel)) {
            for (int k = 0; k < 2; ++k) {
                const SurfaceData& s = k ? h : r;
                FILE* f = std::fopen(k ? "/tmp/hal.ppm" : "/tmp/ref.ppm", "wb");
                std::fprintf(f, "P6 %u %u 255\n", s.width, s.height);
                for (UINT y = 0; y < s.height; ++y)
                    for (UINT x = 0; x < s.width; ++x) {
                        const D3DCOLOR c = ReadArgb(s.format, s.bits + y * s.pitch + x * bpp);
                        const unsigned char rgb[3] = {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c)};
                        std::fwrite(rgb, 1, 3, f);
                    }
                std::fclose(f);
            }
        }
        if (fraction > tolerance_.pixelFraction || worst > tolerance_.outlierChannel)
            ADD_FAILURE() << what << " #" << calls_ << ": HAL differs from REF on " << over << " of "
                          << r.width * r.height << " pixels; worst at (" << wx << ", " << wy << "): REF " << std::hex
                          << wr << " HAL " << wh;
    }
    if (targets.depth && targets.depth->bits) {
        const SurfaceData& r = *targets.depth;
        const SurfaceData& h = *MirrorOf(targets.depth);
        ref_->ReadBack(r);
        hal_->ReadBack(h);
        int over = 0;
        float worst = 0;
        for (UINT y = 0; y < r.height; ++y)
            for (UINT x = 0; x < r.width; ++x) {
                float a, b;
                std::memcpy(&a, r.bits + y * r.pitch + x * 4, 4);
                std::memcpy(&b, h.bits + y * h.pitch + x * 4, 4);
                const float d = std::fabs(a - b);
                if (d > tolerance_.depth) ++over;
                worst = std::max(worst, d);
            }
        if (static_cast<double>(over) / (static_cast<double>(r.width) * r.height) > tolerance_.pixelFraction)
            ADD_FAILURE() << what << " #" << calls_ << ": HAL depth differs from REF on " << over << " pixels (worst "
                          << worst << ")";
    }
}

}  // namespace dual

namespace d3d8 {

// The REF tests' canvas gets this one (ref_on_hal.h). Without OpenGL it is plain REF: the
// environment in hal_environment.cpp skips the tests then.
std::unique_ptr<Rasterizer> CreateDualRasterizer(RefPixelPaths paths, RefInstructions instructions) {
    std::unique_ptr<Rasterizer> hal = GlRasterizerAvailable() ? CreateGlRasterizer() : nullptr;
    if (!hal) return CreateRefRasterizer(paths, instructions);
    return std::make_unique<dual::DualRasterizer>(CreateRefRasterizer(paths, instructions), std::move(hal),
                                                  dual::Tolerance{});
}

}  // namespace d3d8
