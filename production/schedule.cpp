#include "production/schedule.h"

#include <limits>

namespace timeline {
namespace {

struct SceneRule {
    double from;  // inclusive
    double to;    // inclusive
    int scene;
};

// In evaluation order. Most bounds are exact; 87.4 and 204.3 appear both as single-precision
// upper bounds (rules 15 and 27) and as double-precision lower bounds (rules 16 and 28), so for
// the few clock values between the two both neighbouring rules hold and the later one wins.
constexpr double kAlways = -std::numeric_limits<double>::infinity();
constexpr SceneRule kSceneRules[] = {
    {kAlways, 1.0, kSceneBlack},
    {1.2, 30.0, kSceneOpening},
    {30.0, 33.0, kSceneCountdown},
    {33.0, 36.0, kSceneShapes},
    {36.0, 39.0, kSceneCountdown},
    {39.0, 42.0, kSceneShapes},
    {42.0, 45.0, kSceneCountdown},
    {45.0, 48.0, kSceneShapes},
    {48.0, 51.0, kSceneCountdown},
    {51.0, 54.0, kSceneShapes},
    {54.0, 57.0, kSceneCountdown},
    {57.0, 60.0, kSceneShapes},
    {61.8, static_cast<double>(87.4f), kSceneBumpGrids},
    {87.4, 113.0, kSceneCredits},
    {73.0, 73.5, kSceneNumeralFlash},
    {77.0, 77.5, kSceneNumeralFlash},
    {83.0, 83.5, kSceneNumeralFlash},
    {113.0, 139.0, kSceneCave},
    {138.9, 153.0, kSceneFigures},
    {153.0, 160.0, kSceneShapes},
    {160.0, 166.0, kSceneShapes},
    {166.0, 178.5, kSceneBumpGrids},
    {178.5, 190.0, kSceneCredits},
    {190.0, static_cast<double>(204.3f), kSceneOpening},
    {204.3, 219.0, kSceneFinale},
};

bool Within(double t, double from, double to) { return t >= from && t <= to; }

}  // namespace

ScheduleResult EvaluateSchedule(float time, int previousScene) {
    const double t = time;
    ScheduleResult result;
    result.scene = previousScene;
    for (const SceneRule& rule : kSceneRules)
        if (Within(t, rule.from, rule.to)) result.scene = rule.scene;
    result.startMusic = Within(t, 1.0, 1.1);
    result.resetBeatPhase = Within(t, 29.8, 30.0);
    result.startAlven = Within(t, 187.0, 187.5);
    return result;
}

}  // namespace timeline
