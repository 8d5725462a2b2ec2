// Helpers for tests that run one compiled sequence without a device.
#pragma once

#include "particles/particle_emitter.h"

#include <gtest/gtest.h>

#include <string>

// A script with one sequence block whose body is given.
inline std::string OneSequence(const std::string& body) {
    return "ParticleSystem \"p\" 1 { EventSequence \"s\" { " + body + " } }";
}

// Compiles one sequence and gives it a pool (no device is needed for the pool).
class SequenceFixture : public ::testing::Test {
protected:
    CParticleEventSequence& Load(const std::string& body) {
        crt::srand(1);
        EXPECT_TRUE(m_emitter.Compile(OneSequence(body).c_str())) << m_emitter.GetLastError();
        CParticleEventSequence& sequence = *m_emitter.GetSequences().at(0);
        sequence.RebuildDeviceObjects(nullptr);
        return sequence;
    }
    // The one live particle (the test makes sure there is exactly one).
    static const CParticle& OnlyParticle(const CParticleEventSequence& sequence) {
        const auto* pool = sequence.GetPool();
        for (int i = 0; i < pool->Capacity(); ++i)
            if (pool->IsInUse(i)) return pool->At(i);
        ADD_FAILURE() << "no live particle";
        return pool->At(0);
    }

    CParticleEmitter m_emitter;
    const D3DXVECTOR3 m_origin{0, 0, 0};
};
