// The clock: a high-resolution counter and a millisecond clock, both on the monotonic clock.
// Tests replace both with a fake clock they move by hand.
#pragma once

#include "platform/win32/handles.h"

// Counts per second of QueryPerformanceCounter (nanoseconds: 1e9); FALSE when no counter.
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
// Milliseconds since an arbitrary origin, wrapping at 2^32.
DWORD timeGetTime();

namespace platform {

struct FakeClock {
    bool counterAvailable = true;  // what QueryPerformanceFrequency reports
    std::int64_t frequency = 1000000;
    std::int64_t counter = 0;      // QueryPerformanceCounter
    DWORD milliseconds = 0;        // timeGetTime
    std::int64_t counterStep = 0;  // added to `counter` after each read (a clock that moves)
    DWORD millisecondStep = 0;     // added to `milliseconds` after each read
};

// Routes the clock calls to `clock` (NULL: back to the monotonic clock). Returns the previous.
FakeClock* SetFakeClock(FakeClock* clock);

}  // namespace platform
