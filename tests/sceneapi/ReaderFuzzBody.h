#pragma once
// What the fuzzer does with one input, shared with the regression test that
// replays every input the fuzzer ever found: read it into the scene model,
// ask the model's views, write the model out again, and read it into a
// writer. Nothing may crash, hang, leak or allocate without bound.

#include <cstddef>
#include <cstdint>

void readerFuzzOnce(const std::uint8_t* data, std::size_t size);
