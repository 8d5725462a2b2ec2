// The media directory, the file search order and the device cursor.
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/media.h"
#include "tests/app/test_support.h"

namespace fs = std::filesystem;

namespace {

class MediaTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        root_ = fs::temp_directory_path() / ("morvelt_media_" + std::to_string(::getpid()));
        fs::create_directories(root_ / "work");
        fs::create_directories(root_ / "shared" / "Media");
        oldCwd_ = fs::current_path();
        fs::current_path(root_ / "work");
        unsetenv("MORVELT_MEDIA_PATH");
    }
    void TearDown() override {
        fs::current_path(oldCwd_);
        fs::remove_all(root_);
        unsetenv("MORVELT_MEDIA_PATH");
        FrameTest::TearDown();
    }
    static void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

    fs::path root_, oldCwd_;
};

}  // namespace

TEST_F(MediaTest, MediaPathComesFromTheEnvironmentWithTheMediaSuffix) {
    EXPECT_STREQ(GetMediaPath(), "");
    setenv("MORVELT_MEDIA_PATH", "/opt/shared", 1);
    EXPECT_STREQ(GetMediaPath(), "/opt/shared/Media/");
    setenv("MORVELT_MEDIA_PATH", std::string(255, 'a').c_str(), 1);  // no room for the suffix
    EXPECT_STREQ(GetMediaPath(), "");
}

TEST_F(MediaTest, FilesAreFoundInTheWorkingDirectoryFirstThenInTheMediaDirectory) {
    setenv("MORVELT_MEDIA_PATH", (root_ / "shared").c_str(), 1);
    Touch(root_ / "shared" / "Media" / "both.png");
    Touch(root_ / "work" / "both.png");
    Touch(root_ / "shared" / "Media" / "shared.png");
    char path[kMaxMediaPath];
    EXPECT_EQ(FindMediaFile(path, "both.png"), S_OK);
    EXPECT_STREQ(path, "both.png");
    EXPECT_EQ(FindMediaFile(path, "shared.png"), S_OK);
    EXPECT_EQ(std::string(path), (root_ / "shared").string() + "/Media/shared.png");
    EXPECT_EQ(FindMediaFile(path, "missing.png"), E_FAIL);
    EXPECT_STREQ(path, "missing.png");
    EXPECT_EQ(FindMediaFile(path, "Both.png"), E_FAIL);  // names match exactly
    fs::create_directories(root_ / "work" / "adir");
    EXPECT_EQ(FindMediaFile(path, "adir"), E_FAIL);      // directories are not files
}

TEST_F(MediaTest, InvalidArgumentsAndOverlongNames) {
    char path[kMaxMediaPath];
    EXPECT_EQ(FindMediaFile(NULL, "a"), E_INVALIDARG);
    EXPECT_EQ(FindMediaFile(path, NULL), E_INVALIDARG);
    std::string longName(400, 'n');
    EXPECT_EQ(FindMediaFile(path, longName.c_str()), E_FAIL);
    EXPECT_LT(std::strlen(path), static_cast<size_t>(kMaxMediaPath));
}

TEST_F(MediaTest, DeviceCursorFromTheArrowFollowsItsMasks) {
    for (int pad : {0, 12}) {
        SCOPED_TRACE(pad);
        fake::ResetAll();
        fake::CurrentSetup().imageSurfacePitchPad = pad;  // rows must follow the surface pitch
        IDirect3D8* d3d = fake::CreateDirect3D();
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        IDirect3DDevice8* device = NULL;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, NULL, 0, &pp, &device), S_OK);
        const int bitmapsBefore = platform::LiveBitmapCount();
        ASSERT_EQ(SetDeviceCursor(device, LoadCursor(NULL, IDC_ARROW)), S_OK);
        EXPECT_EQ(platform::LiveBitmapCount(), bitmapsBefore);
        const fake::Calls& calls = fake::CurrentCalls();
        ASSERT_EQ(calls.cursorWidth, 32u);
        ASSERT_EQ(calls.cursorHeight, 32u);  // half of the monochrome mask
        EXPECT_EQ(calls.cursorHotX, 0u);
        EXPECT_EQ(calls.cursorHotY, 0u);
        auto at = [&](int x, int y) { return calls.cursorPixels[static_cast<size_t>(y) * 32 + x]; };
        EXPECT_EQ(at(0, 0), 0xFF000000u);   // outline: black, opaque
        EXPECT_EQ(at(1, 2), 0xFFFFFFFFu);   // inside: white, opaque
        EXPECT_EQ(at(20, 0), 0x00000000u);  // outside: transparent
        EXPECT_EQ(at(0, 31), 0x00000000u);
        device->Release();
        d3d->Release();
    }
}

TEST_F(MediaTest, DeviceCursorFailsCleanlyForABadCursor) {
    IDirect3D8* d3d = fake::CreateDirect3D();
    D3DPRESENT_PARAMETERS pp{};
    IDirect3DDevice8* device = NULL;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, NULL, 0, &pp, &device), S_OK);
    EXPECT_EQ(SetDeviceCursor(device, NULL), E_FAIL);
    EXPECT_EQ(fake::CurrentCalls().setCursorProperties, 0);
    device->Release();
    d3d->Release();
}
