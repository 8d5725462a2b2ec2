#include "platform/win32/file.h"

#include "platform/win32/data_file.h"

#include <unistd.h>

#include <cstring>
#include <string>

// A file handle is an open data file: a FIFO, a device or a folder does not open.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD, HANDLE) {
    if (!name || access != GENERIC_READ || disposition != OPEN_EXISTING) return INVALID_HANDLE_VALUE;
    auto* file = new platform::DataFile;
    if (!file->Open(name, nullptr)) {
        delete file;
        return INVALID_HANDLE_VALUE;
    }
    return static_cast<HANDLE>(file);
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return FALSE;
    delete static_cast<platform::DataFile*>(handle);
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::string folder(4096, '\0');
    if (!::getcwd(folder.data(), folder.size())) return 0;
    folder.resize(std::strlen(folder.c_str()));
    if (buffer == nullptr || size <= folder.size()) return static_cast<DWORD>(folder.size() + 1);
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    return static_cast<DWORD>(folder.size());
}
