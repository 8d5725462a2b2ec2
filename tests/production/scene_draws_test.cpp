// What the scenes draw: the whole timeline played at 10 frames a second on a REF device that
// rasterizes nothing, behind a recording device, with the spectrum at zero (no music file).
// At chosen times the recorded draws are compared with values worked out by hand from the
// scenes' definitions: which picture or mesh, where, at what scale.
#include "assets/asset_manifest.h"
#include "production/program_objects.h"
#include "tests/production/production_access.h"

#include "platform/d3d8/recording.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;
using fake::RecordedCall;

const std::set<std::string> kNumerals = {"Data/one.x", "Data/two.x", "Data/three.x", "Data/four.x", "Data/five.x"};
template <size_t N>
std::set<std::string> Paths(const assets::Asset (&files)[N]) {
    std::set<std::string> paths;
    for (const assets::Asset& f : files) paths.insert(f.path);
    return paths;
}
const std::set<std::string> kCredits = Paths(assets::kCreditTextures);
const std::set<std::string> kGreetings = Paths(assets::kGreetingTextures);

// A texture's level 0: size, format and pixels; empty for render targets, which cannot be read.
std::string Picture(IDirect3DBaseTexture8* base) {
    if (!base || base->GetType() != D3DRTYPE_TEXTURE) return {};
    auto* texture = static_cast<IDirect3DTexture8*>(base);
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT locked;
    if (FAILED(texture->GetLevelDesc(0, &desc)) || (desc.Usage & D3DUSAGE_RENDERTARGET) || desc.Height == 0 ||
        FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
        return {};
    const UINT header[] = {desc.Width, desc.Height, UINT(desc.Format)};
    std::string picture(reinterpret_cast<const char*>(header), sizeof header);
    const UINT rowBytes = desc.Size / desc.Height;
    for (UINT row = 0; row < desc.Height; ++row)
        picture.append(static_cast<const char*>(locked.pBits) + row * locked.Pitch, rowBytes);
    texture->UnlockRect(0);
    return picture;
}

// The production's textures and meshes by file. A texture is known by its picture: the
// catalogue loads the files itself as the production does, and a drawn texture is named after
// the file whose picture it holds; the 1024 x 1024 render target is "target 0". A mesh is
// known by its vertex buffer.
class Catalogue {
public:
    explicit Catalogue(IDirect3DDevice8* device) {
        Names files = {"Textures/1.jpg",     "Textures/2.jpg",     "Textures/3.jpg",    "Textures/back_s3.jpg",
                       "Textures/envnr.jpg", "Textures/frame.jpg", "Textures/logo.png", "Textures/s6over.jpg"};
        files.insert(files.end(), kCredits.begin(), kCredits.end());
        files.insert(files.end(), kGreetings.begin(), kGreetings.end());
        for (const std::string& file : files) {
            IDirect3DTexture8* texture = nullptr;
            EXPECT_EQ(D3DXCreateTextureFromFileA(device, file.c_str(), &texture), D3D_OK) << file;
            Learn(texture, file);
        }
        // Colour-keyed as the production loads it: opaque RGB 0, 64, 64 becomes transparent.
        IDirect3DTexture8* keyed = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileExA(device, "Textures/Image2.png", 0, 0, 1, 0, D3DFMT_A8R8G8B8,
                                               D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0xFF004040, nullptr,
                                               nullptr, &keyed),
                  D3D_OK);
        Learn(keyed, "Textures/Image2.png");
        const std::pair<CD3DMesh*, const char*> meshes[] = {
            {g_pOneMesh, "Data/one.x"},   {g_pTwoMesh, "Data/two.x"},         {g_pThreeMesh, "Data/three.x"},
            {g_pFourMesh, "Data/four.x"}, {g_pFiveMesh, "Data/five.x"},       {g_pCaveMesh, "Data/cave.x"},
            {g_pFemMesh, "Data/fem.x"},   {g_pObjFaenMesh, "Data/objfaen.x"}, {g_pLogoMesh, "Data/logo.x"},
        };
        for (const auto& [mesh, name] : meshes) {
            IDirect3DVertexBuffer8* buffer = nullptr;
            mesh->m_pLocalMesh->GetVertexBuffer(&buffer);
            known_[buffer] = name;
            buffer->Release();
        }
    }
    // A draw is named after its mesh, else after its stage-0 texture; "?" when neither is known.
    std::string Of(const RecordedCall& draw) const {
        auto known = known_.find(draw.stream);
        if (known == known_.end()) known = known_.find(draw.texture);
        if (known != known_.end()) return known->second;
        return known_[draw.texture] = NameOf(draw.texture);
    }

private:
    // Notes the picture of a texture loaded here, then lets the texture go.
    void Learn(IDirect3DTexture8* texture, const std::string& file) {
        if (!texture) return;
        EXPECT_TRUE(pictures_.emplace(Picture(texture), file).second) << file << " looks like another file";
        texture->Release();
    }
    std::string NameOf(IDirect3DBaseTexture8* base) const {
        if (base && base->GetType() == D3DRTYPE_TEXTURE) {
            D3DSURFACE_DESC desc;
            static_cast<IDirect3DTexture8*>(base)->GetLevelDesc(0, &desc);
            if ((desc.Usage & D3DUSAGE_RENDERTARGET) && desc.Width == 1024) return "target 0";
        }
        const auto file = pictures_.find(Picture(base));
        return file != pictures_.end() && !file->first.empty() ? file->second : "?";
    }

    std::map<std::string, std::string> pictures_;     // picture -> file
    mutable std::map<const void*, std::string> known_;  // vertex buffers and textures already named
};

// The calls of one frame.
struct Shot {
    const Catalogue* catalogue;
    std::vector<RecordedCall> calls;

    std::vector<RecordedCall> Draws(const std::string& name) const {
        std::vector<RecordedCall> found;
        for (const RecordedCall& c : calls)
            if (c.kind == RecordedCall::kDraw && catalogue->Of(c) == name) found.push_back(c);
        return found;
    }
    // Draws of any kind, or of one primitive type and count.
    size_t DrawCount(int type = -1, UINT primitives = 0) const {
        size_t n = 0;
        for (const RecordedCall& c : calls)
            n += c.kind == RecordedCall::kDraw && (type < 0 || (c.what == DWORD(type) && c.value == primitives));
        return n;
    }
    // The index-th draw of `name`; a failure and an empty call when there is none.
    RecordedCall Draw(const std::string& name, size_t index = 0) const {
        const auto found = Draws(name);
        if (index < found.size()) return found[index];
        ADD_FAILURE() << "no draw " << index << " of " << name;
        return {RecordedCall::kDraw};
    }
    // The draws whose names are in `group`, in order.
    Names Among(const std::set<std::string>& group) const {
        Names found;
        for (const RecordedCall& c : calls)
            if (c.kind == RecordedCall::kDraw && group.count(catalogue->Of(c))) found.push_back(catalogue->Of(c));
        return found;
    }
    // The distinct meshes of `group` drawn (a mesh draws once per subset).
    std::set<std::string> MeshesAmong(const std::set<std::string>& group) const {
        const Names all = Among(group);
        return {all.begin(), all.end()};
    }
};

// Expected values given as kAny are not checked.
constexpr float kAny = NAN;
void ExpectNear(float actual, float expected) {
    if (!std::isnan(expected)) {
        EXPECT_NEAR(actual, expected, 1e-4f);
    }
}

// A layer's world is translation x scaling: its diagonal holds the scale (the cosine of the
// turn for a turned one) and its last row the centre, (tx sx, ty sy, tz sz).
void ExpectLayer(const RecordedCall& draw, float sx, float sy, float cx, float cy, float cz) {
    ExpectNear(draw.matrix._11, sx);
    ExpectNear(draw.matrix._22, sy);
    ExpectNear(draw.matrix._41, cx);
    ExpectNear(draw.matrix._42, cy);
    ExpectNear(draw.matrix._43, cz);
}

void ExpectView(const RecordedCall& draw, D3DXVECTOR3 eye, D3DXVECTOR3 at) {
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMATRIX expected;
    D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(draw.view.m[row][column], expected.m[row][column], 2e-3f) << row << column;
}

constexpr float kTitleTurn = 3.022f;  // seconds per radian of the title's turn

// Checks by time, each a whole frame: the frame's clock shows t = frame / 10.
const std::vector<std::pair<float, std::function<void(const Shot&)>>> kChecks = {
    // Black until the opening: cleared, nothing drawn.
    {0.5f, [](const Shot& s) { EXPECT_EQ(s.DrawCount(), 0u); }},
    {1.1f, [](const Shot& s) { EXPECT_EQ(s.DrawCount(), 0u); }},  // no rule holds: still black
    // Opening: the title turns from 1.55 rad by the frame time / 3.022 from 1.2 s (19 frames
    // up to 3.0 s) and stops at 0.1; it is not drawn after 26.8 s.
    {3.0f, [](const Shot& s) {
         ExpectLayer(s.Draw("Textures/logo.png"), std::cos(1.55f - 1.9f / kTitleTurn), 0.5f, 0, 0, 2);
     }},
    {20.0f, [](const Shot& s) { ExpectLayer(s.Draw("Textures/logo.png"), std::cos(0.1f), 0.5f, 0, 0, 2); }},
    {26.9f, [](const Shot& s) { EXPECT_TRUE(s.Draws("Textures/logo.png").empty()); }},
    // Shutters at 18 s: full width -0.6 (reached 0.3 s after 15.2), bars at x -1.4 then 1.4,
    // each the off-screen picture and then the frame picture over it.
    {18.0f, [](const Shot& s) {
         const auto target = s.Draws("target 0"), frame = s.Draws("Textures/frame.jpg");
         ASSERT_EQ(target.size(), 3u);  // the full-screen picture, then the two bars
         ASSERT_EQ(frame.size(), 2u);
         ExpectLayer(target[0], 2.5f, 2, 0, 0, 2.4f);
         for (const auto& bar : {target[1], frame[0]}) ExpectLayer(bar, -0.6f, 0.5f, 0.84f, 0.25f, 2.3f);
         for (const auto& bar : {target[2], frame[1]}) ExpectLayer(bar, -0.6f, 0.5f, -0.84f, -0.25f, 2.3f);
     }},
    // Countdown: one numeral per 3-second slot of scene 3, five down to one, at scale 1.5 x 6.
    {31.0f, [](const Shot& s) {
         EXPECT_EQ(s.MeshesAmong(kNumerals), std::set<std::string>{"Data/five.x"});
         for (const auto& d : s.Draws("Data/five.x")) ExpectLayer(d, 9, 9, 0, 0, 0);
         // Six bars; with the spectrum at zero each is 2.5 x 2.1, centred at x 1.5 x 2.5.
         const auto bars = s.Draws("Textures/back_s3.jpg");
         EXPECT_EQ(bars.size(), 6u);
         for (const auto& bar : bars) ExpectLayer(bar, 2.5f, 2.1f, 3.75f, kAny, 3);
     }},
    {37.0f, [](const Shot& s) { EXPECT_EQ(s.MeshesAmong(kNumerals), std::set<std::string>{"Data/four.x"}); }},
    {43.0f, [](const Shot& s) { EXPECT_EQ(s.MeshesAmong(kNumerals), std::set<std::string>{"Data/three.x"}); }},
    {49.0f, [](const Shot& s) { EXPECT_EQ(s.MeshesAmong(kNumerals), std::set<std::string>{"Data/two.x"}); }},
    {55.0f, [](const Shot& s) { EXPECT_EQ(s.MeshesAmong(kNumerals), std::set<std::string>{"Data/one.x"}); }},
    // Surface scene: the morphing sphere (one strip of 930 - 2 triangles) until 73 s, then one
    // object at (0, 0, 11).
    {65.0f, [](const Shot& s) { EXPECT_EQ(s.DrawCount(D3DPT_TRIANGLESTRIP, 928), 1u); }},
    {74.0f, [](const Shot& s) {
         EXPECT_EQ(s.DrawCount(D3DPT_TRIANGLESTRIP, 928), 0u);
         for (const auto& d : s.Draws("Data/objfaen.x")) ExpectLayer(d, kAny, kAny, 0, 0, 11);
     }},
    // Numeral flashes: one full-screen layer at depth 2. At exactly 77.0 no picture is chosen
    // and the texture the frame before left on stage 0 (the surface scene's frame) is drawn.
    {73.2f, [](const Shot& s) { ExpectLayer(s.Draw("Textures/1.jpg"), 1, 1, 0, 0, 2); }},
    {77.0f, [](const Shot& s) {
         for (const RecordedCall& c : s.calls) EXPECT_FALSE(c.kind == RecordedCall::kSetTexture && c.what == 0);
         ExpectLayer(s.Draw("Textures/Image2.png"), 1, 1, 0, 0, 2);
     }},
    {77.2f, [](const Shot& s) { ExpectLayer(s.Draw("Textures/2.jpg"), 1, 1, 0, 0, 2); }},
    {83.2f, [](const Shot& s) { ExpectLayer(s.Draw("Textures/3.jpg"), 1, 1, 0, 0, 2); }},
    // Credits: entries appear at their own times inside their group's window.
    {92.5f, [](const Shot& s) {
         EXPECT_EQ(s.Among(kCredits), Names{"Textures/cod.png"});
         ExpectLayer(s.Draw("Textures/cod.png"), 2, 1.5f, -3.2f, 3.0f, 11);
     }},
    {93.5f, [](const Shot& s) { EXPECT_EQ(s.Among(kCredits), (Names{"Textures/cod.png", "Textures/mo.png"})); }},
    {101.2f, [](const Shot& s) {
         EXPECT_EQ(s.Among(kCredits), (Names{"Textures/gfx.png", "Textures/vo.png", "Textures/music.png",
                                             "Textures/ne.png", "Textures/3d.png", "Textures/su.png",
                                             "Textures/2d.png", "Textures/ri.png"}));
     }},
    {110.0f, [](const Shot& s) {
         EXPECT_EQ(s.Among(kCredits),
                   (Names{"Textures/3d.png", "Textures/su.png", "Textures/2d.png", "Textures/ri.png",
                          "Textures/ka.png", "Textures/script.png", "Textures/lu.png", "Textures/design.png",
                          "Textures/vo.png", "Textures/ne.png", "Textures/lu.png", "Textures/su.png",
                          "Textures/mo.png"}));
         // The last entry: (0.9, -5.4) scaled by 2.2 x 0.6.
         ExpectLayer(s.Draw("Textures/mo.png"), 2.2f, 0.6f, 1.98f, -3.24f, 11);
     }},
    // Cave: path 0 with c = 0.5 s of scene-6 frames, then path 2 (the path steps every 3.375 s);
    // the pulse picture 2 x 2 and the greeting 5 x 3, both at depth 8, with the spectrum at zero.
    {113.5f, [](const Shot& s) {
         EXPECT_EQ(s.Among(kGreetings), Names{"Textures/g1.png"});
         ExpectView(s.Draw("Data/cave.x"), {0, 20, 0}, {5, 15, -97.5f});
         ExpectLayer(s.Draw("Textures/s6over.jpg"), 2, 2, 0, 0, 8);
         ExpectLayer(s.Draw("Textures/g1.png"), 5, 3, 0, 0, 8);
     }},
    {120.0f, [](const Shot& s) {
         EXPECT_EQ(s.Among(kGreetings), Names{"Textures/g3.png"});
         ExpectView(s.Draw("Data/cave.x"), {0, 20, -110}, {-41, 15, 200});
     }},
    // Figures: 41 in a row; the one at k = 0 sits at (0, 0, 40) with the scale sin(4t) + 1.
    {140.0f, [](const Shot& s) {
         const auto row = s.Draws("Data/fem.x");
         ASSERT_FALSE(row.empty());
         ASSERT_EQ(row.size() % 41, 0u);
         const float scale = std::sin(4 * 140.0f) + 1;
         ExpectLayer(row[20 * row.size() / 41], scale, scale, 0, 0, 40);
     }},
    // Finale: with bin 0 at zero the logo is unturned, scaled 0.2 at (0, 0, 12 x 0.2).
    {210.0f, [](const Shot& s) {
         ASSERT_FALSE(s.Draws("Data/logo.x").empty());
         for (const auto& d : s.Draws("Data/logo.x")) ExpectLayer(d, 0.2f, 0.2f, 0, 0, 2.4f);
     }},
    // The end: the finale draws its logo up to 219 s; from 219.0 on nothing is cleared or drawn.
    {218.9f, [](const Shot& s) { EXPECT_FALSE(s.Draws("Data/logo.x").empty()); }},
    {219.0f, [](const Shot& s) { EXPECT_TRUE(s.calls.empty()); }},
    {219.1f, [](const Shot& s) { EXPECT_TRUE(s.calls.empty()); }},
};

// The content folder without the music, so that every spectrum bin reads zero.
class SilentContent : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSceneStateAndRandom();
        previous_ = fs::current_path();
        const fs::path build = MORVELT_BUILD_DIR;
        if (!fs::exists(build / "Textures/empty.jpg")) GTEST_SKIP() << "no generated content in " << build;
        work_ = fs::temp_directory_path() / ("morvelt_silent_" + std::to_string(getpid()));
        fs::create_directories(work_ / "data");
        fs::create_directory_symlink(build / "Textures", work_ / "Textures");
        fs::create_directory_symlink(build / "Data", work_ / "Data");
        for (const ProductionEmitter& entry : kProductionEmitters)
            fs::create_symlink(build / entry.script, work_ / entry.script);
        fs::current_path(work_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        if (!work_.empty()) fs::remove_all(work_);
    }
    fs::path previous_, work_;
};

// The production loaded behind a recording device that rasterizes nothing.
void Load(ProductionTestAccess& p) {
    p.MakeDevice(true);
    ASSERT_EQ(p->CreateDeviceObjects(), S_OK);
    ASSERT_EQ(p->RebuildDeviceObjects(), S_OK);
    ASSERT_EQ(g_hMusic, 0u);
    ASSERT_TRUE(d3d8::SetRasterizing(p.recorder->Inner(), false));
}

void Unload(ProductionTestAccess& p) {
    p->ReleaseDeviceObjects();
    p->DestroyDeviceObjects();
    EXPECT_EQ(p.DropDevice(), 0u);
}

// Renders one frame and returns its calls.
std::vector<RecordedCall> RenderRecorded(ProductionTestAccess& p) {
    p.recorder->recording = true;
    p->Render();
    p.recorder->recording = false;
    std::vector<RecordedCall> calls = std::move(p.recorder->calls);
    p.recorder->calls.clear();
    return calls;
}

}  // namespace

TEST_F(SilentContent, ScenesDrawWhatTheTimelineSaysAtChosenTimes) {
    ProductionTestAccess p;
    ASSERT_NO_FATAL_FAILURE(Load(p));
    const Catalogue catalogue(p.recorder->Inner());

    std::map<int, Shot> shots;  // by frame
    for (const auto& check : kChecks) {
        ASSERT_NEAR(check.first * 10, std::round(check.first * 10), 1e-3f) << check.first << " is no frame's time";
        shots[static_cast<int>(std::lround(check.first * 10))] = {&catalogue, {}};
    }
    float previous = 0;
    for (int frame = 0; frame <= shots.rbegin()->first; ++frame) {
        const float t = static_cast<float>(frame / 10.0);
        p.Frame(g_nScene, t, t - previous);
        previous = t;
        auto shot = shots.find(frame);
        if (shot != shots.end())
            shot->second.calls = RenderRecorded(p);
        else
            p->Render();
    }
    for (const auto& [t, check] : kChecks) {
        SCOPED_TRACE("t = " + std::to_string(t));
        check(shots[static_cast<int>(std::lround(t * 10))]);
    }
    Unload(p);
}

// A cave path index outside the greetings draws no greeting (and reads no picture beside them):
// the pulse picture stays the frame's last draw.
TEST_F(SilentContent, CaveGreetingIndexOutsideTheGreetingsDrawsNoGreeting) {
    ProductionTestAccess p;
    ASSERT_NO_FATAL_FAILURE(Load(p));
    const Catalogue catalogue(p.recorder->Inner());
    for (int index : {0, -1, static_cast<int>(kGreetings.size())}) {
        SCOPED_TRACE("greeting " + std::to_string(index));
        p.Frame(0, 120.0f, 1 / 60.0f);
        g_nCavePath = index;
        std::string last;
        for (const RecordedCall& c : RenderRecorded(p))
            if (c.kind == RecordedCall::kDraw) last = catalogue.Of(c);
        EXPECT_EQ(last, index == 0 ? "Textures/g1.png" : "Textures/s6over.jpg");
    }
    Unload(p);
}

// The music starts from its beginning in every frame from 1.0 to 1.1 s and then plays on.
TEST(Music, StartsInsideItsWindowAndPlaysOn) {
    const fs::path previous = fs::current_path();
    fs::current_path(MORVELT_BUILD_DIR);
    if (!fs::exists("data/demo.mp3")) GTEST_SKIP() << "no generated music";
    ResetSceneStateAndRandom();
    platform::audio::UseCaptureOutput({});
    {
        ProductionTestAccess p;
        p.MakeDevice();
        ASSERT_EQ(p->CreateDeviceObjects(), S_OK);
        ASSERT_EQ(p->RebuildDeviceObjects(), S_OK);
        ASSERT_NE(g_hMusic, 0u);
        const QWORD bytesPerFrame = BASS_ChannelSeconds2Bytes(g_hMusic, 0.05);  // one frame at 20 a second
        float spectrum[256];
        for (int frame = 0; frame <= 23; ++frame) {  // up to 1.15 s: the black scene only
            ASSERT_TRUE(platform::audio::AdvanceCaptureClock(frame, 20));
            p.Frame(g_nScene, frame / 20.0f, 0.05f);
            p->Render();
            if (frame == 19) {  // not started yet
                EXPECT_EQ(BASS_ChannelGetData(g_hMusic, spectrum, BASS_DATA_FFT512), DWORD(-1));
            } else if (frame == 20 || frame == 21) {
                EXPECT_EQ(BASS_ChannelGetPosition(g_hMusic), 0u) << frame;
            }
        }
        // 1.1f lies just above 1.1, so the last start was at 1.05 s; nothing restarts it after.
        EXPECT_EQ(BASS_ChannelGetPosition(g_hMusic), 2 * bytesPerFrame);
        ASSERT_TRUE(platform::audio::AdvanceCaptureClock(40, 20));
        EXPECT_EQ(BASS_ChannelGetPosition(g_hMusic), 19 * bytesPerFrame);
        p->ReleaseDeviceObjects();
        p->DestroyDeviceObjects();
        EXPECT_EQ(p.DropDevice(), 0u);
    }
    platform::audio::UseDeviceOutput();
    fs::current_path(previous);
}
