#include <gtest/gtest.h>

#include "png_image.h"
#include "resources/icon.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"

#include <string>

namespace {

testimage::Image DesktopIcon(int size) {
    testimage::Image image;
    const std::string n = std::to_string(size);
    EXPECT_TRUE(testimage::ReadPng(std::string(MORVELT_ICON_DIR) + "/" + n + "x" + n + "/apps/morvelt.png", &image));
    return image;
}

TEST(Icon, EverySizeIsTheSamePictureTransparentAroundAndOpaqueInTheMiddle) {
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const testimage::Image image = DesktopIcon(size);
        ASSERT_EQ(image.width, size);
        ASSERT_EQ(image.height, size);
        EXPECT_EQ(image.argb, resources::DrawIcon(size));
        for (int corner : {0, size - 1}) {
            EXPECT_EQ(image.At(corner, 0) >> 24, 0u);
            EXPECT_EQ(image.At(corner, size - 1) >> 24, 0u);
        }
        EXPECT_EQ(image.At(size / 2, size / 2) >> 24, 0xFFu);
    }
}

// The window shows the 32 px picture, colour-keyed: black where the desktop's icon is mostly
// transparent, its colour where it is mostly opaque.
TEST(Icon, TheWindowShowsTheDesktopsPicture) {
    const platform::ImageResource* window = resources::ProgramResources().FindIcon(IDI_MAIN_ICON);
    ASSERT_NE(window, nullptr);
    const testimage::Image desktop = DesktopIcon(window->width);
    ASSERT_EQ(desktop.width, window->width);
    ASSERT_EQ(window->height, window->width);
    int drawn = 0;
    for (size_t i = 0; i < desktop.argb.size(); ++i) {
        const bool opaque = (desktop.argb[i] >> 24) >= 0x80;
        const std::uint32_t shown = window->pixels[i] & 0xFFFFFF;
        if (!opaque) {
            EXPECT_EQ(shown, 0u) << "pixel " << i;
            continue;
        }
        ++drawn;
        const std::uint32_t colour = desktop.argb[i] & 0xFFFFFF;
        EXPECT_EQ(shown, colour == 0 ? 0x010101u : colour) << "pixel " << i;
    }
    EXPECT_GT(drawn, 32 * 32 / 4);
}

TEST(Icon, SizesOutOfRangeDrawNothing) {
    for (int size : {-1, 0, resources::kMaxIconSize + 1}) EXPECT_TRUE(resources::DrawIcon(size).empty()) << size;
    EXPECT_EQ(resources::DrawIcon(1).size(), 1u);
}

}  // namespace
