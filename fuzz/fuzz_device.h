// Shared by the fuzz targets: one REF device for the whole run (made on first use, never
// released: the process ends with the run) and debugger output silenced.
#pragma once

#include "platform/win32.h"
#include "tests/support/ref_device.h"

#include <cstdlib>

namespace fuzz {

inline IDirect3DDevice8* Device() {
    static const test_support::RefDevice* const ref = [] {
        platform::SetDebugOutputSink([](const char*) {});
        const auto* made = new test_support::RefDevice(64, 64, D3DFMT_D16);
        if (!*made) std::abort();
        return made;
    }();
    return ref->get();
}

// Stops the run as a finding: libFuzzer saves the input that got here.
[[noreturn]] inline void Fail() { __builtin_trap(); }

}  // namespace fuzz
