#include "production/capture_progress.h"

#include <cstdio>

namespace {

constexpr std::chrono::milliseconds kShowEvery(500);

double SecondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

std::string FormatDuration(double seconds) {
    const long whole = seconds > 0 ? static_cast<long>(seconds) : 0;
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

CaptureProgress::CaptureProgress(const CaptureOptions& options)
    : m_options(options),
      m_frames(RecordedFrames(options)),
      m_start(Clock::now()),
      m_recordingStart(m_start),
      m_lastShown(m_start) {}

void CaptureProgress::Frame(std::int64_t frame) {
    const Clock::time_point now = Clock::now();
    if (frame + 1 == m_frames.first) m_recordingStart = now;
    const bool last = frame + 1 == m_frames.end;
    if (now - m_lastShown < kShowEvery && !last) return;
    m_lastShown = now;
    if (frame < m_frames.first) {
        std::fprintf(stderr, "\radvancing to %s s: frame %lld/%lld   ", FormatSeconds(m_options.from).c_str(),
                     static_cast<long long>(frame + 1), static_cast<long long>(m_frames.first));
    } else {
        const std::int64_t done = frame + 1 - m_frames.first;
        const std::int64_t total = m_frames.end - m_frames.first;
        const double seconds = SecondsBetween(m_recordingStart, now);
        const double rate = seconds > 0 ? done / seconds : 0;
        std::fprintf(stderr, "\rframe %lld/%lld  %.2f fps  %s left   ", static_cast<long long>(done),
                     static_cast<long long>(total), rate,
                     FormatDuration(rate > 0 ? (total - done) / rate : 0).c_str());
    }
    std::fflush(stderr);
}

void CaptureProgress::Summary() const {
    const Clock::time_point now = Clock::now();
    const std::int64_t recorded = m_frames.end - m_frames.first;
    const double seconds = SecondsBetween(m_recordingStart, now);
    std::fprintf(stderr, "\nrecorded %lld frames (%ux%u, %d fps, %s to %s s) to %s in %.1f s (%.2f fps)",
                 static_cast<long long>(recorded), m_options.width, m_options.height, m_options.fps,
                 FormatSeconds(m_options.from).c_str(), FormatSeconds(m_options.to).c_str(),
                 m_options.output.c_str(), seconds, seconds > 0 ? recorded / seconds : 0.0);
    if (m_frames.first > 0)
        std::fprintf(stderr, ", after %.1f s advancing to %s s", SecondsBetween(m_start, m_recordingStart),
                     FormatSeconds(m_options.from).c_str());
    std::fputc('\n', stderr);
}
