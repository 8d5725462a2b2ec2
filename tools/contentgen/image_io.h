// Writers for the picture formats the production reads: 8-bit PNG (RGB or RGBA),
// baseline JPEG, uncompressed 24-bit BMP. Each returns false and prints the reason
// on failure.
#pragma once

#include "common.h"

#include <string>

namespace cg {

// Converts 0..1 to 0..255, rounding; values outside are clamped.
inline uint8_t ToByte(float v) { return uint8_t(Clamp01(v) * 255.f + 0.5f); }

bool WritePng(const std::string& path, const Image& img, bool withAlpha);
bool WriteJpeg(const std::string& path, const Image& img, int quality = 92);
bool WriteBmp24(const std::string& path, const Image& img);

// Makes every directory on the way to `path` (the file's parent folders).
bool MakeParentDirs(const std::string& path);

}  // namespace cg
