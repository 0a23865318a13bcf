// Every input the fuzzer found a fault with (fuzz-regressions/), and the
// fuzzer's seeds (the golden files, the malformed corpus), through what the
// fuzzer does with an input.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ReaderFuzzBody.h"
#include "SceneReader.h"

TEST(ReaderFuzzRegressions, EveryKeptInputReadsWithoutFault)
{
    const char* top = std::getenv("RD_SOURCE_DIR");
    const std::filesystem::path tests = std::filesystem::path(top ? top : ".") / "tests";
    int inputs = 0;
    for (const auto& dir : std::filesystem::directory_iterator(tests)) {
        for (const char* corpus : {"golden", "fuzz-regressions", "bad"}) {
            const auto folder = dir.path() / corpus;
            if (!std::filesystem::is_directory(folder))
                continue;
            for (const auto& f : std::filesystem::directory_iterator(folder)) {
                if (!f.is_regular_file() || f.path().filename().string().front() == '.')
                    continue;
                SCOPED_TRACE(f.path().string());
                std::string bytes, error;
                ASSERT_TRUE(vel::loadFile(f.path().string(), bytes, error)) << error;
                readerFuzzOnce(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
                ++inputs;
            }
        }
    }
    EXPECT_GT(inputs, 20);
}
