// A 16-bit stereo PCM WAV file written as samples arrive; the sizes in its header are
// filled in when it is closed.
#pragma once

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

    bool Open(const std::string& path, std::uint32_t sampleRate);
    void Append(const std::int16_t* frames, std::size_t count);  // count in stereo frames
    bool Close();  // false if any write failed

    std::uint64_t FrameCount() const { return m_frames; }

private:
    std::FILE* m_file = nullptr;
    std::uint64_t m_frames = 0;
    std::uint32_t m_sampleRate = 0;
    bool m_failed = false;
};
