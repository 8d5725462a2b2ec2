// JPEG decoding with libjpeg(-turbo). Errors unwind with longjmp into DecodeJpeg instead
// of the library's default exit(); warnings about corrupt or missing data count as
// failures, so a truncated file never yields a half-grey picture.
#include "platform/d3dx/constants.h"
#include "platform/d3dx/image.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace d3dx {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool corrupt = false;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
    // level -1 is a warning: the data is corrupt (premature end, bad Huffman code...).
    if (level < 0) reinterpret_cast<ErrorManager*>(cinfo->err)->corrupt = true;
}

// Everything that lives across setjmp is kept here, outside the function's locals.
struct JpegState {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    Image img;
    bool created = false;
    ~JpegState() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

bool Decode(JpegState& s) {
    jpeg_read_header(&s.cinfo, TRUE);
    if (s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK) return false;
    s.cinfo.out_color_space = JCS_EXT_BGRA;  // little-endian 0xAARRGGBB in memory
    if (!ImageSizeAcceptable(s.cinfo.image_width, s.cinfo.image_height)) return false;
    jpeg_start_decompress(&s.cinfo);
    if (s.cinfo.output_components != 4 || !ImageSizeAcceptable(s.cinfo.output_width, s.cinfo.output_height))
        return false;
    s.img.width = s.cinfo.output_width;
    s.img.height = s.cinfo.output_height;
    s.img.pixels.resize(static_cast<size_t>(s.img.width) * s.img.height);
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(s.img.pixels.data() +
                                                  static_cast<size_t>(s.cinfo.output_scanline) * s.img.width);
        if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) return false;
        if (s.err.corrupt) return false;
    }
    jpeg_finish_decompress(&s.cinfo);
    return !s.err.corrupt;
}

}  // namespace

HRESULT DecodeJpeg(const BYTE* data, size_t size, Image* out) {
    if (!data || !out || size < 4) return D3DXERR_INVALIDDATA;
    // On the heap: only memory reached through this unchanged pointer is used after longjmp.
    auto state = std::make_unique<JpegState>();
    JpegState& s = *state;
    s.cinfo.err = jpeg_std_error(&s.err.base);
    s.err.base.error_exit = OnError;
    s.err.base.emit_message = OnMessage;
    if (setjmp(s.err.jump)) return D3DXERR_INVALIDDATA;  // the destructor cleans up
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    if (!Decode(s)) return D3DXERR_INVALIDDATA;
    for (DWORD& p : s.img.pixels) p |= 0xff000000u;
    s.img.hasAlpha = false;
    s.img.fileFormat = D3DFMT_X8R8G8B8;
    *out = std::move(s.img);
    return S_OK;
}

}  // namespace d3dx
