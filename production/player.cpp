// Playing with the options of the command line: the device and display chosen up front (then
// without the start-up dialog), the start-up dialog left out, a later start, and what happens
// once the show and its music have ended.
#include "production/application.h"

#include "production/program_objects.h"
#include "production/timeline_clock.h"
#include "resources/resource_ids.h"

#include <cstdio>

INT CMyD3DApplication::Play(HINSTANCE instance, const PlayOptions& options) {
    m_pPlay = &options;
    // A device or display chosen on the command line is the choice: no dialog asks again.
    m_bShowStartDialog = !options.noDialog && options.display == PlayDisplay::Default &&
                         options.device == PlayDevice::Default;
    // The failure has been reported (a message box, and on stderr what was wrong with the data).
    if (FAILED(Create(instance))) return 1;
    if (options.from > 0) SeekTo(static_cast<float>(static_cast<double>(options.from) / kNanosecondsPerSecond));
    return Run();
}

// The device and display mode asked for on the command line, as the start choice. False (and
// said) when the device type does not exist here or no mode has the size asked for.
bool CMyD3DApplication::ChoosePlayDevice() {
    const PlayOptions& play = *m_pPlay;
    AdapterInfo& adapter = m_adapters[m_adapterIndex];
    DWORD chosen = adapter.currentDevice;
    if (play.device != PlayDevice::Default) {
        const D3DDEVTYPE wanted = play.device == PlayDevice::Hal ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
        chosen = adapter.deviceCount;
        for (DWORD i = 0; i < adapter.deviceCount; ++i)
            if (adapter.devices[i].deviceType == wanted) {
                chosen = i;
                break;
            }
        if (chosen == adapter.deviceCount) {
            std::fprintf(stderr, "morvelt: no %s device can play here\n", play.device == PlayDevice::Hal ? "hal" : "ref");
            return false;
        }
    }
    adapter.currentDevice = chosen;
    DeviceInfo& device = adapter.devices[chosen];
    if (play.display == PlayDisplay::FullScreen) {
        if (play.fullScreenWidth != 0) {
            bool found = false;
            for (DWORD m = 0; m < device.modeCount && !found; ++m)
                if (device.modes[m].width == play.fullScreenWidth && device.modes[m].height == play.fullScreenHeight) {
                    device.currentMode = m;
                    found = true;
                }
            if (!found) {
                std::fprintf(stderr, "morvelt: the display has no mode %ux%u\n", play.fullScreenWidth,
                             play.fullScreenHeight);
                return false;
            }
        }
        device.windowed = FALSE;
    } else if (play.display == PlayDisplay::Windowed || device.canDoWindowed) {
        if (!device.canDoWindowed) {
            std::fprintf(stderr, "morvelt: this device cannot play in a window\n");
            return false;
        }
        device.windowed = TRUE;
    }
    m_bWindowed = device.windowed;
    return true;
}

// After the end: once the music has ended too, --exit-at-end ends the program with status 0
// and --loop begins the show again.
void CMyD3DApplication::FollowPlayOptionsAtEnd() {
    if (!m_pPlay || (!m_pPlay->exitAtEnd && !m_pPlay->loop) || !m_bTimeRunning) return;
    if (g_hMusic && BASS_ChannelIsActive(g_hMusic) != BASS_ACTIVE_STOPPED) return;
    if (m_pPlay->exitAtEnd)
        PostMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IDM_EXIT), 0), 0);
    else
        PostMessage(m_hWnd, WM_KEYDOWN, VK_HOME, 0);  // as the key that begins the show again
}
