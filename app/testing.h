// Hooks for tests of the frame: not for production code.
#pragma once

namespace frame_test {

// Puts the process-wide values of the frame (pause counter, statistics, frame timer, dialog
// state) back to their start values. For tests that run several frames in one process.
void ResetProcessState();

// The parts of it, each defined next to the state it resets.
void ResetFrameTimer();
void ResetDialogState();

}  // namespace frame_test
