#include "production/scene_state.h"

int g_nScene;
float g_fBeatPhase;
int g_nFlash;
float g_fShakeX;
float g_fShakeY;
int g_nNumeral;
float g_fNumeralClock;
int g_nShakeBeats;
float g_fSphereAngle;
bool g_bSceneFiveEntered;
int g_nCavePath;
float g_fCavePathClock;
int g_nPhaseBeats;
float g_fPhaseRateX;
float g_fPhaseRateZ;
float g_fPhaseX;
float g_fPhaseZ;
float g_fSpin;
float g_fTitleAngle;

void ResetSceneState() {
    g_nScene = 0;
    g_fBeatPhase = 0.0f;
    g_nFlash = 0;
    g_fShakeX = 0.0f;
    g_fShakeY = 0.0f;
    g_nNumeral = 4;
    g_fNumeralClock = 0.0f;
    g_nShakeBeats = 0;
    g_fSphereAngle = 0.0f;
    g_bSceneFiveEntered = false;
    g_nCavePath = 0;
    g_fCavePathClock = 0.0f;
    g_nPhaseBeats = 0;
    g_fPhaseRateX = 0.0f;
    g_fPhaseRateZ = 0.0f;
    g_fPhaseX = 0.0f;
    g_fPhaseZ = 0.0f;
    g_fSpin = 0.0f;
    g_fTitleAngle = 1.55f;
}

namespace {
[[maybe_unused]] const bool g_sceneStateSet = (ResetSceneState(), true);
}  // namespace
