// Reading a scene file and replaying it into the writer gives back the same
// bytes: every golden file of the tests, and random call sequences written,
// read and written again.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <sceneapi/SceneReader.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SourceTree.h>
#include "SceneGenerator.h"
#include "WriterFixture.h"

namespace {

// `text` read and replayed into a writer made as the file factory makes one:
// empty when it reads cleanly, with a writer's layout, to the same bytes;
// else what went wrong.
std::string replayFaults(std::string_view text)
{
    TextWriter writer(true);
    const vel::ReadResult r = vel::readScene(text, *writer.writer);
    std::ostringstream out;
    for (const auto& p : r.problems)
        out << "  " << vel::describe(p) << "\n";
    if (r.layoutIrregular)
        out << "layout departs at " << r.firstIrregularity.line << ":" << r.firstIrregularity.column << "\n";
    const std::string got = writer.text();
    std::size_t i = 0;
    while (i < text.size() && i < got.size() && text[i] == got[i])
        ++i;
    if (i < text.size() || i < got.size()) {
        const std::size_t start = i == 0 ? 0 : text.rfind('\n', i - 1) + 1; // npos + 1 is 0
        const vel::TextPosition at = vel::positionOf(text, i);
        out << "first difference at " << at.line << ":" << at.column << "\n  - "
            << escaped(text.substr(start, std::min<std::size_t>(120, text.size() - start))) << "\n  + "
            << escaped(std::string_view(got).substr(start, std::min<std::size_t>(120, got.size() - start)));
    }
    return out.str();
}

// The files of tests/*/<folder> for each of folders, in order of their paths.
std::vector<std::filesystem::path> testFiles(std::initializer_list<const char*> folders)
{
    const std::filesystem::path tests = rdtest::sourcePath("tests");
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
        EXPECT_EQ(replayFaults(load(path)), "") << path.string();
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
        const std::string faults = replayFaults(writer.text());
        if (!faults.empty() && ++failures)
            ADD_FAILURE() << "seed " << seed << " (" << writer.text().size() << " bytes)\n" << faults;
    }
}
