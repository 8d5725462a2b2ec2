// Frame-exact recording: the production runs its normal Create/RenderFrame path on an
// invisible window, with the frame clock and the music's output replaced by a capture clock
// that advances exactly 1/fps per frame, starting with frame 0 at time 0. Frames before
// --from run without their pictures (fast_forward.h).
#include "production/application.h"

#include "production/capture_progress.h"
#include "production/capture_writer.h"
#include "production/fast_forward.h"
#include "production/output_claim.h"
#include "production/recording_signals.h"
#include "production/timeline_clock.h"
#include "platform/audio.h"
#include "platform/d3d8/recording.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kCaptureWindowClass[] = "Morvelt Capture";

// Below this rate a frame advances the schedule by more than its shortest windows (0.1 s), so
// some of its events never happen.
constexpr int kFpsForEveryEvent = 10;

// A frame as the person recording knows it: by the number in its file name once recorded.
std::string FrameText(std::int64_t frame, const FrameRange& frames) {
    if (frame >= frames.first) return "recorded frame " + std::to_string(frame - frames.first);
    return "frame " + std::to_string(frame) + " (before the recorded range)";
}

// The line that ends a recording stopped by a signal: how far it got.
void ReportStop(int signal, std::int64_t written, const CaptureOptions& options) {
    const FrameRange frames = RecordedFrames(options);
    std::fprintf(stderr, "\nmorvelt: stopped by %s after %lld of %lld frames", strsignal(signal),
                 static_cast<long long>(written), static_cast<long long>(frames.end - frames.first));
    if (written > 0 && !options.toVideo && options.output != kDiscardOutput)
        std::fprintf(stderr, ": %s holds frame_000000.png to frame_%06lld.png and their audio.wav",
                     options.output.c_str(), static_cast<long long>(written - 1));
    else if (options.toVideo)
        std::fprintf(stderr, ": %s holds them with their music", options.output.c_str());
    std::fputc('\n', stderr);
}

}  // namespace

INT CMyD3DApplication::Capture(HINSTANCE instance, const CaptureOptions& options) {
    if (options.fps < kFpsForEveryEvent)
        std::fprintf(stderr,
                     "morvelt: note: below %d fps some events of the show are skipped (each frame advances "
                     "many steps at once)\n",
                     kFpsForEveryEvent);
    // Taken before the production starts, so that a refusal costs nothing.
    OutputClaim claim;
    std::string error;
    switch (claim.Claim(options, error)) {
    case OutputClaim::Result::Claimed:
        break;
    case OutputClaim::Result::Refused:
        std::fprintf(stderr, "morvelt: %s\n", error.c_str());
        return 2;
    case OutputClaim::Result::Failed:
        std::fprintf(stderr, "morvelt: %s\n", error.c_str());
        return 1;
    }

    // Frame n is seen at n / fps seconds: one counter tick per frame.
    platform::FakeClock clock;
    clock.frequency = options.fps;
    platform::SetFakeClock(&clock);

    const FrameRange frames = RecordedFrames(options);
    bool recording = false;
    std::unique_ptr<CaptureWriter> writer;
    platform::audio::UseCaptureOutput([&](const std::int16_t* samples, std::size_t count) {
        if (recording) writer->WriteAudio(samples, count);
    });

    // A borderless window of exactly the picture's size; with no display shown it is never seen.
    // The writer places the picture in the recording's frame.
    const PictureArea picture = PictureInFrame(options);
    WNDCLASS windowClass = {0,       WindowProc, 0,       0, instance, nullptr, LoadCursor(nullptr, IDC_ARROW),
                            nullptr, nullptr,    kCaptureWindowClass};
    RegisterClass(&windowClass);
    RECT bounds = {0, 0, static_cast<LONG>(picture.width), static_cast<LONG>(picture.height)};
    AdjustWindowRect(&bounds, WS_POPUP, FALSE);
    m_hWnd = CreateWindowEx(0, kCaptureWindowClass, m_windowTitle, WS_POPUP, 0, 0, bounds.right - bounds.left,
                            bounds.bottom - bounds.top, nullptr, nullptr, instance, nullptr);
    m_pCapture = &options;
    m_bDrawStillFrames = TRUE;  // frame 0, at time 0, is drawn like every other
    if (!m_hWnd || FAILED(Create(instance))) {
        std::fprintf(stderr, "morvelt: the production could not start for recording\n");
        platform::SetFakeClock(nullptr);
        return 1;
    }
    // The frame shows its window once the device exists; a recording's stays hidden, so no
    // frame is copied to the screen or waits for the display's refresh.
    ShowWindow(m_hWnd, SW_HIDE);
    const auto stopProduction = [this] {
        SendMessage(m_hWnd, WM_CLOSE, 0, 0);
        platform::SetFakeClock(nullptr);
    };
    if (m_backBufferDesc.Width != picture.width || m_backBufferDesc.Height != picture.height) {
        std::fprintf(stderr, "morvelt: the device gave a %ux%u picture instead of %ux%u\n", m_backBufferDesc.Width,
                     m_backBufferDesc.Height, picture.width, picture.height);
        stopProduction();
        return 1;
    }
    // Opened only once the production has started, so a failed start leaves nothing behind.
    writer = OpenCaptureWriter(options, error);
    if (!writer) {
        std::fprintf(stderr, "morvelt: %s\n", error.c_str());
        stopProduction();
        return 1;
    }

    CaptureProgress progress(options);
    std::int64_t written = 0;
    bool ok = true, writeFailed = false;
    int stoppedBy = 0;
    for (std::int64_t frame = 0; frame < frames.end && ok; ++frame) {
        if ((stoppedBy = recording_signals::StopRequested()) != 0) break;
        clock.counter = frame;
        recording = frame >= frames.first;
        d3d8::SetRasterizing(m_pDevice, fast_forward::MustRasterize(frame, frames.first, options.fps));
        const DWORD givenUp = m_framesGivenUp;
        if (FAILED(RenderFrame())) {
            error = FrameText(frame, frames) + " could not be drawn";
            ok = false;
            break;
        }
        if (m_framesGivenUp != givenUp) {
            error = FrameText(frame, frames) + " was given up: an exception left it half drawn (MORVELT_DEBUG=1 names it)";
            ok = false;
            break;
        }
        if (recording) {
            IDirect3DSurface8* backBuffer = nullptr;
            D3DLOCKED_RECT locked;
            ok = SUCCEEDED(m_pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) &&
                 SUCCEEDED(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY));
            if (ok) {
                writeFailed = !writer->WriteFrame(static_cast<const std::uint8_t*>(locked.pBits), locked.Pitch);
                ok = !writeFailed;
                backBuffer->UnlockRect();
                ++written;
            } else {
                error = FrameText(frame, frames) + " could not be read back";
            }
            if (backBuffer) backBuffer->Release();
        }
        // The music heard during this frame.
        platform::audio::AdvanceCaptureClock(static_cast<std::uint64_t>(frame) + 1, static_cast<std::uint32_t>(options.fps));
        progress.Frame(frame);
    }

    stopProduction();
    // Finished after a failed write too: the writer names the earliest frame that failed.
    if ((ok || writeFailed) && !writer->Finish(error)) ok = false;
    if (ok && !stoppedBy && written != frames.end - frames.first) {
        error = "only " + std::to_string(written) + " of " + std::to_string(frames.end - frames.first) +
                " frames were recorded";
        ok = false;
    }
    if (!ok) {
        std::fprintf(stderr, "\nmorvelt: %s\n", error.c_str());
        return 1;
    }
    if (stoppedBy) {
        ReportStop(stoppedBy, written, options);
        return 128 + stoppedBy;
    }
    progress.Summary();
    return 0;
}

// For a recording: the device type asked for, windowed in the back buffer's own size.
bool CMyD3DApplication::ChooseCaptureDevice() {
    const D3DDEVTYPE wanted = m_pCapture->hardwareDevice ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
    AdapterInfo& adapter = m_adapters[m_adapterIndex];
    for (DWORD i = 0; i < adapter.deviceCount; ++i) {
        DeviceInfo& device = adapter.devices[i];
        if (device.deviceType != wanted || !device.canDoWindowed) continue;
        adapter.currentDevice = i;
        device.windowed = TRUE;
        device.multiSampleType = D3DMULTISAMPLE_NONE;
        m_bWindowed = TRUE;
        return true;
    }
    std::fprintf(stderr, "morvelt: no %s device can record here\n", m_pCapture->hardwareDevice ? "hal" : "ref");
    return false;
}
