#include "PngFile.h"

#include <cstdio>
#include <cstring>

#include <png.h>

namespace rdk {

bool writePng(const std::string& path, const Image& image, std::string& error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    const bool written = path == "-" ? png_image_write_to_stdio(&png, stdout, 0, image.rgb.data(), 0, nullptr)
                                     : png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr);
    if (!written) {
        error = png.message;
        return false;
    }
    return true;
}

bool readPng(const std::string& path, Image& image, std::string& error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        error = png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

} // namespace rdk
