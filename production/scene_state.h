// State shared by the per-frame update and the scenes, with program lifetime.
// The schedule writes g_nScene; the update reads it one frame later.
#pragma once

extern int g_nScene;            // scene of the previous Render; 0 on the first frame
extern float g_fBeatPhase;      // beat phase, see timeline_clock.h
extern int g_nFlash;            // flash grey level, 0..255
extern float g_fShakeX;         // camera shake offsets
extern float g_fShakeY;
extern int g_nNumeral;          // countdown numeral index, 4 down to below 0
extern float g_fNumeralClock;   // seconds since the last countdown step
extern int g_nShakeBeats;       // beats since the last shake of the surface scene
extern float g_fSphereAngle;    // radians, sphere rotation of the surface scene
extern bool g_bSceneFiveEntered;  // the figures scene has had its opening flash
extern int g_nCavePath;         // cave camera path and greeting index, 0..7
extern float g_fCavePathClock;  // seconds since the last path step
extern int g_nPhaseBeats;       // beats since the last camera phase impulse (credits)
extern float g_fPhaseRateX;     // credits camera phase rates, per frame
extern float g_fPhaseRateZ;
extern float g_fPhaseX;         // credits camera phases
extern float g_fPhaseZ;
extern float g_fSpin;           // radians, spin of the shapes scene
extern float g_fTitleAngle;     // radians, turn of the opening's title picture

// Puts all of the above back to the values a fresh production starts with.
void ResetSceneState();
