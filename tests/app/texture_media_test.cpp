// Texture loading through the media search, on the project's device model (REF device of the
// virtual adapter, no window).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/media.h"
#include "platform/d3dx8.h"
#include "tests/support/ref_device.h"

namespace fs = std::filesystem;

namespace {

// A 24-bit bottom-up BMP of `w` x `h` pixels, all of one colour.
void WriteBmp(const fs::path& path, int w, int h, BYTE r, BYTE g, BYTE b) {
    const int row = (w * 3 + 3) & ~3;
    const int size = 54 + row * h;
    std::vector<BYTE> f(static_cast<size_t>(size), 0);
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[static_cast<size_t>(at + i)] = static_cast<BYTE>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t p = 54 + static_cast<size_t>(y) * row + static_cast<size_t>(x) * 3;
            f[p] = b;
            f[p + 1] = g;
            f[p + 2] = r;
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), size);
}

class TextureMediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("morvelt_tex_" + std::to_string(::getpid()));
        fs::create_directories(root_ / "work");
        fs::create_directories(root_ / "shared" / "Media");
        old_ = fs::current_path();
        fs::current_path(root_ / "work");
        setenv("MORVELT_MEDIA_PATH", (root_ / "shared").c_str(), 1);
        ASSERT_EQ(ref_.createResult(), S_OK);
    }
    void TearDown() override {
        ref_.Release();
        fs::current_path(old_);
        fs::remove_all(root_);
        unsetenv("MORVELT_MEDIA_PATH");
    }
    fs::path root_, old_;
    test_support::RefDevice ref_{64, 64};
    IDirect3DDevice8* const device_ = ref_.get();
};

}  // namespace

TEST_F(TextureMediaTest, LoadsFromTheMediaDirectoryWithAFullMipChain) {
    WriteBmp(root_ / "shared" / "Media" / "tile.bmp", 16, 8, 200, 100, 50);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(CreateTextureFromMedia(device_, "tile.bmp", &texture, D3DFMT_X8R8G8B8), S_OK);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 5u);  // 16x8 down to 1x1
    texture->Release();
}

TEST_F(TextureMediaTest, MissingFileGivesTheLoadersFailure) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_TRUE(FAILED(CreateTextureFromMedia(device_, "missing.bmp", &texture, D3DFMT_X8R8G8B8)));
    EXPECT_EQ(texture, nullptr);
}
