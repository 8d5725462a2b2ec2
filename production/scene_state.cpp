#include "production/scene_state.h"

int g_nScene = 0;
float g_fBeatPhase = 0.0f;
int g_nFlash = 0;
float g_fShakeX = 0.0f;
float g_fShakeY = 0.0f;
int g_nNumeral = 4;
float g_fNumeralClock = 0.0f;
int g_nShakeBeats = 0;
float g_fSphereAngle = 0.0f;
bool g_bSceneFiveEntered = false;
int g_nCavePath = 0;
float g_fCavePathClock = 0.0f;
int g_nPhaseBeats = 0;
float g_fPhaseRateX = 0.0f;
float g_fPhaseRateZ = 0.0f;
float g_fPhaseX = 0.0f;
float g_fPhaseZ = 0.0f;
float g_fSpin = 0.0f;
float g_fTitleAngle = 1.55f;
