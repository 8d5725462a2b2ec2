#include "particle_fixture.h"

// One particle, emitted by the first update of one second and living long.
constexpr const char* kOneParticle = "Lifetime = 100 EmitRate = 1 NumParticles = 1 Loops = 1 ";

using FadeArithmetic = SequenceFixture;

TEST_F(FadeArithmetic, StepIsDifferenceOverInterval) {
    CParticleEventSequence& s = Load(std::string(kOneParticle) + "initial Size = 1 fade so at 2 Size = 5");
    s.Update(0, 1.0f, m_origin);
    const CParticle& p = OnlyParticle(s);
    EXPECT_EQ(p.m_size, 1.0f);
    EXPECT_EQ(p.m_sizeStep, 2.0f);
    s.Update(0, 1.0f, m_origin);
    EXPECT_FLOAT_EQ(p.m_size, 3.0f);
    s.Update(0, 1.0f, m_origin);
    EXPECT_FLOAT_EQ(p.m_size, 5.0f);
    s.Update(0, 1.0f, m_origin);
    EXPECT_FLOAT_EQ(p.m_size, 7.0f);  // the step stays in force after the fade
}

TEST_F(FadeArithmetic, FadeToFinalAlpha) {
    CParticleEventSequence& s =
        Load("Lifetime = 4 EmitRate = 1 NumParticles = 1 Loops = 1 initial Alpha = 1 fade so final Alpha = 0");
    s.Update(0, 1.0f, m_origin);
    EXPECT_FLOAT_EQ(OnlyParticle(s).m_colorStep.a, -0.25f);
}

TEST_F(FadeArithmetic, EqualTimesUseAnIntervalOfOne) {
    CParticleEventSequence& s = Load(std::string(kOneParticle) + "at 1 Size = 2 fade so at 1 Size = 6");
    s.Update(0, 1.0f, m_origin);
    s.Update(0, 1.0f, m_origin);
    const CParticle& p = OnlyParticle(s);
    EXPECT_EQ(p.m_size, 2.0f);
    EXPECT_EQ(p.m_sizeStep, 4.0f);
}

TEST_F(FadeArithmetic, FadingEventWithoutPredecessorSetsNothing) {
    CParticleEventSequence& s = Load(std::string(kOneParticle) + "fade so at 1 Size = 9");
    s.Update(0, 1.0f, m_origin);
    s.Update(0, 1.5f, m_origin);
    const CParticle& p = OnlyParticle(s);
    EXPECT_EQ(p.m_size, 1.0f);
    EXPECT_EQ(p.m_sizeStep, 0.0f);
}

TEST_F(FadeArithmetic, EachColourAndVelocityEventWritesItsOwnMembers) {
    // Set at birth, with a fade to a second value at 2 s: the value and the step per second land
    // in the event's own components; everything else keeps the fresh particle's values.
    const struct {
        const char* events;
        D3DXCOLOR colour, colourStep;
        D3DXVECTOR3 velocity, velocityStep;
    } cases[] = {
        {"initial RedColor = 0.25 fade so at 2 RedColor = 0.75", {0.25f, 1, 1, 1}, {0.25f, 0, 0, 0}, {}, {}},
        {"initial GreenColor = 0.25 fade so at 2 GreenColor = 0.75", {1, 0.25f, 1, 1}, {0, 0.25f, 0, 0}, {}, {}},
        {"initial BlueColor = 0.25 fade so at 2 BlueColor = 0.75", {1, 1, 0.25f, 1}, {0, 0, 0.25f, 0}, {}, {}},
        {"initial Alpha = 0.25 fade so at 2 Alpha = 0.75", {1, 1, 1, 0.25f}, {0, 0, 0, 0.25f}, {}, {}},
        {"initial Color = RGBA(0.1, 0.2, 0.3, 0.4) fade so at 2 Color = RGBA(0.5, 0.8, 0.5, 0.2)",
         {0.1f, 0.2f, 0.3f, 0.4f}, {0.2f, 0.3f, 0.1f, -0.1f}, {}, {}},
        {"initial VelocityX = 3 fade so at 2 VelocityX = 7", {1, 1, 1, 1}, {}, {3, 0, 0}, {2, 0, 0}},
        {"initial VelocityY = 3 fade so at 2 VelocityY = 7", {1, 1, 1, 1}, {}, {0, 3, 0}, {0, 2, 0}},
        {"initial VelocityZ = 3 fade so at 2 VelocityZ = 7", {1, 1, 1, 1}, {}, {0, 0, 3}, {0, 0, 2}},
        {"initial Velocity = XYZ(1, 2, 3) fade so at 2 Velocity = XYZ(5, 2, -1)", {1, 1, 1, 1}, {}, {1, 2, 3},
         {2, 0, -2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.events);
        CParticleEventSequence& s = Load(std::string(kOneParticle) + c.events);
        s.Update(0, 1.0f, m_origin);
        const CParticle& p = OnlyParticle(s);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR((&p.m_color.r)[i], (&c.colour.r)[i], 1e-6f) << i;
            EXPECT_NEAR((&p.m_colorStep.r)[i], (&c.colourStep.r)[i], 1e-6f) << i;
        }
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ((&p.m_velocity.x)[i], (&c.velocity.x)[i]) << i;
            EXPECT_EQ((&p.m_velocityStep.x)[i], (&c.velocityStep.x)[i]) << i;
        }
        EXPECT_EQ(p.m_size, 1.0f);
        EXPECT_EQ(p.m_sizeStep, 0.0f);
    }
}

TEST_F(FadeArithmetic, DifferentClassesNeverLink) {
    CParticleEventSequence& s =
        Load(std::string(kOneParticle) + "initial Color = RGBA(0, 0, 0, 0) fade so at 1 RedColor = 1 "
                                         "initial Velocity = XYZ(0, 0, 0) fade so at 1 VelocityX = 4");
    s.Update(0, 1.0f, m_origin);
    const CParticle& p = OnlyParticle(s);
    EXPECT_EQ(p.m_colorStep.r, 0.0f);
    EXPECT_EQ(p.m_velocityStep.x, 0.0f);
    for (const auto& e : s.GetEvents()) EXPECT_EQ(e->GetNextFade(), nullptr);
}

TEST_F(FadeArithmetic, VelocityRangeGivesEachParticleItsOwnSpeed) {
    CParticleEventSequence& s =
        Load("Lifetime = 100 EmitRate = 50 NumParticles = 50 at 0 Velocity = XYZ(0, Random(1, 2), 0)");
    s.Update(0, 1.0f, m_origin);
    ASSERT_EQ(s.GetNumActiveParticles(), 50);
    float lo = 10, hi = -10;
    for (int i = 0; i < 50; ++i) {
        const float y = s.GetPool()->At(i).m_velocity.y;
        lo = std::min(lo, y);
        hi = std::max(hi, y);
        EXPECT_EQ(s.GetPool()->At(i).m_velocity.x, 0.0f);
    }
    EXPECT_GE(lo, 1.0f);
    EXPECT_LE(hi, 2.0f);
    EXPECT_GT(hi - lo, 0.5f);
}

using EventTimerJumps = SequenceFixture;

TEST_F(EventTimerJumps, JumpBackAppliesEarlierEventsAgain) {
    CParticleEventSequence& s =
        Load(std::string(kOneParticle) + "at 0.5 RedColor = 0.5 at 0.75 Size = 4 at 1 EventTimer = 0 "
                                         "at 1.5 Size = 9");
    s.Update(0, 1.0f, m_origin);
    const CParticle& p = OnlyParticle(s);
    s.Update(0, 1.0f, m_origin);  // timer 1: 0.5, 0.75 and the jump to 0
    EXPECT_EQ(p.m_color.r, 0.5f);
    EXPECT_EQ(p.m_size, 4.0f);
    EXPECT_EQ(p.m_eventTimer, 0.0f);
    EXPECT_EQ(p.m_curEvent, 0);
    s.Update(0, 0.6f, m_origin);  // timer 0.6: the red event again, but not the size
    EXPECT_FLOAT_EQ(p.m_eventTimer, 0.6f);
    EXPECT_EQ(p.m_curEvent, 1);
}

TEST_F(EventTimerJumps, EventsDueAtTheNewTimerApplyInTheSameCall) {
    CParticleEventSequence& s =
        Load(std::string(kOneParticle) + "at 1 EventTimer = 2 at 1.5 Size = 3 at 2 Size = 7 at 3 Size = 11");
    s.Update(0, 1.0f, m_origin);
    s.Update(0, 1.0f, m_origin);
    const CParticle& p = OnlyParticle(s);
    EXPECT_EQ(p.m_size, 7.0f);  // 1.5 skipped, 2 applied at once, 3 not yet
    EXPECT_EQ(p.m_curEvent, 3);
}

TEST_F(EventTimerJumps, TwoTimersSendingEachOtherBackDoNotHang) {
    CParticleEventSequence& s =
        Load(std::string(kOneParticle) + "at 1 EventTimer = 1.5 at 1.5 EventTimer = 1");
    s.Update(0, 1.0f, m_origin);
    s.Update(0, 1.0f, m_origin);  // would jump to and fro forever
    s.Update(0, 1.0f, m_origin);
    EXPECT_EQ(s.GetNumActiveParticles(), 1);
}
