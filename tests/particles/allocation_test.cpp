// The particle systems allocate nothing per frame: pools and the vertex buffer are made when a
// script is compiled, and particles are recycled in place. This program counts every operator
// new while the production's own scripts run and draw through the REF device, once every
// system has reached its full size (until then the device's scratch grows with the batches).
#include "assets/asset_manifest.h"
#include "particles/particle_emitter.h"
#include "platform/d3dx8.h"

#include "tests/support/allocation_counter.h"
#include "tests/support/ref_device.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ParticleAllocation : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_EQ(ref.createResult(), D3D_OK);
        D3DXMATRIX view, projection;
        const D3DXVECTOR3 eye(0, 0, -20), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }
    void TearDown() override {
        emitter.ReleaseDeviceObjects();
        ref.Release();
    }

    // One frame of 1/60 s: move, then draw.
    void Frame() {
        time += 1.0f / 60.0f;
        emitter.Update(time, 1.0f / 60.0f);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        device->BeginScene();
        emitter.Render();
        device->EndScene();
    }

    test_support::RefDevice ref{64, 64};
    IDirect3DDevice8* const device = ref.get();
    CParticleEmitter emitter;
    float time = 0;
};

TEST_P(ParticleAllocation, FramesInTheSteadyStateAllocateNothing) {
    // The manifest's scripts, read from their sources (the build copies them as they are).
    const std::string name = std::filesystem::path(GetParam()).filename().string();
    std::ifstream file(std::string(MORVELT_PARTICLE_SCRIPTS) + "/" + name, std::ios::binary);
    ASSERT_TRUE(file) << name;
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_EQ(emitter.RebuildDeviceObjects(device), S_OK);
    ASSERT_TRUE(emitter.Compile(text.str().c_str())) << emitter.GetLastError();
    emitter.Start();
    for (int i = 0; i < 10 * 60; ++i) Frame();  // every system at its full size
    const long before = AllocationCount();
    for (int i = 0; i < 20 * 60; ++i) Frame();
    EXPECT_EQ(AllocationCount() - before, 0) << "over 20 s of frames";
    EXPECT_GT(emitter.GetNumActiveParticles(), 0);
}

INSTANTIATE_TEST_SUITE_P(ProductionScripts, ParticleAllocation,
                         ::testing::ValuesIn([] {
                             std::vector<const char*> paths;
                             for (const assets::Asset& script : assets::kParticleScripts) paths.push_back(script.path);
                             return paths;
                         }()));

}  // namespace
