// Reading a scene file and replaying it into the writer gives back the same
// bytes: every golden file of the tests, and random call sequences written,
// read and written again.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "GoldenFile.h"
#include "SceneGenerator.h"
#include "SceneReader.h"
#include "StringSink.h"
#include "velScene_api_file.h"

namespace {

struct Replayed {
    std::string bytes;
    vel::ReadResult result;
};

// `text` read and replayed into a writer made as the file factory makes one.
Replayed replay(std::string_view text)
{
    auto sink = std::make_unique<vel::StringSink>();
    vel::StringSink* s = sink.get();
    Replayed out;
    {
        velScene_api_file writer(std::move(sink), true);
        out.result = vel::readScene(text, writer);
        out.bytes = s->str();
    }
    return out;
}

std::string problems(const vel::ReadResult& r)
{
    std::ostringstream out;
    for (const auto& p : r.problems)
        out << "  " << vel::describe(p) << "\n";
    return out.str();
}

// The first line where two texts differ, escaped.
std::string firstDifference(std::string_view want, std::string_view got)
{
    std::size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i])
        ++i;
    const std::size_t from = want.rfind('\n', i == 0 ? 0 : i - 1);
    const std::size_t start = from == std::string_view::npos ? 0 : from + 1;
    const vel::TextPosition at = vel::positionOf(want, i);
    return "first difference at " + std::to_string(at.line) + ":" + std::to_string(at.column) + "\n  - " +
           escaped(want.substr(start, std::min<std::size_t>(120, want.size() - start))) + "\n  + " +
           escaped(got.substr(start, std::min<std::size_t>(120, got.size() - start)));
}

std::vector<std::filesystem::path> goldenFiles()
{
    const char* top = std::getenv("RD_SOURCE_DIR");
    const std::filesystem::path tests = std::filesystem::path(top ? top : ".") / "tests";
    std::vector<std::filesystem::path> files;
    for (const auto& dir : std::filesystem::directory_iterator(tests)) {
        const auto golden = dir.path() / "golden";
        if (!std::filesystem::is_directory(golden))
            continue;
        for (const auto& f : std::filesystem::directory_iterator(golden))
            if (f.path().extension() == ".rdk")
                files.push_back(f.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(ReaderRoundTrip, EveryGoldenFileComesBackByteForByte)
{
    const auto files = goldenFiles();
    ASSERT_GE(files.size(), 4u) << "golden files not found; is RD_SOURCE_DIR set?";
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        std::string text, error;
        ASSERT_TRUE(vel::loadFile(path.string(), text, error)) << error;
        const Replayed r = replay(text);
        EXPECT_TRUE(r.result.ok()) << problems(r.result);
        EXPECT_FALSE(r.result.layoutIrregular)
            << "layout departs at " << r.result.firstIrregularity.line << ":" << r.result.firstIrregularity.column;
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
        auto sink = std::make_unique<vel::StringSink>();
        vel::StringSink* s = sink.get();
        std::string written;
        {
            velScene_api_file writer(std::move(sink), seed % 2 == 0);
            SceneGenerator(static_cast<std::uint32_t>(seed), writer).run(30);
            written = s->str();
        }
        const Replayed r = replay(written);
        const bool same = r.bytes == written;
        if (!r.result.ok() || !same || r.result.layoutIrregular) {
            ++failures;
            if (std::getenv("RD_READER_DUMP")) {
                std::ofstream("/tmp/rd-seed-" + std::to_string(seed) + ".rdk", std::ios::binary) << written;
                std::ofstream("/tmp/rd-seed-" + std::to_string(seed) + ".out", std::ios::binary) << r.bytes;
            }
            ADD_FAILURE() << "seed " << seed << " (" << written.size() << " bytes)\n"
                          << problems(r.result)
                          << (r.result.layoutIrregular
                                  ? "layout departs at " + std::to_string(r.result.firstIrregularity.line) + ":" +
                                        std::to_string(r.result.firstIrregularity.column) + "\n"
                                  : "")
                          << (same ? "" : firstDifference(written, r.bytes));
        }
    }
}
