#include "particle_fixture.h"

#include <algorithm>
#include <cmath>

using EmissionArithmetic = SequenceFixture;

constexpr float kFrame = 1.0f / 60.0f;

TEST_F(EmissionArithmetic, TenPerSecondAtSixtyFramesEmitsAboutEveryFifthOrSixthFrame) {
    CParticleEventSequence& s = Load("Lifetime = 100 EmitRate = 10 NumParticles = 1000");
    int previous = 0;
    int framesWithEmission = 0;
    for (int frame = 0; frame < 600; ++frame) {
        s.Update(0, kFrame, m_origin);
        const int emitted = s.GetEmittedCount();
        ASSERT_LE(emitted - previous, 1) << "frame " << frame;
        framesWithEmission += emitted - previous;
        previous = emitted;
        ASSERT_LE(s.GetEmitCarry(), 1.0f + 1e-6f);
    }
    EXPECT_NEAR(s.GetEmittedCount(), 100, 2);
    EXPECT_EQ(framesWithEmission, s.GetEmittedCount());
}

TEST_F(EmissionArithmetic, CarryIsSpentOnlyWhenItExceedsOne) {
    CParticleEventSequence& s = Load("Lifetime = 100 EmitRate = 1 NumParticles = 10");
    s.Update(0, 0.5f, m_origin);
    s.Update(0, 0.5f, m_origin);
    EXPECT_EQ(s.GetEmittedCount(), 0);  // carry exactly 1 is not spent
    EXPECT_EQ(s.GetEmitCarry(), 1.0f);
    s.Update(0, 0.25f, m_origin);
    EXPECT_EQ(s.GetEmittedCount(), 1);
    EXPECT_EQ(s.GetEmitCarry(), 0.25f);
}

TEST_F(EmissionArithmetic, DefaultRateNeverEmits) {
    CParticleEventSequence& s = Load("Lifetime = 1");
    for (int i = 0; i < 100; ++i) s.Update(0, 1.0f, m_origin);
    EXPECT_EQ(s.GetEmittedCount(), 0);
}

TEST_F(EmissionArithmetic, LoopsLimitEmissionsToLoopsTimesCapacity) {
    CParticleEventSequence& s = Load("Lifetime = 0.5 EmitRate = 100 NumParticles = 5 Loops = 2");
    for (int i = 0; i < 50; ++i) s.Update(0, 0.1f, m_origin);
    EXPECT_EQ(s.GetEmittedCount(), 10);
    s.KillAllParticles();  // a clear starts the count afresh
    for (int i = 0; i < 50; ++i) s.Update(0, 0.1f, m_origin);
    EXPECT_EQ(s.GetEmittedCount(), 10);
}

TEST_F(EmissionArithmetic, ZeroOrNegativeLoopsSetNoLimit) {
    for (const char* loops : {"Loops = 0", "Loops = -1", "Loops = -3"}) {
        CParticleEventSequence& s = Load(std::string("Lifetime = 0.5 EmitRate = 100 NumParticles = 5 ") + loops);
        for (int i = 0; i < 50; ++i) s.Update(0, 0.1f, m_origin);
        EXPECT_GT(s.GetEmittedCount(), 10) << loops;
    }
}

TEST_F(EmissionArithmetic, LargeLoopLimitDoesNotOverflow) {
    CParticleEventSequence& s = Load("Lifetime = 0.01 EmitRate = 1e30 NumParticles = 100000 Loops = 100000");
    for (int i = 0; i < 3; ++i) s.Update(0, kFrame, m_origin);
    EXPECT_EQ(s.GetEmittedCount(), 300000);
}

TEST_F(EmissionArithmetic, FullPoolDropsTheRestAndRecoversAsParticlesDie) {
    CParticleEventSequence& s = Load("Lifetime = Random(1, 3) EmitRate = 100 NumParticles = 20");
    s.Update(0, 1.0f, m_origin);
    EXPECT_EQ(s.GetNumActiveParticles(), 20);
    EXPECT_EQ(s.GetEmittedCount(), 20);
    EXPECT_LT(s.GetEmitCarry(), 1.0f);  // what did not fit is not carried over
    for (int i = 0; i < 10; ++i) s.Update(0, 0.5f, m_origin);
    EXPECT_GT(s.GetEmittedCount(), 20);
    EXPECT_EQ(s.GetNumActiveParticles(), 20);
}

TEST_F(EmissionArithmetic, ParticlesDieWhenTheirLifetimeIsReached) {
    CParticleEventSequence& s = Load("Lifetime = Random(1, 3) EmitRate = 10 NumParticles = 10 Loops = 1");
    s.Update(0, 1.0f, m_origin);
    ASSERT_EQ(s.GetNumActiveParticles(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_GE(s.GetPool()->At(i).m_lifetime, 1.0f);
        EXPECT_LE(s.GetPool()->At(i).m_lifetime, 3.0f);
    }
    s.Update(0, 0.999f, m_origin);
    EXPECT_EQ(s.GetNumActiveParticles(), 10);
    s.Update(0, 2.01f, m_origin);
    EXPECT_EQ(s.GetNumActiveParticles(), 0);
}

TEST_F(EmissionArithmetic, NewParticlesStartAtTheEmitterWithinTheRadiusAndDoNotMoveYet) {
    CParticleEventSequence& s = Load(
        "Lifetime = 10 EmitRate = 10 NumParticles = 10 Loops = 1 EmitRadius = XYZ(Random(-1, 1), 0, 0) "
        "initial Velocity = XYZ(0, 5, 0)");
    s.Update(0, 1.0f, D3DXVECTOR3(10, 20, 30));
    for (int i = 0; i < 10; ++i) {
        const CParticle& p = s.GetPool()->At(i);
        EXPECT_GE(p.m_pos.x, 9.0f);
        EXPECT_LE(p.m_pos.x, 11.0f);
        EXPECT_EQ(p.m_pos.y, 20.0f);
        EXPECT_EQ(p.m_velocity.y, 5.0f);
        EXPECT_EQ(p.m_curEvent, 1);
    }
}

TEST_F(EmissionArithmetic, GravityAcceleratesLiveParticles) {
    CParticleEventSequence& s = Load("Lifetime = 10 EmitRate = 1 NumParticles = 1 Gravity = XYZ(0, -10, 0)");
    s.Update(0, 1.0f, m_origin);
    s.Update(0, 0.5f, m_origin);
    EXPECT_EQ(OnlyParticle(s).m_velocity.y, -5.0f);
    EXPECT_EQ(OnlyParticle(s).m_pos.y, 0.0f);  // moved with the velocity from before
}

TEST_F(EmissionArithmetic, WithoutAPoolNothingHappens) {
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 1 EmitRate = 100").c_str()));
    CParticleEventSequence& s = *emitter.GetSequences()[0];
    s.Update(0, 1.0f, m_origin);
    EXPECT_EQ(s.GetEmittedCount(), 0);
    EXPECT_EQ(s.GetNumActiveParticles(), 0);
}

TEST_F(EmissionArithmetic, NonsenseRatesNeitherCrashNorEmit) {
    for (const char* rate : {"EmitRate = -50", "EmitRate = -nan", "EmitRate = -1e39"}) {
        CParticleEventSequence& s = Load(std::string("Lifetime = 1 NumParticles = 5 ") + rate);
        for (int i = 0; i < 20; ++i) s.Update(0, 0.5f, m_origin);
        EXPECT_EQ(s.GetEmittedCount(), 0) << rate;
    }
}
