// Cost of the particle system's per-frame work. The figure to watch is per_particle (seconds) of
// BM_UpdateLiveParticles/10000: one frame's update divided by the live particles.
#include "particles/particle_emitter.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A sequence as the production's scripts use them: gravity, a fading colour, a velocity, a
// size change and one later event that every particle checks each frame.
std::string Script(int particles, bool randomGravity) {
    return "ParticleSystem \"bench\" 1 { EventSequence \"s\" {"
           " Lifetime = 1000000 EmitRate = 100000000 NumParticles = " + std::to_string(particles) +
           (randomGravity ? " Gravity = XYZ(Random(-1, 1), -9.8, 0)" : " Gravity = XYZ(0, -9.8, 0)") +
           " initial Velocity = XYZ(Random(-1, 1), Random(5, 10), Random(-1, 1))"
           " initial Color = RGBA(1, 1, 1, 1) fade so at 500000 Color = RGBA(0, 0, 0, 0)"
           " initial Size = 1 fade so at 600000 Size = 10"
           " at 900000 Alpha = 0 } }";
}

void UpdateLiveParticles(benchmark::State& state, bool randomGravity) {
    const int particles = static_cast<int>(state.range(0));
    CParticleEmitter emitter;
    if (!emitter.Compile(Script(particles, randomGravity).c_str())) {
        state.SkipWithError(emitter.GetLastError().c_str());
        return;
    }
    CParticleEventSequence& sequence = *emitter.GetSequences()[0];
    sequence.RebuildDeviceObjects(nullptr);  // the pool; no device is needed to update
    const D3DXVECTOR3 origin(0, 0, 0);
    sequence.Update(0, 1.0f / 60.0f, origin);  // fills the pool
    if (sequence.GetNumActiveParticles() != particles) {
        state.SkipWithError("pool not filled");
        return;
    }
    for (auto _ : state) {
        sequence.Update(0, 1.0f / 60.0f, origin);
        benchmark::ClobberMemory();
    }
    // Seconds per live particle and frame (shown with an SI prefix: 9.7n is 9.7 ns).
    state.counters["per_particle"] = benchmark::Counter(
        particles, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * particles);
}

void BM_UpdateLiveParticles(benchmark::State& state) { UpdateLiveParticles(state, false); }
void BM_UpdateLiveParticlesRandomGravity(benchmark::State& state) { UpdateLiveParticles(state, true); }

// Compiling a script of typical size (tokenizer, parser, event passes).
void BM_CompileScript(benchmark::State& state) {
    const std::string script = Script(400, true);
    for (auto _ : state) {
        CParticleEmitter emitter;
        benchmark::DoNotOptimize(emitter.Compile(script.c_str()));
    }
}

}  // namespace

BENCHMARK(BM_UpdateLiveParticles)->Arg(1000)->Arg(10000);
BENCHMARK(BM_UpdateLiveParticlesRandomGravity)->Arg(10000);
BENCHMARK(BM_CompileScript);
