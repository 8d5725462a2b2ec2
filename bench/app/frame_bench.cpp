// The frame's own cost per rendered frame: one pass of the loop that finds the queue empty,
// and the clock readings of RenderFrame.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "app/frame_timer.h"
#include "platform/win32.h"

namespace {

void BM_PeekMessageOnEmptyQueue(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    platform::VideoAvailable();
    platform::ResetMessageQueue();
    MSG msg;
    for (auto _ : state) benchmark::DoNotOptimize(PeekMessage(&msg, NULL, 0, 0, PM_REMOVE));
}
BENCHMARK(BM_PeekMessageOnEmptyQueue);

void BM_PostAndDispatchOneMessage(benchmark::State& state) {
    platform::ResetMessageQueue();
    MSG msg;
    for (auto _ : state) {
        PostMessage(NULL, WM_USER, 0, 0);
        benchmark::DoNotOptimize(PeekMessage(&msg, NULL, 0, 0, PM_REMOVE));
    }
}
BENCHMARK(BM_PostAndDispatchOneMessage);

void BM_FrameClockReadings(benchmark::State& state) {
    FrameTimer(TIMER_START);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FrameTimer(TIMER_GETAPPTIME));
        benchmark::DoNotOptimize(FrameTimer(TIMER_GETELAPSEDTIME));
        benchmark::DoNotOptimize(FrameTimer(TIMER_GETABSOLUTETIME));
    }
}
BENCHMARK(BM_FrameClockReadings);

}  // namespace

BENCHMARK_MAIN();
