// Recorded frames as 8-bit RGB PNG files, written for speed: each row carries one filter
// chosen for the whole picture and the image data is a single zlib stream made by libdeflate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct libdeflate_compressor;

enum class PngFilter : std::uint8_t { None = 0, Up = 2 };  // the PNG filter type bytes

struct PngSettings {
    int level;  // libdeflate's compression level, 1 (fastest) to 12
    PngFilter filter;
};

// What recordings use; bench/capture/png_settings measures the alternatives.
PngSettings RecordingPngSettings();

// One per writer thread: the compressor and the buffers are made once and reused per frame.
class PngFrameEncoder {
public:
    explicit PngFrameEncoder(PngSettings settings = RecordingPngSettings());
    ~PngFrameEncoder();
    PngFrameEncoder(const PngFrameEncoder&) = delete;
    PngFrameEncoder& operator=(const PngFrameEncoder&) = delete;

    // Writes width x height pixels (bytes B, G, R, X in memory, rows `pitch` apart) to `path`.
    // False when the file cannot be written, with errno saying why; `path` is then as it was.
    bool Write(const std::string& path, const std::uint8_t* pixels, int pitch, unsigned width, unsigned height);

private:
    PngSettings settings_;
    libdeflate_compressor* compressor_;
    std::vector<std::uint8_t> filtered_;    // the rows as PNG filters them, each after its filter byte
    std::vector<std::uint8_t> compressed_;  // the zlib stream of the filtered rows
};
