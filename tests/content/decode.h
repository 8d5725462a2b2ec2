// Decoders used by the content tests: the standard libraries, not the project's own
// loaders, so that the files are checked against the formats themselves.
#pragma once

#include "assets/asset_manifest.h"

#include <cstdint>
#include <string>
#include <vector>

struct Decoded {
    int w = 0, h = 0, channels = 0;  // channels as stored in the file (3 or 4)
    std::vector<uint8_t> rgba;       // always 4 bytes per pixel, rows top to bottom
    std::string error;               // empty when decoding succeeded
    const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * w + x) * 4]; }
};

Decoded DecodePng(const std::string& path);
Decoded DecodeJpeg(const std::string& path);   // also reports whether the file is baseline
Decoded DecodeBmp(const std::string& path);    // uncompressed 24- or 32-bit only
bool IsBaselineJpeg(const std::string& path);
// A picture of the generated content (path relative to ContentDir()) decoded as the kind of
// file the asset manifest names for it.
Decoded DecodePicture(const std::string& path, assets::Kind kind);

std::vector<uint8_t> ReadAll(const std::string& path);
std::string ContentDir();
