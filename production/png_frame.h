// One recorded frame as an 8-bit RGB PNG file, with the compression chosen for speed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngSettings {
    int level;    // zlib level, 0..9
    int filters;  // PNG_FILTER_* bits libpng may choose from per row
};

// What recordings use; bench/capture/png_settings measures the alternatives.
PngSettings RecordingPngSettings();

// Writes width x height pixels (bytes B, G, R, X in memory, rows `pitch` apart) to `path`;
// `row` is scratch kept by the caller. False when the file cannot be written.
bool WritePngFrame(const std::string& path, const std::uint8_t* pixels, int pitch, unsigned width, unsigned height,
                   std::vector<std::uint8_t>& row, PngSettings settings);
