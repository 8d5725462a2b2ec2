// Stopping a recording by signal. SIGINT and SIGTERM are blocked in every thread and taken by
// one watching thread: the first asks the recording to stop after the frame being drawn (it
// then finishes its files); a second aborts at once, killing the helper programs' process
// groups, removing the temporary files listed here, and exiting with 128 + the signal.
#pragma once

#include <string>
#include <sys/types.h>

namespace recording_signals {

// Blocks the signals and starts the watching thread. Call before any other thread exists,
// so that every thread inherits the blocked signals.
void Start();

// 0, or the signal (SIGINT, SIGTERM) that asked the recording to stop.
int StopRequested();

// Files removed and process groups killed by an abort.
void AddTemporary(const std::string& path);
void RemoveTemporary(const std::string& path);
void AddHelper(pid_t processGroup);
void RemoveHelper(pid_t processGroup);

}  // namespace recording_signals
