#include "app/frame_timer.h"

#include "app/testing.h"
#include "platform/win32.h"

namespace {

struct TimerState {
    bool initialised = false;
    bool usingCounter = false;
    // Whether a Start has come since the last Stop. A Start on a running clock changes
    // nothing: the base may only take in a stopped interval, never the clock's whole reading
    // (which would throw application time back by the time since boot).
    bool running = false;
    // Counter path, ticks; stop time 0 means running.
    std::int64_t ticksPerSecond = 0;
    std::int64_t stopTime = 0;
    std::int64_t lastElapsed = 0;
    std::int64_t baseTime = 0;
    // Fallback path, seconds; stop time 0.0 means running.
    double stopSeconds = 0.0;
    double lastElapsedSeconds = 0.0;
    double baseSeconds = 0.0;
};

TimerState g_timer;
FrameClockListener g_listener = nullptr;

float CounterPath(int command) {
    TimerState& s = g_timer;
    LARGE_INTEGER now;
    if (s.stopTime != 0 && command != TIMER_START && command != TIMER_GETABSOLUTETIME)
        now.QuadPart = s.stopTime;
    else
        QueryPerformanceCounter(&now);
    const double perSecond = static_cast<double>(s.ticksPerSecond);
    switch (command) {
        case TIMER_RESET:
            s.baseTime = now.QuadPart;
            s.lastElapsed = now.QuadPart;
            return 0.0f;
        case TIMER_START:
            if (s.running) return 0.0f;
            s.running = true;
            s.baseTime += now.QuadPart - s.stopTime;
            s.stopTime = 0;
            s.lastElapsed = now.QuadPart;
            return 0.0f;
        case TIMER_STOP:
            s.running = false;
            s.stopTime = now.QuadPart;
            s.lastElapsed = now.QuadPart;
            return 0.0f;
        case TIMER_ADVANCE:
            s.stopTime += s.ticksPerSecond / 10;
            return 0.0f;
        case TIMER_GETABSOLUTETIME:
            return static_cast<float>(static_cast<double>(now.QuadPart) / perSecond);
        case TIMER_GETAPPTIME:
            return static_cast<float>(static_cast<double>(now.QuadPart - s.baseTime) / perSecond);
        case TIMER_GETELAPSEDTIME: {
            double elapsed = static_cast<double>(now.QuadPart - s.lastElapsed) / perSecond;
            s.lastElapsed = now.QuadPart;
            return static_cast<float>(elapsed);
        }
        default:
            return -1.0f;
    }
}

float FallbackPath(int command) {
    TimerState& s = g_timer;
    double now;
    if (s.stopSeconds != 0.0 && command != TIMER_START && command != TIMER_GETABSOLUTETIME)
        now = s.stopSeconds;
    else
        now = timeGetTime() * 0.001;
    switch (command) {
        case TIMER_RESET:
            s.baseSeconds = now;
            s.lastElapsedSeconds = now;
            return 0.0f;
        case TIMER_START:
            if (s.running) return 0.0f;
            s.running = true;
            s.baseSeconds += now - s.stopSeconds;
            s.stopSeconds = 0.0;
            s.lastElapsedSeconds = now;
            return 0.0f;
        case TIMER_STOP:
            s.running = false;
            s.stopSeconds = now;  // the last elapsed time stays where it was
            return 0.0f;
        case TIMER_ADVANCE:
            s.stopSeconds += 0.1f;
            return 0.0f;
        case TIMER_GETABSOLUTETIME:
            return static_cast<float>(now);
        case TIMER_GETAPPTIME:
            return static_cast<float>(now - s.baseSeconds);
        case TIMER_GETELAPSEDTIME: {
            double elapsed = now - s.lastElapsedSeconds;
            s.lastElapsedSeconds = now;
            return static_cast<float>(elapsed);
        }
        default:
            return -1.0f;
    }
}

}  // namespace

float FrameTimer(int command) {
    if (command < TIMER_RESET || command > TIMER_GETELAPSEDTIME) return -1.0f;
    if (!g_timer.initialised) {
        g_timer.initialised = true;
        LARGE_INTEGER frequency;
        frequency.QuadPart = 0;
        // A counter that reports no ticks per second cannot measure anything: use the fallback.
        g_timer.usingCounter = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0;
        if (g_timer.usingCounter) g_timer.ticksPerSecond = frequency.QuadPart;
    }
    const bool wasRunning = g_timer.running;
    const float result = g_timer.usingCounter ? CounterPath(command) : FallbackPath(command);
    if (g_listener && g_timer.running != wasRunning) g_listener(g_timer.running);
    return result;
}

void SetFrameClockListener(FrameClockListener listener) { g_listener = listener; }

bool FrameClockRunning() { return g_timer.running; }

void RestartFrameTimer() { g_timer = TimerState{}; }

void ShiftFrameTimer(double seconds) {
    if (!g_timer.initialised) FrameTimer(TIMER_GETABSOLUTETIME);  // chooses the path
    if (g_timer.usingCounter)
        g_timer.baseTime -= static_cast<std::int64_t>(seconds * static_cast<double>(g_timer.ticksPerSecond));
    else
        g_timer.baseSeconds -= seconds;
}

namespace frame_test {

void ResetFrameTimer() { RestartFrameTimer(); }

}  // namespace frame_test
