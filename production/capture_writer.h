// Where a recording goes: numbered PNG frames plus audio.wav in a folder, or a video file
// encoded by ffmpeg (H.264, yuv420p, crf 16) with the music.
#pragma once

#include "production/capture_options.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CaptureWriter {
public:
    virtual ~CaptureWriter() = default;

    // One picture of 32-bit pixels, bytes B, G, R, X in memory, rows `pitch` bytes apart, of the
    // size PictureInFrame gives; it is placed in a frame of the options' size between black bars.
    virtual bool WriteFrame(const std::uint8_t* pixels, int pitch) = 0;

    // Interleaved stereo 16-bit samples at 44100 Hz heard during the recorded frames.
    virtual void WriteAudio(const std::int16_t* frames, std::size_t count) = 0;

    // Completes the files. Returns false with `error` when something could not be written.
    virtual bool Finish(std::string& error) = 0;
};

// Opens the writer for the options, or returns null with `error` (ffmpeg missing, folder or
// file that cannot be created).
std::unique_ptr<CaptureWriter> OpenCaptureWriter(const CaptureOptions& options, std::string& error);
