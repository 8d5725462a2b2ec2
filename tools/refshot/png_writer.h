// Writes 8-bit RGB PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace refshot {

// `rgb` holds width * height * 3 bytes, rows top to bottom. Returns false with `error` set
// when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
              std::string& error);

}  // namespace refshot
