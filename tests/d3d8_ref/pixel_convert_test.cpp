// Pixel format conversions: exact values at the ends and in the middle of each channel,
// round trips, and the signed mapping of the bump formats.
#include "platform/d3d8/pixel_convert.h"

#include <gtest/gtest.h>

using namespace d3d8;

TEST(PixelConvert, R5G6B5WidensByReplicationAndNarrowsToNearest) {
    EXPECT_EQ(ArgbFromR5G6B5(0x0000), 0xff000000u);
    EXPECT_EQ(ArgbFromR5G6B5(0xffff), 0xffffffffu);
    EXPECT_EQ(ArgbFromR5G6B5(0xf800), 0xffff0000u);
    EXPECT_EQ(ArgbFromR5G6B5(0x07e0), 0xff00ff00u);
    EXPECT_EQ(ArgbFromR5G6B5(0x001f), 0xff0000ffu);
    EXPECT_EQ(ArgbFromR5G6B5(0x8410), 0xff848284u);  // r 16 -> 0x84, g 32 -> 0x82, b 16 -> 0x84
    EXPECT_EQ(R5G6B5FromArgb(0xffffffff), 0xffff);
    EXPECT_EQ(R5G6B5FromArgb(0x00000000), 0x0000);
    EXPECT_EQ(R5G6B5FromArgb(0xff808080), (16 << 11) | (32 << 5) | 16);  // 128 * 31 / 255 = 15.56 -> 16
    EXPECT_EQ(R5G6B5FromArgb(0xff040404), 1 << 5);  // 5 bits: 4 * 31 / 255 = 0.49 -> 0; 6 bits: 0.99 -> 1
    EXPECT_EQ(R5G6B5FromArgb(0xff050505) & 0x1f, 1);  // 0.61 -> 1
    for (DWORD v = 0; v < 0x10000; v += 37) EXPECT_EQ(R5G6B5FromArgb(ArgbFromR5G6B5(static_cast<WORD>(v))), v);
}

TEST(PixelConvert, A4R4G4B4AndOneBitAlpha) {
    EXPECT_EQ(ArgbFromPixel<D3DFMT_A4R4G4B4>(0xf0a5), 0xff00aa55u);
    EXPECT_EQ(PixelFromArgb<D3DFMT_A4R4G4B4>(0x80ff7700), 0x8f70);  // 128 -> 8, 119 -> 7
    for (DWORD v = 0; v < 0x10000; v += 13) EXPECT_EQ(PixelFromArgb<D3DFMT_A4R4G4B4>(ArgbFromPixel<D3DFMT_A4R4G4B4>(static_cast<WORD>(v))), v);
    EXPECT_EQ(ArgbFromPixel<D3DFMT_A1R5G5B5>(0x7fff), 0x00ffffffu);
    EXPECT_EQ(ArgbFromPixel<D3DFMT_A1R5G5B5>(0x8000), 0xff000000u);
    EXPECT_EQ(PixelFromArgb<D3DFMT_A1R5G5B5>(0x7f000000) & 0x8000, 0);
    EXPECT_EQ(PixelFromArgb<D3DFMT_A1R5G5B5>(0x80000000) & 0x8000, 0x8000);
    EXPECT_EQ(ArgbFromPixel<D3DFMT_X8R8G8B8>(0x00123456), 0xff123456u);
}

TEST(PixelConvert, V8U8IsSignedWith127AsOne) {
    struct Case {
        WORD bits;
        float du, dv;
    };
    const Case cases[] = {{0x0000, 0, 0},          {0x007f, 1, 0},           {0x7f00, 0, 1},
                          {0x0081, -1, 0},         {0x0080, -1, 0},          {0x8100, 0, -1},
                          {0x40c0, -64 / 127.f, 64 / 127.f}, {0xff01, 1 / 127.f, -1 / 127.f}};
    for (const Case& c : cases) {
        const BumpTexel t = BumpFromPixel<D3DFMT_V8U8>(c.bits);
        EXPECT_FLOAT_EQ(t.du, c.du) << std::hex << c.bits;
        EXPECT_FLOAT_EQ(t.dv, c.dv) << std::hex << c.bits;
        EXPECT_FLOAT_EQ(t.luminance, 1.0f);
    }
    EXPECT_EQ(V8U8FromBump(1, -1), 0x817f);
    EXPECT_EQ(V8U8FromBump(0.5f, 0), 0x0040);  // 63.5 rounds away from zero
}

TEST(PixelConvert, L6V5U5PacksFiveBitSignedOffsetsAndSixBitLuminance) {
    const BumpTexel t = BumpFromPixel<D3DFMT_L6V5U5>(static_cast<WORD>((63 << 10) | (0x10 << 5) | 0x0f));
    EXPECT_FLOAT_EQ(t.du, 1.0f);
    EXPECT_FLOAT_EQ(t.dv, -1.0f);  // -16 clamps to -1
    EXPECT_FLOAT_EQ(t.luminance, 1.0f);
    const BumpTexel m = BumpFromPixel<D3DFMT_L6V5U5>(static_cast<WORD>((31 << 10) | (0x1f << 5) | 0x01));
    EXPECT_FLOAT_EQ(m.du, 1 / 15.0f);
    EXPECT_FLOAT_EQ(m.dv, -1 / 15.0f);
    EXPECT_FLOAT_EQ(m.luminance, 31 / 63.0f);
    // The production's own packing of du = -3, dv = 40, luminance 127 reads back as signed.
    const int du = -3, dv = 40, lum = 127;
    const WORD packed = static_cast<WORD>(((du >> 3) & 0x1f) | (((dv >> 3) & 0x1f) << 5) | (((lum >> 2) & 0x3f) << 10));
    const BumpTexel p = BumpFromPixel<D3DFMT_L6V5U5>(packed);
    EXPECT_FLOAT_EQ(p.du, -1 / 15.0f);
    EXPECT_FLOAT_EQ(p.dv, 5 / 15.0f);
    EXPECT_FLOAT_EQ(p.luminance, 31 / 63.0f);
    EXPECT_EQ(L6V5U5FromBump(1, -1, 1), (63 << 10) | (0x11 << 5) | 0x0f);
}

TEST(PixelConvert, X8L8V8U8HasSignedOffsetsAndByteLuminance) {
    const BumpTexel t = BumpFromPixel<D3DFMT_X8L8V8U8>(0xff7f817fu);
    EXPECT_FLOAT_EQ(t.du, 1.0f);
    EXPECT_FLOAT_EQ(t.dv, -1.0f);
    EXPECT_FLOAT_EQ(t.luminance, 127 / 255.0f);
    EXPECT_EQ(X8L8V8U8FromBump(-1, 1, 1), 0x00ff7f81u);
}

TEST(PixelConvert, ReadAndWriteWholePixels) {
    BYTE buf[4] = {};
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
    for (D3DFORMAT f : formats) {
        WriteArgb(f, buf, 0xffffffff);
        EXPECT_EQ(ReadArgb(f, buf), 0xffffffffu) << f;
        WriteArgb(f, buf, 0xff000000);
        EXPECT_EQ(ReadArgb(f, buf), 0xff000000u) << f;
    }
    WriteArgb(D3DFMT_X8R8G8B8, buf, 0x00102030);
    EXPECT_EQ(buf[3], 0xff);  // the X byte
    EXPECT_EQ(ReadArgb(D3DFMT_V8U8, buf), 0xff000000u);  // no colour reading for bump formats
    const BYTE v8u8[2] = {0x7f, 0x81};
    const BumpTexel t = ReadBump(D3DFMT_V8U8, v8u8);
    EXPECT_FLOAT_EQ(t.du, 1.0f);
    EXPECT_FLOAT_EQ(t.dv, -1.0f);
}
