#include "PngFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <png.h>

#include <platform/OutputFile.h>

namespace rdk {

bool writePng(const std::string& path, const Image& image, std::string& error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    if (path == "-") {
        // Written in place and left open: the caller checks standard output
        // when it ends.
        if (!png_image_write_to_stdio(&png, stdout, 0, image.rgb.data(), 0, nullptr)) {
            error = png.message;
            return false;
        }
        return true;
    }
    // Not libpng's own file writer: it removes the path when a write fails,
    // which may be a picture the user had, or a device.
    const std::unique_ptr<platform::OutputFile> file = platform::OutputFile::open(path);
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    if (!png_image_write_to_stdio(&png, file->stream(), 0, image.rgb.data(), 0, nullptr)) {
        error = png.message;
        return false; // the old file stays
    }
    if (const int failure = file->commit()) {
        error = std::strerror(failure);
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
