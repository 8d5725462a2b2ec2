// Decoded pictures for the texture loader: every file format is read into one 32-bit
// 0xAARRGGBB image, then resized, keyed, mipmapped and packed into the texture's format.
// Decoders take the whole file in memory, check every read against its size and refuse
// absurd dimensions before allocating; a failure is D3DXERR_INVALIDDATA, never a crash.
#pragma once

#include "platform/d3d8/types.h"

#include <cstddef>
#include <string>
#include <vector>

namespace d3dx {

// The file formats, numbered as D3DXIMAGE_FILEFORMAT.
enum class ImageFileType : DWORD { Bmp = 0, Jpeg = 1, Png = 3, Dds = 4, Unknown = 0xffffffff };

struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<DWORD> pixels;   // width * height pixels, 0xAARRGGBB, rows top-down
    bool hasAlpha = false;       // the file carries alpha; otherwise every alpha byte is 0xFF
    D3DFORMAT fileFormat = D3DFMT_UNKNOWN;  // closest Direct3D format of the file's pixels
    UINT fileMipLevels = 1;      // levels stored in the file (DDS); only level 0 is decoded

    DWORD& at(UINT x, UINT y) { return pixels[static_cast<size_t>(y) * width + x]; }
    DWORD at(UINT x, UINT y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Largest accepted side in pixels and largest pixel count: 4096 x 4096 (64 MiB of ARGB), the
// largest texture the devices make, so that loading one picture (decoded copy, resampled
// copy, texture and mip chain) stays within about 256 MiB whatever a file declares.
constexpr UINT kMaxImageSide = 16384;
constexpr size_t kMaxImagePixels = size_t{1} << 24;

// True when an image of this size may be allocated.
constexpr bool ImageSizeAcceptable(UINT width, UINT height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<size_t>(width) * height <= kMaxImagePixels;
}

// The format by its leading bytes; Unknown when none matches.
ImageFileType DetectImageFileType(const BYTE* data, size_t size);

// Each returns S_OK with *out filled, or D3DXERR_INVALIDDATA with *out untouched.
HRESULT DecodeImage(const BYTE* data, size_t size, Image* out);
HRESULT DecodeBmp(const BYTE* data, size_t size, Image* out);
HRESULT DecodeJpeg(const BYTE* data, size_t size, Image* out);
HRESULT DecodePng(const BYTE* data, size_t size, Image* out);
HRESULT DecodeDds(const BYTE* data, size_t size, Image* out);

// Reads a whole data file (a name with backslashes is tried with slashes too); false, with the
// reason, when it cannot be opened or read or is no data file (platform/win32/data_file.h).
bool ReadWholeFile(const char* path, std::vector<BYTE>* out, std::string* reason = nullptr);

}  // namespace d3dx
