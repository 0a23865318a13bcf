#pragma once
// Pictures as PNG files (8-bit RGB), through libpng.

#include <string>

#include "Render.h"

namespace rdk {

// False with libpng's reason in `error` when the file cannot be written.
// "-" writes to standard output (whoever flushes it sees a lost write).
bool writePng(const std::string& path, const Image& image, std::string& error);
// False with the reason when the file cannot be read as a PNG.
bool readPng(const std::string& path, Image& image, std::string& error);

} // namespace rdk
