// Golden images: the refshot scenes rendered at 128 x 96 through an off-screen REF device
// must match the pictures in golden/ (made by `refshot golden 128 96` and checked by eye).
// A pixel counts as different when a channel is off by more than 2; up to 1% of the pixels
// may differ, so small changes of rounding (a SIMD or threaded pixel loop) pass while a
// changed rule or formula fails. A failing scene leaves its picture in the temp directory.
#include "offscreen.h"
#include "scenes.h"
#include "tools/png_file/png_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr UINT kWidth = 128, kHeight = 96;
constexpr int kChannelTolerance = 2;
constexpr double kMaxDifferentFraction = 0.01;

class RefGolden : public ::testing::TestWithParam<int> {};

TEST_P(RefGolden, SceneMatchesItsPicture) {
    int count = 0;
    const refshot::Scene& scene = refshot::Scenes(count)[GetParam()];
    refshot::OffscreenDevice device;
    std::string error;
    ASSERT_TRUE(device.Create(kWidth, kHeight, error)) << error;
    std::vector<std::uint8_t> actual;
    ASSERT_TRUE(device.Render(scene, actual, error)) << error;

    const std::string goldenPath = std::string(MORVELT_REF_GOLDEN_DIR) + "/" + scene.name + ".png";
    pngfile::Picture golden;
    ASSERT_TRUE(pngfile::Read(goldenPath, pngfile::Channels::Rgb, golden, error)) << error;
    ASSERT_EQ(golden.width, static_cast<int>(kWidth));
    ASSERT_EQ(golden.height, static_cast<int>(kHeight));
    const std::vector<std::uint8_t>& expected = golden.bytes;

    int different = 0, worst = 0;
    for (std::size_t p = 0; p < actual.size(); p += 3) {
        int d = 0;
        for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int{actual[p + c]} - int{expected[p + c]}));
        worst = std::max(worst, d);
        different += d > kChannelTolerance;
    }
    const double fraction = static_cast<double>(different) / (kWidth * kHeight);
    if (fraction > kMaxDifferentFraction) {
        const std::string out =
            (std::filesystem::temp_directory_path() / (std::string("refshot-actual-") + scene.name + ".png")).string();
        pngfile::Write(out, {static_cast<int>(kWidth), static_cast<int>(kHeight), pngfile::Channels::Rgb, actual}, error);
        ADD_FAILURE() << scene.name << ": " << different << " pixels differ (largest channel difference " << worst
                      << "); the picture drawn is in " << out;
    }
}

std::string SceneName(const ::testing::TestParamInfo<int>& info) {
    int count = 0;
    return refshot::Scenes(count)[info.param].name;
}

int SceneCount() {
    int count = 0;
    refshot::Scenes(count);
    return count;
}

INSTANTIATE_TEST_SUITE_P(Scenes, RefGolden, ::testing::Range(0, SceneCount()), SceneName);

}  // namespace
