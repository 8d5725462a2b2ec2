// The bitmap font drawn by the software rasterizer, against a stored picture.
#include <gtest/gtest.h>

#include "golden_device.h"
#include "render/texture_font.h"

namespace {

constexpr D3DCOLOR kBackground = 0xFF203040;

testimage::Image DrawTextPicture(DWORD flags) {
    testimage::RefDevice device(192, 56);
    EXPECT_TRUE(device) << std::hex << device.createResult();
    if (!device) return {};
    CTextureFont font("Arial", 12, FONT_BOLD);
    EXPECT_EQ(font.CreateDeviceObjects(device.get()), S_OK);
    EXPECT_EQ(font.RebuildDeviceObjects(), S_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
    device->BeginScene();
    EXPECT_EQ(font.DrawText(4, 4, 0xFFFFFF00, "Morvelt 2026 {~}\nSecond line: AVWg", flags), S_OK);
    device->EndScene();
    testimage::Image picture = device.ReadBackBuffer();
    font.ReleaseDeviceObjects();
    font.DestroyDeviceObjects();
    return picture;
}

}  // namespace

TEST(GoldenText, TwoLinesOfBoldYellowText) {
    const testimage::Image picture = DrawTextPicture(0);
    ASSERT_EQ(picture.width, 192);
    // Glyph pixels are yellow over the background, nothing else changes colour.
    int yellow = 0;
    for (std::uint32_t p : picture.argb) {
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (r > 230 && g > 230 && b < 40) ++yellow;
        EXPECT_LE(b, 0x40 + 1);  // blending towards yellow never adds blue
    }
    EXPECT_GT(yellow, 150);
    EXPECT_EQ(picture.At(190, 2), kBackground);   // right of the text
    EXPECT_EQ(picture.At(2, 54), kBackground);    // below the second line
    EXPECT_EQ(testimage::CheckGolden("text_two_lines", picture, 3, 4), "");
}

TEST(GoldenText, FilteredTextCoversTheSamePlace) {
    const testimage::Image point = DrawTextPicture(0);
    const testimage::Image filtered = DrawTextPicture(FONT_FILTERED);
    ASSERT_EQ(point.argb.size(), filtered.argb.size());
    // Bilinear sampling at texel centres gives nearly the same picture.
    const testimage::Difference d = testimage::Compare(point, filtered, 48);
    EXPECT_LT(d.pixelsOver, 40);
}

TEST(TextStateBlocks, TheDeviceModelGetsTheCallersStatesBack) {
    testimage::RefDevice device(64, 32);
    ASSERT_TRUE(device);
    CTextureFont font("Arial", 10);
    ASSERT_EQ(font.CreateDeviceObjects(device.get()), S_OK);
    ASSERT_EQ(font.RebuildDeviceObjects(), S_OK);
    IDirect3DTexture8* callers = testimage::MakeTexture(device.get(), 4, 4, [](UINT, UINT) { return 0xFF00FF00u; });
    ASSERT_NE(callers, nullptr);
    device->SetTexture(0, callers);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_NONE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);

    device->BeginScene();
    ASSERT_EQ(font.DrawText(1, 1, 0xFFFFFFFF, "state", FONT_FILTERED), S_OK);
    device->EndScene();

    DWORD value = 0;
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD expected;
    } renderStates[] = {{D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_SRCBLEND, D3DBLEND_ONE}, {D3DRS_ZENABLE, TRUE},
                        {D3DRS_CULLMODE, D3DCULL_NONE},   {D3DRS_FOGENABLE, TRUE}};
    for (const auto& r : renderStates) {
        device->GetRenderState(r.state, &value);
        EXPECT_EQ(value, r.expected) << r.state;
    }
    device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_ADD));
    device->GetTextureStageState(0, D3DTSS_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_NONE));
    device->GetTextureStageState(0, D3DTSS_MAGFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, callers);
    if (bound) bound->Release();
    callers->Release();
    font.ReleaseDeviceObjects();
    font.DestroyDeviceObjects();
}
