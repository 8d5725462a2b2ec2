// The surface scene's object grids: which sets are drawn when, where and how large.
#include "production/object_grids.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

size_t LitCount(const std::vector<object_grids::Placement>& objects) {
    size_t lit = 0;
    for (const auto& object : objects) lit += object.lit;
    return lit;
}

}  // namespace

TEST(ObjectGrids, WindowsOverlapAtTheirEnds) {
    EXPECT_TRUE(object_grids::At(72.9f, 0).empty());
    EXPECT_EQ(object_grids::At(75.0f, 0).size(), 1u);
    EXPECT_EQ(object_grids::At(77.0f, 0).size(), 1u + 27u);
    EXPECT_EQ(object_grids::At(80.0f, 0).size(), 27u);
    EXPECT_EQ(object_grids::At(83.0f, 0).size(), 27u + 392u);
    const auto both = object_grids::At(100.0f, 0);
    ASSERT_EQ(both.size(), 392u + 392u);
    EXPECT_EQ(LitCount(both), 392u);
    EXPECT_FALSE(both.front().lit);  // the unlit grid first: the light is set between them
    EXPECT_TRUE(both.back().lit);
    EXPECT_EQ(object_grids::At(180.0f, 0).size(), 392u);
    EXPECT_TRUE(object_grids::At(180.1f, 0).empty());
}

TEST(ObjectGrids, PlacesAndScales) {
    // The turned object: at (0, 0, 11), unturned at angle 0.
    const D3DXMATRIX single = object_grids::At(75.0f, 0).front().world;
    EXPECT_FLOAT_EQ(single._11, 1);
    EXPECT_FLOAT_EQ(single._43, 11);
    // The 27: x, y from -1 to 1 and z from 10 to 12, z fastest, at scale 0.2.
    const auto small = object_grids::At(80.0f, 0);
    EXPECT_FLOAT_EQ(small[0].world._11, 0.2f);
    EXPECT_FLOAT_EQ(small[0].world._41, -1);
    EXPECT_FLOAT_EQ(small[1].world._43, 11);
    EXPECT_FLOAT_EQ(small[26].world._42, 1);
    // The 392 at scale 0.15 from (-3, -3, 10) to (3, 3, 17).
    const auto large = object_grids::At(90.0f, 0);
    EXPECT_FLOAT_EQ(large.front().world._22, 0.15f);
    EXPECT_FLOAT_EQ(large.back().world._41, 3);
    EXPECT_FLOAT_EQ(large.back().world._43, 17);
    // The lit ones pulse with the angle: sin(2q + x) / 10 + 0.2, x the column.
    const float q = 0.7f;
    const auto lit = object_grids::At(150.0f, q);
    EXPECT_NEAR(lit.front().world._33, std::sin(2 * q - 3) / 10 + 0.2f, 1e-6f);
    EXPECT_NEAR(lit.back().world._33, std::sin(2 * q + 3) / 10 + 0.2f, 1e-6f);
}
