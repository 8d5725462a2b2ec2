#include "production/png_frame.h"

#include "png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::uint32_t BigEndian32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}

// The types of a PNG file's chunks, in order; a chunk whose CRC is wrong or that runs past
// the end is reported as "bad".
std::string ChunkTypes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string types;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::size_t size = BigEndian32(&file[at]);
        if (at + 12 + size > file.size()) return types + "bad";
        const std::uint32_t crc = crc32(0, &file[at + 4], static_cast<uInt>(4 + size));
        if (crc != BigEndian32(&file[at + 8 + size])) return types + "bad";
        types.append(reinterpret_cast<const char*>(&file[at + 4]), 4).append(" ");
        at += 12 + size;
    }
    return types;
}

}  // namespace

// Frames written with each filter and a few levels read back through libpng as the same pixels:
// every channel swapped from memory's B, G, R, X order, rows padded, bytes that wrap when the
// row above is subtracted.
TEST(PngFrame, LibpngReadsBackThePixelsForEveryFilterAndLevel) {
    constexpr unsigned kWidth = 37, kHeight = 23;
    constexpr int kPitch = kWidth * 4 + 12;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kPitch) * kHeight, 0xEE);  // padding too
    for (unsigned y = 0; y < kHeight; ++y)
        for (unsigned x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &pixels[static_cast<std::size_t>(y) * kPitch + x * 4];
            p[0] = static_cast<std::uint8_t>(x * 7 + y * 31);  // blue
            p[1] = static_cast<std::uint8_t>(255 - y * 11);    // green
            p[2] = static_cast<std::uint8_t>((x * y) ^ 0x5A);  // red
            p[3] = 0x11;                                        // unused, not written
        }
    char folder[] = "/tmp/morvelt_png_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/frame.png";
    for (PngFilter filter : {PngFilter::None, PngFilter::Up})
        for (int level : {1, 3, 12}) {
            SCOPED_TRACE("filter " + std::to_string(static_cast<int>(filter)) + ", level " + std::to_string(level));
            PngFrameEncoder encoder({level, filter});
            for (int twice = 0; twice < 2; ++twice)  // the buffers are reused
                ASSERT_TRUE(encoder.Write(path, pixels.data(), kPitch, kWidth, kHeight));
            testimage::Image image;
            ASSERT_TRUE(testimage::ReadPng(path, &image));
            EXPECT_EQ(ChunkTypes(path), "IHDR IDAT IEND ");  // readers that check the last CRC too
            ASSERT_EQ(image.width, static_cast<int>(kWidth));
            ASSERT_EQ(image.height, static_cast<int>(kHeight));
            for (unsigned y = 0; y < kHeight; ++y)
                for (unsigned x = 0; x < kWidth; ++x) {
                    const std::uint8_t* p = &pixels[static_cast<std::size_t>(y) * kPitch + x * 4];
                    const std::uint32_t expected = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
                    ASSERT_EQ(image.At(static_cast<int>(x), static_cast<int>(y)), expected) << x << "," << y;
                }
        }
    EXPECT_FALSE(PngFrameEncoder().Write(std::string(folder) + "/no/such/folder.png", pixels.data(), kPitch, kWidth,
                                         kHeight));
    std::remove(path.c_str());
    rmdir(folder);
}
