// The frame timer on its two paths, driven by the fake clock.
#include "tests/app/test_support.h"

namespace {

class TimerTest : public FrameTest {
protected:
    void UseFallback() { clock_.counterAvailable = false; }
};

}  // namespace

TEST_F(TimerTest, CounterPathStopsAdvancesAndRestarts) {
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_START), 0.0f);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETAPPTIME), 0.0f);  // the first Start anchors time at 0
    Advance(1.5);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.5f, 1e-6);
    EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), 1.5f, 1e-6);
    Advance(0.25);
    FrameTimer(TIMER_STOP);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETELAPSEDTIME), 0.0f);
    const float abs0 = FrameTimer(TIMER_GETABSOLUTETIME);
    Advance(2.0);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.75f, 1e-6);
    EXPECT_NEAR(FrameTimer(TIMER_GETABSOLUTETIME), abs0 + 2.0f, 1e-5);  // the real clock runs on
    for (int i = 0; i < 3; ++i) FrameTimer(TIMER_ADVANCE);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 2.05f, 1e-6);
    FrameTimer(TIMER_START);  // the stopped interval does not count
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 2.05f, 1e-6);
    Advance(1.0);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 3.05f, 1e-6);
    EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), 1.0f, 1e-6);
}

TEST_F(TimerTest, UnknownCommandsReturnMinusOneAndChangeNothing) {
    FrameTimer(TIMER_START);
    Advance(0.5);
    EXPECT_FLOAT_EQ(FrameTimer(7), -1.0f);
    EXPECT_FLOAT_EQ(FrameTimer(-1), -1.0f);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 0.5f, 1e-6);
}

TEST_F(TimerTest, ResetRebasesWithoutTouchingTheStopTime) {
    FrameTimer(TIMER_START);
    Advance(1.0);
    FrameTimer(TIMER_STOP);
    Advance(2.0);
    FrameTimer(TIMER_RESET);  // rebased on the frozen moment: application time 0, still stopped
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETAPPTIME), 0.0f);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETELAPSEDTIME), 0.0f);
    Advance(1.0);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETAPPTIME), 0.0f);
    FrameTimer(TIMER_START);  // only what runs after the start counts
    Advance(0.5);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 0.5f, 1e-6);
}

TEST_F(TimerTest, CounterWithoutFrequencyUsesTheFallback) {
    clock_.frequency = 0;
    FrameTimer(TIMER_START);
    Advance(0.75);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 0.75f, 1e-6);
}

TEST_F(TimerTest, FallbackPathStopsAdvancesAndRestarts) {
    UseFallback();
    FrameTimer(TIMER_START);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETAPPTIME), 0.0f);
    Advance(1.0);
    EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), 1.0f, 1e-6);
    Advance(0.5);
    FrameTimer(TIMER_STOP);
    // Stop leaves the last elapsed time: the time up to the stop comes once, then nothing.
    Advance(3.0);
    EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETELAPSEDTIME), 0.0f);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.5f, 1e-6);
    for (int i = 0; i < 3; ++i) FrameTimer(TIMER_ADVANCE);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.8f, 1e-5);
    EXPECT_NEAR(FrameTimer(TIMER_GETABSOLUTETIME), 9.5f, 1e-5);  // 5 s origin + 4.5 s
    FrameTimer(TIMER_START);
    Advance(1.0);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 2.8f, 1e-5);
}

// A Start on a running clock (a resize ending while nothing stopped the clock, a pause ending
// after one) must not move application time, on either path.
TEST_F(TimerTest, StartOnARunningClockChangesNothing) {
    for (bool counter : {true, false}) {
        SCOPED_TRACE(counter ? "counter path" : "fallback path");
        frame_test::ResetProcessState();
        clock_.counterAvailable = counter;
        Advance(100.0);  // the clock's origin is far behind, as a clock since boot is
        FrameTimer(TIMER_START);
        Advance(1.0);
        FrameTimer(TIMER_START);
        EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.0f, 1e-5);
        Advance(0.5);
        EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.5f, 1e-5);
        FrameTimer(TIMER_STOP);  // a Stop after it still freezes and a Start still resumes
        Advance(2.0);
        FrameTimer(TIMER_START);
        EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.5f, 1e-5);
    }
}

// The listener hears each change between running and stopped once, never a repeated command.
TEST_F(TimerTest, ListenerHearsEachStartAndStopThatChangesTheClock) {
    static std::string heard;
    heard.clear();
    SetFrameClockListener([](bool running) { heard += running ? 'R' : 'S'; });
    FrameTimer(TIMER_START);
    FrameTimer(TIMER_START);
    FrameTimer(TIMER_STOP);
    FrameTimer(TIMER_ADVANCE);
    FrameTimer(TIMER_STOP);
    FrameTimer(TIMER_START);
    FrameTimer(TIMER_GETAPPTIME);
    SetFrameClockListener(nullptr);
    FrameTimer(TIMER_STOP);
    EXPECT_EQ(heard, "RSR");
}

// A restarted timer reads the clock's frequency anew; a shift moves application time on, on
// both paths, running or stopped.
TEST_F(TimerTest, RestartReadsTheClockAnewAndShiftMovesApplicationTime) {
    for (bool counter : {true, false}) {
        SCOPED_TRACE(counter ? "counter path" : "fallback path");
        clock_.counterAvailable = counter;
        clock_.frequency = 60;
        RestartFrameTimer();
        FrameTimer(TIMER_START);
        ShiftFrameTimer(150.0);
        EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 150.0f, 1e-4);
        Advance(1.0);
        EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 151.0f, 1e-4);
        FrameTimer(TIMER_STOP);
        ShiftFrameTimer(-100.0);
        EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 51.0f, 1e-4);
    }
}
