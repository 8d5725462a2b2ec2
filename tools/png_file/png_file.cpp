#include "png_file.h"

#include <png.h>

namespace pngfile {

int BytesPerPixel(Channels channels) { return channels == Channels::Rgb || channels == Channels::Bgr ? 3 : 4; }

namespace {

png_uint_32 Format(Channels channels) {
    switch (channels) {
    case Channels::Rgb: return PNG_FORMAT_RGB;
    case Channels::Rgba: return PNG_FORMAT_RGBA;
    case Channels::Bgr: return PNG_FORMAT_BGR;
    case Channels::Bgra: return PNG_FORMAT_BGRA;
    }
    return PNG_FORMAT_RGB;
}

// The header libpng writes `picture` with; false when the bytes do not match the size.
bool Describe(const Picture& picture, png_image& image, std::string& error) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bytes.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) *
                                    static_cast<std::size_t>(BytesPerPixel(picture.channels))) {
        error = "the picture's size does not match its bytes";
        return false;
    }
    image = png_image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = Format(picture.channels);
    return true;
}

}  // namespace

bool Read(const std::string& path, Channels channels, Picture& picture, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = path + ": " + image.message;
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > kLargestSide || image.height > kLargestSide) {
        png_image_free(&image);
        error = path + ": unreasonable image size";
        return false;
    }
    picture.fileHasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = Format(channels);
    picture.bytes.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, picture.bytes.data(), 0, nullptr)) {
        error = path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.channels = channels;
    return true;
}

bool Write(const std::string& path, const Picture& picture, std::string& error) {
    png_image image{};
    if (!Describe(picture, image, error)) {
        error = path + ": " + error;
        return false;
    }
    if (!png_image_write_to_file(&image, path.c_str(), 0, picture.bytes.data(), 0, nullptr)) {
        error = path + ": " + image.message;
        return false;
    }
    return true;
}

bool Encode(const Picture& picture, std::vector<std::uint8_t>& file, std::string& error) {
    png_image image{};
    if (!Describe(picture, image, error)) return false;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.bytes.data(), 0, nullptr)) {
        error = image.message;
        return false;
    }
    file.resize(size);
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, picture.bytes.data(), 0, nullptr)) {
        error = image.message;
        return false;
    }
    file.resize(size);
    return true;
}

}  // namespace pngfile
