#include "production/capture_writer.h"

#include "production/frame_queue.h"
#include "production/png_frame.h"
#include "production/subprocess.h"
#include "production/temporary_file.h"
#include "production/wav_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t kSampleRate = 44100;

// "cannot write PATH: reason" from errno.
std::string CannotWrite(const std::string& path) { return "cannot write " + path + ": " + std::strerror(errno); }

// A helper's run as one result: false with `error` when it failed or, as ffmpeg does for a
// trailer it could not write, reported an error while exiting with 0 (at -loglevel error it
// writes nothing else).
bool HelperSucceeded(int status, const std::string& errors, const std::string& what, std::string& error) {
    if (status == 0 && errors.empty()) return true;
    std::string reason = errors.size() > 600 ? "..." + errors.substr(errors.size() - 600) : errors;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    error = what + (reason.empty() ? " (ffmpeg exit status " + std::to_string(status) + ")" : ":\n" + reason);
    return false;
}

// Where the drawn picture lies in each frame's bytes.
FrameQueue::Placement PicturePlacement(const CaptureOptions& options) {
    const PictureArea picture = PictureInFrame(options);
    return {picture.left * 4, picture.top, picture.width * 4, picture.height};
}

// Writer threads for PNG files: every core but the one that draws.
unsigned PngWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 2 ? cores - 1 : 1;
}

// The path every recording takes: frames copied into a queue and written by the output's
// threads, the music appended to the output's WAV file, and at the end the frames finished
// before the output completes its files. `Output` says where the frames go: it is built from
// the options, opened with Open(error), and gives Workers(), Write(worker, frame, pixels,
// pitch), Audio() and Complete(error).
template <class Output>
class QueuedCaptureWriter final : public CaptureWriter {
public:
    explicit QueuedCaptureWriter(const CaptureOptions& options)
        : m_output(options),
          m_frames(options.width * 4, options.height, PicturePlacement(options), m_output.Workers(),
                   m_output.Workers() + 2,
                   [this](unsigned worker, std::int64_t frame, const std::uint8_t* pixels, int pitch) {
                       return m_output.Write(worker, frame, pixels, pitch);
                   }) {}

    bool Open(std::string& error) { return m_output.Open(error); }

    bool WriteFrame(const std::uint8_t* pixels, int pitch) override { return m_frames.Push(pixels, pitch); }

    void WriteAudio(const std::int16_t* frames, std::size_t count) override { m_output.Audio().Append(frames, count); }

    bool Finish(std::string& error) override { return m_frames.Finish(error) && m_output.Complete(error); }

private:
    Output m_output;
    FrameQueue m_frames;  // last: its workers use the output, so it stops first
};

// Numbered PNG frames and audio.wav in a folder; the frames are compressed side by side.
class PngFolder {
public:
    explicit PngFolder(const CaptureOptions& options) : m_options(options), m_scratch(Workers()) {}

    bool Open(std::string& error) {
        if (mkdir(m_options.output.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create the folder " + m_options.output + ": " + std::strerror(errno);
            return false;
        }
        if (!m_audio.Open(m_options.output + "/audio.wav", kSampleRate)) {
            error = CannotWrite(m_options.output + "/audio.wav");
            return false;
        }
        return true;
    }

    unsigned Workers() const { return PngWorkers(); }

    std::string Write(unsigned worker, std::int64_t frame, const std::uint8_t* pixels, int pitch) {
        Scratch& scratch = m_scratch[worker];
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06lld.png", static_cast<long long>(frame));
        scratch.path.assign(m_options.output).append(name);
        if (scratch.encoder.Write(scratch.path, pixels, pitch, m_options.width, m_options.height)) return {};
        return CannotWrite(scratch.path);
    }

    WavFile& Audio() { return m_audio; }

    bool Complete(std::string& error) {
        if (m_audio.Close()) return true;
        error = CannotWrite(m_options.output + "/audio.wav");
        return false;
    }

private:
    // Per writer thread: the file name and the encoder, reused from frame to frame.
    struct Scratch {
        std::string path;
        PngFrameEncoder encoder;
    };

    CaptureOptions m_options;
    WavFile m_audio;
    std::vector<Scratch> m_scratch;
};

// Raw frames piped to ffmpeg into a silent video by one writer thread, in order; at the end a
// second ffmpeg run joins it with the recorded music. Every file is a temporary beside the
// output; the joined one takes the output's name only when ffmpeg reported no error.
class VideoFile {
public:
    explicit VideoFile(const CaptureOptions& options) : m_options(options) {}

    bool Open(std::string& error) {
        if (RunProgram({"ffmpeg", "-loglevel", "quiet", "-version"}) != 0) {
            error = "ffmpeg is not installed; install the Debian package ffmpeg, or capture to a folder of PNG frames";
            return false;
        }
        if (!m_video.Create(m_options.output + ".video.mkv") || !m_joined.Create(m_options.output)) {
            error = CannotWrite(m_options.output);
            return false;
        }
        // ffmpeg opens them by name; only the names are kept here.
        close(m_video.TakeDescriptor());
        close(m_joined.TakeDescriptor());
        if (!m_audio.Open(m_options.output + ".audio.wav", kSampleRate)) {
            error = CannotWrite(m_options.output + ".audio.wav");
            return false;
        }
        const std::string size = std::to_string(m_options.width) + "x" + std::to_string(m_options.height);
        // Preset veryfast: on 20 recorded 1920x1080 frames it encodes in 48 ms of processor
        // time a frame against 118 for the default (medium), and at this quality the files
        // come out the same size (1.75 against 1.81 MB); the encoder shares the cores with
        // the drawing, so its time is the recording's time.
        if (!m_encoder.Start({"ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr0", "-s", size,
                              "-r", std::to_string(m_options.fps), "-i", "-", "-c:v", "libx264", "-preset",
                              "veryfast", "-pix_fmt", "yuv420p", "-crf", "16", "-f", "matroska", m_video.Path()},
                             true)) {
            error = "cannot start ffmpeg";
            return false;
        }
        return true;
    }

    // One thread: the pipe takes the frames in order.
    unsigned Workers() const { return 1; }

    // The frame's rows are contiguous in the queue's buffer: one write per frame.
    std::string Write(unsigned, std::int64_t, const std::uint8_t* pixels, int pitch) {
        const std::size_t bytes = static_cast<std::size_t>(pitch) * m_options.height;
        if (std::fwrite(pixels, 1, bytes, m_encoder.Input()) == bytes) return {};
        return "ffmpeg stopped taking frames for " + m_video.Path();
    }

    WavFile& Audio() { return m_audio; }

    bool Complete(std::string& error) {
        std::string errors;
        const int encoded = m_encoder.Wait(&errors);
        if (!HelperSucceeded(encoded, errors, "ffmpeg could not encode the video", error)) return false;
        if (!m_audio.Finish()) {
            error = CannotWrite(m_audio.TemporaryPath());
            return false;
        }
        std::vector<std::string> join = {"ffmpeg", "-loglevel", "error", "-y", "-i", m_video.Path(),
                                         "-i", m_audio.TemporaryPath(), "-c:v", "copy", "-c:a"};
        if (m_options.mp4) {
            // The index before the data, so that the file plays while it downloads.
            join.insert(join.end(), {"aac", "-b:a", "256k", "-movflags", "+faststart", "-f", "mp4"});
        } else {
            join.insert(join.end(), {"flac", "-f", "matroska"});
        }
        join.insert(join.end(), {"-shortest", m_joined.Path()});
        const int joined = RunProgram(join, &errors);
        if (!HelperSucceeded(joined, errors, "ffmpeg could not join the video and the music into " + m_options.output,
                             error))
            return false;
        if (!m_joined.Commit()) {
            error = "cannot rename the finished video to " + m_options.output + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

private:
    CaptureOptions m_options;
    TemporaryFile m_video;   // the silent video
    TemporaryFile m_joined;  // the video with the music, renamed to the output at the end
    WavFile m_audio;         // the music, left under its temporary name
    Subprocess m_encoder;    // waited for when dropped: after the queue has stopped feeding it
};

// Keeps nothing: the time of drawing alone, for measuring what writing adds.
class DiscardWriter : public CaptureWriter {
public:
    bool WriteFrame(const std::uint8_t*, int) override { return true; }
    void WriteAudio(const std::int16_t*, std::size_t) override {}
    bool Finish(std::string&) override { return true; }
};

template <class Output>
std::unique_ptr<CaptureWriter> Opened(std::unique_ptr<QueuedCaptureWriter<Output>> writer, std::string& error) {
    if (!writer->Open(error)) return nullptr;
    return writer;
}

}  // namespace

std::unique_ptr<CaptureWriter> OpenCaptureWriter(const CaptureOptions& options, std::string& error) {
    if (options.output == kDiscardOutput) return std::make_unique<DiscardWriter>();
    if (options.toVideo) return Opened(std::make_unique<QueuedCaptureWriter<VideoFile>>(options), error);
    return Opened(std::make_unique<QueuedCaptureWriter<PngFolder>>(options), error);
}
