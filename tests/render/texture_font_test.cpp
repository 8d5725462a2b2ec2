#include "render/texture_font.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/support/recording_ref_device.h"
#include "tests/support/texel.h"

namespace {

struct FontVertex {
    float x, y, z, rhw;
    DWORD colour;
    float tu, tv;
};

// The REF device behind the recording wrapper: draws keep their vertices and the states the
// font sets, textures are locked with padded rows.
struct FontDevice : fake::RecordingRefDevice {
    FontDevice() {
        copyVertices = true;
        watchedRenderStates = {D3DRS_ALPHABLENDENABLE, D3DRS_ZENABLE};
        watchedStageStates = {{0, D3DTSS_MINFILTER}, {0, D3DTSS_MAGFILTER}};
        texturePitchPadding = 16;
    }
};

// A font with its device objects on the device; released before the device goes.
struct FontOnDevice {
    FontDevice device;
    CTextureFont font;

    explicit FontOnDevice(DWORD height, DWORD flags = 0, DWORD maxTexture = 2048) : font("Arial", height, flags) {
        device.caps.emplace();
        device.Inner()->GetDeviceCaps(&*device.caps);
        device.caps->MaxTextureWidth = device.caps->MaxTextureHeight = maxTexture;
    }
    ~FontOnDevice() {
        font.ReleaseDeviceObjects();
        font.DestroyDeviceObjects();
    }
    void Build() {
        ASSERT_EQ(font.CreateDeviceObjects(&device), S_OK);
        ASSERT_EQ(font.RebuildDeviceObjects(), S_OK);
    }
    fake::RecordingTexture& Texture() { return *device.lastTexture; }
    D3DSURFACE_DESC TextureDesc() {
        D3DSURFACE_DESC desc{};
        Texture().GetLevelDesc(0, &desc);
        return desc;
    }
    // Rectangle of character c in texels.
    float Rect(char c, int i) const {
        return font.m_texCoords[c - 32][i] * (i % 2 == 0 ? font.m_texWidth : font.m_texHeight);
    }
};

}  // namespace

TEST(TextureFontTexture, SizeFollowsThePointHeight) {
    struct Case {
        DWORD height, size;
    } cases[] = {{8, 256}, {20, 256}, {21, 512}, {40, 512}, {41, 1024}, {72, 1024}};
    for (const Case& c : cases) {
        FontOnDevice f(c.height);
        ASSERT_EQ(f.font.CreateDeviceObjects(&f.device), S_OK);
        EXPECT_EQ(f.font.m_texWidth, c.size) << c.height;
        EXPECT_EQ(f.font.m_texHeight, c.size) << c.height;
        EXPECT_EQ(f.font.m_textScale, 1.0f);
        EXPECT_EQ(f.TextureDesc().Width, c.size);
        EXPECT_EQ(f.TextureDesc().Format, D3DFMT_A4R4G4B4);
        EXPECT_EQ(f.TextureDesc().Pool, D3DPOOL_MANAGED);
    }
}

TEST(TextureFontTexture, SmallDeviceLimitShrinksTheGlyphsAndKeepsTheDrawnSize) {
    FontOnDevice full(48);
    full.Build();
    FontOnDevice limited(48, 0, 512);
    limited.Build();
    EXPECT_EQ(limited.font.m_texWidth, 512u);
    EXPECT_EQ(limited.font.m_texHeight, 512u);
    EXPECT_FLOAT_EQ(limited.font.m_textScale, 0.5f);

    // Rasterised at half the pixel height (64 px em against 32 px em) ...
    const float fullHeight = full.Rect('M', 3) - full.Rect('M', 1);
    const float halfHeight = limited.Rect('M', 3) - limited.Rect('M', 1);
    EXPECT_NEAR(halfHeight, fullHeight / 2, 1.0f);

    // ... and drawn at full size: the quad is the texel rectangle divided by the scale.
    ASSERT_EQ(limited.font.DrawText(0, 0, 0xFFFFFFFF, "M"), S_OK);
    ASSERT_EQ(limited.device.Draws().size(), 1u);
    const fake::RecordedCall d = limited.device.Draws()[0];
    EXPECT_FLOAT_EQ(d.VertexAt<FontVertex>(2).x - d.VertexAt<FontVertex>(0).x,
                    (limited.Rect('M', 2) - limited.Rect('M', 0)) / 0.5f);
    EXPECT_FLOAT_EQ(d.VertexAt<FontVertex>(0).y - d.VertexAt<FontVertex>(1).y, halfHeight / 0.5f);
}

TEST(TextureFontTexture, GlyphsArePackedInRowsOneTexelApart) {
    FontOnDevice f(40);
    f.Build();
    const float w = static_cast<float>(f.font.m_texWidth);
    int rows = 1;
    for (char c = 33; c <= 126; ++c) {
        const float* prev = f.font.m_texCoords[c - 1 - 32];
        const float* cur = f.font.m_texCoords[c - 32];
        EXPECT_LE(cur[2], 1.0f);
        EXPECT_LE(cur[3], 1.0f);
        EXPECT_FLOAT_EQ((cur[3] - cur[1]) * f.font.m_texHeight, (prev[3] - prev[1]) * f.font.m_texHeight);
        if (cur[0] == 0.0f) {  // a new row, one texel below the previous one
            ++rows;
            EXPECT_FLOAT_EQ(cur[1] * f.font.m_texHeight, prev[3] * f.font.m_texHeight + 1) << c;
            EXPECT_GT(prev[2] * w + 1 + (cur[2] - cur[0]) * w + 1, w) << c;  // it did not fit
        } else {
            EXPECT_FLOAT_EQ(cur[0] * w, prev[2] * w + 1) << c;
            EXPECT_FLOAT_EQ(cur[1], prev[1]) << c;
        }
    }
    EXPECT_GT(rows, 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.font.m_texCoords[127 - 32][i], 0.0f);  // no glyph for 127
}

TEST(TextureFontTexture, TexelsAreWhiteWithFourBitCoverage) {
    FontOnDevice f(20);
    f.Build();
    fake::RecordingTexture& t = f.Texture();
    const UINT width = f.TextureDesc().Width, height = f.TextureDesc().Height;
    const std::vector<DWORD> texels = test_support::Texels(&t, 0);
    ASSERT_EQ(texels.size(), size_t{width} * height);
    const auto Texel16 = [&](UINT x, UINT y) { return texels[size_t{y} * width + x]; };
    int lit = 0, full = 0, partial = 0;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const DWORD texel = Texel16(x, y);
            if (texel == 0) continue;
            ASSERT_EQ(texel & 0x0FFF, 0x0FFF) << x << "," << y;
            ++lit;
            if (texel == 0xFFFF) ++full;
            if (texel != 0xFFFF) ++partial;
        }
    EXPECT_GT(full, 200);
    EXPECT_GT(partial, 200);
    // The row padding beyond the texture width is never written.
    EXPECT_FALSE(t.paddingWritten);
    // Below the last row of glyphs the texture is empty.
    const UINT bottom = static_cast<UINT>(std::ceil(f.Rect('~', 3)));
    for (UINT y = bottom + 1; y < height; ++y)
        for (UINT x = 0; x < width; ++x) ASSERT_EQ(Texel16(x, y), 0u);
    // The space glyph is empty, the full block of 'M' is not.
    for (UINT y = static_cast<UINT>(f.Rect(' ', 1)); y < static_cast<UINT>(f.Rect(' ', 3)); ++y)
        for (UINT x = static_cast<UINT>(f.Rect(' ', 0)); x < static_cast<UINT>(f.Rect(' ', 2)); ++x)
            ASSERT_EQ(Texel16(x, y), 0u);
    EXPECT_GT(lit, full);
}

TEST(TextureFontTexture, HugeFontOnSmallTextureStopsPlacingGlyphsAtTheBottom) {
    FontOnDevice f(300);  // 400 px em on 1024 texels: only a few rows fit
    ASSERT_EQ(f.font.CreateDeviceObjects(&f.device), S_OK);
    EXPECT_GT(f.font.m_texCoords[0][3], 0.0f);  // the space is placed
    EXPECT_EQ(f.font.m_texCoords['~' - 32][3], 0.0f);
    for (const auto& rect : f.font.m_texCoords) EXPECT_LE(rect[3], 1.0f);
}

TEST(TextureFontFailures, CreationFailuresReturnTheirCodes) {
    {
        FontOnDevice f(12);
        f.device.failCreateTexture.Now(E_OUTOFMEMORY);
        EXPECT_EQ(f.font.CreateDeviceObjects(&f.device), E_OUTOFMEMORY);
        EXPECT_EQ(f.font.m_pTexture, nullptr);
    }
    {
        FontDevice device;
        CTextureFont font("No Such Typeface 4711", 12);
        EXPECT_EQ(font.CreateDeviceObjects(&device), S_OK);  // the closest installed face stands in
        font.DestroyDeviceObjects();
        EXPECT_EQ(device.LiveObjects(), 0);
    }
    {
        FontOnDevice f(12);
        ASSERT_EQ(f.font.CreateDeviceObjects(&f.device), S_OK);
        f.device.failCreateVertexBuffer.Now(D3DERR_OUTOFVIDEOMEMORY);
        EXPECT_EQ(f.font.RebuildDeviceObjects(), D3DERR_OUTOFVIDEOMEMORY);
        EXPECT_EQ(f.font.DrawText(0, 0, 0xFFFFFFFF, "x"), E_FAIL);  // no vertex buffer: nothing drawn
    }
    CTextureFont unused("Arial", 12);
    EXPECT_EQ(unused.DrawText(0, 0, 0xFFFFFFFF, "x"), E_FAIL);  // no device
    EXPECT_EQ(unused.RebuildDeviceObjects(), E_FAIL);
    EXPECT_EQ(unused.CreateDeviceObjects(nullptr), E_FAIL);
}

TEST(TextureFontLifecycle, EverythingCreatedIsReleasedAndStateBlocksDeleted) {
    FontDevice device;
    {
        CTextureFont font("Arial", 16, FONT_BOLD | FONT_ITALIC);
        ASSERT_EQ(font.CreateDeviceObjects(&device), S_OK);
        ASSERT_EQ(font.RebuildDeviceObjects(), S_OK);
        EXPECT_EQ(device.stateBlocks.size(), 2u);
        EXPECT_EQ(font.ReleaseDeviceObjects(), S_OK);  // a device reset
        EXPECT_TRUE(device.stateBlocks.empty());
        EXPECT_EQ(device.LiveObjects(), 1);  // the managed texture survives
        ASSERT_EQ(font.RebuildDeviceObjects(), S_OK);
        EXPECT_EQ(font.DrawText(1, 1, 0xFFFFFFFF, "again"), S_OK);
    }  // the destructor releases the rest
    EXPECT_EQ(device.LiveObjects(), 0);
    EXPECT_TRUE(device.stateBlocks.empty());
}

TEST(TextureFontLifecycle, RebuildingAgainKeepsTwoBlocksThatSetTheCurrentTexture) {
    FontOnDevice f(12);
    f.Build();
    ASSERT_EQ(f.font.RebuildDeviceObjects(), S_OK);  // without a release in between
    EXPECT_EQ(f.device.stateBlocks.size(), 2u);
    for (int rebuild = 0; rebuild < 2; ++rebuild) {
        if (rebuild) ASSERT_EQ(f.font.RebuildDeviceObjects(), S_OK);
        else ASSERT_EQ(f.font.CreateDeviceObjects(&f.device), S_OK);  // a new texture, blocks kept
        EXPECT_EQ(f.device.stateBlocks.size(), 2u);
        for (DWORD block : {f.font.m_savedStateBlock, f.font.m_drawTextStateBlock})
            EXPECT_EQ(f.device.stateBlocks.at(block).TextureAt(0), f.font.m_pTexture) << rebuild;
    }
}

TEST(TextureFontStateBlocks, RecordTheTextStatesWithoutChangingTheDevice) {
    FontOnDevice f(12);
    f.device.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    f.Build();
    EXPECT_EQ(f.device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    ASSERT_EQ(f.device.stateBlocks.size(), 2u);
    const fake::RecordedStates& saved = f.device.stateBlocks.at(f.font.m_savedStateBlock);
    const fake::RecordedStates& text = f.device.stateBlocks.at(f.font.m_drawTextStateBlock);
    EXPECT_EQ(saved.renderStates, text.renderStates);
    EXPECT_EQ(saved.stageStates, text.stageStates);
    EXPECT_EQ(text.renderStates.size(), 16u);
    EXPECT_EQ(text.stageStates.size(), 13u);
    EXPECT_EQ(text.RenderState(D3DRS_ALPHAREF), 0x08u);
    EXPECT_EQ(text.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(text.StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    EXPECT_EQ(text.TextureAt(0), f.font.m_pTexture);
}

TEST(TextureFontDraw, CallerStateIsRestoredAfterDrawingFiltered) {
    FontOnDevice f(12);
    f.Build();
    FontDevice& s = f.device;
    s.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    s.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    s.SetRenderState(D3DRS_ZENABLE, TRUE);
    s.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_NONE);
    s.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_NONE);
    const fake::RecordedStates& text = f.device.stateBlocks.at(f.font.m_drawTextStateBlock);
    const fake::RecordedStates before = s.Current(text);

    ASSERT_EQ(f.font.DrawText(10, 20, 0xFF00FF00, "Hi", FONT_FILTERED), S_OK);
    ASSERT_EQ(f.device.Draws().size(), 1u);
    const fake::RecordedStates during = f.device.Draws()[0].states;
    EXPECT_EQ(during.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(during.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(during.StageState(0, D3DTSS_MINFILTER), static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(during.StageState(0, D3DTSS_MAGFILTER), static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(f.device.Draws()[0].texture, f.font.m_pTexture);
    EXPECT_EQ(f.device.Draws()[0].shader, 0x144u);
    EXPECT_EQ(f.device.Draws()[0].stride, 28u);

    const fake::RecordedStates after = s.Current(text);
    EXPECT_EQ(after.renderStates, before.renderStates);
    EXPECT_EQ(after.stageStates, before.stageStates);
    EXPECT_EQ(after.TextureAt(0), nullptr);
    IDirect3DBaseTexture8* bound = reinterpret_cast<IDirect3DBaseTexture8*>(1);
    ASSERT_EQ(s.GetTexture(0, &bound), S_OK);
    EXPECT_EQ(bound, nullptr) << "the device's own stage 0";

    ASSERT_EQ(f.font.DrawText(10, 20, 0xFF00FF00, "Hi"), S_OK);  // unfiltered: point sampling
    EXPECT_EQ(f.device.Draws()[1].states.StageState(0, D3DTSS_MINFILTER), static_cast<DWORD>(D3DTEXF_POINT));
}

TEST(TextureFontDraw, EmptyTextDrawsNothingButStillSavesAndRestores) {
    FontOnDevice f(12);
    f.Build();
    f.device.calls.clear();
    ASSERT_EQ(f.font.DrawText(0, 0, 0xFFFFFFFF, ""), S_OK);
    EXPECT_TRUE(f.device.Draws().empty());
    EXPECT_EQ(f.device.Count(fake::RecordedCall::kCaptureStateBlock), 1u);
    EXPECT_EQ(f.device.Count(fake::RecordedCall::kApplyStateBlock), 2u);
    EXPECT_EQ(f.font.DrawText(0, 0, 0xFFFFFFFF, nullptr), E_INVALIDARG);
}

TEST(TextureFontDraw, FiftyCharactersPerDrawCall) {
    FontOnDevice f(12);
    f.Build();
    ASSERT_EQ(f.font.DrawText(0, 0, 0xFFFFFFFF, std::string(50, 'a').c_str()), S_OK);
    ASSERT_EQ(f.device.Draws().size(), 1u);
    EXPECT_EQ(f.device.Draws()[0].value, 100u);

    f.device.calls.clear();
    ASSERT_EQ(f.font.DrawText(0, 0, 0xFFFFFFFF, std::string(51, 'a').c_str()), S_OK);
    const std::vector<fake::RecordedCall> draws = f.device.Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].value, 100u);
    EXPECT_EQ(draws[1].value, 2u);
    EXPECT_EQ(draws[1].what, static_cast<DWORD>(D3DPT_TRIANGLELIST));
    EXPECT_EQ(draws[1].start, 0u);
    // The 51st character continues where the 50th ended.
    const float advance = f.Rect('a', 2) - f.Rect('a', 0);
    EXPECT_FLOAT_EQ(draws[1].VertexAt<FontVertex>(0).x, 50 * advance - 0.5f);

    auto* vb = dynamic_cast<fake::RecordingVertexBuffer*>(f.font.m_pVB);
    ASSERT_NE(vb, nullptr);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(vb->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.Size, 8400u);
    EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC));
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    for (DWORD flags : vb->lockFlags) EXPECT_EQ(flags, D3DLOCK_DISCARD);
}

TEST(TextureFontDraw, QuadsSitHalfAPixelUpAndLeftWithTheGlyphRectangle) {
    FontOnDevice f(12);
    f.Build();
    ASSERT_EQ(f.font.DrawText(100, 50, 0x80FF0000, "A"), S_OK);
    const fake::RecordedCall d = f.device.Draws().at(0);
    ASSERT_EQ(d.VertexCount(), 6u);
    const float* r = f.font.m_texCoords['A' - 32];
    const float w = f.Rect('A', 2) - f.Rect('A', 0), h = f.Rect('A', 3) - f.Rect('A', 1);
    const float expected[6][4] = {{100 - 0.5f, 50 + h - 0.5f, r[0], r[3]}, {100 - 0.5f, 50 - 0.5f, r[0], r[1]},
                                  {100 + w - 0.5f, 50 + h - 0.5f, r[2], r[3]}, {100 + w - 0.5f, 50 - 0.5f, r[2], r[1]},
                                  {100 + w - 0.5f, 50 + h - 0.5f, r[2], r[3]}, {100 - 0.5f, 50 - 0.5f, r[0], r[1]}};
    for (int i = 0; i < 6; ++i) {
        const FontVertex v = d.VertexAt<FontVertex>(i);
        EXPECT_FLOAT_EQ(v.x, expected[i][0]) << i;
        EXPECT_FLOAT_EQ(v.y, expected[i][1]) << i;
        EXPECT_FLOAT_EQ(v.tu, expected[i][2]) << i;
        EXPECT_FLOAT_EQ(v.tv, expected[i][3]) << i;
        EXPECT_FLOAT_EQ(v.z, 0.9f);
        EXPECT_FLOAT_EQ(v.rhw, 1.0f);
        EXPECT_EQ(v.colour, 0x80FF0000u);
    }
}

TEST(TextureFontDraw, LineFeedReturnsToStartAndOtherControlBytesAreIgnored) {
    FontOnDevice f(12);
    f.Build();
    const float lineHeight = f.Rect(' ', 3) - f.Rect(' ', 1);
    const float advanceA = f.Rect('A', 2) - f.Rect('A', 0);

    ASSERT_EQ(f.font.DrawText(30, 40, 0xFFFFFFFF, "A\nB"), S_OK);
    const fake::RecordedCall lf = f.device.Draws().at(0);
    ASSERT_EQ(lf.VertexCount(), 12u);
    EXPECT_FLOAT_EQ(lf.VertexAt<FontVertex>(7).x, 30 - 0.5f);  // B's top-left vertex
    EXPECT_FLOAT_EQ(lf.VertexAt<FontVertex>(7).y, 40 + lineHeight - 0.5f);

    ASSERT_EQ(f.font.DrawText(30, 40, 0xFFFFFFFF, "A\r\t\x7f\xc4\xff" "B"), S_OK);
    const fake::RecordedCall cr = f.device.Draws().at(1);
    ASSERT_EQ(cr.VertexCount(), 18u);  // A, the empty 127 quad, B
    EXPECT_FLOAT_EQ(cr.VertexAt<FontVertex>(13).x, 30 + advanceA - 0.5f);
    EXPECT_FLOAT_EQ(cr.VertexAt<FontVertex>(13).y, 40 - 0.5f);
}

TEST(TextureFontDraw, LineFeedOnAShrunkTextureMovesByTheDrawnHeight) {
    FontOnDevice f(48, 0, 512);
    f.Build();
    ASSERT_EQ(f.font.DrawText(0, 0, 0xFFFFFFFF, "\nA"), S_OK);
    const float drawnLine = (f.Rect(' ', 3) - f.Rect(' ', 1)) / 0.5f;
    EXPECT_FLOAT_EQ(f.device.Draws().at(0).VertexAt<FontVertex>(1).y, drawnLine - 0.5f);
}

TEST(TextureFontDraw, FailedLockDrawsNothingAndStillRestores) {
    FontOnDevice f(12);
    f.Build();
    f.device.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    f.device.failVertexBufferLock.Now(D3DERR_INVALIDCALL);
    EXPECT_EQ(f.font.DrawText(0, 0, 0xFFFFFFFF, "abc"), D3DERR_INVALIDCALL);
    EXPECT_TRUE(f.device.Draws().empty());
    EXPECT_EQ(f.device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
}
