// Texture creation and loading through the D3DX calls, on the REF device behind a recording wrapper.
#include "image_files.h"

#include "platform/d3dx8.h"
#include "tests/support/recording_ref_device.h"
#include "tests/support/texel.h"

#include <gtest/gtest.h>

using testimg::Bytes;

namespace {

struct TextureLoad : ::testing::Test {
    fake::RecordingRefDevice device;
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x1);  // must be cleared on failure

    D3DSURFACE_DESC Desc(UINT level = 0) const {
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(level, &desc);
        return desc;
    }
    DWORD Pixel(UINT level, UINT x, UINT y) const { return test_support::Texel(texture, level, x, y); }
    void TearDown() override {
        if (texture && texture != reinterpret_cast<IDirect3DTexture8*>(0x1)) texture->Release();
        EXPECT_EQ(device.LiveObjects(), 0) << "a texture leaked";
    }
    HRESULT LoadEx(const std::string& path, UINT w, UINT h, UINT levels, D3DFORMAT format, DWORD filter,
                   DWORD mipFilter, D3DCOLOR key, D3DPOOL pool = D3DPOOL_MANAGED, D3DXIMAGE_INFO* info = nullptr) {
        return D3DXCreateTextureFromFileExA(&device, path.c_str(), w, h, levels, 0, format, pool, filter, mipFilter,
                                            key, info, nullptr, &texture);
    }
};

std::vector<DWORD> Quadrants4x4() {
    // Top-left red, top-right green, bottom-left blue, bottom-right white.
    std::vector<DWORD> px(16);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            px[y * 4 + x] = y < 2 ? (x < 2 ? 0xffff0000 : 0xff00ff00) : (x < 2 ? 0xff0000ff : 0xffffffff);
    return px;
}

}  // namespace

TEST_F(TextureLoad, DefaultsKeepTheFileSizeAndMakeAFullChain) {
    const std::string path = testimg::WriteTempFile("q.png", testimg::MakePng(4, 4, Quadrants4x4(), false));
    ASSERT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), &texture), S_OK);
    EXPECT_EQ(Desc().Format, D3DFMT_X8R8G8B8) << "no alpha in the file";
    EXPECT_EQ(Desc().Pool, D3DPOOL_MANAGED);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    EXPECT_EQ(Pixel(0, 0, 0), 0xffff0000u);
    EXPECT_EQ(Pixel(0, 3, 3), 0xffffffffu);
    // Level 1 is the four quadrants, level 2 their average.
    EXPECT_EQ(Pixel(1, 0, 0), 0xffff0000u);
    EXPECT_EQ(Pixel(1, 1, 0), 0xff00ff00u);
    EXPECT_EQ(Pixel(1, 0, 1), 0xff0000ffu);
    EXPECT_EQ(Pixel(2, 0, 0), 0xff808080u);
}

TEST_F(TextureLoad, AlphaInTheFileGivesA8R8G8B8) {
    std::vector<DWORD> px = Quadrants4x4();
    px[5] = 0x40ff0000;
    const std::string path = testimg::WriteTempFile("a.png", testimg::MakePng(4, 4, px, true));
    ASSERT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), &texture), S_OK);
    EXPECT_EQ(Desc().Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Pixel(0, 1, 1), 0x40ff0000u);
}

TEST_F(TextureLoad, RequestedFormatsAreHonouredOrTheNearestTheDeviceHas) {
    const std::string path = testimg::WriteTempFile("f.bmp", testimg::MakeBmp(4, 4, Quadrants4x4(), 24));
    struct Case {
        D3DFORMAT asked, made;
        DWORD red, white;
    } cases[] = {{D3DFMT_R5G6B5, D3DFMT_R5G6B5, 0xf800, 0xffff},
                 {D3DFMT_A4R4G4B4, D3DFMT_A4R4G4B4, 0xff00, 0xffff},
                 {D3DFMT_X1R5G5B5, D3DFMT_X8R8G8B8, 0xffff0000, 0xffffffff}};  // no X1R5G5B5 textures
    for (const Case& c : cases) {
        ASSERT_EQ(LoadEx(path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, c.asked, 0x70004, 0x70004, 0), S_OK);
        EXPECT_EQ(Desc().Format, c.made);
        EXPECT_EQ(Pixel(0, 0, 0), c.red);
        EXPECT_EQ(Pixel(0, 3, 3), c.white);
        texture->Release();
        texture = nullptr;
    }
    ASSERT_EQ(LoadEx(path, 0, 0, 1, D3DFMT_X8R8G8B8, D3DX_DEFAULT, D3DX_DEFAULT, 0), S_OK);
    EXPECT_EQ(Pixel(0, 2, 0), 0xff00ff00u);
}

TEST_F(TextureLoad, ColourKeyTurnsExactMatchesTransparent) {
    std::vector<DWORD> px = Quadrants4x4();
    px[0] = px[15] = 0xff004040;
    px[1] = 0xff004041;
    const std::string path = testimg::WriteTempFile("key.png", testimg::MakePng(4, 4, px, false));
    ASSERT_EQ(LoadEx(path, 0, 0, 1, D3DFMT_A8R8G8B8, D3DX_DEFAULT, D3DX_DEFAULT, 0xff004040), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    EXPECT_EQ(Pixel(0, 0, 0), 0x00000000u);
    EXPECT_EQ(Pixel(0, 3, 3), 0x00000000u);
    EXPECT_EQ(Pixel(0, 1, 0), 0xff004041u);
    EXPECT_EQ(Pixel(0, 2, 0), 0xff00ff00u);
}

TEST_F(TextureLoad, NonPowerOfTwoScalesUpWithTheFilter) {
    // 3 x 1: black, grey 150, black -> 4 x 1 with area weights (see the resampler tests).
    const std::string path = testimg::WriteTempFile(
        "npot.bmp", testimg::MakeBmp(3, 1, {0xff000000, 0xff969696, 0xff000000}, 24));
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(LoadEx(path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0x70004, 0x70004, 0,
                     D3DPOOL_MANAGED, &info),
              S_OK);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 1u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(Pixel(0, 1, 0), 0xff646464u);
    EXPECT_EQ(texture->GetLevelCount(), 3u);  // 4x1, 2x1, 1x1
}

TEST_F(TextureLoad, ExplicitSizeScalesTheImage) {
    const std::string path = testimg::WriteTempFile("s.png", testimg::MakePng(4, 4, Quadrants4x4(), false));
    ASSERT_EQ(LoadEx(path, 2, 2, 1, D3DFMT_X8R8G8B8, D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0), S_OK);
    EXPECT_EQ(Desc().Width, 2u);
    EXPECT_EQ(Pixel(0, 1, 1), 0xffffffffu);
}

TEST_F(TextureLoad, DdsAndJpegLoad) {
    const Bytes dxt = {0xff, 0xff, 0x00, 0x00, 0xe4, 0x00, 0x00, 0x00};
    std::string path = testimg::WriteTempFile("t.dds", testimg::MakeDdsDxt(4, 4, "DXT1", dxt));
    ASSERT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), &texture), S_OK);
    EXPECT_EQ(Desc().Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Pixel(0, 1, 0), 0xff000000u);
    texture->Release();
    path = testimg::WriteTempFile("t.jpg", testimg::MakeJpeg(8, 8, std::vector<DWORD>(64, 0xff808080)));
    ASSERT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), &texture), S_OK);
    EXPECT_EQ(Desc().Format, D3DFMT_X8R8G8B8);
}

TEST_F(TextureLoad, FromMemoryAsFromAFile) {
    const Bytes png = testimg::MakePng(4, 4, Quadrants4x4(), false);
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(&device, png.data(), static_cast<UINT>(png.size()), &texture), S_OK);
    EXPECT_EQ(Pixel(0, 3, 0), 0xff00ff00u);
    texture->Release();
    texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(&device, nullptr, 10, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(&device, png.data(), 20, &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(TextureLoad, WindowsSeparatorsInNamesAreAccepted) {
    const std::string path = testimg::WriteTempFile("w.png", testimg::MakePng(1, 1, {0xff123456}, false));
    std::string windows = path;
    windows[windows.rfind('/')] = '\\';
    ASSERT_EQ(D3DXCreateTextureFromFileA(&device, windows.c_str(), &texture), S_OK);
    EXPECT_EQ(Pixel(0, 0, 0), 0xff123456u);
}

TEST_F(TextureLoad, MissingCorruptAndDirectoryPathsFailWithoutATexture) {
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, "/nonexistent/none.png", &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
    Bytes png = testimg::MakePng(4, 4, Quadrants4x4(), false);
    png.resize(png.size() / 2);
    const std::string path = testimg::WriteTempFile("cut.png", png);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
    const std::string dir = path.substr(0, path.rfind('/'));
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, dir.c_str(), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    const std::string empty = testimg::WriteTempFile("empty.jpg", {});
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, empty.c_str(), &texture), D3DXERR_INVALIDDATA);
}

TEST_F(TextureLoad, InvalidCallsAndDeviceFailures) {
    const std::string path = testimg::WriteTempFile("ok.png", testimg::MakePng(4, 4, Quadrants4x4(), false));
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, path.c_str(), &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, nullptr, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(LoadEx(path, 0, 0, 1, D3DFMT_UNKNOWN, 9, D3DX_DEFAULT, 0), D3DERR_INVALIDCALL) << "unknown filter";
    // A texture that cannot be written: the load fails and nothing is left behind.
    device.failTextureLock.Now(D3DERR_INVALIDCALL);
    EXPECT_EQ(LoadEx(path, 0, 0, 1, D3DFMT_UNKNOWN, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DPOOL_DEFAULT),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    device.failTextureLock = {};
    device.failCreateTexture.Now(D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), &texture), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
}

// The size, format, levels, usage and pool the last texture was made with.
D3DSURFACE_DESC Made(fake::RecordingDevice& device, DWORD* levels = nullptr) {
    D3DSURFACE_DESC desc{};
    device.lastTexture->GetLevelDesc(0, &desc);
    if (levels) *levels = device.lastTexture->GetLevelCount();
    return desc;
}

TEST(CreateTexture, SizesFollowTheDeviceCaps) {
    fake::RecordingRefDevice device;
    IDirect3DTexture8* t = nullptr;
    DWORD levels = 0;
    ASSERT_EQ(D3DXCreateTexture(&device, 1024, 1024, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t),
              S_OK);
    EXPECT_EQ(Made(device, &levels).Usage, static_cast<DWORD>(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(levels, 1u);
    EXPECT_EQ(Made(device).Pool, D3DPOOL_DEFAULT);
    t->Release();

    ASSERT_EQ(D3DXCreateTexture(&device, 100, 60, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t), S_OK);
    EXPECT_EQ(Made(device, &levels).Width, 128u);
    EXPECT_EQ(Made(device).Height, 64u);
    EXPECT_EQ(levels, 8u);
    t->Release();

    ASSERT_EQ(D3DXCreateTexture(&device, 0, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &t), S_OK);
    EXPECT_EQ(Made(device).Width, 256u);
    EXPECT_EQ(Made(device).Format, D3DFMT_A8R8G8B8);
    t->Release();

    device.caps.emplace();
    device.Inner()->GetDeviceCaps(&*device.caps);
    device.caps->TextureCaps = D3DPTEXTURECAPS_SQUAREONLY | D3DPTEXTURECAPS_MIPMAP;  // no POW2: still rounded
    ASSERT_EQ(D3DXCreateTexture(&device, 100, 20, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t), S_OK);
    EXPECT_EQ(Made(device).Width, 128u);
    EXPECT_EQ(Made(device).Height, 128u) << "square only";
    t->Release();

    device.caps->MaxTextureWidth = device.caps->MaxTextureHeight = 64;
    ASSERT_EQ(D3DXCreateTexture(&device, 100, 20, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t), S_OK);
    EXPECT_EQ(Made(device).Width, 64u) << "128 clamped to the maximum";
    EXPECT_EQ(Made(device).Height, 64u) << "square only";
    t->Release();

    t = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXCreateTexture(nullptr, 16, 16, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(device.LiveObjects(), 0);
}
