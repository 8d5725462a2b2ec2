#include "production/wav_file.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::uint16_t kChannels = 2;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint32_t kBytesPerFrame = kChannels * kBitsPerSample / 8;

void PutLittleEndian(std::uint8_t* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The 44-byte RIFF header for `dataBytes` bytes of samples.
void MakeHeader(std::uint8_t header[44], std::uint32_t sampleRate, std::uint32_t dataBytes) {
    std::memcpy(header, "RIFF", 4);
    PutLittleEndian(header + 4, 36 + dataBytes, 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLittleEndian(header + 16, 16, 4);  // format chunk size
    PutLittleEndian(header + 20, 1, 2);   // PCM
    PutLittleEndian(header + 22, kChannels, 2);
    PutLittleEndian(header + 24, sampleRate, 4);
    PutLittleEndian(header + 28, sampleRate * kBytesPerFrame, 4);
    PutLittleEndian(header + 32, kBytesPerFrame, 2);
    PutLittleEndian(header + 34, kBitsPerSample, 2);
    std::memcpy(header + 36, "data", 4);
    PutLittleEndian(header + 40, dataBytes, 4);
}

}  // namespace

WavFile::~WavFile() { Finish(); }

bool WavFile::Open(const std::string& path, std::uint32_t sampleRate) {
    if (!m_temporary.Create(path)) return false;
    m_file = fdopen(m_temporary.TakeDescriptor(), "wb");
    if (!m_file) return false;
    m_sampleRate = sampleRate;
    std::uint8_t header[44];
    MakeHeader(header, sampleRate, 0);
    m_failed = false;
    m_error = 0;
    m_frames = 0;
    if (std::fwrite(header, 1, sizeof header, m_file) != sizeof header) Fail();
    return !m_failed;
}

void WavFile::Append(const std::int16_t* frames, std::size_t count) {
    if (!m_file || count == 0) return;
    // Samples are stored little-endian, as this machine holds them.
    if (std::fwrite(frames, kBytesPerFrame, count, m_file) != count) Fail();
    m_frames += count;
}

void WavFile::Fail() {
    if (!m_failed) m_error = errno;
    m_failed = true;
}

bool WavFile::Finish() {
    if (m_file) {
        std::uint8_t header[44];
        MakeHeader(header, m_sampleRate, static_cast<std::uint32_t>(m_frames * kBytesPerFrame));
        std::fseek(m_file, 0, SEEK_SET);
        if (std::fwrite(header, 1, sizeof header, m_file) != sizeof header) Fail();
        if (std::fflush(m_file) != 0 || fsync(fileno(m_file)) != 0) Fail();
        if (std::fclose(m_file) != 0) Fail();
        m_file = nullptr;
    }
    errno = m_error;
    return !m_failed;
}

bool WavFile::Close() {
    if (!Finish()) {
        m_temporary.Discard();
        errno = m_error;
        return false;
    }
    return m_temporary.Path().empty() || m_temporary.Commit();
}
