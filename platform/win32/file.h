// Files: opening an existing file for reading, and closing it. Paths are Linux paths,
// matched exactly.
#pragma once

#include "platform/win32/handles.h"

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;

struct SECURITY_ATTRIBUTES;

// Only GENERIC_READ with OPEN_EXISTING is supported; anything else gives
// INVALID_HANDLE_VALUE. Only regular data files open (see data_file.h).
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
#define CreateFile CreateFileA
BOOL CloseHandle(HANDLE handle);

// The working folder into `buffer`: its length without the terminating zero; the size needed
// (terminator included) when `size` is too small; 0 on failure.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
#define GetCurrentDirectory GetCurrentDirectoryA
