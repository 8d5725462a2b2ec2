#include "production/music_clock.h"

#include "app/frame_timer.h"
#include "production/program_objects.h"

#include <cstdio>

namespace {

constexpr double kBytesPerSecond = 44100.0 * 4;  // 16-bit stereo at the rate the library opens
float g_startTime = -1.0f;                       // production seconds; < 0: not started

void FollowClock(bool running) {
    if (!g_hMusic) return;
    if (!running) {
        if (BASS_ChannelIsActive(g_hMusic) == BASS_ACTIVE_PLAYING) BASS_ChannelPause(g_hMusic);
        return;
    }
    if (BASS_ChannelIsActive(g_hMusic) != BASS_ACTIVE_PAUSED) return;
    // From the time the clock resumes at: a stopped clock may have been stepped meanwhile.
    music_clock::PlaceAt(FrameTimer(TIMER_GETAPPTIME));
    BASS_StreamPlay(g_hMusic, FALSE, 0);
}

}  // namespace

namespace music_clock {

void FollowFrameClock() { SetFrameClockListener(FollowClock); }

void Started(float t) { g_startTime = t; }

void Reopened() {
    if (!g_hMusic || g_startTime < 0.0f) return;
    PlaceAt(FrameTimer(TIMER_GETAPPTIME));
    BASS_StreamPlay(g_hMusic, FALSE, 0);
    if (!FrameClockRunning()) BASS_ChannelPause(g_hMusic);
}

void Forget() { g_startTime = -1.0f; }

void PlaceAt(float t) {
    if (!g_hMusic || g_startTime < 0.0f) return;
    const double seconds = static_cast<double>(t) - g_startTime;
    const QWORD bytes = BASS_ChannelSeconds2Bytes(g_hMusic, seconds > 0.0 ? seconds : 0.0);
    if (bytes != ~QWORD{0}) BASS_ChannelSetPosition(g_hMusic, bytes);
}

void Report() {
    if (!g_hMusic) return;
    const QWORD bytes = BASS_ChannelGetPosition(g_hMusic);
    if (bytes == ~QWORD{0}) return;
    char line[160];
    std::snprintf(line, sizeof line, "music: %.3f s into the stream at production time %.3f s (started at %.3f s)\n",
                  static_cast<double>(bytes) / kBytesPerSecond, static_cast<double>(FrameTimer(TIMER_GETAPPTIME)),
                  static_cast<double>(g_startTime));
    OutputDebugStringA(line);
}

}  // namespace music_clock
