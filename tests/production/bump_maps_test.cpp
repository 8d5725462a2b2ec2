#include "production/bump_maps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A height field of 32-bit pixels whose blue byte is the height.
std::vector<BYTE> HeightField(const std::vector<int>& heights) {
    std::vector<BYTE> pixels(heights.size() * 4, 0);
    for (size_t i = 0; i < heights.size(); ++i) pixels[i * 4] = static_cast<BYTE>(heights[i]);
    return pixels;
}

}  // namespace

TEST(BumpMap, SlopesFromNeighboursInV8U8) {
    // 3 x 3, rising to the right and downwards.
    const auto field = HeightField({10, 20, 30, 40, 50, 60, 70, 80, 90});
    std::vector<BYTE> out(3 * 3 * 2);
    bump_maps::WriteFromHeightField(field.data(), 12, 3, 3, D3DFMT_V8U8, out.data(), 6);
    // Centre (1,1): du = l - r = 40 - 60, dv = u - d = 20 - 80.
    EXPECT_EQ(static_cast<signed char>(out[(1 * 3 + 1) * 2]), -20);
    EXPECT_EQ(static_cast<signed char>(out[(1 * 3 + 1) * 2 + 1]), -60);
    // Column 0 of row 1: its left neighbour is the last pixel of row 0 (30), right is 50.
    EXPECT_EQ(static_cast<signed char>(out[(1 * 3 + 0) * 2]), 30 - 50);
    // The very first pixel has no left neighbour: it stands in for itself; row 0 is its own "up".
    EXPECT_EQ(static_cast<signed char>(out[0]), 10 - 20);
    EXPECT_EQ(static_cast<signed char>(out[1]), 10 - 40);
    // The last pixel: right neighbour is itself, row 2 is its own "down".
    EXPECT_EQ(static_cast<signed char>(out[8 * 2]), 80 - 90);
    EXPECT_EQ(static_cast<signed char>(out[8 * 2 + 1]), 60 - 90);
}

TEST(BumpMap, ValleyTakesTheSteeperSide) {
    // c below both neighbours: du = l - c, raised to c - r if that is larger.
    const auto field = HeightField({50, 10, 20});
    std::vector<BYTE> out(3 * 2);
    bump_maps::WriteFromHeightField(field.data(), 12, 3, 1, D3DFMT_V8U8, out.data(), 6);
    EXPECT_EQ(static_cast<signed char>(out[2]), 40);
}

TEST(BumpMap, X8L8V8U8CarriesTheHeightClass) {
    const auto field = HeightField({0, 1, 2, 200});
    std::vector<BYTE> x8(4 * 4);
    bump_maps::WriteFromHeightField(field.data(), 16, 4, 1, D3DFMT_X8L8V8U8, x8.data(), 16);
    EXPECT_EQ(x8[0 * 4 + 2], 127);
    EXPECT_EQ(x8[1 * 4 + 2], 127);
    EXPECT_EQ(x8[2 * 4 + 2], 63);
    EXPECT_EQ(x8[3 * 4 + 2], 63);
    EXPECT_EQ(x8[3 * 4 + 3], 0);
}

TEST(BumpMap, L6V5U5PacksBothSlopesAndTheLuminance) {
    // The centre of a 3 x 3 field: du and dv shifted right by 3 (arithmetically) into five bits
    // each, the luminance by 2 into six.
    const struct {
        std::vector<int> heights;
        int u, v, luminance;
    } cases[] = {
        {{10, 20, 30, 40, 50, 60, 70, 80, 90}, 29, 24, 15},  // du -20 -> -3, dv -60 -> -8; c 50: 63
        {{90, 80, 70, 60, 50, 40, 30, 20, 10}, 2, 7, 15},    // du 20 -> 2, dv 60 -> 7
        {{9, 200, 9, 120, 1, 100, 9, 16, 9}, 14, 23, 31},    // valley: du 120 - 1; dv 184; c 1: 127
    };
    for (const auto& c : cases) {
        const auto field = HeightField(c.heights);
        std::vector<BYTE> out(3 * 3 * 2);
        bump_maps::WriteFromHeightField(field.data(), 12, 3, 3, D3DFMT_L6V5U5, out.data(), 6);
        const int packed = out[8] | (out[9] << 8);
        EXPECT_EQ(packed, c.u | (c.v << 5) | (c.luminance << 10)) << c.heights[0];
    }
}

TEST(BumpMap, WaveAtTheCentreHasPhaseZero) {
    std::vector<BYTE> out(bump_maps::kWaveSize * bump_maps::kWaveSize * 2);
    bump_maps::WriteWave(out.data(), bump_maps::kWaveSize * 2);
    const size_t centre = (128 * bump_maps::kWaveSize + 128) * 2;
    EXPECT_EQ(static_cast<signed char>(out[centre]), 64);
    EXPECT_EQ(static_cast<signed char>(out[centre + 1]), 0);
    // A quarter wave further along (x + y up by 32): a = pi/2, du = 0 after truncation, dv = 64.
    const size_t quarter = (128 * bump_maps::kWaveSize + 160) * 2;
    EXPECT_EQ(static_cast<signed char>(out[quarter]), 0);
    EXPECT_EQ(static_cast<signed char>(out[quarter + 1]), 64);
}
