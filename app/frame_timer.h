// The frame clock: one per process. Application time starts at the first Start, stands still
// between Stop and Start, and a stopped clock can be stepped forward a tenth of a second.
#pragma once

enum TimerCommand {
    TIMER_RESET = 0,
    TIMER_START = 1,
    TIMER_STOP = 2,
    TIMER_ADVANCE = 3,
    TIMER_GETABSOLUTETIME = 4,  // seconds since an arbitrary origin; always the running clock
    TIMER_GETAPPTIME = 5,       // application seconds
    TIMER_GETELAPSEDTIME = 6,   // seconds since the previous GetElapsedTime (or Reset/Start/Stop)
};

// Seconds (0.0 for the commands that change the clock); -1.0 for an unknown command.
// Uses the high-resolution counter when there is one, else the millisecond clock.
float FrameTimer(int command);

// Told after every change between running and stopped (Start after Stop: true; Stop while
// running: false), so that what plays along with the clock (the music) can pause with it.
// One listener per process; NULL removes it.
using FrameClockListener = void (*)(bool running);
void SetFrameClockListener(FrameClockListener listener);
// Whether the clock runs (a Start has come since the last Stop).
bool FrameClockRunning();

// Forgets everything, as in a fresh process: the next command reads the clock's frequency
// anew (the clock may have been replaced meanwhile) and the first Start begins application
// time at 0. The listener is not told.
void RestartFrameTimer();

// Moves application time on by `seconds` (a production fast-forwarded to a later time goes on
// from there on the real clock).
void ShiftFrameTimer(double seconds);
