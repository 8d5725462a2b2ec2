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
