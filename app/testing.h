// Hooks for tests of the frame: not for production code.
#pragma once

namespace frame_test {

// Puts the process-wide state the frame shares with its free functions (the frame timer and
// the device dialog's state) back to its start. For tests that run several frames in one process.
void ResetProcessState();

// The parts of it, each defined next to the state it resets.
void ResetFrameTimer();
void ResetDialogState();

}  // namespace frame_test
