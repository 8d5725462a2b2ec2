#include "effects/transition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "effects/packed_colour.h"
#include "fake_device.h"

namespace {

struct QuadVertex {
    float x, y, z;
    DWORD colour;
    float tu, tv;
};

IDirect3DTexture8* MakeTexture(fake::Device& device) {
    IDirect3DTexture8* t = nullptr;
    device.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t);
    return t;
}

DWORD AlphaOf(const fake::Draw& d) { return d.At<QuadVertex>(0).colour >> 24; }

void AdvanceBy(CTransition& t, float seconds, int steps) {
    for (int i = 0; i < steps; ++i) t.Update(seconds / steps);
}

const char* ConstructionError(fake::Device* device) {
    try {
        CDissolveTransition t(device, nullptr, nullptr);
    } catch (const char* text) {
        return text;
    }
    return nullptr;
}

}  // namespace

TEST(PackedColour, ChannelsClampAndRoundHalfUp) {
    struct Case {
        float c;
        DWORD expected;
    } cases[] = {{0.0f, 0},    {1.0f, 255},   {0.5f, 128},  {0.7f, 179},  {0.2f, 51},
                 {0.998f, 254}, {-0.1f, 0},   {1.5f, 255},  {1e-9f, 0},   {std::numeric_limits<float>::quiet_NaN(), 0},
                 {std::numeric_limits<float>::infinity(), 255}};
    for (const Case& c : cases) EXPECT_EQ(effects::PackChannel(c.c), c.expected) << c.c;
    EXPECT_EQ(effects::PackColour(D3DXCOLOR(1.0f, 0.5f, 0.0f, 0.7f)), 0xB3FF8000u);
}

TEST(TransitionQuad, IsTheUnitSquareOfSideTwoWithItsOwnBuffer) {
    fake::Device device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(device.draws.size(), 1u);
    const fake::Draw& d = device.draws[0];
    EXPECT_EQ(d.fvf, 0x142u);
    EXPECT_EQ(d.stride, 24u);
    EXPECT_EQ(d.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(d.primitiveCount, 2u);
    const float expected[6][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {1, -1, 1, 1}, {-1, 1, 0, 0}, {1, -1, 1, 1}, {-1, -1, 0, 1}};
    for (int i = 0; i < 6; ++i) {
        const QuadVertex& v = d.At<QuadVertex>(i);
        EXPECT_EQ(v.x, expected[i][0]);
        EXPECT_EQ(v.y, expected[i][1]);
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_EQ(v.tu, expected[i][2]);
        EXPECT_EQ(v.tv, expected[i][3]);
        EXPECT_EQ(v.colour, 0u);
    }
    EXPECT_EQ(device.log.front(), "CreateVertexBuffer 144 0 322 1");  // FVF 0x142, managed pool
}

TEST(TransitionQuad, FailureThrowsTheFixedTextAndLeaksNothing) {
    fake::Device device;
    device.failCreateVertexBuffer = D3DERR_OUTOFVIDEOMEMORY;
    const char* text = ConstructionError(&device);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "Error creating vertex buffer!");
    EXPECT_THROW(CSolidFadeTransition(&device, nullptr, D3DXCOLOR(1, 0, 0, 1)), const char*);

    device.failCreateVertexBuffer = D3D_OK;
    device.failVertexBufferLock = D3DERR_INVALIDCALL;  // created but cannot be filled
    ASSERT_NE(ConstructionError(&device), nullptr);
    EXPECT_EQ(device.liveResources, 0);
    ASSERT_NE(ConstructionError(nullptr), nullptr);
}

TEST(TransitionLifetime, DeletingThroughTheBaseReleasesTheQuad) {
    fake::Device device;
    std::unique_ptr<CTransition> t = std::make_unique<CSolidFadeTransition>(&device, nullptr, D3DXCOLOR(0, 0, 0, 1));
    EXPECT_EQ(device.liveResources, 1);
    t.reset();
    EXPECT_EQ(device.liveResources, 0);
}

TEST(DissolveTransition, HalfTimeDrawsTheSecondPictureAtAlpha128) {
    fake::Device device;
    IDirect3DTexture8* from = MakeTexture(device);
    IDirect3DTexture8* to = MakeTexture(device);
    {
        CDissolveTransition t(&device, from, to);
        t.SetDuration(5.0f);
        AdvanceBy(t, 2.5f, 10);
        t.Render(D3DXMATRIX());
        ASSERT_EQ(device.draws.size(), 2u);
        const fake::Draw& first = device.draws[0];
        const fake::Draw& second = device.draws[1];
        EXPECT_EQ(first.state.TextureAt(0), from);
        EXPECT_EQ(first.state.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
        EXPECT_EQ(first.state.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_SELECTARG1));
        EXPECT_EQ(first.state.StageState(0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_SELECTARG1));
        EXPECT_EQ(first.state.StageState(0, D3DTSS_ALPHAARG1), 0xDEADBEEFu);  // left as it was
        EXPECT_EQ(second.state.TextureAt(0), to);
        EXPECT_EQ(second.state.StageState(0, D3DTSS_ALPHAARG1), static_cast<DWORD>(D3DTA_DIFFUSE));
        EXPECT_EQ(second.state.RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
        EXPECT_EQ(second.state.RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
        for (size_t i = 0; i < 6; ++i) EXPECT_EQ(second.At<QuadVertex>(i).colour, 0x80000000u);
        EXPECT_EQ(device.state.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    }
    from->Release();
    to->Release();
    EXPECT_EQ(device.liveResources, 0);
}

TEST(DissolveTransition, StrengthStopsAtFullAndNothingIsLaidOverAtTheStart) {
    fake::Device device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.SetDuration(10.0f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.draws.size(), 1u);  // elapsed 0: only the first picture
    AdvanceBy(t, 12.0f, 12);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(device.draws.size(), 3u);
    EXPECT_EQ(AlphaOf(device.draws[2]), 255u);
    EXPECT_EQ(device.draws[2].At<QuadVertex>(0).colour & 0x00FFFFFF, 0u);
}

TEST(DissolveTransition, NegativeTimeDrawsOnlyTheFirstPicture) {
    fake::Device device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.Update(-0.5f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.draws.size(), 1u);
}

TEST(DissolveTransition, FailedLockKeepsThePreviousColours) {
    fake::Device device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.SetDuration(4.0f);
    t.Update(1.0f);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(AlphaOf(device.draws.back()), 64u);  // 0.25 * 255 + 0.5
    device.failVertexBufferLock = D3DERR_INVALIDCALL;
    t.Update(2.0f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.draws.size(), 4u);  // still drawn
    EXPECT_EQ(AlphaOf(device.draws.back()), 64u);
}

TEST(SolidFadeTransition, WithoutUpdatesOnlyThePictureIsDrawnOpaque) {
    fake::Device device;
    IDirect3DTexture8* picture = MakeTexture(device);
    {
        CSolidFadeTransition t(&device, picture, D3DXCOLOR(1, 0, 0, 1));
        t.Render(D3DXMATRIX());
        ASSERT_EQ(device.draws.size(), 1u);
        EXPECT_EQ(device.draws[0].state.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
        EXPECT_EQ(device.draws[0].state.TextureAt(0), picture);
        EXPECT_EQ(device.draws[0].state.StageState(0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE));
    }
    picture->Release();
}

TEST(SolidFadeTransition, ColourAlphaScalesTheStrengthAndBlendingEndsOff) {
    fake::Device device;
    CSolidFadeTransition t(&device, nullptr, D3DXCOLOR(1.0f, 0.5f, 0.0f, 0.5f));
    t.SetDuration(5.0f);
    AdvanceBy(t, 2.5f, 5);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_EQ(device.draws[1].At<QuadVertex>(0).colour, 0x40FF8000u);  // 0.25 -> 64
    EXPECT_EQ(device.draws[1].state.StageState(0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_DIFFUSE));
    EXPECT_EQ(device.draws[1].state.StageState(0, D3DTSS_ALPHAARG1), static_cast<DWORD>(D3DTA_DIFFUSE));
    EXPECT_EQ(device.draws[1].state.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(device.state.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));

    AdvanceBy(t, 2.5f, 5);  // end of the duration: 0.5 -> 128
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.draws.back().At<QuadVertex>(0).colour, 0x80FF8000u);
    AdvanceBy(t, 20.0f, 5);  // and it stays there
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.draws.back().At<QuadVertex>(0).colour, 0x80FF8000u);
}

TEST(SolidFadeTransition, DurationIsOneSecondUntilSet) {
    fake::Device device;
    CSolidFadeTransition t(&device, nullptr, D3DXCOLOR(0, 0, 1, 1));
    t.Update(0.5f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.draws.back().At<QuadVertex>(0).colour, 0x800000FFu);
}
