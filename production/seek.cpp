// Seeking while playing: the production is begun afresh (new device, state, random sequence and
// music stream) and run ahead at a fixed step of 1/60 s without its pictures, on the same clock
// and music output a recording uses, so that the first picture after a seek to S is frame 60·S
// of a 60 fps recording. The music is placed at the same time; a bar shows the progress of a
// seek that takes longer than a fifth of a second.
#include "production/application.h"

#include "app/frame_timer.h"
#include "production/fast_forward.h"
#include "production/music_clock.h"
#include "production/program_objects.h"
#include "production/scene_state.h"
#include "production/timeline_clock.h"
#include "platform/crt_rand.h"
#include "platform/d3d8/recording.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kSeekFps = 60;
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

}  // namespace

HRESULT CMyD3DApplication::SeekTo(float target) {
    target = std::clamp(target, 0.0f, timeline::kEnd);
    const std::int64_t shown = std::llround(static_cast<double>(target) * kSeekFps);
    const auto began = std::chrono::steady_clock::now();

    m_bReady = FALSE;
    HRESULT hr = DropDevice();
    if (FAILED(hr)) return hr;

    // A fresh production, on the recording's clock and music output.
    ResetAnimationState();
    ResetSceneState();
    crt::srand(1);
    music_clock::Forget();
    platform::FakeClock clock;
    clock.frequency = kSeekFps;
    platform::SetFakeClock(&clock);
    RestartFrameTimer();
    platform::audio::UseCaptureOutput(platform::audio::CaptureSink());
    hr = InitializeDevice();
    if (FAILED(hr)) {
        platform::SetFakeClock(nullptr);
        platform::audio::UseDeviceOutput();
        return ReportError(hr, REPORT_FATAL);
    }
    FrameTimer(TIMER_START);

    const BOOL timeWasRunning = m_bTimeRunning;
    m_bTimeRunning = TRUE;
    m_bDrawStillFrames = TRUE;  // frame 0, at time 0, runs like every other
    auto progressDue = began + kProgressInterval;
    for (std::int64_t frame = 0; frame <= shown && SUCCEEDED(hr); ++frame) {
        clock.counter = frame;
        d3d8::SetRasterizing(m_pDevice, fast_forward::MustRasterize(frame, shown, kSeekFps));
        hr = RenderFrame();
        platform::audio::AdvanceCaptureClock(static_cast<std::uint64_t>(frame) + 1, kSeekFps);
        const auto now = std::chrono::steady_clock::now();
        // No bar over the picture shown, nor over the one that stays after the end.
        if (now >= progressDue && frame < shown && fast_forward::FrameTime(frame + 2, kSeekFps) < timeline::kEnd) {
            ShowSeekProgress(static_cast<float>(frame) / static_cast<float>(shown));
            progressDue = now + kProgressInterval;
        }
    }
    d3d8::SetRasterizing(m_pDevice, true);
    m_bDrawStillFrames = FALSE;
    m_bTimeRunning = timeWasRunning;

    // On to the real clock and the sound device, from the time of the picture shown.
    platform::SetFakeClock(nullptr);
    RestartFrameTimer();
    FrameTimer(TIMER_START);
    ShiftFrameTimer(fast_forward::FrameTime(shown, kSeekFps));
    if (!m_bTimeRunning) FrameTimer(TIMER_STOP);
    CloseMusic();
    platform::audio::UseDeviceOutput();
    OpenMusic();
    ChangeVolume(0.0f);  // the stream made anew plays at the chosen volume
    m_bReady = TRUE;

    char line[96];
    std::snprintf(line, sizeof line, "seek: to %.3f s in %.3f s\n", static_cast<double>(m_fTime),
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    OutputDebugStringA(line);
    return hr;
}

// A bar across the middle of the screen, white on black, filled to `fraction`.
void CMyD3DApplication::ShowSeekProgress(float fraction) {
    const LONG width = static_cast<LONG>(m_backBufferDesc.Width), height = static_cast<LONG>(m_backBufferDesc.Height);
    const LONG left = width / 8, right = width - width / 8, top = height / 2 - 4, bottom = height / 2 + 4;
    const D3DRECT frame = {left - 2, top - 2, right + 2, bottom + 2};
    const D3DRECT inside = {left, top, right, bottom};
    const D3DRECT done = {left, top, left + static_cast<LONG>(static_cast<float>(right - left) * fraction), bottom};
    d3d8::SetRasterizing(m_pDevice, true);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    m_pDevice->Clear(1, &frame, D3DCLEAR_TARGET, 0xFFC0C0C0, 1.0f, 0);
    m_pDevice->Clear(1, &inside, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    if (done.x2 > done.x1) m_pDevice->Clear(1, &done, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    d3d8::SetRasterizing(m_pDevice, false);
}
