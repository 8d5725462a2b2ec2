// The registry: read-only, and holding one value. On Linux the value
// "Shared Media Path" under HKEY_LOCAL_MACHINE "Software\Graphics Runtime" comes from the
// environment variable MORVELT_MEDIA_PATH; when it is unset the key does not exist.
#pragma once

#include "platform/win32/handles.h"

using REGSAM = DWORD;

inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_READ = 0x20019;
constexpr DWORD REG_SZ = 1;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// REG_SZ values are returned with their terminating zero; ERROR_MORE_DATA (and the needed
// size in *size) when the buffer is too small.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size);
LONG RegCloseKey(HKEY key);
#define RegOpenKeyEx RegOpenKeyExA
#define RegQueryValueEx RegQueryValueExA
