#pragma once
// The value part of a parameter or list element in the scene text, chosen by
// the value's type code (velTypes.h): numbers separated by blanks, quoted
// names, on/off, lists between "[ " and "] " in text or binary form, and
// captured shader texts placed whole where the value goes.

#include <cstddef>
#include <cstdint>

namespace vel {

class TextOutput;

// For code 13 the value pointer points at the string pointer and for the
// captured-text code at the handle; both are replaced by what they point at
// before the value is written. Other codes pass through.
const void* resolveIndirectValue(int code, const void* value);

// False when the (resolved) value cannot be read: a null value, handle or
// list data for a code that reads one. Such a parameter is rejected whole.
bool isReadableValue(int code, const void* value);

// Writes the (resolved) value. binaryLists selects the binary form for the
// lists that have one (float triples, floats, doubles, ints). Codes without a
// value text write nothing.
void writeValue(TextOutput& out, int code, const void* value, bool binaryLists);

// A binary block: the bytes 1, 2, 3 and the type letter ('c' float triples,
// 'f' floats, 'r' doubles, 'i' ints), the count as four little-endian bytes,
// then `size` bytes of little-endian elements, all through the raw write.
void writeBinaryBlock(TextOutput& out, char letter, std::uint32_t count, const void* data, std::size_t size);

} // namespace vel
