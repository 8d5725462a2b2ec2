#include "production/capture_writer.h"

#include "production/frame_queue.h"
#include "production/png_frame.h"
#include "production/subprocess.h"
#include "production/wav_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kSampleRate = 44100;

// Writer threads for PNG files: every core but the one that draws.
unsigned PngWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 2 ? cores - 1 : 1;
}

// Numbered PNG frames and audio.wav in a folder; the frames are compressed on writer threads.
class PngFolderWriter : public CaptureWriter {
public:
    PngFolderWriter(const CaptureOptions& options)
        : m_options(options),
          m_scratch(PngWorkers()),
          m_frames(options.width * 4, options.height, PngWorkers(), PngWorkers() + 2,
                   [this](unsigned worker, std::int64_t frame, const std::uint8_t* pixels, int pitch) {
                       return WriteFile(worker, frame, pixels, pitch);
                   }) {}

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

    bool WriteFrame(const std::uint8_t* pixels, int pitch) override { return m_frames.Push(pixels, pitch); }

    void WriteAudio(const std::int16_t* frames, std::size_t count) override { m_audio.Append(frames, count); }

    bool Finish(std::string& error) override {
        if (!m_frames.Finish(error)) return false;
        if (!m_audio.Close()) {
            error = "cannot write " + m_options.output + "/audio.wav";
            return false;
        }
        return true;
    }

private:
    // Per writer thread: the file name and the encoder, reused from frame to frame.
    struct Scratch {
        std::string path;
        PngFrameEncoder encoder;
    };

    std::string WriteFile(unsigned worker, std::int64_t frame, const std::uint8_t* pixels, int pitch) {
        Scratch& scratch = m_scratch[worker];
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06lld.png", static_cast<long long>(frame));
        scratch.path.assign(m_options.output).append(name);
        if (scratch.encoder.Write(scratch.path, pixels, pitch, m_options.width, m_options.height)) return {};
        return "cannot write " + scratch.path;
    }

    CaptureOptions m_options;
    WavFile m_audio;
    std::vector<Scratch> m_scratch;
    FrameQueue m_frames;  // last: its workers use the members above
};

// Raw frames piped to ffmpeg into a silent video by a writer thread, in order; at the end a
// second ffmpeg run joins it with the recorded music into the output.
class FfmpegWriter : public CaptureWriter {
public:
    FfmpegWriter(const CaptureOptions& options)
        : m_options(options),
          m_videoPath(options.output + ".video.mkv"),
          m_audioPath(options.output + ".audio.wav"),
          m_frames(options.width * 4, options.height, 1, 3,
                   [this](unsigned, std::int64_t, const std::uint8_t* pixels, int pitch) { return Pipe(pixels, pitch); }) {}

    ~FfmpegWriter() override {
        std::string ignored;
        m_frames.Finish(ignored);
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
        // Preset veryfast: on 20 recorded 1920x1080 frames it encodes in 48 ms of processor
        // time a frame against 118 for the default (medium), and at this quality the files
        // come out the same size (1.75 against 1.81 MB); the encoder shares the cores with
        // the drawing, so its time is the recording's time.
        if (!m_encoder.Start({"ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr0", "-s", size,
                              "-r", std::to_string(m_options.fps), "-i", "-", "-c:v", "libx264", "-preset",
                              "veryfast", "-pix_fmt", "yuv420p", "-crf", "16", m_videoPath},
                             true)) {
            error = "cannot start ffmpeg";
            return false;
        }
        return true;
    }

    bool WriteFrame(const std::uint8_t* pixels, int pitch) override { return m_frames.Push(pixels, pitch); }

    void WriteAudio(const std::int16_t* frames, std::size_t count) override { m_audio.Append(frames, count); }

    bool Finish(std::string& error) override {
        if (!m_frames.Finish(error)) return false;
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
    // The frame's rows are contiguous in the queue's buffer: one write per frame.
    std::string Pipe(const std::uint8_t* pixels, int pitch) {
        const std::size_t bytes = static_cast<std::size_t>(pitch) * m_options.height;
        if (std::fwrite(pixels, 1, bytes, m_encoder.Input()) == bytes) return {};
        return "ffmpeg stopped taking frames for " + m_videoPath;
    }

    CaptureOptions m_options;
    std::string m_videoPath;
    std::string m_audioPath;
    WavFile m_audio;
    Subprocess m_encoder;
    FrameQueue m_frames;  // last: its worker uses the encoder
};

// Keeps nothing: the time of drawing alone, for measuring what writing adds.
class DiscardWriter : public CaptureWriter {
public:
    bool WriteFrame(const std::uint8_t*, int) override { return true; }
    void WriteAudio(const std::int16_t*, std::size_t) override {}
    bool Finish(std::string&) override { return true; }
};

}  // namespace

std::unique_ptr<CaptureWriter> OpenCaptureWriter(const CaptureOptions& options, std::string& error) {
    if (options.output == kDiscardOutput) return std::make_unique<DiscardWriter>();
    if (options.toVideo) {
        auto writer = std::make_unique<FfmpegWriter>(options);
        if (!writer->Open(error)) return nullptr;
        return writer;
    }
    auto writer = std::make_unique<PngFolderWriter>(options);
    if (!writer->Open(error)) return nullptr;
    return writer;
}
