#pragma once
// The two hex forms of the scene text: names that cannot stand in double
// quotes ("xX" and the bytes) and binary data ("bX" and the bytes). Two
// lowercase hex digits per byte, high nibble first.

#include <cstddef>
#include <string_view>

namespace vel {

class OutputSink;

// True when the name holds a line feed, a carriage return, a double quote or
// a byte of 128 or more, and so must be written in the "xX" form.
bool needsHexName(std::string_view name);

// The two-character prefix followed by the hex digits of the bytes.
void writeHex(OutputSink& out, std::string_view prefix, const unsigned char* data, std::size_t size);

} // namespace vel
