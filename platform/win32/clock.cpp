#include "platform/win32/clock.h"

#include <chrono>

namespace {

platform::FakeClock*& Fake() {
    static platform::FakeClock* fake = nullptr;
    return fake;
}

std::int64_t MonotonicNanoseconds() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return FALSE;
    if (platform::FakeClock* f = Fake()) {
        frequency->QuadPart = f->counterAvailable ? f->frequency : 0;
        return f->counterAvailable ? TRUE : FALSE;
    }
    frequency->QuadPart = 1000000000;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
    if (!counter) return FALSE;
    if (platform::FakeClock* f = Fake()) {
        counter->QuadPart = f->counter;
        f->counter += f->counterStep;
        return f->counterAvailable ? TRUE : FALSE;
    }
    counter->QuadPart = MonotonicNanoseconds();
    return TRUE;
}

DWORD timeGetTime() {
    if (platform::FakeClock* f = Fake()) {
        DWORD now = f->milliseconds;
        f->milliseconds += f->millisecondStep;
        return now;
    }
    return static_cast<DWORD>(MonotonicNanoseconds() / 1000000);
}

namespace platform {

FakeClock* SetFakeClock(FakeClock* clock) {
    FakeClock* previous = Fake();
    Fake() = clock;
    return previous;
}

}  // namespace platform
