// The format table and the conversions derived from it: each entry found again by its format,
// channels inside the pixel and apart, one known pixel per format, and a round trip of every
// colour and bump format through ARGB (or du, dv, luminance) and back.
#include "platform/d3d8/pixel_convert.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace d3d8;

DWORD StoredBits(const FormatInfo& f) { return f.bytes >= 4 ? ~0u : (1u << (8 * f.bytes)) - 1u; }

TEST(FormatTable, EveryEntryIsFoundAndItsChannelsFitApart) {
    for (std::size_t i = 1; i < std::size(kFormats); ++i) {
        const FormatInfo& f = kFormats[i];
        EXPECT_EQ(IndexOf(f.format), i) << f.format;
        if (f.bytes == 0 || f.kind == FormatKind::Depth) continue;  // depth keeps a float, not its bits
        const Channel channels[] = {f.red, f.green, f.blue, f.alpha, f.luminance, f.du, f.dv};
        DWORD used = 0;
        for (const Channel& c : channels) {
            EXPECT_EQ(used & c.Mask(), 0u) << f.format;
            used |= c.Mask();
        }
        EXPECT_EQ(used & ~StoredBits(f), 0u) << f.format;
        EXPECT_NE(used, 0u) << f.format;
    }
    const FormatInfo& unknown = InfoOf(D3DFMT_G16R16);  // a format the device names nowhere
    EXPECT_EQ(unknown.kind, FormatKind::Unknown);
    EXPECT_EQ(BytesPerPixel(D3DFMT_G16R16), 0u);
    EXPECT_EQ(BytesPerPixel(static_cast<D3DFORMAT>(0x12345678)), 0u);
    EXPECT_TRUE(HasAlpha(D3DFMT_DXT3));
    EXPECT_FALSE(HasAlpha(D3DFMT_DXT1));
    EXPECT_TRUE(IsDepthFormat(D3DFMT_D15S1));
    EXPECT_EQ(BytesPerPixel(D3DFMT_D15S1), 0u);  // named, but not held
    EXPECT_TRUE(HasStencil(D3DFMT_D24S8));
    EXPECT_FALSE(HasStencil(D3DFMT_D24X8));
}

struct KnownPixel {
    D3DFORMAT format;
    DWORD pixel;
    D3DCOLOR argb;
};

TEST(FormatTable, OneKnownPixelPerColourFormat) {
    const KnownPixel known[] = {
        {D3DFMT_R8G8B8, 0x123456, 0xff123456u},      {D3DFMT_A8R8G8B8, 0x80123456, 0x80123456u},
        {D3DFMT_X8R8G8B8, 0x00123456, 0xff123456u},  {D3DFMT_R5G6B5, 0xf81f, 0xffff00ffu},
        {D3DFMT_X1R5G5B5, 0x03e0, 0xff00ff00u},      {D3DFMT_A1R5G5B5, 0x801f, 0xff0000ffu},
        {D3DFMT_A4R4G4B4, 0x4c80, 0x44cc8800u},      {D3DFMT_A8, 0x7f, 0x7f000000u},
        {D3DFMT_X4R4G4B4, 0x0f00, 0xffff0000u},      {D3DFMT_L8, 0x40, 0xff404040u},
        {D3DFMT_A8L8, 0x2040, 0x20404040u},
    };
    std::size_t colourFormats = 0;
    for (const FormatInfo& f : kFormats) colourFormats += HoldsArgb(f) ? 1 : 0;
    EXPECT_EQ(std::size(known), colourFormats);  // a new colour format gets a line here
    for (const KnownPixel& k : known) {
        BYTE p[4];
        std::memcpy(p, &k.pixel, 4);
        EXPECT_EQ(ReadArgb(k.format, p), k.argb) << k.format;
    }
    const BYTE v8u8[2] = {0x7f, 0x81};
    EXPECT_EQ(ReadArgb(D3DFMT_V8U8, v8u8), 0xff000000u);  // no colour reading for bump formats
}

// Every code (sampled above 16 bits) read as ARGB and written back gives the code again, with
// the bits no channel uses set.
TEST(FormatTable, ColourFormatsRoundTripThroughArgb) {
    for (const FormatInfo& f : kFormats) {
        if (!HoldsArgb(f)) continue;
        const DWORD stored = StoredBits(f), unused = stored & ~f.ChannelMask();
        const DWORD step = f.bytes <= 2 ? 1 : 0x10101u * 7u + 0x1000000u * 3u;
        for (unsigned long long code = 0; code <= stored; code += step) {
            BYTE in[4] = {}, out[4] = {};
            const DWORD c = static_cast<DWORD>(code);
            std::memcpy(in, &c, f.bytes);
            WriteArgb(f.format, out, ReadArgb(f.format, in));
            DWORD back = 0;
            std::memcpy(&back, out, f.bytes);
            ASSERT_EQ(back, c | unused) << f.format << " code " << code;
        }
    }
}

template <D3DFORMAT F>
void ExpectBumpRoundTrip(int& checked) {
    constexpr FormatInfo f = InfoOf(F);
    const DWORD step = f.bytes <= 2 ? 1 : 0x10101u * 3u;
    const DWORD channels = f.ChannelMask();
    for (unsigned long long code = 0; code <= StoredBits(f); code += step) {
        const DWORD c = static_cast<DWORD>(code) & channels;
        // The most negative code of du or dv reads -1 like the one above it, and is written as that.
        const bool mostNegative = ((c >> f.du.shift) & f.du.Mask() >> f.du.shift) == (1u << (f.du.bits - 1)) ||
                                  ((c >> f.dv.shift) & f.dv.Mask() >> f.dv.shift) == (1u << (f.dv.bits - 1));
        if (mostNegative) continue;
        BYTE in[4] = {};
        std::memcpy(in, &c, f.bytes);
        const BumpTexel t = ReadBump(F, in);
        ASSERT_EQ(PixelFromBump<F>(t.du, t.dv, t.luminance), c) << F << " code " << code;
    }
    ++checked;
}

TEST(FormatTable, BumpFormatsRoundTripThroughOffsets) {
    int checked = 0;
    ExpectBumpRoundTrip<D3DFMT_V8U8>(checked);
    ExpectBumpRoundTrip<D3DFMT_L6V5U5>(checked);
    ExpectBumpRoundTrip<D3DFMT_X8L8V8U8>(checked);
    int bumpFormats = 0;
    for (const FormatInfo& f : kFormats) bumpFormats += f.kind == FormatKind::Bump && f.bytes != 0;
    EXPECT_EQ(checked, bumpFormats);  // a new bump format gets a line here
}

}  // namespace
