// Reading a scene file and replaying it into the writer gives back the same
// bytes: every golden file of the tests, and random call sequences written,
// read and written again. And every input the fuzzer found a fault with,
// with its seeds, through what the fuzzer does with an input.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "GoldenFile.h"
#include "ReaderFuzzBody.h"
#include "SceneGenerator.h"
#include "SceneReader.h"
#include "WriterFixture.h"

namespace {

struct Replayed {
    std::string bytes;
    vel::ReadResult result;
};

// `text` read and replayed into a writer made as the file factory makes one.
Replayed replay(std::string_view text)
{
    TextWriter writer(true);
    const vel::ReadResult result = vel::readScene(text, *writer.writer);
    return {writer.text(), result};
}

std::string problems(const vel::ReadResult& r)
{
    std::ostringstream out;
    for (const auto& p : r.problems)
        out << "  " << vel::describe(p) << "\n";
    return out.str();
}

std::string where(const vel::TextPosition& at)
{
    return std::to_string(at.line) + ":" + std::to_string(at.column);
}

// The first line where two texts differ, escaped.
std::string firstDifference(std::string_view want, std::string_view got)
{
    std::size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i])
        ++i;
    const std::size_t from = want.rfind('\n', i == 0 ? 0 : i - 1);
    const std::size_t start = from == std::string_view::npos ? 0 : from + 1;
    return "first difference at " + where(vel::positionOf(want, i)) + "\n  - " +
           escaped(want.substr(start, std::min<std::size_t>(120, want.size() - start))) + "\n  + " +
           escaped(got.substr(start, std::min<std::size_t>(120, got.size() - start)));
}

// The files of tests/*/<folder> for each of folders, in order of their paths.
std::vector<std::filesystem::path> testFiles(std::initializer_list<const char*> folders)
{
    const char* top = std::getenv("RD_SOURCE_DIR");
    const std::filesystem::path tests = std::filesystem::path(top ? top : ".") / "tests";
    std::vector<std::filesystem::path> files;
    for (const auto& dir : std::filesystem::directory_iterator(tests))
        for (const char* folder : folders)
            if (std::filesystem::is_directory(dir.path() / folder))
                for (const auto& f : std::filesystem::directory_iterator(dir.path() / folder))
                    if (f.is_regular_file() && f.path().filename().string().front() != '.')
                        files.push_back(f.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string load(const std::filesystem::path& path)
{
    std::string bytes, error;
    EXPECT_TRUE(vel::loadFile(path.string(), bytes, error)) << error;
    return bytes;
}

} // namespace

TEST(ReaderRoundTrip, EveryGoldenFileComesBackByteForByte)
{
    const auto files = testFiles({"golden"});
    ASSERT_GE(files.size(), 4u) << "golden files not found; is RD_SOURCE_DIR set?";
    for (const auto& path : files) {
        if (path.extension() != ".rdk")
            continue; // call logs of the live link
        SCOPED_TRACE(path.string());
        const std::string text = load(path);
        const Replayed r = replay(text);
        EXPECT_TRUE(r.result.ok()) << problems(r.result);
        EXPECT_FALSE(r.result.layoutIrregular) << "layout departs at " << where(r.result.firstIrregularity);
        EXPECT_TRUE(r.bytes == text) << firstDifference(text, r.bytes);
    }
}

// Random valid call sequences: written, read, written again. The seed of a
// failing sequence is in the message; RD_READER_SEEDS=N runs N sequences.
TEST(ReaderRoundTrip, RandomCallSequencesComeBackByteForByte)
{
    const char* wanted = std::getenv("RD_READER_SEEDS");
    const int seeds = wanted ? std::atoi(wanted) : 300;
    int failures = 0;
    for (int seed = 1; seed <= seeds && failures < 3; ++seed) {
        TextWriter writer(seed % 2 == 0);
        generateScene(static_cast<std::uint32_t>(seed), *writer.writer, 30);
        const std::string written = writer.text();
        const Replayed r = replay(written);
        const bool same = r.bytes == written;
        if (r.result.ok() && same && !r.result.layoutIrregular)
            continue;
        ++failures;
        ADD_FAILURE() << "seed " << seed << " (" << written.size() << " bytes)\n"
                      << problems(r.result)
                      << (r.result.layoutIrregular ? "layout departs at " + where(r.result.firstIrregularity) + "\n" : "")
                      << (same ? "" : firstDifference(written, r.bytes));
    }
}

TEST(ReaderFuzzRegressions, EveryKeptInputReadsWithoutFault)
{
    const auto files = testFiles({"golden", "fuzz-regressions", "bad"});
    EXPECT_GT(files.size(), 20u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        const std::string bytes = load(path);
        readerFuzzOnce(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}
