#include "particle_fixture.h"
#include "tests/support/recording_ref_device.h"

#include <cmath>
#include <cstring>
#include <map>

namespace {

DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

struct RecordedVertex {
    float x, y, z;
    DWORD color;
};

// A point-list draw with the blend and point-sprite states set before it.
struct PointDraw {
    fake::RecordedCall call;
    DWORD srcBlend, destBlend, pointSprite;
};

// The draws recorded, each with the states set before it since recording began.
std::vector<PointDraw> PointDraws(const fake::RecordingDevice& device) {
    std::map<DWORD, DWORD> states;
    std::vector<PointDraw> draws;
    for (const fake::RecordedCall& c : device.calls) {
        if (c.kind == fake::RecordedCall::kSetRenderState) states[c.what] = c.value;
        if (c.kind == fake::RecordedCall::kDraw)
            draws.push_back({c, states[D3DRS_SRCBLEND], states[D3DRS_DESTBLEND], states[D3DRS_POINTSPRITEENABLE]});
    }
    return draws;
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

    fake::RecordingRefDevice device;
    ASSERT_EQ(emitter.RebuildDeviceObjects(&device), S_OK);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(emitter.GetVertexBuffer()->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.Size, 8000u);
    EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS));
    EXPECT_EQ(desc.FVF, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 100);
    emitter.ReleaseDeviceObjects();
    EXPECT_EQ(emitter.GetVertexBuffer(), nullptr);
}

TEST(EmitterLifecycle, CompileAfterADeviceGetsPoolsAtOnce) {
    fake::RecordingRefDevice device;
    CParticleEmitter emitter;
    emitter.RebuildDeviceObjects(&device);
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 5 EmitRate = 10 NumParticles = 7").c_str()));
    EXPECT_EQ(device.Count(fake::RecordedCall::kCreate), 2u);  // released and made again by the compile
    ASSERT_NE(emitter.GetSequences()[0]->GetPool(), nullptr);
    EXPECT_EQ(emitter.GetSequences()[0]->GetPool()->Capacity(), 7);
    emitter.Start();
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.GetNumActiveParticles(), 7);
    emitter.ReleaseDeviceObjects();
}

TEST(EmitterLifecycle, PauseKeepsParticlesStopKillsThemAndResetsLoops) {
    fake::RecordingRefDevice device;
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
    device.calls.clear();
    EXPECT_EQ(emitter.Render(), S_OK);
    EXPECT_TRUE(device.Draws().empty());

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
    fake::RecordingRefDevice device;
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
    fake::RecordingRefDevice device;
    device.failCreateVertexBuffer.Now(E_OUTOFMEMORY);
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(OneSequence("Lifetime = 5 EmitRate = 10").c_str()));
    EXPECT_EQ(emitter.RebuildDeviceObjects(&device), E_OUTOFMEMORY);
    EXPECT_EQ(emitter.GetSequences()[0]->GetPool(), nullptr);
    emitter.Start();
    emitter.Update(0, 1.0f);
    EXPECT_EQ(emitter.Render(), S_OK);
    EXPECT_TRUE(device.Draws().empty());
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
        device.copyVertices = true;
        emitter.RebuildDeviceObjects(&device);
        ASSERT_TRUE(emitter.Compile(script.c_str())) << emitter.GetLastError();
        emitter.Start();
        emitter.Update(0, 1.0f);
        device.calls.clear();
    }
    void TearDown() override {
        emitter.ReleaseDeviceObjects();
        EXPECT_EQ(device.LiveObjects(), 0) << "the vertex buffer or a texture was not released";
    }

    fake::RecordingRefDevice device;
    CParticleEmitter emitter;
};

TEST_F(EmitterDrawing, BatchesOfAtMostTheBufferSize) {
    Fill({1200});
    ASSERT_EQ(emitter.GetNumActiveParticles(), 1200);
    EXPECT_EQ(emitter.Render(), S_OK);
    const std::vector<PointDraw> draws = PointDraws(device);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].call.value, 500u);
    EXPECT_EQ(draws[1].call.value, 500u);
    EXPECT_EQ(draws[2].call.value, 200u);
    for (const auto& d : draws) {
        EXPECT_EQ(d.call.what, static_cast<DWORD>(D3DPT_POINTLIST));
        EXPECT_EQ(d.call.start, 0u);
        EXPECT_EQ(d.srcBlend, static_cast<DWORD>(D3DBLEND_SRCALPHA));
        EXPECT_EQ(d.destBlend, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
        EXPECT_EQ(d.pointSprite, static_cast<DWORD>(TRUE));
    }
    for (DWORD flags : device.lastVertexBuffer->lockFlags) EXPECT_EQ(flags, D3DLOCK_DISCARD);
    DWORD shader = 0;
    device.GetVertexShader(&shader);
    EXPECT_EQ(shader, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    EXPECT_EQ(device.RenderState(D3DRS_POINTSPRITEENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(device.RenderState(D3DRS_POINTSCALEENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(device.RenderState(D3DRS_POINTSIZE), 0x40A28F5Cu);
    EXPECT_EQ(device.RenderState(D3DRS_POINTSIZE_MAX), Bits(500.0f));
    EXPECT_EQ(device.RenderState(D3DRS_POINTSCALE_C), Bits(1.0f));
    std::vector<D3DMATRIX> worlds;
    for (const fake::RecordedCall& c : device.calls)
        if (c.kind == fake::RecordedCall::kSetTransform && c.what == D3DTS_WORLD) worlds.push_back(c.matrix);
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_EQ(D3DXMATRIX(worlds[0]), [] {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        return m;
    }());
}

TEST_F(EmitterDrawing, EachSequenceRefillsTheBufferFromTheStart) {
    Fill({300, 300});
    emitter.Render();
    const std::vector<fake::RecordedCall> draws = device.Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].value, 300u);
    EXPECT_EQ(draws[1].value, 300u);
    EXPECT_EQ(draws[1].start, 0u);
}

TEST_F(EmitterDrawing, VerticesCarryPositionAndClampedColour) {
    Fill({3});
    emitter.SetPos(D3DXVECTOR3(1, 2, 3));
    emitter.Render();
    const std::vector<fake::RecordedCall> draws = device.Draws();
    ASSERT_EQ(draws.size(), 1u);
    ASSERT_EQ(draws[0].vertices.size(), 3 * sizeof(RecordedVertex));
    const RecordedVertex v = draws[0].VertexAt<RecordedVertex>(0);
    EXPECT_EQ(v.x, 0.0f);  // emitted where the emitter stood then
    EXPECT_EQ(v.color, 0xFF80FF00u);
}

TEST_F(EmitterDrawing, AFullLastBatchDrawsNothingMore) {
    Fill({1000});
    emitter.Render();
    ASSERT_EQ(device.Draws().size(), 2u);
}

TEST_F(EmitterDrawing, FailedLockOrDrawEndsTheSequenceButRestoresPointStates) {
    Fill({1200});
    device.failVertexBufferLock = {1, E_FAIL};
    emitter.Render();
    EXPECT_EQ(device.Draws().size(), 1u);
    EXPECT_FALSE(device.lastVertexBuffer->Locked());
    EXPECT_EQ(device.RenderState(D3DRS_POINTSPRITEENABLE), static_cast<DWORD>(FALSE));

    device.calls.clear();
    device.failVertexBufferLock = {};
    device.failDraw.Now(E_FAIL);
    emitter.Render();
    EXPECT_TRUE(device.Draws().empty());
    EXPECT_FALSE(device.lastVertexBuffer->Locked());
    EXPECT_EQ(device.RenderState(D3DRS_POINTSCALEENABLE), static_cast<DWORD>(FALSE));
}

TEST(EmitterTextures, AnUnloadableTextureLeavesTheSequenceUntextured) {
    fake::RecordingRefDevice device;
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
    const std::vector<fake::RecordedCall> draws = device.Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].texture, nullptr);
    emitter.ReleaseDeviceObjects();
}
