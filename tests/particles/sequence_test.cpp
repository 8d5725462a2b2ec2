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

// Recordings depend on the order of every random draw. Worked out by hand from the generator's
// sequence after srand(1) (R below), u(i) = R[i] / 32767 and g(i) = -2 + 2 u(i):
//   compile: the velocity event's time, 0.05 + 0.1 u(0) = 0.1014 (event times at compile);
//   frame 1: rate 10 + 10 u(1) gives 1 particle (carry 0.18); A at index 0 draws lifetime u(2),
//            radius u(3), then its time-0 events: size u(4), colour red u(5), blue u(6);
//   frame 2: A: gravity u(7) (the event is not due at 0.1); rate u(8) (carry 0.67); B: u(9)..u(13);
//   frame 3: A: gravity u(14), then its velocity event z u(15); B: gravity u(16); rate u(17)
//            (carry 1.32: two particles); C: u(18)..u(22); D: u(23)..u(27);
//   frame 4: A: gravity u(28); B: gravity u(29), event u(30); C: gravity u(31); D: gravity u(32);
//            rate u(33) (carry 0.99); E: u(34)..u(38).
TEST_F(EmissionArithmetic, RandomDrawsFollowTheSpecifiedOrder) {
    CParticleEventSequence& s = Load(
        "Lifetime = Random(1, 3) EmitRate = Random(10, 20) EmitRadius = XYZ(Random(0, 1), 0, 0) "
        "Gravity = XYZ(0, Random(-2, 0), 0) initial Size = Random(1, 2) "
        "initial Color = RGBA(Random(0, 1), 0.5, Random(0, 1), 1) "
        "at Random(0.05, 0.15) Velocity = XYZ(1, 0, Random(0, 1))");
    for (int frame = 0; frame < 4; ++frame) s.Update(0, 0.1f, m_origin);

    const int R[] = {16838, 5758,  10113, 17515, 31051, 5627,  23010, 7419,  16212, 4086,  2749,  12767, 9084,
                     12060, 32225, 17543, 25089, 21183, 25137, 25566, 26966, 4978,  20495, 10311, 11367, 30054,
                     17031, 13145, 19882, 25736, 30524, 28505, 28394, 22102, 24851, 19067, 12754, 11653, 6561};
    auto u = [&](int i) { return R[i] / 32767.0f; };
    auto g = [&](int i) { return -2 + 2 * u(i); };
    // Per particle: the first of its five birth draws, its position, its velocity.
    const struct {
        int birth;
        D3DXVECTOR3 pos, velocity;
    } expected[] = {
        {2, {u(3) + 0.1f, g(7) * 0.01f, u(15) * 0.1f}, {1, g(28) * 0.1f, u(15)}},  // gravity, then the event
        {9, {u(10), g(16) * 0.01f, 0}, {1, 0, u(30)}},  // the event overrides this frame's gravity
        {18, {u(19), 0, 0}, {0, g(31) * 0.1f, 0}},
        {23, {u(24), 0, 0}, {0, g(32) * 0.1f, 0}},
        {34, {u(35), 0, 0}, {0, 0, 0}},
    };
    ASSERT_EQ(s.GetNumActiveParticles(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const CParticle& p = s.GetPool()->At(i);
        const int b = expected[i].birth;
        EXPECT_NEAR(p.m_lifetime, 1 + 2 * u(b), 1e-6f);
        EXPECT_NEAR(p.m_size, 1 + u(b + 2), 1e-6f);
        const float colour[] = {u(b + 3), 0.5f, u(b + 4), 1};
        for (int c = 0; c < 4; ++c) EXPECT_NEAR((&p.m_color.r)[c], colour[c], 1e-6f) << c;
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR((&p.m_pos.x)[c], (&expected[i].pos.x)[c], 1e-6f) << c;
            EXPECT_NEAR((&p.m_velocity.x)[c], (&expected[i].velocity.x)[c], 1e-6f) << c;
        }
    }
}
