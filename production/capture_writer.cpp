#include "production/capture_writer.h"

#include "production/subprocess.h"
#include "production/wav_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::uint32_t kSampleRate = 44100;

// Writes one 8-bit RGB PNG; false when the file cannot be written.
bool WritePng(const std::string& path, const std::uint8_t* pixels, int pitch, unsigned width, unsigned height,
              std::vector<std::uint8_t>& row) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png))) ok = false;
    if (ok) {
        png_init_io(png, file);
        png_set_compression_level(png, 3);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        row.resize(width * 3);
        for (unsigned y = 0; y < height; ++y) {
            const std::uint8_t* source = pixels + static_cast<long>(y) * pitch;
            for (unsigned x = 0; x < width; ++x) {
                row[x * 3 + 0] = source[x * 4 + 2];
                row[x * 3 + 1] = source[x * 4 + 1];
                row[x * 3 + 2] = source[x * 4 + 0];
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(file) == 0 && ok;
}

// Numbered PNG frames and audio.wav in a folder.
class PngFolderWriter : public CaptureWriter {
public:
    PngFolderWriter(const CaptureOptions& options) : m_options(options) {}

    bool Open(std::string& error) {
        if (mkdir(m_options.output.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create the folder " + m_options.output;
            return false;
        }
        if (!m_audio.Open(m_options.output + "/audio.wav", kSampleRate)) {
            error = "cannot write " + m_options.output + "/audio.wav";
            return false;
        }
        return true;
    }

    bool WriteFrame(const std::uint8_t* pixels, int pitch) override {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06u.png", m_frameIndex++);
        return WritePng(m_options.output + name, pixels, pitch, m_options.width, m_options.height, m_row);
    }

    void WriteAudio(const std::int16_t* frames, std::size_t count) override { m_audio.Append(frames, count); }

    bool Finish(std::string& error) override {
        if (!m_audio.Close()) {
            error = "cannot write " + m_options.output + "/audio.wav";
            return false;
        }
        return true;
    }

private:
    CaptureOptions m_options;
    WavFile m_audio;
    unsigned m_frameIndex = 0;
    std::vector<std::uint8_t> m_row;
};

// Raw frames piped to ffmpeg into a silent video; at the end a second ffmpeg run joins it
// with the recorded music into the output.
class FfmpegWriter : public CaptureWriter {
public:
    FfmpegWriter(const CaptureOptions& options)
        : m_options(options), m_videoPath(options.output + ".video.mkv"), m_audioPath(options.output + ".audio.wav") {}

    ~FfmpegWriter() override {
        m_encoder.Wait();
        std::remove(m_videoPath.c_str());
        std::remove(m_audioPath.c_str());
    }

    bool Open(std::string& error) {
        if (RunProgram({"ffmpeg", "-loglevel", "quiet", "-version"}) != 0) {
            error = "ffmpeg is not installed; install the Debian package ffmpeg, or capture to a folder of PNG frames";
            return false;
        }
        if (!m_audio.Open(m_audioPath, kSampleRate)) {
            error = "cannot write " + m_audioPath;
            return false;
        }
        const std::string size = std::to_string(m_options.width) + "x" + std::to_string(m_options.height);
        if (!m_encoder.Start({"ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr0", "-s", size,
                              "-r", std::to_string(m_options.fps), "-i", "-", "-c:v", "libx264", "-pix_fmt",
                              "yuv420p", "-crf", "16", m_videoPath},
                             true)) {
            error = "cannot start ffmpeg";
            return false;
        }
        return true;
    }

    bool WriteFrame(const std::uint8_t* pixels, int pitch) override {
        const std::size_t rowBytes = m_options.width * 4;
        for (unsigned y = 0; y < m_options.height; ++y)
            if (std::fwrite(pixels + static_cast<long>(y) * pitch, 1, rowBytes, m_encoder.Input()) != rowBytes)
                return false;
        return true;
    }

    void WriteAudio(const std::int16_t* frames, std::size_t count) override { m_audio.Append(frames, count); }

    bool Finish(std::string& error) override {
        if (m_encoder.Wait() != 0) {
            error = "ffmpeg could not encode the video";
            return false;
        }
        if (!m_audio.Close()) {
            error = "cannot write " + m_audioPath;
            return false;
        }
        const bool mp4 = m_options.output.compare(m_options.output.size() - 4, 4, ".mp4") == 0;
        std::vector<std::string> join = {"ffmpeg", "-loglevel", "error", "-y", "-i", m_videoPath, "-i", m_audioPath,
                                         "-c:v", "copy", "-c:a"};
        if (mp4) {
            join.insert(join.end(), {"aac", "-b:a", "256k"});
        } else {
            join.push_back("flac");
        }
        join.insert(join.end(), {"-shortest", m_options.output});
        if (RunProgram(join) != 0) {
            error = "ffmpeg could not join the video and the music into " + m_options.output;
            return false;
        }
        return true;
    }

private:
    CaptureOptions m_options;
    std::string m_videoPath;
    std::string m_audioPath;
    WavFile m_audio;
    Subprocess m_encoder;
};

}  // namespace

std::unique_ptr<CaptureWriter> OpenCaptureWriter(const CaptureOptions& options, std::string& error) {
    if (options.toVideo) {
        auto writer = std::make_unique<FfmpegWriter>(options);
        if (!writer->Open(error)) return nullptr;
        return writer;
    }
    auto writer = std::make_unique<PngFolderWriter>(options);
    if (!writer->Open(error)) return nullptr;
    return writer;
}
