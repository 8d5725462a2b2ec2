// The fixed schedule of the timeline: which scene a production time shows, and the few
// one-off actions tied to time windows. Pure, so it can be tested without a device.
#pragma once

namespace timeline {

// Scene numbers as the schedule writes them.
enum Scene : int {
    kSceneBlack = 0,
    kSceneOpening = 1,
    kSceneShapes = 2,
    kSceneCountdown = 3,
    kSceneBumpGrids = 4,
    kSceneFigures = 5,
    kSceneCave = 6,
    kSceneCredits = 7,
    kSceneNumeralFlash = 8,
    kSceneFinale = 9,
};

struct ScheduleResult {
    int scene = kSceneBlack;      // the scene for this frame
    bool startMusic = false;      // play the music from its beginning (every frame of the window)
    bool resetBeatPhase = false;  // set the beat phase back to 0
    bool startAlven = false;      // start the particle system of the reprise
};

// Evaluates every rule in order; a later rule that holds wins. Where no rule sets the
// scene, the previous frame's scene stays. `time` is widened to double for every
// comparison, against the bounds as the timeline defines them.
ScheduleResult EvaluateSchedule(float time, int previousScene);

}  // namespace timeline
