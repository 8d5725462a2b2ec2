#include "platform/win32/file.h"

#include <cstdio>
#include <sys/stat.h>

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD, HANDLE) {
    if (!name || access != GENERIC_READ || disposition != OPEN_EXISTING) return INVALID_HANDLE_VALUE;
    struct stat st;
    if (stat(name, &st) != 0 || S_ISDIR(st.st_mode)) return INVALID_HANDLE_VALUE;
    std::FILE* f = std::fopen(name, "rb");
    return f ? static_cast<HANDLE>(f) : INVALID_HANDLE_VALUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return FALSE;
    return std::fclose(static_cast<std::FILE*>(handle)) == 0 ? TRUE : FALSE;
}
