// An off-screen device over a rasterizer that records what it is asked to do.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3d8/testing.h"
#include "platform/win32/debug_output.h"
#include "tests/support/present_params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace d3d8test {

// What the device handed over: every call, with a copy of the state the draw saw.
struct Recorded {
    struct Draw {
        d3d8::PipelineState state;
        d3d8::DrawCall call;
        std::vector<d3d8::TextureData> textures;  // copies of the bound textures' descriptions
        d3d8::SurfaceData color;
        bool hasDepth = false;
    };
    struct Clear {
        RECT rect;
        DWORD flags;
        D3DCOLOR color;
        float z;
    };
    std::vector<Draw> draws;
    std::vector<Clear> clears;
    int readBacks = 0;  // pixels brought into memory (LockRect, Present in a window)
    std::vector<std::uint64_t> forgotten;
};

class RecordingRasterizer final : public d3d8::Rasterizer {
public:
    explicit RecordingRasterizer(Recorded* out) : out_(out) {}
    void Clear(const d3d8::RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil) override;
    void Draw(const d3d8::RenderTargets& targets, const d3d8::PipelineState& state,
              const d3d8::DrawCall& call) override {
        Recorded::Draw d;
        d.state = state;
        d.call = call;
        for (const d3d8::TextureData* t : state.textures)
            if (t) d.textures.push_back(*t);
        d.color = *targets.color;
        d.hasDepth = targets.depth != nullptr;
        out_->draws.push_back(d);
    }
    void ReadBack(const d3d8::SurfaceData&) override { ++out_->readBacks; }
    void ForgetTexture(std::uint64_t id) override { out_->forgotten.push_back(id); }

private:
    Recorded* out_;
};

// Fills like the null rasterizer so that Clear results can be read back.
inline void RecordingRasterizer::Clear(const d3d8::RenderTargets& targets, const RECT& rect, DWORD flags,
                                       D3DCOLOR color, float z, DWORD) {
    out_->clears.push_back({rect, flags, color, z});
    if ((flags & D3DCLEAR_TARGET) && targets.color && targets.color->format != D3DFMT_R5G6B5) {
        for (LONG y = rect.top; y < rect.bottom; ++y)
            for (LONG x = rect.left; x < rect.right; ++x)
                reinterpret_cast<DWORD*>(targets.color->bits + y * targets.color->pitch)[x] = color;
    }
}

// Captures the debugger output while alive.
class DebugCapture {
public:
    DebugCapture() {
        previous_ = platform::SetDebugOutputSink([this](const char* t) { text += t; });
    }
    ~DebugCapture() { platform::SetDebugOutputSink(previous_); }
    std::string text;

private:
    platform::DebugOutputSink previous_;
};

inline D3DPRESENT_PARAMETERS OffscreenParams(UINT width = 64, UINT height = 64, bool depth = true) {
    D3DPRESENT_PARAMETERS pp = TestPresentParams(width, height, D3DFMT_D16);
    pp.EnableAutoDepthStencil = depth ? TRUE : FALSE;
    return pp;
}

// A test with a Direct3D object and an off-screen 64x64 REF device drawing into `recorded`.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousVirtual_ = d3d8::testing::ForceVirtualAdapter(true);
        previous_ = d3d8::testing::SetRasterizerFactory(
            [this](D3DDEVTYPE) { return std::make_unique<RecordingRasterizer>(&recorded); });
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = OffscreenParams();
        ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override {
        if (device) {
            EXPECT_EQ(device->Release(), 0u) << "the test left references on the device";
        }
        if (d3d) {
            EXPECT_EQ(d3d->Release(), 0u);
        }
        d3d8::testing::SetRasterizerFactory(previous_);
        d3d8::testing::ForceVirtualAdapter(previousVirtual_);
    }

    IDirect3DVertexBuffer8* MakeVertexBuffer(UINT bytes, DWORD fvf = 0, DWORD usage = 0,
                                             D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DVertexBuffer8* vb = nullptr;
        EXPECT_EQ(device->CreateVertexBuffer(bytes, usage, fvf, pool, &vb), D3D_OK);
        return vb;
    }

    Recorded recorded;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;

private:
    d3d8::testing::RasterizerFactory previous_;
    bool previousVirtual_ = false;
};

inline DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

}  // namespace d3d8test
