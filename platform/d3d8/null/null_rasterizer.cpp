// The null rasterizer: clears targets and draws nothing, for measuring the device model alone
// (bench/d3d8).
#include "platform/d3d8/backend.h"
#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"

#include <cstddef>

namespace d3d8 {

namespace {

class NullRasterizer final : public Rasterizer {
public:
    void Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
               DWORD /*stencil*/) override {
        if ((flags & D3DCLEAR_TARGET) && targets.color) FillColor(*targets.color, rect, color);
        if ((flags & D3DCLEAR_ZBUFFER) && targets.depth) FillDepth(*targets.depth, rect, z);
    }
    void Draw(const RenderTargets&, const PipelineState&, const DrawCall&) override {}
    void ForgetTexture(std::uint64_t) override {}

private:
    static void FillColor(SurfaceData& s, const RECT& r, D3DCOLOR color) {
        const UINT bpp = BytesPerPixel(s.format);
        for (LONG y = r.top; y < r.bottom; ++y) {
            BYTE* row = s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch;
            for (LONG x = r.left; x < r.right; ++x) WriteArgb(s.format, row + x * bpp, color);
        }
    }
    static void FillDepth(SurfaceData& s, const RECT& r, float z) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            float* row = reinterpret_cast<float*>(s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch);
            for (LONG x = r.left; x < r.right; ++x) row[x] = z;
        }
    }
};

}  // namespace

std::unique_ptr<Rasterizer> CreateNullRasterizer() { return std::make_unique<NullRasterizer>(); }

}  // namespace d3d8
