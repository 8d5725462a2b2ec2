// Decoders (BMP, PNG, JPEG, DDS), resampling, mip levels, colour key and packing.
#include "image_files.h"

#include "platform/d3dx/constants.h"
#include "platform/d3dx/image.h"
#include "platform/d3dx/image_ops.h"
#include "platform/d3dx/pixel_pack.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

using d3dx::Image;
using testimg::Bytes;

namespace {

// A 3 x 2 picture whose rows are not a multiple of four bytes at 24 bits.
const std::vector<DWORD> kSix = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xff102030, 0xffffffff, 0xff000000};

Image Decode(const Bytes& b) {
    Image img;
    EXPECT_EQ(d3dx::DecodeImage(b.data(), b.size(), &img), S_OK);
    return img;
}

bool Fails(const Bytes& b) {
    Image img;
    img.width = 77;  // must stay untouched on failure
    const HRESULT hr = d3dx::DecodeImage(b.data(), b.size(), &img);
    return hr == D3DXERR_INVALIDDATA && img.width == 77 && img.pixels.empty();
}

int ChannelDiff(DWORD a, DWORD b) {
    int worst = 0;
    for (int s = 0; s < 32; s += 8) worst = std::max(worst, std::abs(int((a >> s) & 0xff) - int((b >> s) & 0xff)));
    return worst;
}

void PutLe32(Bytes& b, size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<BYTE>(v >> (8 * i));
}

}  // namespace

// ---- BMP ------------------------------------------------------------------------------

TEST(BmpDecode, TwentyFourBitBottomUpAndTopDownGiveTheSamePixels) {
    for (bool topDown : {false, true}) {
        const Image img = Decode(testimg::MakeBmp(3, 2, kSix, 24, topDown));
        ASSERT_EQ(img.width, 3u);
        ASSERT_EQ(img.height, 2u);
        EXPECT_EQ(img.pixels, kSix) << "topDown=" << topDown;
        EXPECT_FALSE(img.hasAlpha);
        EXPECT_EQ(img.fileFormat, D3DFMT_R8G8B8);
    }
}

TEST(BmpDecode, ThirtyTwoBitKeepsAlphaOnlyWhenTheFileSetsIt) {
    std::vector<DWORD> withAlpha = kSix;
    withAlpha[1] = 0x8000ff00;
    const Image a = Decode(testimg::MakeBmp(3, 2, withAlpha, 32));
    EXPECT_TRUE(a.hasAlpha);
    EXPECT_EQ(a.pixels, withAlpha);

    std::vector<DWORD> zeroAlpha;
    for (DWORD p : kSix) zeroAlpha.push_back(p & 0x00ffffff);
    const Image x = Decode(testimg::MakeBmp(3, 2, zeroAlpha, 32));
    EXPECT_FALSE(x.hasAlpha);
    EXPECT_EQ(x.pixels, kSix);  // opaque
}

TEST(BmpDecode, PalettisedPicturesLookUpThePalette) {
    const std::vector<DWORD> palette = {0x112233, 0xff8000, 0x0000ff};
    const std::vector<DWORD> expected = {0xff112233, 0xffff8000, 0xff0000ff, 0xffff8000, 0xff112233};
    EXPECT_EQ(Decode(testimg::MakeBmpIndexed(5, 1, 8, {0, 1, 2, 1, 0}, palette)).pixels, expected);
    EXPECT_EQ(Decode(testimg::MakeBmpIndexed(5, 1, 4, {0, 1, 2, 1, 0}, palette)).pixels, expected);
    // 1 bit, 9 x 2: a row spills into a second byte; rows are bottom-up.
    const std::vector<BYTE> bits = {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 0};
    const Image one = Decode(testimg::MakeBmpIndexed(9, 2, 1, bits, {0x000000, 0xffffff}));
    for (size_t i = 0; i < bits.size(); ++i) EXPECT_EQ(one.pixels[i], bits[i] ? 0xffffffffu : 0xff000000u) << i;
    // An index past the stored entries reads black instead of reading past the palette.
    EXPECT_EQ(Decode(testimg::MakeBmpIndexed(2, 1, 8, {0, 200}, {0xffffff})).pixels[1], 0xff000000u);
}

TEST(BmpDecode, SixteenBitIsX1R5G5B5OrItsBitFields) {
    // 2 x 1, BI_RGB: pure red (0x7c00) and pure blue (0x001f) in X1R5G5B5.
    Bytes rgb = testimg::MakeBmp(2, 1, {0, 0}, 24);
    rgb[28] = 16;                               // bit count
    rgb.resize(14 + 40);
    rgb.insert(rgb.end(), {0x00, 0x7c, 0x1f, 0x00});
    EXPECT_EQ(Decode(rgb).pixels, (std::vector<DWORD>{0xffff0000, 0xff0000ff}));
    // BI_BITFIELDS with R5G6B5 masks after the header: pure green (0x07e0), white.
    Bytes fields = testimg::MakeBmp(2, 1, {0, 0}, 24);
    fields[28] = 16;
    PutLe32(fields, 30, 3);
    fields.resize(14 + 40);
    for (DWORD mask : {0xf800u, 0x07e0u, 0x001fu}) {
        for (int i = 0; i < 4; ++i) fields.push_back(static_cast<BYTE>(mask >> (8 * i)));
    }
    PutLe32(fields, 10, 14 + 40 + 12);
    fields.insert(fields.end(), {0xe0, 0x07, 0xff, 0xff});
    const Image img = Decode(fields);
    EXPECT_EQ(img.pixels, (std::vector<DWORD>{0xff00ff00, 0xffffffff}));
    EXPECT_EQ(img.fileFormat, D3DFMT_R5G6B5);
}

TEST(BmpDecode, BrokenFilesFail) {
    const Bytes good = testimg::MakeBmp(3, 2, kSix, 24);
    EXPECT_TRUE(Fails(Bytes(good.begin(), good.end() - 1))) << "truncated pixel data";
    EXPECT_TRUE(Fails(Bytes(good.begin(), good.begin() + 20))) << "truncated header";
    Bytes huge = good;
    PutLe32(huge, 18, 1000000);  // width: refused before allocation
    EXPECT_TRUE(Fails(huge));
    Bytes zero = good;
    PutLe32(zero, 18, 0);
    EXPECT_TRUE(Fails(zero));
    Bytes rle = good;
    PutLe32(rle, 30, 1);  // BI_RLE8
    EXPECT_TRUE(Fails(rle));
    Bytes offset = good;
    PutLe32(offset, 10, 0xfffffff0u);  // pixel data beyond the file
    EXPECT_TRUE(Fails(offset));
}

// ---- PNG ------------------------------------------------------------------------------

TEST(PngDecode, RgbaAndRgbRoundTripExactly) {
    std::vector<DWORD> px = kSix;
    px[2] = 0x40123456;
    const Image a = Decode(testimg::MakePng(3, 2, px, true));
    EXPECT_TRUE(a.hasAlpha);
    EXPECT_EQ(a.pixels, px);
    const Image x = Decode(testimg::MakePng(3, 2, kSix, false));
    EXPECT_FALSE(x.hasAlpha);
    EXPECT_EQ(x.pixels, kSix);
}

TEST(PngDecode, TruncatedCorruptAndHugeFilesFail) {
    const Bytes good = testimg::MakePng(3, 2, kSix, false);
    for (size_t cut : {size_t{8}, size_t{30}, good.size() / 2, good.size() - 13})
        EXPECT_TRUE(Fails(Bytes(good.begin(), good.begin() + cut))) << "cut at " << cut;

    Bytes crc = good;
    crc[good.size() - 20] ^= 0x5a;  // inside IDAT: its CRC no longer matches
    EXPECT_TRUE(Fails(crc));

    // IHDR claiming 100000 x 100000 with a valid CRC: refused before allocation.
    Bytes huge = good;
    for (size_t at : {size_t{16}, size_t{20}}) {
        huge[at] = 0, huge[at + 1] = 0x01, huge[at + 2] = 0x86, huge[at + 3] = 0xa0;
    }
    const uLong c = crc32(0, huge.data() + 12, 17);
    huge[29] = static_cast<BYTE>(c >> 24), huge[30] = static_cast<BYTE>(c >> 16);
    huge[31] = static_cast<BYTE>(c >> 8), huge[32] = static_cast<BYTE>(c);
    EXPECT_TRUE(Fails(huge));
}

// ---- JPEG -----------------------------------------------------------------------------

TEST(JpegDecode, FlatColourSurvivesWithinCompressionError) {
    std::vector<DWORD> px(16 * 8, 0xff3080c0);
    const Image img = Decode(testimg::MakeJpeg(16, 8, px, 95));
    ASSERT_EQ(img.width, 16u);
    ASSERT_EQ(img.height, 8u);
    EXPECT_FALSE(img.hasAlpha);
    for (DWORD p : img.pixels) ASSERT_LE(ChannelDiff(p, 0xff3080c0), 3);
}

TEST(JpegDecode, TruncatedAndCorruptFilesFail) {
    std::vector<DWORD> px(64 * 64);
    for (size_t i = 0; i < px.size(); ++i) px[i] = 0xff000000u | static_cast<DWORD>(i * 2654435761u >> 8);
    const Bytes good = testimg::MakeJpeg(64, 64, px, 90);
    EXPECT_TRUE(Fails(Bytes(good.begin(), good.begin() + good.size() / 2))) << "missing half the scan";
    EXPECT_TRUE(Fails(Bytes(good.begin(), good.begin() + 100))) << "missing tables";
    Bytes garbage = {0xff, 0xd8, 0xff, 0x00, 0x12, 0x34, 0x56};
    EXPECT_TRUE(Fails(garbage));
}

// ---- DDS ------------------------------------------------------------------------------

TEST(DdsDecode, UncompressedFormatsByMask) {
    // 32-bit A8R8G8B8, 2 x 1.
    const Image a = Decode(testimg::MakeDdsRgb(2, 1, 32, 0xff0000, 0xff00, 0xff, 0xff000000,
                                               {0x30, 0x20, 0x10, 0x80, 0xff, 0xff, 0xff, 0xff}));
    EXPECT_EQ(a.pixels, (std::vector<DWORD>{0x80102030, 0xffffffff}));
    EXPECT_TRUE(a.hasAlpha);
    // 16-bit R5G6B5: pure red and pure green.
    const Image b = Decode(testimg::MakeDdsRgb(2, 1, 16, 0xf800, 0x07e0, 0x001f, 0, {0x00, 0xf8, 0xe0, 0x07}));
    EXPECT_EQ(b.pixels, (std::vector<DWORD>{0xffff0000, 0xff00ff00}));
    EXPECT_EQ(b.fileFormat, D3DFMT_R5G6B5);
    // 24-bit.
    const Image c = Decode(testimg::MakeDdsRgb(1, 1, 24, 0xff0000, 0xff00, 0xff, 0, {0x03, 0x02, 0x01}));
    EXPECT_EQ(c.pixels, (std::vector<DWORD>{0xff010203}));
}

TEST(DdsDecode, Dxt1OpaqueAndTransparentModes) {
    // colour0 = white (0xffff) > colour1 = black: four-colour mode; indices 0,1,2,3 in row 0.
    Bytes opaque = {0xff, 0xff, 0x00, 0x00, 0xe4, 0x00, 0x00, 0x00};
    const Image a = Decode(testimg::MakeDdsDxt(4, 4, "DXT1", opaque));
    EXPECT_EQ(a.pixels[0], 0xffffffffu);
    EXPECT_EQ(a.pixels[1], 0xff000000u);
    EXPECT_EQ(a.pixels[2], 0xffaaaaaau);  // 2/3 white
    EXPECT_EQ(a.pixels[3], 0xff555555u);  // 1/3 white
    EXPECT_EQ(a.pixels[4], 0xffffffffu);  // rows 1..3 use index 0
    EXPECT_FALSE(a.hasAlpha);
    // colour0 <= colour1: three colours and transparent black for index 3.
    Bytes transparent = {0x00, 0x00, 0xff, 0xff, 0xe4, 0x00, 0x00, 0x00};
    const Image b = Decode(testimg::MakeDdsDxt(4, 4, "DXT1", transparent));
    EXPECT_EQ(b.pixels[2], 0xff808080u);
    EXPECT_EQ(b.pixels[3], 0x00000000u);
    EXPECT_TRUE(b.hasAlpha);
}

TEST(DdsDecode, Dxt3AndDxt5Alpha) {
    // DXT3: explicit 4-bit alpha, pixel 0 = 0xf, pixel 1 = 0x8; colour block all white.
    Bytes dxt3 = {0x8f, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0};
    const Image a = Decode(testimg::MakeDdsDxt(4, 4, "DXT3", dxt3));
    EXPECT_EQ(a.pixels[0], 0xffffffffu);
    EXPECT_EQ(a.pixels[1], 0x88ffffffu);
    EXPECT_EQ(a.pixels[2], 0x00ffffffu);
    // DXT5: alpha0 = 255, alpha1 = 0, eight-level mode; pixel 0 index 0, pixel 1 index 1,
    // pixel 2 index 2 (6/7 * 255 + 1/7 * 0 = 219).
    Bytes dxt5 = {255, 0, 0x88, 0x00, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0};
    const Image b = Decode(testimg::MakeDdsDxt(4, 4, "DXT5", dxt5));
    EXPECT_EQ(b.pixels[0] >> 24, 255u);
    EXPECT_EQ(b.pixels[1] >> 24, 0u);
    EXPECT_EQ(b.pixels[2] >> 24, 219u);
}

TEST(DdsDecode, SizesThatAreNotMultiplesOfFourUsePartialBlocks) {
    Bytes blocks(2 * 1 * 8, 0);  // 5 x 3 needs 2 x 1 blocks
    blocks[0] = 0xff, blocks[1] = 0xff;  // first block white
    const Image img = Decode(testimg::MakeDdsDxt(5, 3, "DXT1", blocks));
    ASSERT_EQ(img.pixels.size(), 15u);
    EXPECT_EQ(img.pixels[0], 0xffffffffu);
    EXPECT_EQ(img.pixels[4], 0xff000000u);
}

TEST(DdsDecode, BrokenFilesFail) {
    Bytes blocks(8, 0);
    EXPECT_TRUE(Fails(testimg::MakeDdsDxt(8, 8, "DXT1", blocks))) << "blocks missing";
    EXPECT_TRUE(Fails(testimg::MakeDdsDxt(4, 4, "ATI2", Bytes(16, 0)))) << "unknown fourCC";
    Bytes huge = testimg::MakeDdsDxt(4, 4, "DXT1", blocks);
    PutLe32(huge, 12, 0x40000000);  // height
    EXPECT_TRUE(Fails(huge));
    EXPECT_TRUE(Fails(testimg::MakeDdsRgb(4, 4, 32, 0xff0000, 0xff00, 0xff, 0, Bytes(60, 0))));
    Bytes header = testimg::MakeDdsDxt(4, 4, "DXT1", blocks);
    EXPECT_TRUE(Fails(Bytes(header.begin(), header.begin() + 100)));
}

TEST(ImageDecode, UnknownAndEmptyDataFail) {
    EXPECT_TRUE(Fails(Bytes{}));
    EXPECT_TRUE(Fails(Bytes{'G', 'I', 'F', '8', '9', 'a'}));
    EXPECT_EQ(d3dx::DecodeImage(nullptr, 0, nullptr), D3DXERR_INVALIDDATA);
}

// ---- colour key, resampling, mips ------------------------------------------------------

namespace {
Image Row(std::vector<DWORD> px) {
    Image img;
    img.width = static_cast<UINT>(px.size());
    img.height = 1;
    img.pixels = std::move(px);
    return img;
}
}  // namespace

TEST(ColorKey, OnlyExactMatchesBecomeTransparentBlack) {
    Image img = Row({0xff004040, 0xff004041, 0x7f004040, 0xff004040});
    EXPECT_EQ(d3dx::ApplyColorKey(img, 0xff004040), 2u);
    EXPECT_EQ(img.pixels, (std::vector<DWORD>{0, 0xff004041, 0x7f004040, 0}));
    EXPECT_EQ(d3dx::ApplyColorKey(img, 0), 0u) << "0 means no key";
}

TEST(Resample, PointDuplicatesAndDrops) {
    const Image up = d3dx::Resample(Row({0xff000000, 0xffffffff}), 4, 1, D3DX_FILTER_POINT);
    EXPECT_EQ(up.pixels, (std::vector<DWORD>{0xff000000, 0xff000000, 0xffffffff, 0xffffffff}));
    const Image down = d3dx::Resample(Row({1, 2, 3, 4}), 2, 1, D3DX_FILTER_POINT);
    EXPECT_EQ(down.pixels, (std::vector<DWORD>{2, 4}));
}

TEST(Resample, LinearEdgesWrapOrMirror) {
    // Upscaling 2 -> 4: the outer samples fall half a source pixel beyond the edge.
    const Image src = Row({0xff000000, 0xffc8c8c8});  // black, grey 200
    const Image wrap = d3dx::Resample(src, 4, 1, D3DX_FILTER_LINEAR);
    // x = 0: centre -0.25 -> 0.25 of the wrapped right pixel + 0.75 of the left.
    EXPECT_EQ(wrap.pixels[0], 0xff323232u);
    EXPECT_EQ(wrap.pixels[1], 0xff323232u);
    EXPECT_EQ(wrap.pixels[2], 0xff969696u);
    EXPECT_EQ(wrap.pixels[3], 0xff969696u);
    const Image mirror = d3dx::Resample(src, 4, 1, D3DX_FILTER_LINEAR | D3DX_FILTER_MIRROR);
    EXPECT_EQ(mirror.pixels[0], 0xff000000u);  // mirrored: the edge pixel itself
    EXPECT_EQ(mirror.pixels[3], 0xffc8c8c8u);
}

TEST(Resample, TriangleAveragesTheCoveredArea) {
    const Image down = d3dx::Resample(Row({0xff000000, 0xff646464, 0xffc8c8c8, 0xffc8c8c8}), 2, 1,
                                      D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR);
    EXPECT_EQ(down.pixels, (std::vector<DWORD>{0xff323232, 0xffc8c8c8}));
    // 3 -> 4: target pixel 1 covers [0.75, 1.5): 1/3 of source 0 and 2/3 of source 1.
    const Image up = d3dx::Resample(Row({0xff000000, 0xff969696, 0xff000000}), 4, 1, D3DX_FILTER_TRIANGLE);
    EXPECT_EQ(up.pixels[0], 0xff000000u);
    EXPECT_EQ(up.pixels[1], 0xff646464u);
    EXPECT_EQ(up.pixels[2], 0xff646464u);
    EXPECT_EQ(up.pixels[3], 0xff000000u);
}

TEST(Resample, NoneCropsOrPadsWithBlack) {
    Image img;
    img.width = img.height = 2;
    img.pixels = {1, 2, 3, 4};
    const Image big = d3dx::Resample(img, 3, 1, D3DX_FILTER_NONE);
    EXPECT_EQ(big.pixels, (std::vector<DWORD>{1, 2, 0}));
}

TEST(MipChain, LengthAndBoxAverage) {
    EXPECT_EQ(d3dx::FullMipChainLength(256, 64), 9u);
    EXPECT_EQ(d3dx::FullMipChainLength(1, 1), 1u);
    EXPECT_EQ(d3dx::FullMipChainLength(5, 3), 3u);
    EXPECT_EQ(d3dx::NextPowerOfTwo(1), 1u);
    EXPECT_EQ(d3dx::NextPowerOfTwo(100), 128u);
    EXPECT_EQ(d3dx::NextPowerOfTwo(128), 128u);
    Image img;
    img.width = img.height = 2;
    img.pixels = {0xff000000, 0xff404040, 0x00808080, 0xffc0c0c0};
    const Image next = d3dx::NextMipLevel(img, D3DX_FILTER_BOX);
    ASSERT_EQ(next.width, 1u);
    EXPECT_EQ(next.pixels[0], 0xbf606060u);
    Image tall;
    tall.width = 1, tall.height = 4, tall.pixels = {0, 0, 0, 0};
    const Image half = d3dx::NextMipLevel(tall, D3DX_FILTER_POINT);
    EXPECT_EQ(half.width, 1u);
    EXPECT_EQ(half.height, 2u);
}

// ---- packing --------------------------------------------------------------------------

TEST(PixelPack, EveryFormatRoundsToNearest) {
    struct Case {
        DWORD argb;
        WORD r565, a4444, a1555, x4444;
        BYTE l8;
    };
    const Case cases[] = {
        {0xffffffff, 0xffff, 0xffff, 0xffff, 0xffff, 255},
        {0x00000000, 0x0000, 0x0000, 0x0000, 0xf000, 0},
        {0xffff0000, 0xf800, 0xff00, 0xfc00, 0xff00, 76},
        {0x8000ff00, 0x07e0, 0x80f0, 0x83e0, 0xf0f0, 150},
        {0x7f0000ff, 0x001f, 0x700f, 0x001f, 0xf00f, 29},
        {0xff808080, 0x8410, 0xf888, 0xc210, 0xf888, 128},  // 128 -> 16/31, 32/63, 8/15
    };
    for (const Case& c : cases) {
        WORD w;
        BYTE b;
        ASSERT_TRUE(d3dx::PackRow(&c.argb, 1, D3DFMT_R5G6B5, reinterpret_cast<BYTE*>(&w)));
        EXPECT_EQ(w, c.r565) << std::hex << c.argb;
        ASSERT_TRUE(d3dx::PackRow(&c.argb, 1, D3DFMT_A4R4G4B4, reinterpret_cast<BYTE*>(&w)));
        EXPECT_EQ(w, c.a4444) << std::hex << c.argb;
        ASSERT_TRUE(d3dx::PackRow(&c.argb, 1, D3DFMT_A1R5G5B5, reinterpret_cast<BYTE*>(&w)));
        EXPECT_EQ(w, c.a1555) << std::hex << c.argb;
        ASSERT_TRUE(d3dx::PackRow(&c.argb, 1, D3DFMT_X4R4G4B4, reinterpret_cast<BYTE*>(&w)));
        EXPECT_EQ(w, c.x4444) << std::hex << c.argb;
        ASSERT_TRUE(d3dx::PackRow(&c.argb, 1, D3DFMT_L8, &b));
        EXPECT_EQ(b, c.l8) << std::hex << c.argb;
        ASSERT_TRUE(d3dx::PackRow(&c.argb, 1, D3DFMT_A8, &b));
        EXPECT_EQ(b, c.argb >> 24);
        DWORD x;
        ASSERT_TRUE(d3dx::PackRow(&c.argb, 1, D3DFMT_X8R8G8B8, reinterpret_cast<BYTE*>(&x)));
        EXPECT_EQ(x, c.argb | 0xff000000u);
    }
}

TEST(PixelPack, PackRowWritesLittleEndianAndRefusesUnknownFormats) {
    const DWORD src[2] = {0xffff0000, 0xff0000ff};
    BYTE out[8] = {};
    ASSERT_TRUE(d3dx::PackRow(src, 2, D3DFMT_R5G6B5, out));
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[1], 0xf8);
    EXPECT_EQ(out[2], 0x1f);
    EXPECT_EQ(out[3], 0x00);
    BYTE untouched[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(d3dx::PackRow(src, 2, D3DFMT_V8U8, untouched));
    EXPECT_EQ(untouched[0], 9);
    EXPECT_FALSE(d3dx::CanPackArgbTo(D3DFMT_DXT1));
}
