// Time conventions of the production, shared by the update and the scenes.
//
// t: the production clock, seconds of application time (the frame's m_fTime, 32-bit float).
// dt: the frame delta, seconds (m_fElapsedTime, raised to at least kMinimumFrameDelta).
// Beat phase: g_fBeatPhase grows by dt / kBeatPeriod in the scenes that use it; it is a
// unitless phase (one unit per kBeatPeriod seconds) used as an angle in radians.
// Many steps advance once per frame rather than per second (flash decay, shake settling,
// spins); they are marked "per frame" where they happen, and their speed follows the frame rate.
#pragma once

namespace timeline {

constexpr float kBeatPeriod = 3.022f;          // seconds per unit of beat phase
constexpr float kTitleTurnPeriod = 3.022f;     // seconds per radian the opening's title turns
constexpr float kScrollPeriod = 0.822f;        // seconds per unit of the countdown bars and the surface angle
constexpr float kMorphPeriod = 0.522f;         // seconds per radian of the sphere's morph phase
constexpr float kCavePathDuration = 3.375f;    // seconds on each of the cave's camera paths
constexpr float kLastShakeBeat = 180.0f;       // seconds; scenes 2 and 5 flash and shake on beats until here
constexpr float kLastCreditsBeat = 111.0f;     // seconds; the credits flash and speed up on beats until here
constexpr float kMinimumFrameDelta = 0.0001f;  // seconds; smaller deltas are raised to this
constexpr float kEnd = 219.0f;                 // seconds; from here on nothing is drawn
constexpr float kTransitionLifetime = 7.0f;    // seconds before the update recycles a transition
constexpr float kFadeDuration = 5.0f;          // seconds of the solid fade made on every recycle

}  // namespace timeline
