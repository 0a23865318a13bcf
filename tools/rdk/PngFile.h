#pragma once
// Pictures as PNG files (8-bit RGB), through libpng.

#include <string>

#include "Render.h"

namespace rdk {

// False with libpng's reason in `error` when the file cannot be written.
bool writePng(const std::string& path, const Image& image, std::string& error);
// False with the reason when the file cannot be read as a PNG.
bool readPng(const std::string& path, Image& image, std::string& error);

} // namespace rdk
