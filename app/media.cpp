#include "app/media.h"

#include <cstdio>
#include <cstring>

namespace {

char g_mediaPath[kMaxMediaPath];

bool CanOpen(const char* path) {
    HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// Copies `text` into a kMaxMediaPath buffer; false (and an empty buffer) when it does not fit.
bool CopyPath(char* path, const char* text) {
    int n = std::snprintf(path, kMaxMediaPath, "%s", text);
    if (n < 0 || n >= kMaxMediaPath) {
        path[0] = '\0';
        return false;
    }
    return true;
}

// Says which folders a file that was not found was looked for in.
void TellWhereLooked(const char* fileName) {
    char workingFolder[kMaxMediaPath];
    const DWORD length = GetCurrentDirectory(kMaxMediaPath, workingFolder);
    if (length == 0 || length >= kMaxMediaPath) std::snprintf(workingFolder, sizeof workingFolder, "(unknown)");
    const char* mediaFolder = GetMediaPath();
    if (mediaFolder[0] != '\0')
        platform::TellUser("%s: looked for in the working folder %s and in the media folder %s", fileName,
                           workingFolder, mediaFolder);
    else
        platform::TellUser("%s: looked for in the working folder %s (no media folder is configured)", fileName,
                           workingFolder);
}

}  // namespace

const char* GetMediaPath() {
    static const char empty[1] = "";
    HKEY key;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Graphics Runtime", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return empty;
    DWORD type = 0;
    DWORD size = kMaxMediaPath;
    LONG result = RegQueryValueEx(key, "Shared Media Path", NULL, &type, reinterpret_cast<BYTE*>(g_mediaPath), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return empty;
    g_mediaPath[kMaxMediaPath - 1] = '\0';
    static const char suffix[] = "/Media/";
    // A directory name too long to take the suffix would be cut short: treat it as missing.
    if (std::strlen(g_mediaPath) + sizeof(suffix) > sizeof(g_mediaPath)) return empty;
    std::strcat(g_mediaPath, suffix);
    return g_mediaPath;
}

HRESULT FindMediaFile(char* path, const char* fileName) {
    if (path == NULL || fileName == NULL) return E_INVALIDARG;
    if (CopyPath(path, fileName) && CanOpen(path)) return S_OK;
    int n = std::snprintf(path, kMaxMediaPath, "%s%s", GetMediaPath(), fileName);
    if (n >= 0 && n < kMaxMediaPath && CanOpen(path)) return S_OK;
    CopyPath(path, fileName);
    TellWhereLooked(fileName);
    return E_FAIL;
}

HRESULT SetDeviceCursor(IDirect3DDevice8* pDevice, HCURSOR cursor) {
    HRESULT hr = E_FAIL;
    ICONINFO iconInfo;
    std::memset(&iconInfo, 0, sizeof(iconInfo));
    BITMAP bm;
    BITMAPINFO bmi;
    IDirect3DSurface8* pCursorBitmap = NULL;
    HDC hdcScreen = NULL, hdcMask = NULL, hdcColor = NULL;
    DWORD* maskPixels = NULL;
    DWORD* colorPixels = NULL;
    BOOL monochrome;
    DWORD width, maskHeight, cursorHeight;
    D3DLOCKED_RECT locked;

    if (pDevice == NULL || !GetIconInfo(cursor, &iconInfo)) goto End;
    if (GetObject(iconInfo.hbmMask, sizeof(BITMAP), &bm) == 0) goto End;
    width = static_cast<DWORD>(bm.bmWidth);
    maskHeight = static_cast<DWORD>(bm.bmHeight);
    // A cursor without a colour bitmap keeps its AND mask over its XOR mask.
    monochrome = iconInfo.hbmColor == NULL;
    cursorHeight = monochrome ? maskHeight / 2 : maskHeight;

    if (FAILED(hr = pDevice->CreateImageSurface(width, cursorHeight, D3DFMT_A8R8G8B8, &pCursorBitmap))) goto End;

    std::memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(width);
    bmi.bmiHeader.biHeight = static_cast<LONG>(maskHeight);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;

    hr = E_FAIL;
    hdcScreen = GetDC(NULL);
    hdcMask = CreateCompatibleDC(hdcScreen);
    if (hdcMask == NULL) goto End;
    maskPixels = new DWORD[static_cast<size_t>(width) * maskHeight]();
    GetDIBits(hdcMask, iconInfo.hbmMask, 0, maskHeight, maskPixels, &bmi, DIB_RGB_COLORS);

    if (!monochrome) {
        hdcColor = CreateCompatibleDC(hdcScreen);
        if (hdcColor == NULL) goto End;
        colorPixels = new DWORD[static_cast<size_t>(width) * cursorHeight]();
        bmi.bmiHeader.biHeight = static_cast<LONG>(cursorHeight);
        GetDIBits(hdcColor, iconInfo.hbmColor, 0, cursorHeight, colorPixels, &bmi, DIB_RGB_COLORS);
    }

    if (FAILED(hr = pCursorBitmap->LockRect(&locked, NULL, 0))) goto End;
    for (DWORD y = 0; y < cursorHeight; ++y) {
        // Rows of the surface are `Pitch` bytes apart.
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(locked.Pitch) * y);
        for (DWORD x = 0; x < width; ++x) {
            DWORD colour, mask;
            if (monochrome) {
                colour = maskPixels[width * (cursorHeight - 1 - y) + x];
                mask = maskPixels[width * (maskHeight - 1 - y) + x];
            } else {
                colour = colorPixels[width * (cursorHeight - 1 - y) + x];
                mask = maskPixels[width * (cursorHeight - 1 - y) + x];
            }
            row[x] = mask == 0 ? (0xFF000000u | colour) : 0x00000000u;
        }
    }
    pCursorBitmap->UnlockRect();

    if (FAILED(hr = pDevice->SetCursorProperties(iconInfo.xHotspot, iconInfo.yHotspot, pCursorBitmap))) goto End;
    hr = S_OK;

End:
    if (iconInfo.hbmMask != NULL) DeleteObject(iconInfo.hbmMask);
    if (iconInfo.hbmColor != NULL) DeleteObject(iconInfo.hbmColor);
    if (hdcScreen != NULL) ReleaseDC(NULL, hdcScreen);
    if (hdcMask != NULL) DeleteDC(hdcMask);
    if (hdcColor != NULL) DeleteDC(hdcColor);
    delete[] maskPixels;
    delete[] colorPixels;
    if (pCursorBitmap != NULL) {
        pCursorBitmap->Release();
        pCursorBitmap = NULL;
    }
    return hr;
}
