// Helpers for driving the REF rasterizer directly: a small target with a depth buffer, the
// device's default state, vertex layouts, textures built from texel lists.
#pragma once

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/ref/ref_rasterizer.h"
#include "tests/support/pipeline_state.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace reftest {

using namespace d3d8;

inline DWORD Bits(float f) { return FloatToBits(f); }

using pipeline::Identity;

inline D3DMATRIX PerspectiveFov(float fovY, float aspect, float zn, float zf) {
    return pipeline::PerspectiveFovLH(fovY, aspect, zn, zf);
}

// The state a freshly created device has, with lighting off: the tests switch it on where
// they test it.
inline PipelineState DefaultState(UINT width, UINT height) {
    PipelineState s = pipeline::DefaultState(width, height);
    s.renderStates[D3DRS_LIGHTING] = FALSE;
    return s;
}

// Stage 0 passes the diffuse colour and alpha through.
inline void UseDiffuseOnly(PipelineState& s) {
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_DIFFUSE;
    s.stageStates[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    s.stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
}

// Pre-transformed vertex with colour and one coordinate pair.
struct TLVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Untransformed vertex with colour and one coordinate pair.
struct ColorVertex {
    float x, y, z;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Untransformed vertex with a normal.
struct NormalVertex {
    float x, y, z;
    float nx, ny, nz;
};
constexpr DWORD kNormalFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

// A texture held in memory, one surface per level.
struct Texture {
    std::vector<std::vector<BYTE>> storage;
    std::vector<SurfaceData> levels;
    TextureData data;

    // Level sizes halve from width x height; each level filled with fill(level, x, y) as ARGB
    // (colour formats) or as raw bits (bump formats, via the pixel_convert encoders).
    template <typename Fill>
    Texture(D3DFORMAT format, UINT width, UINT height, UINT levelCount, Fill fill) {
        static std::uint64_t nextId = 1;
        const UINT bpp = BytesPerPixel(format);
        for (UINT l = 0; l < levelCount; ++l) {
            const UINT w = std::max(1u, width >> l), h = std::max(1u, height >> l);
            storage.emplace_back(static_cast<std::size_t>(w) * h * bpp);
            SurfaceData sd{format, w, h, static_cast<INT>(w * bpp), storage.back().data()};
            for (UINT y = 0; y < h; ++y)
                for (UINT x = 0; x < w; ++x) {
                    BYTE* p = sd.bits + y * sd.pitch + x * bpp;
                    const DWORD value = fill(l, x, y);
                    if (IsBumpFormat(format))
                        std::memcpy(p, &value, bpp);
                    else
                        WriteArgb(format, p, value);
                }
            levels.push_back(sd);
        }
        data = {nextId++, 1, format, levelCount, levels.data()};
    }
};

// A colour target with a depth buffer and a REF rasterizer drawing into it.
class Canvas {
public:
    explicit Canvas(UINT width = 64, UINT height = 64, D3DFORMAT format = D3DFMT_A8R8G8B8, bool withDepth = true,
                    RefPixelPaths paths = RefPixelPathsFromEnvironment(),
                    RefInstructions instructions = RefInstructionsFromEnvironment())
        : color_(static_cast<std::size_t>(width) * height * BytesPerPixel(format)),
          depth_(static_cast<std::size_t>(width) * height, 1.0f),
          rasterizer_(CreateRefRasterizer(paths, instructions)) {
        colorSurface_ = {format, width, height, static_cast<INT>(width * BytesPerPixel(format)), color_.data()};
        depthSurface_ = {D3DFMT_D32, width, height, static_cast<INT>(width * 4),
                         reinterpret_cast<BYTE*>(depth_.data())};
        targets_.color = &colorSurface_;
        targets_.depth = withDepth ? &depthSurface_ : nullptr;
        state = DefaultState(width, height);
        Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f);
    }

    void Clear(DWORD flags, D3DCOLOR c, float z = 1.0f) {
        const RECT all{0, 0, static_cast<LONG>(colorSurface_.width), static_cast<LONG>(colorSurface_.height)};
        rasterizer_->Clear(targets_, all, flags, c, z, 0);
    }
    void ClearRect(const RECT& r, D3DCOLOR c) { rasterizer_->Clear(targets_, r, D3DCLEAR_TARGET, c, 1.0f, 0); }

    template <typename Vertex>
    void Draw(D3DPRIMITIVETYPE type, UINT count, const std::vector<Vertex>& v, DWORD fvf) {
        state.fvf = fvf;
        DrawCall call;
        call.primitiveType = type;
        call.primitiveCount = count;
        call.vertices = reinterpret_cast<const BYTE*>(v.data());
        call.stride = sizeof(Vertex);
        call.vertexCount = static_cast<UINT>(v.size());
        rasterizer_->Draw(targets_, state, call);
    }

    template <typename Vertex>
    void DrawIndexed(D3DPRIMITIVETYPE type, UINT count, const std::vector<Vertex>& v, const std::vector<WORD>& idx,
                     DWORD fvf) {
        state.fvf = fvf;
        DrawCall call;
        call.primitiveType = type;
        call.primitiveCount = count;
        call.vertices = reinterpret_cast<const BYTE*>(v.data());
        call.stride = sizeof(Vertex);
        call.vertexCount = static_cast<UINT>(v.size());
        call.indices = reinterpret_cast<const BYTE*>(idx.data());
        call.indexFormat = D3DFMT_INDEX16;
        rasterizer_->Draw(targets_, state, call);
    }

    // A screen-space rectangle [x0, x1) x [y0, y1) of pixel centres, as two triangles.
    void DrawRect(float x0, float y0, float x1, float y1, D3DCOLOR c, float z = 0.5f, float u0 = 0, float v0 = 0,
                  float u1 = 1, float v1 = 1) {
        const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
        std::vector<TLVertex> v = {{l, t, z, 1, c, u0, v0}, {r, t, z, 1, c, u1, v0}, {l, b, z, 1, c, u0, v1},
                                   {r, b, z, 1, c, u1, v1}};
        Draw(D3DPT_TRIANGLESTRIP, 2, v, kTLFvf);
    }

    // The readers bring queued drawing into memory first, as the device does before a lock.
    D3DCOLOR Pixel(int x, int y) const {
        rasterizer_->ReadBack(colorSurface_);
        return ReadArgb(colorSurface_.format, colorSurface_.bits + y * colorSurface_.pitch +
                                                  x * static_cast<int>(BytesPerPixel(colorSurface_.format)));
    }
    float Depth(int x, int y) const {
        rasterizer_->ReadBack(depthSurface_);
        return depth_[static_cast<std::size_t>(y) * colorSurface_.width + x];
    }
    UINT Width() const { return colorSurface_.width; }
    UINT Height() const { return colorSurface_.height; }
    const SurfaceData& Surface() const {
        rasterizer_->ReadBack(colorSurface_);
        return colorSurface_;
    }
    const std::vector<BYTE>& ColorBytes() const {
        rasterizer_->ReadBack(colorSurface_);
        return color_;
    }
    const std::vector<float>& DepthValues() const {
        rasterizer_->ReadBack(depthSurface_);
        return depth_;
    }

    // Pixels whose colour differs from `background`.
    int CountNot(D3DCOLOR background) const {
        int n = 0;
        for (UINT y = 0; y < Height(); ++y)
            for (UINT x = 0; x < Width(); ++x) n += Pixel(static_cast<int>(x), static_cast<int>(y)) != background;
        return n;
    }

    PipelineState state;

private:
    std::vector<BYTE> color_;
    std::vector<float> depth_;
    SurfaceData colorSurface_{}, depthSurface_{};
    RenderTargets targets_;
    std::unique_ptr<Rasterizer> rasterizer_;
};

// Channel of a colour, 0..255.
inline int R(D3DCOLOR c) { return static_cast<int>((c >> 16) & 0xff); }
inline int G(D3DCOLOR c) { return static_cast<int>((c >> 8) & 0xff); }
inline int B(D3DCOLOR c) { return static_cast<int>(c & 0xff); }
inline int A(D3DCOLOR c) { return static_cast<int>(c >> 24); }

}  // namespace reftest

// Expects each channel within `tol` of the expected ARGB value.
#define EXPECT_ARGB_NEAR(actual, expected, tol)                                                     \
    do {                                                                                            \
        const D3DCOLOR a_ = (actual), e_ = (expected);                                              \
        EXPECT_NEAR(reftest::A(a_), reftest::A(e_), tol) << "alpha of " << std::hex << a_ << " vs " << e_; \
        EXPECT_NEAR(reftest::R(a_), reftest::R(e_), tol) << "red of " << std::hex << a_ << " vs " << e_;   \
        EXPECT_NEAR(reftest::G(a_), reftest::G(e_), tol) << "green of " << std::hex << a_ << " vs " << e_; \
        EXPECT_NEAR(reftest::B(a_), reftest::B(e_), tol) << "blue of " << std::hex << a_ << " vs " << e_;  \
    } while (0)
