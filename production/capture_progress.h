// What a recording tells the person waiting for it, on stderr: a progress line about twice
// a second (frames done, frames per second, time left) and a final line with the totals.
#pragma once

#include "production/capture_options.h"

#include <chrono>
#include <cstdint>
#include <string>

// "m:ss", or "h:mm:ss" from an hour on; whole seconds, rounded down.
std::string FormatDuration(double seconds);

class CaptureProgress {
public:
    explicit CaptureProgress(const CaptureOptions& options);

    // Frame `frame` of the production has been drawn (and handed to the writer when recorded).
    void Frame(std::int64_t frame);

    // The totals once every recorded frame has been written.
    void Summary() const;

private:
    using Clock = std::chrono::steady_clock;

    const CaptureOptions& m_options;
    FrameRange m_frames;
    Clock::time_point m_start;           // the first frame
    Clock::time_point m_recordingStart;  // the first recorded frame
    Clock::time_point m_lastShown;
};
