// A 16-bit stereo PCM WAV file written as samples arrive; the sizes in its header are
// filled in when it is closed. It is written under a temporary name beside `path` and only
// takes that name once complete (temporary_file.h).
#pragma once

#include "production/temporary_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class WavFile {
public:
    WavFile() = default;
    ~WavFile();
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    bool Open(const std::string& path, std::uint32_t sampleRate);  // false with errno set
    void Append(const std::int16_t* frames, std::size_t count);  // count in stereo frames
    // Completes the file under its temporary name, TemporaryPath(). False if any write
    // failed, with errno set.
    bool Finish();
    bool Close();  // Finish, then the file takes its name; false if any of it failed
    const std::string& TemporaryPath() const { return m_temporary.Path(); }

    std::uint64_t FrameCount() const { return m_frames; }

private:
    void Fail();

    std::FILE* m_file = nullptr;
    std::uint64_t m_frames = 0;
    std::uint32_t m_sampleRate = 0;
    bool m_failed = false;
    int m_error = 0;  // errno of the first failure
    TemporaryFile m_temporary;
};
