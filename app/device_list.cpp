#include <cstdlib>
#include <cstring>

#include "app/d3dapp.h"

int CompareModes(const void* arg1, const void* arg2) {
    const D3DDISPLAYMODE* a = static_cast<const D3DDISPLAYMODE*>(arg1);
    const D3DDISPLAYMODE* b = static_cast<const D3DDISPLAYMODE*>(arg2);
    if (a->Format > b->Format) return -1;
    if (a->Format < b->Format) return +1;
    if (a->Width < b->Width) return -1;
    if (a->Width > b->Width) return +1;
    if (a->Height < b->Height) return -1;
    if (a->Height > b->Height) return +1;
    return 0;
}

HRESULT CD3DApplication::EnumerateDevices() {
    static const D3DDEVTYPE deviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    static const char* const deviceDescriptions[] = {"HAL", "REF"};
    const DWORD deviceTypeCount = 2;

    BOOL halExists = FALSE;
    BOOL halCanWindow = FALSE;
    BOOL halDesktopCompatible = FALSE;
    BOOL halHasMode = FALSE;

    m_adapterCount = 0;
    const UINT adapterCount = m_pDirect3D->GetAdapterCount();
    for (UINT iAdapter = 0; iAdapter < adapterCount; ++iAdapter) {
        // Adapters beyond the list's capacity are left out.
        if (m_adapterCount >= kMaxAdapters) break;
        AdapterInfo* pAdapter = &m_adapters[m_adapterCount];
        m_pDirect3D->GetAdapterIdentifier(iAdapter, 0, &pAdapter->identifier);
        m_pDirect3D->GetAdapterDisplayMode(iAdapter, &pAdapter->desktopMode);
        pAdapter->deviceCount = 0;
        pAdapter->currentDevice = 0;

        D3DDISPLAYMODE modes[kMaxScratchModes];
        D3DFORMAT formats[kMaxScratchFormats];
        DWORD modeCount = 0;
        DWORD formatCount = 0;
        formats[formatCount++] = pAdapter->desktopMode.Format;

        const UINT adapterModeCount = m_pDirect3D->GetAdapterModeCount(iAdapter);
        for (UINT iMode = 0; iMode < adapterModeCount; ++iMode) {
            D3DDISPLAYMODE mode;
            std::memset(&mode, 0, sizeof(mode));
            m_pDirect3D->EnumAdapterModes(iAdapter, iMode, &mode);
            if (mode.Width < 640 || mode.Height < 480) continue;

            DWORD m = 0;
            for (; m < modeCount; ++m)
                if (modes[m].Width == mode.Width && modes[m].Height == mode.Height && modes[m].Format == mode.Format)
                    break;
            if (m < modeCount) continue;
            // Distinct modes beyond the scratch capacity are left out.
            if (modeCount >= kMaxScratchModes) continue;
            modes[modeCount].Width = mode.Width;
            modes[modeCount].Height = mode.Height;
            modes[modeCount].Format = mode.Format;
            modes[modeCount].RefreshRate = 0;
            ++modeCount;

            DWORD f = 0;
            for (; f < formatCount; ++f)
                if (formats[f] == mode.Format) break;
            if (f == formatCount && formatCount < kMaxScratchFormats) formats[formatCount++] = mode.Format;
        }

        std::qsort(modes, modeCount, sizeof(D3DDISPLAYMODE), CompareModes);

        for (DWORD iDevice = 0; iDevice < deviceTypeCount; ++iDevice) {
            if (pAdapter->deviceCount >= kMaxDevicesPerAdapter) break;
            DeviceInfo* pDevice = &pAdapter->devices[pAdapter->deviceCount];
            pDevice->deviceType = deviceTypes[iDevice];
            m_pDirect3D->GetDeviceCaps(iAdapter, deviceTypes[iDevice], &pDevice->caps);
            pDevice->description = deviceDescriptions[iDevice];
            pDevice->modeCount = 0;
            pDevice->currentMode = 0;
            pDevice->canDoWindowed = FALSE;
            pDevice->windowed = FALSE;
            pDevice->multiSampleType = D3DMULTISAMPLE_NONE;

            BOOL confirmed[kMaxScratchFormats];
            DWORD behavior[kMaxScratchFormats];
            D3DFORMAT depthStencil[kMaxScratchFormats];
            for (DWORD f = 0; f < formatCount; ++f) {
                confirmed[f] = FALSE;
                behavior[f] = 0;
                depthStencil[f] = D3DFMT_UNKNOWN;
                if (FAILED(m_pDirect3D->CheckDeviceType(iAdapter, pDevice->deviceType, formats[f], formats[f], FALSE)))
                    continue;

                if (pDevice->deviceType == D3DDEVTYPE_HAL) {
                    halExists = TRUE;
                    if (pDevice->caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) {
                        halCanWindow = TRUE;
                        if (f == 0) halDesktopCompatible = TRUE;
                    }
                }

                if (pDevice->caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
                    if (pDevice->caps.DevCaps & D3DDEVCAPS_PUREDEVICE) {
                        behavior[f] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
                        if (SUCCEEDED(CheckDeviceCaps(&pDevice->caps, behavior[f], formats[f]))) confirmed[f] = TRUE;
                    }
                    if (!confirmed[f]) {
                        behavior[f] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
                        if (SUCCEEDED(CheckDeviceCaps(&pDevice->caps, behavior[f], formats[f]))) confirmed[f] = TRUE;
                    }
                    if (!confirmed[f]) {
                        behavior[f] = D3DCREATE_MIXED_VERTEXPROCESSING;
                        if (SUCCEEDED(CheckDeviceCaps(&pDevice->caps, behavior[f], formats[f]))) confirmed[f] = TRUE;
                    }
                }
                if (!confirmed[f]) {
                    behavior[f] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
                    if (SUCCEEDED(CheckDeviceCaps(&pDevice->caps, behavior[f], formats[f]))) confirmed[f] = TRUE;
                }

                if (confirmed[f] && m_bUseDepthBuffer) {
                    if (!ChooseDepthStencilFormat(iAdapter, pDevice->deviceType, formats[f], &depthStencil[f]))
                        confirmed[f] = FALSE;
                }
            }

            for (DWORD m = 0; m < modeCount; ++m) {
                for (DWORD f = 0; f < formatCount; ++f) {
                    if (modes[m].Format != formats[f] || !confirmed[f]) continue;
                    // Modes beyond the device's capacity are left out.
                    if (pDevice->modeCount >= kMaxModesPerDevice) continue;
                    ModeInfo& info = pDevice->modes[pDevice->modeCount++];
                    info.width = modes[m].Width;
                    info.height = modes[m].Height;
                    info.format = modes[m].Format;
                    info.behavior = behavior[f];
                    info.depthStencilFormat = depthStencil[f];
                    if (pDevice->deviceType == D3DDEVTYPE_HAL) halHasMode = TRUE;
                }
            }

            // Start at 800 x 600, in a 16-bit format when there is one.
            for (DWORD m = 0; m < pDevice->modeCount; ++m) {
                const ModeInfo& info = pDevice->modes[m];
                if (info.width == 800 && info.height == 600) {
                    pDevice->currentMode = m;
                    if (info.format == D3DFMT_R5G6B5 || info.format == D3DFMT_X1R5G5B5 ||
                        info.format == D3DFMT_A1R5G5B5)
                        break;
                }
            }

            if (confirmed[0] && (pDevice->caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED)) {
                pDevice->canDoWindowed = TRUE;
                pDevice->windowed = TRUE;
            }

            if (pDevice->modeCount > 0) pAdapter->deviceCount++;
        }

        if (pAdapter->deviceCount > 0) m_adapterCount++;
    }

    if (m_adapterCount == 0) return FRAMEERR_NO_COMPATIBLE_DEVICES;

    for (DWORD a = 0; a < m_adapterCount; ++a) {
        for (DWORD d = 0; d < m_adapters[a].deviceCount; ++d) {
            if (!m_adapters[a].devices[d].windowed) continue;
            m_adapterIndex = a;
            m_adapters[a].currentDevice = d;
            m_bWindowed = TRUE;

            if (m_adapters[a].devices[d].deviceType == D3DDEVTYPE_REF) {
                if (!halExists)
                    ReportError(FRAMEERR_NO_HARDWARE_DEVICE, REPORT_SWITCHED_TO_REF);
                else if (!halHasMode)
                    ReportError(FRAMEERR_HAL_NOT_COMPATIBLE, REPORT_SWITCHED_TO_REF);
                else if (!halCanWindow)
                    ReportError(FRAMEERR_NO_WINDOWED_HAL, REPORT_SWITCHED_TO_REF);
                else if (!halDesktopCompatible)
                    ReportError(FRAMEERR_NO_DESKTOP_HAL, REPORT_SWITCHED_TO_REF);
                else
                    ReportError(FRAMEERR_NO_HAL_THIS_MODE, REPORT_SWITCHED_TO_REF);
            }
            return S_OK;
        }
    }

    return FRAMEERR_NO_WINDOWABLE_DEVICES;
}

BOOL CD3DApplication::ChooseDepthStencilFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT backBufferFormat,
                                               D3DFORMAT* pDepthStencilFormat) {
    struct Candidate {
        D3DFORMAT format;
        DWORD maxDepth;    // the candidate serves m_minDepthBits up to this
        DWORD maxStencil;  // and m_minStencilBits up to this
    };
    static const Candidate candidates[] = {
        {D3DFMT_D16, 16, 0},   {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
        {D3DFMT_D24S8, 24, 8}, {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
    };
    for (const Candidate& c : candidates) {
        if (m_minDepthBits > c.maxDepth || m_minStencilBits > c.maxStencil) continue;
        if (FAILED(m_pDirect3D->CheckDeviceFormat(adapter, deviceType, backBufferFormat, D3DUSAGE_DEPTHSTENCIL,
                                                  D3DRTYPE_SURFACE, c.format)))
            continue;
        if (FAILED(m_pDirect3D->CheckDepthStencilMatch(adapter, deviceType, backBufferFormat, backBufferFormat,
                                                       c.format)))
            continue;
        *pDepthStencilFormat = c.format;
        return TRUE;
    }
    return FALSE;
}
