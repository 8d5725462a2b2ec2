// PNG files for the tools and the tests: whole pictures of 8-bit channels, read converted to
// the channel order the caller works in, and written from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pngfile {

// The bytes of one pixel, in memory order.
enum class Channels { Rgb, Rgba, Bgr, Bgra };

struct Picture {
    int width = 0;
    int height = 0;
    Channels channels = Channels::Rgb;
    std::vector<std::uint8_t> bytes;  // rows top to bottom, no padding between them
    bool fileHasAlpha = false;        // set by Read: whether the file itself carries alpha
};

int BytesPerPixel(Channels channels);

// Reads `path` (any colour type and depth) converted to `channels`; a file with alpha read
// into Rgb or Bgr comes out laid over black (libpng composites in linear light). Returns
// false with `error` naming the file and the reason when it cannot be read or decoded, or is
// over kLargestSide pixels a side.
constexpr int kLargestSide = 16384;
bool Read(const std::string& path, Channels channels, Picture& picture, std::string& error);

// Writes `picture`, whose bytes must hold width * height pixels. Returns false with `error`.
bool Write(const std::string& path, const Picture& picture, std::string& error);

// The PNG file of `picture` in memory, for tests that hand files to a decoder. Returns false
// with `error`.
bool Encode(const Picture& picture, std::vector<std::uint8_t>& file, std::string& error);

}  // namespace pngfile
