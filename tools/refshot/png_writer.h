// Writes and reads 8-bit RGB PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace refshot {

// `rgb` holds width * height * 3 bytes, rows top to bottom. Returns false with `error` set
// when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
              std::string& error);

// Reads a PNG as 8-bit RGB (any colour type is converted; alpha is dropped). Returns false
// with `error` set when the file is missing or not a readable PNG.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgb, std::string& error);

}  // namespace refshot
