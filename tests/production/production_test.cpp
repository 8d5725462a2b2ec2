// The production's hooks on an off-screen REF device: the per-frame update of every scene,
// the device check, and the asset manifest's life cycle over many device resets.
#include "app/testing.h"
#include "assets/asset_manifest.h"
#include "production/application.h"
#include "production/program_objects.h"
#include "production/scene_state.h"
#include "tests/production/production_access.h"

#include "platform/crt_rand.h"
#include "platform/d3d8/testing.h"

#include <cstdint>
#include <string_view>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class UpdateFrameTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSceneStateAndRandom(); }
    ProductionTestAccess p;
};

}  // namespace

TEST_F(UpdateFrameTest, ZeroElapsedTimeIsRaisedBeforeUse) {
    p.Frame(0, 0.5f, 0.0f);
    EXPECT_FLOAT_EQ(p->m_fElapsedTime, 0.0001f);
}

TEST_F(UpdateFrameTest, ScenesWithoutWorkChangeNothing) {
    for (int scene : {0, 8, 10, -1}) {
        g_nFlash = 100;
        p.Frame(scene, 75.0f, 1 / 60.0f);
        EXPECT_EQ(g_nFlash, 100) << "scene " << scene;
        EXPECT_EQ(g_fBeatPhase, 0.0f);
    }
}

TEST_F(UpdateFrameTest, FlashFallsFiveAFrameAndClampsOnlyWhereSaid) {
    g_nFlash = 3;
    p.Frame(1, 5.0f, 1 / 60.0f);  // the opening has no lower limit
    EXPECT_EQ(g_nFlash, -2);
    g_nFlash = 3;
    p.Frame(7, 95.0f, 0.01f);  // the credits clamp at 0 (and the beat is not due yet)
    EXPECT_EQ(g_nFlash, 0);
    EXPECT_NEAR(g_fBeatPhase, (1 / 60.0f + 0.01f) / 3.022f, 1e-6f);
}

TEST_F(UpdateFrameTest, ShapesSceneShakeIsZeroAfterHundredSeconds) {
    g_fShakeX = -1.3f;
    g_fShakeY = 0.7f;
    for (int i = 0; i < 5; ++i) {
        p.Frame(2, 155.0f + i / 60.0f, 1 / 60.0f);
        EXPECT_EQ(g_fShakeX, 0.0f);
        EXPECT_EQ(g_fShakeY, 0.0f);
    }
}

TEST_F(UpdateFrameTest, SurfaceSceneShakeSettlesInSteps) {
    p.MakeDevice();  // the surface scene sets the device's transforms
    g_fShakeX = -5.0f;
    g_fShakeY = 4.0f;
    for (int i = 0; i < 20; ++i) p.Frame(4, 65.0f, 0.001f);
    EXPECT_NEAR(g_fShakeX, -0.2f, 1e-5f);  // climbs 0.8 a frame and rests at -0.2
    EXPECT_GT(g_fShakeY, -0.8f);  // falls 0.8 a frame and rests in the band (-0.8, 0]
    EXPECT_LE(g_fShakeY, 0.0f);
    EXPECT_LE(p->Inspect().surfaceZ, 7.0f);
}

TEST_F(UpdateFrameTest, SurfacePulseAndMorphOnTheBeat) {
    p.MakeDevice();
    p.Frame(4, 70.0f, 0.99f);  // just short of the beat
    ASSERT_EQ(g_nShakeBeats, 0);
    const float morph = p->Inspect().morphPhase;
    p.Frame(4, 70.0f, 0.02f);
    ProductionSnapshot s = p->Inspect();
    EXPECT_EQ(s.beatTimer, 0.0f);
    EXPECT_FLOAT_EQ(s.surfaceZ, 5.0f);
    EXPECT_NEAR(s.morphPhase, morph + 0.75f + 0.02f / 0.522f, 1e-5f);
    EXPECT_EQ(g_nShakeBeats, 1);
    for (int i = 0; i < 50; ++i) p.Frame(4, 70.0f, 0.02f);  // one second later: back at 7
    EXPECT_FLOAT_EQ(p->Inspect().surfaceZ, 7.0f);
}

TEST_F(UpdateFrameTest, CountdownStepsEveryThreeSeconds) {
    for (int i = 0; i < 2; ++i) p.Frame(3, 31.0f, 1.5f);
    EXPECT_EQ(g_nNumeral, 3);
    EXPECT_EQ(g_fNumeralClock, 0.0f);
}

TEST_F(UpdateFrameTest, CountdownBarsWrapWhereTheirEntrySays) {
    // The bars start at 3, 1.95, 0.9, -0.15, -1.2, -2.25 and move one unit per 0.822 s.
    p.Frame(3, 31.0f, 0.05f);
    EXPECT_NEAR(p->Inspect().barY[0], 3.0f + 0.05f / 0.822f, 1e-5f);  // entries 0 and 1 pass 3.0
    p.Frame(3, 31.0f, 1.717f);  // entry 2 reaches 3.05
    const ProductionSnapshot s = p->Inspect();
    EXPECT_FLOAT_EQ(s.barY[0], -3.0f);  // entries 0 and 1 wrap at 3.1 to -3.0
    EXPECT_FLOAT_EQ(s.barY[1], -3.0f);
    EXPECT_FLOAT_EQ(s.barY[2], -3.1f);  // the others at 3.0 to -3.1
    EXPECT_NEAR(s.barY[3], -0.15f + 1.767f / 0.822f, 1e-4f);
}

TEST_F(UpdateFrameTest, FiguresSceneFlashesOnceOnEntry) {
    p.Frame(5, 139.0f, 1 / 60.0f);
    EXPECT_EQ(g_nFlash, 250);
    EXPECT_TRUE(g_bSceneFiveEntered);
    g_nFlash = 0;
    p.Frame(5, 139.1f, 1 / 60.0f);
    EXPECT_EQ(g_nFlash, 0);
}

TEST_F(UpdateFrameTest, CavePathStopsAtSeven) {
    for (int i = 0; i < 100; ++i) p.Frame(6, 113.0f + i, 1.0f);
    EXPECT_EQ(g_nCavePath, 7);
    EXPECT_NEAR(p->Inspect().caveClock, 100.0f, 1e-3f);
}

TEST_F(UpdateFrameTest, CreditsSpinNeverStops) {
    for (int i = 0; i < 200; ++i) p.Frame(7, 112.0f, 0.1f);  // after 111 s: no beats
    const ProductionSnapshot before = p->Inspect();
    for (float rate : before.spinRate) EXPECT_FLOAT_EQ(rate, 0.001f);
    EXPECT_EQ(g_fPhaseRateX, 0.0f);
    p.Frame(7, 112.0f, 0.1f);
    const ProductionSnapshot after = p->Inspect();
    for (int axis = 0; axis < 3; ++axis)  // integrated per frame, not per second
        EXPECT_FLOAT_EQ(after.spin[axis], before.spin[axis] + 0.001f) << axis;
}

namespace {

// Answers CheckDeviceFormat from a list of the formats it supports.
struct FormatOnlyDirect3D : IDirect3D8 {
    std::vector<D3DFORMAT> textures;
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER8*) override { return E_NOTIMPL; }
    UINT GetAdapterModeCount(UINT) override { return 0; }
    HRESULT EnumAdapterModes(UINT, UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override { return E_NOTIMPL; }
    HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT format) override {
        return std::find(textures.begin(), textures.end(), format) != textures.end() ? D3D_OK
                                                                                      : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE) override {
        return E_NOTIMPL;
    }
    HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override { return E_NOTIMPL; }
    HRESULT GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8*) override { return E_NOTIMPL; }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice8**) override {
        return E_NOTIMPL;
    }
};

}  // namespace

TEST(CheckDeviceCaps, BumpFormatsAndThePureDevice) {
    ProductionTestAccess p;
    FormatOnlyDirect3D direct3d;
    p->m_pDirect3D = &direct3d;
    D3DCAPS8 caps{};
    auto check = [&](DWORD textureOps, std::vector<D3DFORMAT> formats, DWORD behavior = 0) {
        caps.TextureOpCaps = textureOps;
        direct3d.textures = std::move(formats);
        return p->CheckDeviceCaps(&caps, behavior, D3DFMT_X8R8G8B8);
    };
    const DWORD both = D3DTEXOPCAPS_BUMPENVMAP | D3DTEXOPCAPS_BUMPENVMAPLUMINANCE;
    EXPECT_EQ(check(both, {D3DFMT_V8U8, D3DFMT_L6V5U5, D3DFMT_X8L8V8U8}, D3DCREATE_PUREDEVICE), E_FAIL);
    EXPECT_EQ(check(both, {D3DFMT_V8U8}), S_OK);  // luminance op without its formats, plain bump with V8U8
    EXPECT_EQ(check(D3DTEXOPCAPS_BUMPENVMAP, {D3DFMT_L6V5U5}), E_FAIL);
    EXPECT_EQ(check(D3DTEXOPCAPS_BUMPENVMAPLUMINANCE, {D3DFMT_L6V5U5}), S_OK);
    EXPECT_EQ(check(0, {D3DFMT_V8U8}), E_FAIL);
    p->m_pDirect3D = nullptr;
}

namespace {

// Resident set size of this process, in kilobytes.
long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// References the device holds: its own count, raised by every resource still alive.
ULONG DeviceReferences(IDirect3DDevice8* device) {
    device->AddRef();
    return device->Release();
}

// Runs a test inside the build folder, where the content is generated.
class ContentFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSceneStateAndRandom();
        m_previous = fs::current_path();
        const char* build = MORVELT_BUILD_DIR;
        fs::current_path(build);
        if (!fs::exists("Textures/empty.jpg")) GTEST_SKIP() << "no generated content in " << build;
    }
    void TearDown() override { fs::current_path(m_previous); }

    fs::path m_previous;
};

}  // namespace

TEST_F(ContentFolder, ResetCyclesReleaseEveryReference) {
    ProductionTestAccess p;
    p.MakeDevice();
    ASSERT_EQ(p->CreateDeviceObjects(), S_OK);
    ASSERT_EQ(p->RebuildDeviceObjects(), S_OK);
    EXPECT_EQ(p->Inspect().bumpMapFormat, D3DFMT_V8U8);
    EXPECT_EQ(p->Inspect().sphereVertices, 930);
    // The sanitizer build runs fewer cycles: its allocator keeps freed memory aside anyway.
    constexpr int kCycles = MORVELT_RESET_CYCLES;
    long residentAtTenth = 0;
    ULONG releasedReferences = 0;  // what outlives a reset: the creation-time set and the loaded meshes
    for (int i = 0; i < kCycles; ++i) {
        p->ReleaseDeviceObjects();
        if (i == 0) releasedReferences = DeviceReferences(p->m_pDevice);
        ASSERT_EQ(DeviceReferences(p->m_pDevice), releasedReferences) << "release " << i;
        ASSERT_EQ(p->RebuildDeviceObjects(), S_OK) << "rebuild " << i;
        if (i == kCycles / 10) residentAtTenth = ResidentKilobytes();
    }
    // Memory stays flat once the allocator has settled: no growth per reset.
    EXPECT_LT(ResidentKilobytes() - residentAtTenth, 16 * 1024);
    EXPECT_EQ(p->Inspect().flareSpots, 13u);  // not 26 after a reset
    // A few frames of the surface scene with everything loaded.
    for (int i = 0; i < 3; ++i) {
        p.Frame(4, 65.0f + i / 60.0f, 1 / 60.0f);
        p->Render();
    }
    p->ReleaseDeviceObjects();
    p->DestroyDeviceObjects();
    EXPECT_EQ(p.DropDevice(), 0u);
}

TEST_F(ContentFolder, TransitionRecyclesOnlyAfterSevenSeconds) {
    ProductionTestAccess p;
    p.MakeDevice();
    ASSERT_EQ(p->CreateDeviceObjects(), S_OK);
    ASSERT_EQ(p->RebuildDeviceObjects(), S_OK);
    EXPECT_EQ(p->Inspect().transitionClock, 0.0f);  // a fade is ready, its clock stopped
    p.Frame(0, 10.15f, 1 / 60.0f);
    p->Render();  // the opening starts its first dissolve
    EXPECT_FLOAT_EQ(p->Inspect().transitionClock, 0.0001f);
    p.Frame(0, 17.0f, 6.9f);
    p.Frame(0, 17.1f, 0.0998f);  // 6.9999: not yet
    EXPECT_GT(p->Inspect().transitionClock, 6.99f);
    p.Frame(0, 17.2f, 0.01f);  // above 7: a fresh fade, clock stopped
    EXPECT_EQ(p->Inspect().transitionClock, 0.0f);
    EXPECT_TRUE(p->Inspect().hasTransition);
    p->ReleaseDeviceObjects();
    p->DestroyDeviceObjects();
    EXPECT_EQ(p.DropDevice(), 0u);
}

TEST_F(ContentFolder, EveryScriptsSpriteTextureIsLoaded) {
    ProductionTestAccess p;
    p.MakeDevice();
    ASSERT_EQ(p->CreateDeviceObjects(), S_OK);
    ASSERT_EQ(p->RebuildDeviceObjects(), S_OK);
    for (const ProductionEmitter& entry : kProductionEmitters) {
        EXPECT_FALSE(entry.emitter->GetSequences().empty()) << entry.script;
        for (const auto& sequence : entry.emitter->GetSequences())
            EXPECT_NE(sequence->GetTexture(), nullptr) << entry.script << ": " << sequence->GetTextureFile();
    }
    p->ReleaseDeviceObjects();
    p->DestroyDeviceObjects();
    EXPECT_EQ(p.DropDevice(), 0u);
}

TEST_F(ContentFolder, MissingRequiredTextureIsMediaNotFound) {
    // A copy of the content without qrnm.jpg.
    const fs::path work = fs::temp_directory_path() / ("morvelt_missing_" + std::to_string(getpid()));
    fs::create_directories(work / "Textures");
    for (const auto& entry : fs::directory_iterator("Textures"))
        if (entry.path().filename() != "qrnm.jpg") fs::create_symlink(fs::absolute(entry.path()), work / "Textures" / entry.path().filename());
    fs::create_directory_symlink(fs::absolute("Data"), work / "Data");
    fs::create_directory_symlink(fs::absolute("data"), work / "data");
    fs::current_path(work);
    {
        ProductionTestAccess p;
        p.MakeDevice();
        EXPECT_EQ(p->CreateDeviceObjects(), FRAMEERR_MEDIA_NOT_FOUND);
        p->DestroyDeviceObjects();
    }
    fs::current_path(m_previous);
    fs::remove_all(work);
}

TEST_F(ContentFolder, MissingMusicAndScriptLeaveTheProductionRunning) {
    const fs::path work = fs::temp_directory_path() / ("morvelt_optional_" + std::to_string(getpid()));
    fs::create_directories(work / "data");
    fs::create_directory_symlink(fs::absolute("Textures"), work / "Textures");
    fs::create_directory_symlink(fs::absolute("Data"), work / "Data");
    for (const assets::Asset& script : assets::kParticleScripts)  // no cave script, no music
        if (std::string_view(script.path) != assets::kCaveScript.path) fs::create_symlink(fs::absolute(script.path), work / script.path);
    fs::current_path(work);
    {
        ProductionTestAccess p;
        p.MakeDevice();
        ASSERT_EQ(p->CreateDeviceObjects(), S_OK);
        EXPECT_EQ(p->RebuildDeviceObjects(), S_OK);
        EXPECT_EQ(g_hMusic, 0u);
        EXPECT_EQ(g_CaveEmitter.GetNumActiveParticles(), 0);
        for (int i = 0; i < 3; ++i) {
            p.Frame(6, 115.0f + i / 60.0f, 1 / 60.0f);
            EXPECT_EQ(p->Render(), S_OK);
        }
        p->ReleaseDeviceObjects();
        p->DestroyDeviceObjects();
        EXPECT_EQ(p.DropDevice(), 0u);
    }
    fs::current_path(m_previous);
    fs::remove_all(work);
}

// A short recording in this process, noting the production time of every frame drawn.
struct FrameCountingProduction : CMyD3DApplication {
    std::vector<float> drawnAt;
    HRESULT Render() override {
        drawnAt.push_back(m_fTime);
        return CMyD3DApplication::Render();
    }
};

TEST_F(ContentFolder, RecordingDrawsEveryFrameFromTimeZero) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    frame_test::ResetProcessState();
    CaptureOptions options;
    options.output = fs::temp_directory_path() / ("morvelt_frames_" + std::to_string(getpid()));
    options.width = 160;
    options.height = 120;
    options.fps = 4;
    options.to = 1000000000;  // 1 s: frames 0 to 3
    {
        FrameCountingProduction app;
        ASSERT_EQ(app.Capture(GetModuleHandle(nullptr), options), 0);
        EXPECT_EQ(app.drawnAt, (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f}));
    }
    EXPECT_TRUE(fs::exists(options.output + "/frame_000003.png"));
    EXPECT_FALSE(fs::exists(options.output + "/frame_000004.png"));
    fs::remove_all(options.output);
}
