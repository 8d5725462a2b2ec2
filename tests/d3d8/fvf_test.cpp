// FVF decoding against hand-computed layouts.
#include "platform/d3d8/fvf.h"

#include <gtest/gtest.h>

namespace {

using d3d8::DecodeFvf;
using d3d8::kFvfAbsent;

TEST(Fvf, LayoutsOfTheProductionVertices) {
    // Screen quad: position, diffuse, one pair (24 bytes).
    auto q = DecodeFvf(0x142);
    ASSERT_TRUE(q.valid);
    EXPECT_EQ(q.size, 24u);
    EXPECT_EQ(q.diffuse, 12);
    EXPECT_EQ(q.texCoord[0], 16);
    EXPECT_EQ(q.normal, kFvfAbsent);
    // Two-texture vertex: position, normal, two pairs (40 bytes).
    auto t = DecodeFvf(0x212);
    ASSERT_TRUE(t.valid);
    EXPECT_EQ(t.size, 40u);
    EXPECT_EQ(t.normal, 12);
    EXPECT_EQ(t.texCoord[0], 24);
    EXPECT_EQ(t.texCoord[1], 32);
    // Text vertex: pre-transformed position with rhw, diffuse, one pair (28 bytes).
    auto f = DecodeFvf(0x144);
    ASSERT_TRUE(f.valid);
    EXPECT_TRUE(f.transformed);
    EXPECT_EQ(f.size, 28u);
    EXPECT_EQ(f.diffuse, 16);
    EXPECT_EQ(f.texCoord[0], 20);
    // Particle vertex: position and diffuse (16 bytes).
    EXPECT_EQ(DecodeFvf(D3DFVF_XYZ | D3DFVF_DIFFUSE).size, 16u);
}

TEST(Fvf, EveryElementAndCoordinateSize) {
    const DWORD fvf = D3DFVF_XYZB2 | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX3 |
                      D3DFVF_TEXCOORDSIZE1(0) | D3DFVF_TEXCOORDSIZE4(2);
    auto l = DecodeFvf(fvf);
    ASSERT_TRUE(l.valid);
    EXPECT_EQ(l.blendWeights, 2u);
    EXPECT_EQ(l.normal, 20);
    EXPECT_EQ(l.pointSize, 32);
    EXPECT_EQ(l.diffuse, 36);
    EXPECT_EQ(l.specular, 40);
    EXPECT_EQ(l.texCoord[0], 44);
    EXPECT_EQ(l.texCoordDims[0], 1u);
    EXPECT_EQ(l.texCoord[1], 48);
    EXPECT_EQ(l.texCoordDims[1], 2u);
    EXPECT_EQ(l.texCoord[2], 56);
    EXPECT_EQ(l.texCoordDims[2], 4u);
    EXPECT_EQ(l.size, 72u);
}

TEST(Fvf, InvalidCodes) {
    EXPECT_FALSE(DecodeFvf(0).valid);                                 // no position
    EXPECT_FALSE(DecodeFvf(D3DFVF_DIFFUSE | D3DFVF_TEX1).valid);      // no position
    EXPECT_FALSE(DecodeFvf(D3DFVF_XYZ | D3DFVF_RESERVED0).valid);     // shader-handle bit
    EXPECT_FALSE(DecodeFvf(D3DFVF_XYZ | 0x900).valid);                // 9 texture sets
    EXPECT_FALSE(DecodeFvf(D3DFVF_XYZRHW | D3DFVF_NORMAL).valid);     // normal on transformed
    EXPECT_FALSE(DecodeFvf(D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(1)).valid);  // size of absent set
    EXPECT_FALSE(DecodeFvf(D3DFVF_XYZ | 0x4000).valid);               // reserved bit
}

}  // namespace

TEST(Fvf, VerticesReadByPrimitives) {
    EXPECT_EQ(d3d8::VerticesForPrimitives(D3DPT_TRIANGLESTRIP, 4), 6u);
    EXPECT_EQ(d3d8::VerticesForPrimitives(D3DPT_TRIANGLEFAN, 4), 6u);
    EXPECT_EQ(d3d8::VerticesForPrimitives(D3DPT_LINESTRIP, 3), 4u);
    EXPECT_EQ(d3d8::VerticesForPrimitives(D3DPT_LINELIST, 3), 6u);
    EXPECT_EQ(d3d8::VerticesForPrimitives(D3DPT_TRIANGLELIST, 0xFFFFFFFFu), 3ull * 0xFFFFFFFFu);  // no overflow
    EXPECT_EQ(d3d8::VerticesForPrimitives(D3DPT_TRIANGLESTRIP, 0), 0u);  // no primitives read nothing
    EXPECT_EQ(d3d8::VerticesForPrimitives(static_cast<D3DPRIMITIVETYPE>(7), 5), 0u);
}
