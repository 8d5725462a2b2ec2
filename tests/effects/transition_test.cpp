#include "effects/transition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "effects/packed_colour.h"
#include "recorded_device.h"

namespace {

struct QuadVertex {
    float x, y, z;
    DWORD colour;
    float tu, tv;
};

IDirect3DTexture8* MakeTexture(EffectsDevice& device) {
    IDirect3DTexture8* t = nullptr;
    device.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t);
    return t;
}

DWORD AlphaOf(const fake::RecordedCall& d) { return d.VertexAt<QuadVertex>(0).colour >> 24; }

void AdvanceBy(CTransition& t, float seconds, int steps) {
    for (int i = 0; i < steps; ++i) t.Update(seconds / steps);
}

const char* ConstructionError(EffectsDevice* device) {
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
    EffectsDevice device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(device.Draws().size(), 1u);
    const fake::RecordedCall d = device.Draws()[0];
    EXPECT_EQ(d.shader, 0x142u);
    EXPECT_EQ(d.stride, 24u);
    EXPECT_EQ(d.what, static_cast<DWORD>(D3DPT_TRIANGLELIST));
    EXPECT_EQ(d.value, 2u);
    const float expected[6][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {1, -1, 1, 1}, {-1, 1, 0, 0}, {1, -1, 1, 1}, {-1, -1, 0, 1}};
    for (int i = 0; i < 6; ++i) {
        const QuadVertex v = d.VertexAt<QuadVertex>(i);
        EXPECT_EQ(v.x, expected[i][0]);
        EXPECT_EQ(v.y, expected[i][1]);
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_EQ(v.tu, expected[i][2]);
        EXPECT_EQ(v.tv, expected[i][3]);
        EXPECT_EQ(v.colour, 0u);
    }
    EXPECT_EQ(device.LastVertexBuffer(), "144 0 322 1");  // FVF 0x142, managed pool
}

TEST(TransitionQuad, FailureThrowsTheFixedTextAndLeaksNothing) {
    EffectsDevice device;
    device.failCreateVertexBuffer.Now(D3DERR_OUTOFVIDEOMEMORY);
    const char* text = ConstructionError(&device);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "Error creating vertex buffer!");
    EXPECT_THROW(CSolidFadeTransition(&device, nullptr, D3DXCOLOR(1, 0, 0, 1)), const char*);

    device.failCreateVertexBuffer = {};
    device.failVertexBufferLock.Now(D3DERR_INVALIDCALL);  // created but cannot be filled
    ASSERT_NE(ConstructionError(&device), nullptr);
    EXPECT_EQ(device.LiveObjects(), 0);
    ASSERT_NE(ConstructionError(nullptr), nullptr);
}

TEST(TransitionLifetime, DeletingThroughTheBaseReleasesTheQuad) {
    EffectsDevice device;
    std::unique_ptr<CTransition> t = std::make_unique<CSolidFadeTransition>(&device, nullptr, D3DXCOLOR(0, 0, 0, 1));
    EXPECT_EQ(device.LiveObjects(), 1);
    t.reset();
    EXPECT_EQ(device.LiveObjects(), 0);
}

TEST(DissolveTransition, HalfTimeDrawsTheSecondPictureAtAlpha128) {
    EffectsDevice device;
    IDirect3DTexture8* from = MakeTexture(device);
    IDirect3DTexture8* to = MakeTexture(device);
    {
        CDissolveTransition t(&device, from, to);
        device.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_SPECULAR);
        t.SetDuration(5.0f);
        AdvanceBy(t, 2.5f, 10);
        t.Render(D3DXMATRIX());
        ASSERT_EQ(device.Draws().size(), 2u);
        const fake::RecordedCall first = device.Draws()[0];
        const fake::RecordedCall second = device.Draws()[1];
        EXPECT_EQ(first.texture, from);
        EXPECT_EQ(first.states.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
        EXPECT_EQ(first.states.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_SELECTARG1));
        EXPECT_EQ(first.states.StageState(0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_SELECTARG1));
        EXPECT_EQ(first.states.StageState(0, D3DTSS_ALPHAARG1), static_cast<DWORD>(D3DTA_SPECULAR));  // left as it was
        EXPECT_EQ(second.texture, to);
        EXPECT_EQ(second.states.StageState(0, D3DTSS_ALPHAARG1), static_cast<DWORD>(D3DTA_DIFFUSE));
        EXPECT_EQ(second.states.RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
        EXPECT_EQ(second.states.RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
        for (size_t i = 0; i < 6; ++i) EXPECT_EQ(second.VertexAt<QuadVertex>(i).colour, 0x80000000u);
        EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    }
    from->Release();
    to->Release();
    EXPECT_EQ(device.LiveObjects(), 0);
}

TEST(DissolveTransition, StrengthStopsAtFullAndNothingIsLaidOverAtTheStart) {
    EffectsDevice device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.SetDuration(10.0f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.Draws().size(), 1u);  // elapsed 0: only the first picture
    AdvanceBy(t, 12.0f, 12);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(device.Draws().size(), 3u);
    EXPECT_EQ(AlphaOf(device.Draws()[2]), 255u);
    EXPECT_EQ(device.Draws()[2].VertexAt<QuadVertex>(0).colour & 0x00FFFFFF, 0u);
}

TEST(DissolveTransition, NegativeTimeDrawsOnlyTheFirstPicture) {
    EffectsDevice device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.Update(-0.5f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.Draws().size(), 1u);
}

TEST(DissolveTransition, FailedLockKeepsThePreviousColours) {
    EffectsDevice device;
    CDissolveTransition t(&device, nullptr, nullptr);
    t.SetDuration(4.0f);
    t.Update(1.0f);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(AlphaOf(device.Draws().back()), 64u);  // 0.25 * 255 + 0.5
    device.failVertexBufferLock.Now(D3DERR_INVALIDCALL);
    t.Update(2.0f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.Draws().size(), 4u);  // still drawn
    EXPECT_EQ(AlphaOf(device.Draws().back()), 64u);
}

TEST(SolidFadeTransition, WithoutUpdatesOnlyThePictureIsDrawnOpaque) {
    EffectsDevice device;
    IDirect3DTexture8* picture = MakeTexture(device);
    {
        CSolidFadeTransition t(&device, picture, D3DXCOLOR(1, 0, 0, 1));
        t.Render(D3DXMATRIX());
        ASSERT_EQ(device.Draws().size(), 1u);
        EXPECT_EQ(device.Draws()[0].states.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
        EXPECT_EQ(device.Draws()[0].texture, picture);
        EXPECT_EQ(device.Draws()[0].states.StageState(0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE));
    }
    picture->Release();
}

TEST(SolidFadeTransition, ColourAlphaScalesTheStrengthAndBlendingEndsOff) {
    EffectsDevice device;
    CSolidFadeTransition t(&device, nullptr, D3DXCOLOR(1.0f, 0.5f, 0.0f, 0.5f));
    t.SetDuration(5.0f);
    AdvanceBy(t, 2.5f, 5);
    t.Render(D3DXMATRIX());
    ASSERT_EQ(device.Draws().size(), 2u);
    EXPECT_EQ(device.Draws()[1].VertexAt<QuadVertex>(0).colour, 0x40FF8000u);  // 0.25 -> 64
    EXPECT_EQ(device.Draws()[1].states.StageState(0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_DIFFUSE));
    EXPECT_EQ(device.Draws()[1].states.StageState(0, D3DTSS_ALPHAARG1), static_cast<DWORD>(D3DTA_DIFFUSE));
    EXPECT_EQ(device.Draws()[1].states.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));

    AdvanceBy(t, 2.5f, 5);  // end of the duration: 0.5 -> 128
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.Draws().back().VertexAt<QuadVertex>(0).colour, 0x80FF8000u);
    AdvanceBy(t, 20.0f, 5);  // and it stays there
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.Draws().back().VertexAt<QuadVertex>(0).colour, 0x80FF8000u);
}

TEST(SolidFadeTransition, DurationIsOneSecondUntilSet) {
    EffectsDevice device;
    CSolidFadeTransition t(&device, nullptr, D3DXCOLOR(0, 0, 1, 1));
    t.Update(0.5f);
    t.Render(D3DXMATRIX());
    EXPECT_EQ(device.Draws().back().VertexAt<QuadVertex>(0).colour, 0x800000FFu);
}
