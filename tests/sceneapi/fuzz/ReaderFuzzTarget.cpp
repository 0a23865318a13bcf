// libFuzzer entry point of the scene reader (the fuzz preset builds it).
#include <cstddef>
#include <cstdint>

#include <tests/sceneapi/ReaderFuzzBody.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readerFuzzOnce(data, size);
    return 0;
}
