#include "platform/win32/registry.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

// The one key that exists; its handle is the address of this object.
struct HKEY__ {
    int unused;
};

namespace {

HKEY__ g_mediaKey{};

constexpr const char* kSubKey = "Software\\Graphics Runtime";
constexpr const char* kValueName = "Shared Media Path";
constexpr const char* kEnvironment = "MORVELT_MEDIA_PATH";

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    // Key names are case-insensitive, as on the platform.
    if (key != HKEY_LOCAL_MACHINE || !subKey || strcasecmp(subKey, kSubKey) != 0) return ERROR_FILE_NOT_FOUND;
    if (std::getenv(kEnvironment) == nullptr) return ERROR_FILE_NOT_FOUND;
    *result = &g_mediaKey;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (key != &g_mediaKey) return ERROR_INVALID_HANDLE;
    if (!valueName || strcasecmp(valueName, kValueName) != 0) return ERROR_FILE_NOT_FOUND;
    const char* value = std::getenv(kEnvironment);
    if (!value) return ERROR_FILE_NOT_FOUND;
    DWORD needed = static_cast<DWORD>(std::strlen(value) + 1);
    if (type) *type = REG_SZ;
    if (!data) {
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }
    if (!size) return ERROR_INVALID_PARAMETER;
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, value, needed);
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) { return key == &g_mediaKey ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }
