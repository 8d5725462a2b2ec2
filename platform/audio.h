// The audio-library stand-in: plays MP3 streams and measures the spectrum of what is heard.
//
// Implemented: BASS_Init (one output: the sound device, a silent real-time output when no
// device opens, or the capture output), BASS_StreamCreateFile (whole MP3 decoded up front,
// from a file or from memory), BASS_StreamPlay, BASS_ChannelSetPosition,
// BASS_ChannelGetPosition, BASS_ChannelGetData with BASS_DATA_FFT512, BASS_ChannelSeconds2Bytes,
// BASS_ErrorGetCode, BASS_Free.
// Left out: samples, music modules, recording, effects, 3D, other FFT sizes and raw sample
// data requests (these fail with BASS_ERROR_NOTAVAIL and say so once in the debugger output).
//
// Streams are decoded to 16-bit stereo at the rate given to BASS_Init (mono files play on both
// sides), so a byte position is 4 × the sample frame. Every call is thread-safe; a failing call
// sets the code BASS_ErrorGetCode returns on the calling thread.
#pragma once

#include "platform/win32/types.h"

#include <cstddef>
#include <cstdint>
#include <functional>

using QWORD = std::uint64_t;
using HSTREAM = DWORD;  // stream handle; 0 is never a valid handle

// Error codes (BASS_ErrorGetCode).
constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;        // out of memory (or the decoded stream would be too long)
constexpr int BASS_ERROR_FILEOPEN = 2;   // the file could not be opened or read
constexpr int BASS_ERROR_HANDLE = 5;     // not a handle of a live stream
constexpr int BASS_ERROR_POSITION = 7;   // position beyond the end of the stream
constexpr int BASS_ERROR_INIT = 8;       // BASS_Init has not succeeded
constexpr int BASS_ERROR_ALREADY = 14;   // BASS_Init called while already running
constexpr int BASS_ERROR_ILLPARAM = 20;  // an argument is invalid
constexpr int BASS_ERROR_DEVICE = 23;    // no such output device
constexpr int BASS_ERROR_NOPLAY = 24;    // the stream is not playing (not started, or ended)
constexpr int BASS_ERROR_FREQ = 25;      // unsupported output rate
constexpr int BASS_ERROR_NOTAVAIL = 37;  // a request this stand-in does not implement
constexpr int BASS_ERROR_FILEFORM = 41;  // the data is not a decodable MP3 stream
constexpr int BASS_ERROR_UNKNOWN = -1;

// Stream flags (BASS_StreamCreateFile, BASS_StreamPlay).
constexpr DWORD BASS_SAMPLE_LOOP = 4;        // play from the start again at the end
constexpr DWORD BASS_MP3_SETPOS = 0x20000;   // exact seeking; always the case here

// BASS_ChannelIsActive results.
constexpr DWORD BASS_ACTIVE_STOPPED = 0;  // not started, ended, or not a stream
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;

// BASS_ChannelSetAttribute attributes.
constexpr DWORD BASS_ATTRIB_VOL = 2;  // the stream's volume, 0 (silent) to 1

// BASS_ChannelGetData length value: 256 magnitudes of a 512-sample FFT, as floats.
constexpr DWORD BASS_DATA_FFT512 = 0x80000000u;

// Starts the library. device: -1 or 1 = the default output device, 0 = no sound (silent
// output advancing in real time), n ≥ 2 = the system's output device n (counting from 1).
// freq: output rate in Hz, 8000..192000. flags must be 0 and clsid null; win is not used.
// Where the device cannot be opened the call still succeeds with the silent real-time output
// (the debugger output says which output plays). Fails with BASS_ERROR_ALREADY while running.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const GUID* clsid);

// Decodes a whole MP3 into memory and returns its stream handle, or 0 on failure (missing or
// unreadable file, not MP3 data). mem FALSE: file is a path; TRUE: file points to the data.
// offset: bytes to skip; length: bytes to use, 0 = to the end (required for memory).
// flags: BASS_MP3_SETPOS and BASS_SAMPLE_LOOP are accepted. The stream starts stopped.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);

// Starts the stream, or continues it if it plays already; restart TRUE (or a stream that has
// played to its end) plays from the start. flags: 0 or BASS_SAMPLE_LOOP.
BOOL BASS_StreamPlay(HSTREAM handle, BOOL restart, DWORD flags);

// Holds a playing stream at the position being heard; BASS_StreamPlay without restart goes on
// from there. While paused, BASS_ChannelGetData keeps giving the spectrum at that position.
// Fails with BASS_ERROR_NOPLAY when the stream is not playing.
BOOL BASS_ChannelPause(DWORD handle);

// BASS_ACTIVE_PLAYING, BASS_ACTIVE_PAUSED or BASS_ACTIVE_STOPPED (also for an unknown handle).
DWORD BASS_ChannelIsActive(DWORD handle);

// attrib BASS_ATTRIB_VOL: the stream's loudness, 0..1 (the spectrum is measured before it).
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);

// Moves the stream to a byte position (rounded down to a whole frame); does not start it.
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos);

// The byte position being heard now; (QWORD)-1 on failure.
QWORD BASS_ChannelGetPosition(DWORD handle);

// With length BASS_DATA_FFT512: writes 256 floats to buffer, |X_k| × 2/512 of the Hann-windowed
// 512 sample frames (mono mix) starting at the position being heard, lowest band first; bin k
// is k × freq/512 Hz; values lie in 0..1 (a full-scale sine at a bin's centre gives about 0.5).
// Returns the bytes of stream data used (2048), or (DWORD)-1 with nothing written when the
// stream is not being heard (before BASS_StreamPlay, after its end).
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

// Byte position of a time in seconds (≥ 0) on the stream; (QWORD)-1 on failure.
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double seconds);

// Stops all playback, closes the output and frees every stream; handles become invalid.
BOOL BASS_Free();

// The error code of the last call made on this thread (BASS_OK after a success).
int BASS_ErrorGetCode();

namespace platform::audio {

// Which output BASS_Init opened.
enum class OutputKind {
    None,      // the library is not running
    Device,    // a sound device, through SDL
    Silent,    // no device: positions advance in real time, nothing is heard
    Capture,   // virtual output moved by AdvanceCaptureClock
};
OutputKind CurrentOutput();

// Receives every sample frame the capture output plays, in order: interleaved stereo 16-bit,
// at the rate given to BASS_Init; count is in frames. It runs inside AdvanceCaptureClock and
// must not call the library.
using CaptureSink = std::function<void(const std::int16_t* frames, std::size_t count)>;

// Makes the next BASS_Init open the capture output instead of a device (frame-exact recording:
// the picture's clock drives the music). The sink may be empty.
void UseCaptureOutput(CaptureSink sink);
// Makes the next BASS_Init open a device again (the default).
void UseDeviceOutput();

// Moves the capture output's clock to numerator/denominator seconds after BASS_Init, playing
// (and handing to the sink) exactly the frames in between; the frame count is rounded down, so
// frame n of a video at r frames per second is AdvanceCaptureClock(n, r). Returns false when
// the capture output is not running or the time lies before the current one.
bool AdvanceCaptureClock(std::uint64_t numerator, std::uint32_t denominator);

}  // namespace platform::audio
