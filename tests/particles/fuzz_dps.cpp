// libFuzzer target: any byte sequence given to Compile must end in true or false with a
// message, never a crash, hang or leak; a script that compiles is also run for some frames.
// Build with clang (the target is added automatically), then for example:
//   build-fuzz/tests/particles/fuzz_dps -max_total_time=60 -timeout=5 tests/particles/dps_corpus
#include "particles/particle_emitter.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        platform::SetDebugOutputSink([](const char*) {});
        return true;
    }();
    (void)quiet;

    const std::string text(reinterpret_cast<const char*>(data), size);
    CParticleEmitter emitter;
    const bool compiled = emitter.Compile(text.c_str());
    if (emitter.GetLastError().empty()) __builtin_trap();
    if (!compiled) {
        if (!emitter.GetSequences().empty() || emitter.IsRunning()) __builtin_trap();
        return 0;
    }

    // Run small systems: pools without a device, a few frames of emission and events.
    int capacity = 0;
    for (const auto& sequence : emitter.GetSequences()) capacity += sequence->GetMaxParticles();
    if (capacity > 5000) return 0;
    const D3DXVECTOR3 origin(0, 0, 0);
    for (const auto& sequence : emitter.GetSequences()) {
        sequence->RebuildDeviceObjects(nullptr);
        for (int frame = 0; frame < 20; ++frame) sequence->Update(0, 1.0f / 60.0f, origin);
        sequence->Update(0, 2.5f, origin);
        if (sequence->GetNumActiveParticles() > sequence->GetMaxParticles()) __builtin_trap();
    }
    return 0;
}
