#include "particles/particle.h"
#include "particles/recycling_array.h"
#include "particles/value_range.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(RecyclingPool, NewHandsOutFreshCopiesOfTheTemplate) {
    CRecyclingArrayDyn<CParticle> pool(3);
    EXPECT_EQ(pool.FreeCount(), 3);
    CParticle* p = pool.New();
    EXPECT_EQ(p, &pool.At(0));
    p->m_size = 42;
    p->m_age = 3;
    ASSERT_TRUE(pool.Free(p));
    CParticle* q = pool.New();  // the search resumes at the last element handed out
    EXPECT_EQ(q, &pool.At(0));
    EXPECT_EQ(q->m_size, 1.0f);
    EXPECT_EQ(q->m_age, 0.0f);
    EXPECT_EQ(q->m_lifetime, 1.0f);
    EXPECT_EQ(q->m_color, D3DXCOLOR(1, 1, 1, 1));
    EXPECT_EQ(pool.UsedCount(), 1);
}

TEST(RecyclingPool, SearchWrapsAroundFromTheLastIndex) {
    CRecyclingArrayDyn<CParticle> pool(3);
    CParticle* a = pool.New();
    CParticle* b = pool.New();
    CParticle* c = pool.New();
    EXPECT_EQ(b, &pool.At(1));
    EXPECT_EQ(c, &pool.At(2));
    ASSERT_TRUE(pool.Free(a));
    EXPECT_EQ(pool.New(), &pool.At(0));
}

TEST(RecyclingPool, ExhaustionThrowsOutOfRange) {
    CRecyclingArrayDyn<CParticle> pool(2);
    pool.New();
    pool.New();
    try {
        pool.New();
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_EQ(std::string(e.what()), "CRecyclingArrayDyn::New: too many objects!");
    }
    EXPECT_EQ(pool.UsedCount(), 2);
    CRecyclingArrayDyn<CParticle> empty(0);
    EXPECT_THROW(empty.New(), std::out_of_range);
}

TEST(RecyclingPool, FreeRefusesWhatIsNotItsLiveElement) {
    CRecyclingArrayDyn<CParticle> pool(4);
    CParticle outside;
    EXPECT_FALSE(pool.Free(&pool.At(0)));  // nothing in use
    CParticle* p = pool.New();
    EXPECT_FALSE(pool.Free(&pool.At(1)));  // not in use
    EXPECT_FALSE(pool.Free(&outside));
    EXPECT_FALSE(pool.Free(nullptr));
    EXPECT_FALSE(pool.Free(&pool.At(0) + 4));
    EXPECT_FALSE(pool.Free(&pool.At(0) - 1));
    const auto* misaligned = reinterpret_cast<const CParticle*>(reinterpret_cast<const char*>(p) + 4);
    EXPECT_FALSE(pool.Free(misaligned));
    EXPECT_EQ(pool.UsedCount(), 1);
    EXPECT_TRUE(pool.Free(p));
    EXPECT_FALSE(pool.Free(p));  // twice
    EXPECT_EQ(pool.UsedCount(), 0);
}

TEST(RecyclingPool, FreeAllEmptiesAndRestartsAtTheFirstIndex) {
    CRecyclingArrayDyn<CParticle> pool(3);
    pool.New();
    pool.New();
    pool.FreeAll();
    EXPECT_EQ(pool.UsedCount(), 0);
    EXPECT_FALSE(pool.IsInUse(1));
    EXPECT_EQ(pool.New(), &pool.At(0));
    EXPECT_FALSE(pool.IsInUse(-1));
    EXPECT_FALSE(pool.IsInUse(3));
}

TEST(ParticleUpdate, MovesWithTheVelocityFromBeforeTheStep) {
    CParticle p;
    p.m_lifetime = 10;
    p.m_velocity = D3DXVECTOR3(1, 0, 0);
    p.m_velocityStep = D3DXVECTOR3(2, 0, 0);
    p.m_colorStep = D3DXCOLOR(-1, 0, 0, 0);
    p.m_sizeStep = 3;
    ASSERT_TRUE(p.Update(0.5f));
    EXPECT_EQ(p.m_pos.x, 0.5f);
    EXPECT_EQ(p.m_velocity.x, 2.0f);
    EXPECT_EQ(p.m_color.r, 0.5f);
    EXPECT_EQ(p.m_size, 2.5f);
    EXPECT_EQ(p.m_age, 0.5f);
    EXPECT_EQ(p.m_eventTimer, 0.5f);
}

TEST(ParticleUpdate, DiesWhenTheAgeReachesTheLifetimeWithoutMoving) {
    CParticle p;
    p.m_lifetime = 1;
    p.m_velocity = D3DXVECTOR3(1, 1, 1);
    EXPECT_FALSE(p.Update(1.0f));
    EXPECT_EQ(p.m_pos, D3DXVECTOR3(0, 0, 0));
}

TEST(RandomValues, EqualEndsDrawNothing) {
    crt::srand(1);
    const int first = crt::rand();
    crt::srand(1);
    EXPECT_EQ(RandomInRange(2.0f, 2.0f), 2.0f);
    EXPECT_EQ(crt::rand(), first);
}

TEST(RandomValues, ReversedRangeLiesAboveTheMinimum) {
    crt::srand(7);
    for (int i = 0; i < 1000; ++i) {
        const float v = RandomInRange(5.0f, 1.0f);
        ASSERT_GE(v, 5.0f);
        ASSERT_LE(v, 9.0f);
    }
}

TEST(RandomValues, GeneratorHasTheCLibraryRangeAndAFixedStart) {
    crt::srand(1);
    EXPECT_EQ(crt::rand(), 16838);  // the sample generator's first values from state 1
    EXPECT_EQ(crt::rand(), 5758);
    EXPECT_EQ(crt::rand(), 10113);
    int lo = 32767, hi = 0;
    for (int i = 0; i < 100000; ++i) {
        const int v = crt::rand();
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 32767);
}
