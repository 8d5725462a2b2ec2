// The keys of a person watching, on top of the frame's Escape and pop-up menu:
//   Space            pause / resume (picture and music; the frame's start-or-stop-time command)
//   Left / Right     back / on 5 s;  PageDown / PageUp  back / on 30 s;  Home  from the start
//   Alt+Enter, F11   full-screen / window (the frame's toggle command)
//   M                mute;  + / -  music volume
//   F1, H            the overlay: keys, production time, scene, frames per second, spectrum bins
#include "production/application.h"

#include "production/music_clock.h"
#include "production/program_objects.h"
#include "production/scene_state.h"
#include "production/timeline_clock.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr float kVolumeStep = 0.1f;
constexpr float kShortSeek = 5.0f;   // seconds, Left/Right
constexpr float kLongSeek = 30.0f;   // seconds, PageDown/PageUp

constexpr const char* kOverlayKeys[] = {
    "Space  pause / resume",       "Left / Right  5 s back / on", "PgDn / PgUp  30 s back / on",
    "Home  from the start",        "Alt+Enter, F11  full-screen", "M  mute    + / -  volume",
    "F1, H  this help",            "Esc  end",
};

// Spectrum bins the scenes read (offsets, sizes and angles).
constexpr int kSceneBins[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 20, 180};

}  // namespace

bool CMyD3DApplication::HandlePlayerKey(UINT message, WPARAM key) {
    const auto command = [this](int id) { SendMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0); };
    if (message == WM_SYSKEYDOWN) {
        if (key != VK_RETURN) return false;
        command(IDM_TOGGLEFULLSCREEN);
        return true;
    }
    if (message != WM_KEYDOWN) return false;
    switch (key) {
    case VK_SPACE: command(IDM_TOGGLESTART); return true;
    case VK_F11: command(IDM_TOGGLEFULLSCREEN); return true;
    case VK_LEFT: SeekTo(m_fTime - kShortSeek); return true;
    case VK_RIGHT: SeekTo(m_fTime + kShortSeek); return true;
    case VK_NEXT: SeekTo(m_fTime - kLongSeek); return true;
    case VK_PRIOR: SeekTo(m_fTime + kLongSeek); return true;
    case VK_HOME: SeekTo(0.0f); return true;
    case 'M':
        m_bMuted = !m_bMuted;
        ChangeVolume(0.0f);
        return true;
    case VK_OEM_PLUS:
    case VK_ADD: ChangeVolume(kVolumeStep); return true;
    case VK_OEM_MINUS:
    case VK_SUBTRACT: ChangeVolume(-kVolumeStep); return true;
    case VK_F1:
    case 'H': m_bShowOverlay = !m_bShowOverlay; return true;
    default: return false;
    }
}

// Steps the volume (0 sets the volume chosen again, as for a stream made anew or muting).
void CMyD3DApplication::ChangeVolume(float step) {
    m_fVolume = std::clamp(m_fVolume + step, 0.0f, 1.0f);
    if (g_hMusic) BASS_ChannelSetAttribute(g_hMusic, BASS_ATTRIB_VOL, m_bMuted ? 0.0f : m_fVolume);
}

// Drawn over the scene while it is open; never after the end, whose last picture stays as it is.
void CMyD3DApplication::DrawOverlay() {
    if (!m_pFontArial9) return;
    constexpr DWORD kColour = 0xFFFFFF60;
    constexpr float kLine = 16.0f;
    float y = 8.0f;
    char text[160];
    std::snprintf(text, sizeof text, "%.2f s of %.0f   scene %d   %.1f fps   volume %d%%%s%s",
                  static_cast<double>(m_fTime), static_cast<double>(timeline::kEnd), g_nScene,
                  static_cast<double>(m_fFPS), static_cast<int>(m_fVolume * 100.0f + 0.5f), m_bMuted ? " (muted)" : "",
                  m_bTimeRunning ? "" : "   paused");
    m_pFontArial9->DrawText(8, y, kColour, text);
    float spectrum[512] = {};
    if (g_hMusic) BASS_ChannelGetData(g_hMusic, spectrum, BASS_DATA_FFT512);
    int used = std::snprintf(text, sizeof text, "bins");
    for (int bin : kSceneBins)
        used += std::snprintf(text + used, sizeof text - static_cast<size_t>(used), "  %d:%.3f", bin,
                              static_cast<double>(spectrum[bin]));
    m_pFontArial9->DrawText(8, y += kLine, kColour, text);
    y += kLine / 2;
    for (const char* line : kOverlayKeys) m_pFontArial9->DrawText(8, y += kLine, kColour, line);
}
