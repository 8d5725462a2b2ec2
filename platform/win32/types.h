// Basic Windows types and result codes, with their published sizes and values.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using FLOAT = float;
using HRESULT = std::int32_t;
using LPCSTR = const char*;
using LPSTR = char*;
using LPVOID = void*;
using LPCVOID = const void*;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Opaque handles: the stand-ins define what they point to.
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

struct RECT {
    LONG left, top, right, bottom;
};
struct POINT {
    LONG x, y;
};
struct SIZE {
    LONG cx, cy;
};

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    };
    std::int64_t QuadPart;
};

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

constexpr HRESULT MAKE_HRESULT_VALUE(std::uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = MAKE_HRESULT_VALUE(0x80004005u);
constexpr HRESULT E_INVALIDARG = MAKE_HRESULT_VALUE(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = MAKE_HRESULT_VALUE(0x8007000Eu);
constexpr HRESULT E_NOTIMPL = MAKE_HRESULT_VALUE(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MAKE_HRESULT_VALUE(0x80004002u);
constexpr HRESULT E_POINTER = MAKE_HRESULT_VALUE(0x80004003u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

#define MAKEFOURCC(a, b, c, d)                                                  \
    (static_cast<DWORD>(static_cast<BYTE>(a)) |                                 \
     (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |                          \
     (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |                         \
     (static_cast<DWORD>(static_cast<BYTE>(d)) << 24))
