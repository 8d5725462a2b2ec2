// PNG decoding with libpng's simplified reader, which reports errors as a failed call
// (never exit()) and converts every colour type, bit depth and tRNS to 8-bit BGRA.
#include "platform/d3dx/constants.h"
#include "platform/d3dx/image.h"

#include <png.h>

namespace d3dx {

HRESULT DecodePng(const BYTE* data, size_t size, Image* out) {
    if (!data || !out || size < 8) return D3DXERR_INVALIDDATA;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return D3DXERR_INVALIDDATA;
    if (!ImageSizeAcceptable(image.width, image.height)) {
        png_image_free(&image);
        return D3DXERR_INVALIDDATA;
    }
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB in memory
    Image img;
    img.width = image.width;
    img.height = image.height;
    img.pixels.resize(static_cast<size_t>(img.width) * img.height);
    if (!png_image_finish_read(&image, nullptr, img.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return D3DXERR_INVALIDDATA;
    }
    img.hasAlpha = alpha;
    img.fileFormat = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    *out = std::move(img);
    return S_OK;
}

}  // namespace d3dx
