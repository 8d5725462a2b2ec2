#include "production/schedule.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace timeline;

namespace {

int SceneAt(float t, int previous = -1) { return EvaluateSchedule(t, previous).scene; }

}  // namespace

TEST(Schedule, ScenesAtTheirTimes) {
    struct Case {
        float t;
        int scene;
    } cases[] = {
        {0.0f, kSceneBlack},        {0.5f, kSceneBlack},        {1.0f, kSceneBlack},
        {1.2f, kSceneOpening},      {15.0f, kSceneOpening},     {30.0f, kSceneCountdown},
        {31.0f, kSceneCountdown},   {33.0f, kSceneShapes},      {34.5f, kSceneShapes},
        {37.0f, kSceneCountdown},   {59.0f, kSceneShapes},      {62.0f, kSceneBumpGrids},
        {73.2f, kSceneNumeralFlash}, {75.0f, kSceneBumpGrids},  {77.2f, kSceneNumeralFlash},
        {83.2f, kSceneNumeralFlash}, {83.6f, kSceneBumpGrids},  {90.0f, kSceneCredits},
        {113.0f, kSceneCave},       {120.0f, kSceneCave},       {139.0f, kSceneFigures},
        {155.0f, kSceneShapes},     {166.0f, kSceneBumpGrids},  {170.0f, kSceneBumpGrids},
        {180.0f, kSceneCredits},    {195.0f, kSceneOpening},    {210.0f, kSceneFinale},
        {219.0f, kSceneFinale},
    };
    for (const Case& c : cases) EXPECT_EQ(SceneAt(c.t), c.scene) << "t = " << c.t;
}

TEST(Schedule, GapsKeepThePreviousScene) {
    EXPECT_EQ(SceneAt(1.15f, kSceneBlack), kSceneBlack);
    EXPECT_EQ(SceneAt(60.5f, kSceneShapes), kSceneShapes);
    EXPECT_EQ(SceneAt(61.7f, kSceneShapes), kSceneShapes);
    EXPECT_EQ(SceneAt(250.0f, kSceneFinale), kSceneFinale);
}

TEST(Schedule, OneOffActionsHoldOnlyInTheirWindows) {
    EXPECT_FALSE(EvaluateSchedule(0.99f, 0).startMusic);
    EXPECT_TRUE(EvaluateSchedule(1.0f, 0).startMusic);
    EXPECT_TRUE(EvaluateSchedule(1.05f, 0).startMusic);
    EXPECT_FALSE(EvaluateSchedule(1.15f, 0).startMusic);
    EXPECT_TRUE(EvaluateSchedule(29.9f, 1).resetBeatPhase);
    EXPECT_FALSE(EvaluateSchedule(30.1f, 3).resetBeatPhase);
    EXPECT_TRUE(EvaluateSchedule(187.2f, 7).startAlven);
    EXPECT_FALSE(EvaluateSchedule(187.6f, 7).startAlven);
}

TEST(Schedule, MixedPrecisionBoundsLetTheLaterRuleWin) {
    // 87.4f is slightly above the double 87.4: between the two both rules hold, the later wins.
    const float between = 87.4f;
    ASSERT_GT(static_cast<double>(between), 87.4);
    EXPECT_EQ(SceneAt(between), kSceneCredits);
    const float justBelow = std::nextafter(87.4f, 0.0f);
    ASSERT_LT(static_cast<double>(justBelow), 87.4);
    EXPECT_EQ(SceneAt(justBelow), kSceneBumpGrids);
    EXPECT_EQ(SceneAt(204.3f), kSceneFinale);
}
