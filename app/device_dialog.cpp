#include <cstdio>

#include "app/d3dapp.h"
#include "app/testing.h"
#include "resources/resource_ids.h"

namespace {

// The dialog's working values: the choice when it opened (old) and as edited (new).
struct DialogState {
    CD3DApplication* app = NULL;
    DWORD oldAdapter = 0, newAdapter = 0;
    DWORD oldDevice = 0, newDevice = 0;
    DWORD oldMode = 0, newMode = 0;
    BOOL oldWindowed = FALSE, newWindowed = FALSE;
    D3DMULTISAMPLE_TYPE oldMultiSample = D3DMULTISAMPLE_NONE, newMultiSample = D3DMULTISAMPLE_NONE;
};
DialogState g_dialog;

// The dialog's controls, looked up by their identifiers.
struct DialogControls {
    explicit DialogControls(HWND dialog)
        : adapterList(GetDlgItem(dialog, IDC_ADAPTER_COMBO)),
          deviceList(GetDlgItem(dialog, IDC_DEVICE_COMBO)),
          modeList(GetDlgItem(dialog, IDC_FULLSCREENMODES_COMBO)),
          windowedRadio(GetDlgItem(dialog, IDC_WINDOW)),
          fullscreenRadio(GetDlgItem(dialog, IDC_FULLSCREEN)),
          multiSampleList(GetDlgItem(dialog, IDC_MULTISAMPLE_COMBO)) {}
    HWND adapterList, deviceList, modeList, windowedRadio, fullscreenRadio, multiSampleList;
};

}  // namespace

namespace frame_test {
void ResetDialogState() { g_dialog = DialogState{}; }
}  // namespace frame_test

HRESULT CD3DApplication::ShowDeviceDialog() {
    if (!m_bWindowed) {
        if (FAILED(SwitchDisplayMode())) {
            ReportError(FRAMEERR_RESIZE_FAILED, REPORT_FATAL);
            return E_FAIL;
        }
    }

    const INT_PTR result = DialogBoxParam(GetModuleHandle(NULL), MAKEINTRESOURCE(IDD_SELECTDEVICE), m_hWnd,
                                          DeviceDialogProc, reinterpret_cast<LPARAM>(this));
    if (result == DEVICE_DIALOG_EXIT) return S_FALSE;
    if (result != IDOK) return S_OK;

    AdapterInfo* pAdapter = &m_adapters[m_adapterIndex];
    m_bWindowed = pAdapter->devices[pAdapter->currentDevice].windowed;

    HRESULT hr = DropDevice();
    if (FAILED(hr)) return hr;

    hr = InitializeDevice();
    if (FAILED(hr)) return ReportError(hr, REPORT_FATAL);

    ReanchorStoppedClock();
    return S_OK;
}

INT_PTR CALLBACK CD3DApplication::DeviceDialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    const DialogControls c(hDlg);
    DialogState& s = g_dialog;

    if (msg == WM_INITDIALOG) {
        CD3DApplication* app = reinterpret_cast<CD3DApplication*>(lParam);
        if (app == NULL) return FALSE;
        s.app = app;
        s.oldAdapter = s.newAdapter = app->m_adapterIndex;
        const AdapterInfo& adapter = app->m_adapters[s.newAdapter];
        s.oldDevice = s.newDevice = adapter.currentDevice;
        const DeviceInfo& device = adapter.devices[s.newDevice];
        s.oldMode = s.newMode = device.currentMode;
        s.oldWindowed = s.newWindowed = device.windowed;
        s.oldMultiSample = s.newMultiSample = device.multiSampleType;
        app->RefreshDeviceDialog(hDlg);
        return TRUE;
    }

    if (msg == WM_COMMAND) {
        // A command before the dialog was set up has nothing to act on.
        if (s.app == NULL) return FALSE;
        CD3DApplication* app = s.app;
        s.newWindowed = SendMessage(c.windowedRadio, BM_GETCHECK, 0, 0) == BST_CHECKED ? TRUE : FALSE;

        const WORD control = LOWORD(wParam);
        const WORD notification = HIWORD(wParam);
        if (control == IDOK) {
            if (s.newAdapter == s.oldAdapter && s.newDevice == s.oldDevice && s.newMode == s.oldMode &&
                s.newWindowed == s.oldWindowed && s.newMultiSample == s.oldMultiSample) {
                EndDialog(hDlg, IDCANCEL);
                return TRUE;
            }
            app->m_adapterIndex = s.newAdapter;
            AdapterInfo& adapter = app->m_adapters[s.newAdapter];
            adapter.currentDevice = s.newDevice;
            DeviceInfo& device = adapter.devices[s.newDevice];
            device.currentMode = s.newMode;
            device.windowed = s.newWindowed;
            device.multiSampleType = s.newMultiSample;
            EndDialog(hDlg, IDOK);
            return TRUE;
        }
        if (control == IDCANCEL) {
            // Told apart from "Run" without a change: at start-up it ends the program.
            EndDialog(hDlg, DEVICE_DIALOG_EXIT);
            return TRUE;
        }
        if (notification == CBN_SELENDOK) {
            // An empty list reports no selection (CB_ERR); then nothing changes.
            HWND list = control == IDC_ADAPTER_COMBO           ? c.adapterList
                        : control == IDC_DEVICE_COMBO          ? c.deviceList
                        : control == IDC_FULLSCREENMODES_COMBO ? c.modeList
                        : control == IDC_MULTISAMPLE_COMBO     ? c.multiSampleList
                                                               : NULL;
            const LRESULT selected = list != NULL ? SendMessage(list, CB_GETCURSEL, 0, 0) : CB_ERR;
            if (control == IDC_ADAPTER_COMBO && selected >= 0 && static_cast<DWORD>(selected) < app->m_adapterCount) {
                s.newAdapter = static_cast<DWORD>(selected);
                const AdapterInfo& adapter = app->m_adapters[s.newAdapter];
                s.newDevice = adapter.currentDevice;
                s.newMode = adapter.devices[s.newDevice].currentMode;
                s.newWindowed = adapter.devices[s.newDevice].windowed;
            } else if (control == IDC_DEVICE_COMBO && selected >= 0 &&
                       static_cast<DWORD>(selected) < app->m_adapters[s.newAdapter].deviceCount) {
                s.newDevice = static_cast<DWORD>(selected);
                const DeviceInfo& device = app->m_adapters[s.newAdapter].devices[s.newDevice];
                s.newMode = device.currentMode;
                s.newWindowed = device.windowed;
            } else if (control == IDC_FULLSCREENMODES_COMBO && selected >= 0 &&
                       static_cast<DWORD>(selected) < app->m_adapters[s.newAdapter].devices[s.newDevice].modeCount) {
                s.newMode = static_cast<DWORD>(selected);
            } else if (control == IDC_MULTISAMPLE_COMBO && selected >= 0) {
                s.newMultiSample = static_cast<D3DMULTISAMPLE_TYPE>(
                    SendMessage(c.multiSampleList, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
            }
        }
        app->RefreshDeviceDialog(hDlg);
        return TRUE;
    }

    return FALSE;
}

void CD3DApplication::RefreshDeviceDialog(HWND hDlg) {
    DialogState& s = g_dialog;
    const DialogControls c(hDlg);

    SendMessage(c.adapterList, CB_RESETCONTENT, 0, 0);
    SendMessage(c.deviceList, CB_RESETCONTENT, 0, 0);
    SendMessage(c.modeList, CB_RESETCONTENT, 0, 0);
    SendMessage(c.multiSampleList, CB_RESETCONTENT, 0, 0);

    for (DWORD a = 0; a < m_adapterCount; ++a) {
        LRESULT item = SendMessage(c.adapterList, CB_ADDSTRING, 0,
                                   reinterpret_cast<LPARAM>(m_adapters[a].identifier.Description));
        SendMessage(c.adapterList, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(a));
        if (a == s.newAdapter) SendMessage(c.adapterList, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }

    const AdapterInfo& adapter = m_adapters[s.newAdapter];
    for (DWORD d = 0; d < adapter.deviceCount; ++d) {
        LRESULT item =
            SendMessage(c.deviceList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(adapter.devices[d].description));
        SendMessage(c.deviceList, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(d));
        if (d == s.newDevice) SendMessage(c.deviceList, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }

    const DeviceInfo& device = adapter.devices[s.newDevice];
    for (DWORD m = 0; m < device.modeCount; ++m) {
        const ModeInfo& mode = device.modes[m];
        long depth = (mode.format == D3DFMT_X8R8G8B8 || mode.format == D3DFMT_A8R8G8B8 ||
                      mode.format == D3DFMT_R8G8B8)
                         ? 32
                         : 16;
        char text[80];
        std::snprintf(text, sizeof(text), "%ld x %ld x %ld", static_cast<long>(mode.width),
                      static_cast<long>(mode.height), depth);
        LRESULT item = SendMessage(c.modeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessage(c.modeList, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(m));
        if (m == s.newMode) SendMessage(c.modeList, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }

    const D3DFORMAT format = s.newWindowed ? adapter.desktopMode.Format : device.modes[s.newMode].format;
    for (int type = 0; type <= 16; ++type) {
        if (type == 1) continue;
        if (FAILED(m_pDirect3D->CheckDeviceMultiSampleType(s.newAdapter, device.deviceType, format, s.newWindowed,
                                                           static_cast<D3DMULTISAMPLE_TYPE>(type))))
            continue;
        char text[50];
        if (type == 0)
            std::snprintf(text, sizeof(text), "none");
        else
            std::snprintf(text, sizeof(text), "%d samples", type);
        LRESULT item = SendMessage(c.multiSampleList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessage(c.multiSampleList, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(type));
        if (type == 0 || static_cast<DWORD>(type) == static_cast<DWORD>(s.newMultiSample))
            SendMessage(c.multiSampleList, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    const LRESULT selected = SendMessage(c.multiSampleList, CB_GETCURSEL, 0, 0);
    // With no supported type listed there is nothing to select: no multisampling.
    s.newMultiSample = selected >= 0 ? static_cast<D3DMULTISAMPLE_TYPE>(SendMessage(
                                           c.multiSampleList, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0))
                                     : D3DMULTISAMPLE_NONE;

    EnableWindow(c.multiSampleList, SendMessage(c.multiSampleList, CB_GETCOUNT, 0, 0) > 1);
    EnableWindow(c.windowedRadio, device.canDoWindowed);

    if (!s.newWindowed) {
        SendMessage(c.windowedRadio, BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessage(c.fullscreenRadio, BM_SETCHECK, BST_CHECKED, 0);
        EnableWindow(c.modeList, TRUE);
    } else {
        SendMessage(c.windowedRadio, BM_SETCHECK, BST_CHECKED, 0);
        SendMessage(c.fullscreenRadio, BM_SETCHECK, BST_UNCHECKED, 0);
        EnableWindow(c.modeList, FALSE);
    }
}
