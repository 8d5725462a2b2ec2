#include "fake_device.h"
#include "particle_fixture.h"

#include <cmath>
#include <cstring>

namespace {

DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

}  // namespace

TEST(EmitterLifecycle, CompileBeforeADeviceBuildsSequencesWithoutPools) {
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 5 EmitRate = 100").c_str()));
    EXPECT_FALSE(emitter.IsRunning());
    emitter.Start();
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 0);
    EXPECT_EQ(emitter.Render(), S_OK);

    EXPECT_EQ(emitter.RebuildDeviceObjects(nullptr), S_OK);  // changes nothing
    EXPECT_EQ(emitter.GetSequences()[0]->GetPool(), nullptr);

    FakeDevice device;
    ASSERT_EQ(emitter.RebuildDeviceObjects(&device), S_OK);
    EXPECT_EQ(device.lastBufferLength, 8000u);
    EXPECT_EQ(device.lastBufferUsage, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS);
    EXPECT_EQ(device.lastBufferFvf, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    EXPECT_EQ(device.lastBufferPool, D3DPOOL_DEFAULT);
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 100);
    emitter.ReleaseDeviceObjects();
    EXPECT_EQ(emitter.GetVertexBuffer(), nullptr);
}

TEST(EmitterLifecycle, CompileAfterADeviceGetsPoolsAtOnce) {
    FakeDevice device;
    CParticleEmitter emitter;
    emitter.RebuildDeviceObjects(&device);
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 5 EmitRate = 10 NumParticles = 7").c_str()));
    EXPECT_EQ(device.buffersCreated, 2);  // released and made again by the compile
    ASSERT_NE(emitter.GetSequences()[0]->GetPool(), nullptr);
    EXPECT_EQ(emitter.GetSequences()[0]->GetPool()->Capacity(), 7);
    emitter.Start();
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 7);
    emitter.ReleaseDeviceObjects();
}

TEST(EmitterLifecycle, PauseKeepsParticlesStopKillsThemAndResetsLoops) {
    FakeDevice device;
    CParticleEmitter emitter;
    emitter.RebuildDeviceObjects(&device);
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 5 EmitRate = 10 NumParticles = 10 Loops = 1").c_str()));
    emitter.Start();
    emitter.Update(0, 0.55f);
    const int live = emitter.GetNumActiveParticles();
    ASSERT_EQ(live, 5);

    emitter.Pause();
    EXPECT_FALSE(emitter.IsRunning());
    emitter.Update(0, 10.0f);  // nothing moves or dies
    EXPECT_EQ(emitter.GetNumActiveParticles(), live);
    device.draws.clear();
    EXPECT_EQ(emitter.Render(), S_OK);
    EXPECT_TRUE(device.draws.empty());

    emitter.Start();
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 10);
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 10);  // the loop limit holds

    emitter.Stop();
    EXPECT_EQ(emitter.GetNumActiveParticles(), 0);
    emitter.Start();
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 10);  // counts start afresh
    emitter.ReleaseDeviceObjects();
}

TEST(EmitterLifecycle, ReleaseAndRebuildLoseParticlesButKeepDefinitionAndRunningFlag) {
    FakeDevice device;
    CParticleEmitter emitter;
    emitter.RebuildDeviceObjects(&device);
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 5 EmitRate = 10").c_str()));
    emitter.Start();
    emitter.Update(0, 1.0f);
    emitter.ReleaseDeviceObjects();
    EXPECT_EQ(emitter.GetNumActiveParticles(), 0);
    EXPECT_EQ(emitter.GetDevice(), &device);
    ASSERT_EQ(emitter.RebuildDeviceObjects(&device), S_OK);
    EXPECT_TRUE(emitter.IsRunning());
    EXPECT_EQ(emitter.GetSequences().size(), 1u);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 0);
    emitter.ReleaseDeviceObjects();
}

TEST(EmitterLifecycle, FailedVertexBufferLeavesSequencesWithoutPools) {
    FakeDevice device;
    device.createVertexBufferResult = E_OUTOFMEMORY;
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 5 EmitRate = 10").c_str()));
    EXPECT_EQ(emitter.RebuildDeviceObjects(&device), E_OUTOFMEMORY);
    EXPECT_EQ(emitter.GetSequences()[0]->GetPool(), nullptr);
    emitter.Start();
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.Render(), S_OK);
    EXPECT_TRUE(device.draws.empty());
}

class EmitterDrawing : public ::testing::Test {
protected:
    // A running emitter with the given number of live particles per sequence.
    void Fill(std::initializer_list<int> counts) {
        std::string script = "ParticleSystem \"p\" 1 {";
        for (int n : counts)
            script += " EventSequence \"s\" { Lifetime = 100 EmitRate = " + std::to_string(n) +
                      " NumParticles = " + std::to_string(n) +
                      " SourceBlendMode = D3DBLEND_SRCALPHA DestBlendMode = D3DBLEND_INVSRCALPHA"
                      " initial Color = RGBA(0.5, 2, -1, 1) }";
        script += " }";
        emitter.RebuildDeviceObjects(&device);
        ASSERT_TRUE(emitter.Compile(script.c_str())) << emitter.GetLastError();
        emitter.Start();
        emitter.Update(0, 1.0f);
        device.draws.clear();
    }
    void TearDown() override { emitter.ReleaseDeviceObjects(); }

    FakeDevice device;
    CParticleEmitter emitter;
};

TEST_F(EmitterDrawing, BatchesOfAtMostTheBufferSize) {
    Fill({1200});
    ASSERT_EQ(emitter.GetNumActiveParticles(), 1200);
    EXPECT_EQ(emitter.Render(), S_OK);
    ASSERT_EQ(device.draws.size(), 3u);
    EXPECT_EQ(device.draws[0].count, 500u);
    EXPECT_EQ(device.draws[1].count, 500u);
    EXPECT_EQ(device.draws[2].count, 200u);
    for (const auto& d : device.draws) {
        EXPECT_EQ(d.type, D3DPT_POINTLIST);
        EXPECT_EQ(d.start, 0u);
        EXPECT_EQ(d.srcBlend, static_cast<DWORD>(D3DBLEND_SRCALPHA));
        EXPECT_EQ(d.destBlend, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
        EXPECT_EQ(d.pointSprite, static_cast<DWORD>(TRUE));
    }
    for (DWORD flags : device.lastBuffer->lockFlags) EXPECT_EQ(flags, D3DLOCK_DISCARD);
    EXPECT_EQ(device.vertexShader, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    EXPECT_EQ(device.renderStates[D3DRS_POINTSPRITEENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(device.renderStates[D3DRS_POINTSCALEENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(device.renderStates[D3DRS_POINTSIZE], 0x40A28F5Cu);
    EXPECT_EQ(device.renderStates[D3DRS_POINTSIZE_MAX], Bits(500.0f));
    EXPECT_EQ(device.renderStates[D3DRS_POINTSCALE_C], Bits(1.0f));
    ASSERT_EQ(device.worldTransforms.size(), 1u);
    EXPECT_EQ(D3DXMATRIX(device.worldTransforms[0]), [] {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        return m;
    }());
}

TEST_F(EmitterDrawing, EachSequenceRefillsTheBufferFromTheStart) {
    Fill({300, 300});
    emitter.Render();
    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_EQ(device.draws[0].count, 300u);
    EXPECT_EQ(device.draws[1].count, 300u);
    EXPECT_EQ(device.draws[1].start, 0u);
}

TEST_F(EmitterDrawing, VerticesCarryPositionAndClampedColour) {
    Fill({3});
    emitter.SetPos(D3DXVECTOR3(1, 2, 3));
    emitter.Render();
    ASSERT_EQ(device.draws.size(), 1u);
    ASSERT_EQ(device.draws[0].vertices.size(), 3u);
    const RecordedVertex& v = device.draws[0].vertices[0];
    EXPECT_EQ(v.x, 0.0f);  // emitted where the emitter stood then
    EXPECT_EQ(v.color, 0xFF80FF00u);
}

TEST_F(EmitterDrawing, AFullLastBatchDrawsNothingMore) {
    Fill({1000});
    emitter.Render();
    ASSERT_EQ(device.draws.size(), 2u);
}

TEST_F(EmitterDrawing, FailedLockOrDrawEndsTheSequenceButRestoresPointStates) {
    Fill({1200});
    device.failLocksAfter = 1;
    emitter.Render();
    EXPECT_EQ(device.draws.size(), 1u);
    EXPECT_FALSE(device.lastBuffer->IsLocked());
    EXPECT_EQ(device.renderStates[D3DRS_POINTSPRITEENABLE], static_cast<DWORD>(FALSE));

    device.draws.clear();
    device.failLocksAfter = -1;
    device.failDrawsAfter = 0;
    emitter.Render();
    EXPECT_TRUE(device.draws.empty());
    EXPECT_FALSE(device.lastBuffer->IsLocked());
    EXPECT_EQ(device.renderStates[D3DRS_POINTSCALEENABLE], static_cast<DWORD>(FALSE));
}

TEST(EmitterTextures, AnUnloadableTextureLeavesTheSequenceUntextured) {
    FakeDevice device;
    CParticleEmitter emitter;
    emitter.RebuildDeviceObjects(&device);
    ASSERT_TRUE(emitter.Compile(
        OneSequence("Lifetime = 5 EmitRate = 10 Texture = \"Textures/no-such-texture.png\"").c_str()));
    const CParticleEventSequence& s = *emitter.GetSequences()[0];
    EXPECT_EQ(s.GetTextureFile(), "Textures/no-such-texture.png");
    EXPECT_EQ(s.GetTexture(), nullptr);
    emitter.Start();
    emitter.Update(0, 1.0f);
    emitter.Render();
    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_EQ(device.draws[0].texture, nullptr);
    emitter.ReleaseDeviceObjects();
}
