// Reading a scene file and replaying it into the writer gives back the same
// bytes: every golden file of the tests, and random call sequences written,
// read and written again.

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>

#include <sceneapi/SceneReader.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SourceTree.h>
#include "RecordingScene.h"
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

// Keeps the bytes of the last list parameter it is given.
struct ListKeeper : RecordingScene {
    int code = 0;
    std::string bytes;
    bool parameter(const char*, int c, const void* value) override
    {
        if ((c & vel::ListBit) == 0)
            return true;
        const auto* list = static_cast<const velList*>(value);
        const std::size_t size = c == vel::TypeIntList ? 4 : c == vel::TypeFloatList ? 4 : 12;
        code = c;
        bytes.assign(static_cast<const char*>(list->data), size * list->count);
        return true;
    }
};

// The values of the last list in `text`, each element's text read on its
// own (ints as ints, everything else as floats), as the bytes a reader's
// list holds.
std::string lastListValues(const std::string& text, int code)
{
    const std::size_t first = text.rfind("[ ") + 2;
    const std::size_t stop = text.rfind(" ]");
    std::string values;
    for (std::size_t p = first; p < stop;) {
        const char* at = text.data() + p;
        char value[4];
        if (code == vel::TypeIntList) {
            std::int32_t v = 0;
            at = std::from_chars(at, text.data() + stop, v).ptr;
            std::memcpy(value, &v, 4);
        } else {
            float v = 0;
            at = std::from_chars(at, text.data() + stop, v).ptr;
            std::memcpy(value, &v, 4);
        }
        values.append(value, 4);
        p = text.find_first_not_of(", \n", static_cast<std::size_t>(at - text.data()));
    }
    return values;
}

// A geometry block holding `lists` of one kind, the last named "v" and the
// others "u", as the writer writes it with indentation.
std::string listsText(int code, std::initializer_list<velList> lists)
{
    TextWriter w = TextWriter::indented();
    w->beginObject("o", true);
    w->beginGeometry("mesh");
    std::size_t i = 0;
    for (const velList& l : lists)
        w->parameter(++i == lists.size() ? "v" : "u", code, &l);
    w->endGeometry();
    w->endObject();
    return w.text();
}

// `text` replays to its own bytes, and its last list reads to the values of
// its elements' texts read one by one; those values.
std::string expectReadsBack(const std::string& text, int code)
{
    EXPECT_EQ(replayFaults(text), "");
    ListKeeper kept;
    EXPECT_TRUE(vel::readScene(text, kept).ok());
    EXPECT_EQ(kept.code, code);
    std::string expected = lastListValues(text, code);
    EXPECT_TRUE(kept.bytes == expected) << "values differ from their texts read one by one";
    return expected;
}

// `text` with one blank taken from the start of the line at `line` reads to
// the same values, its layout found departing there.
void expectIrregularLine(const std::string& text, std::size_t line, const std::string& values)
{
    std::string fewer = text;
    fewer.erase(line, 1);
    ListKeeper kept;
    const vel::ReadResult irregular = vel::readScene(fewer, kept);
    EXPECT_TRUE(irregular.ok());
    EXPECT_TRUE(irregular.layoutIrregular);
    EXPECT_EQ(irregular.firstIrregularity.offset, line);
    EXPECT_TRUE(kept.bytes == values);
}

// `text` with a letter in place of the byte at `element` fails there.
void expectBadElement(const std::string& text, std::size_t element)
{
    std::string bad = text;
    bad[element] = 'x';
    ListKeeper kept;
    const vel::ReadResult wrong = vel::readScene(bad, kept);
    ASSERT_EQ(wrong.problems.size(), 1u);
    EXPECT_EQ(wrong.problems[0].at.offset, element) << vel::describe(wrong.problems[0]);
}

} // namespace

// Lists of a few lines: after the first line, the rest of a list's lines
// are read in one go, which must give what reading each element on its own
// gives, stop at any line of another form (the last, a departure from the
// layout, a bad element, a fraction in an int list) and leave that line to
// the careful reading, which says where it stands.
TEST(ReaderRoundTrip, ShortListsReadLineByLineAsElementByElement)
{
    std::mt19937 rng(5);
    std::vector<float> floats(3 * 700);
    for (float& f : floats)
        f = std::uniform_real_distribution<float>(-100.0f, 100.0f)(rng);
    std::vector<std::int32_t> ints(2100);
    for (std::int32_t& i : ints)
        i = std::uniform_int_distribution<std::int32_t>(-5, 99'999)(rng);
    for (const int code : {vel::TypeFloatList, vel::TypeIntList, vel::TypeVector3fList}) {
        // 9 elements fill the first line alone; 17 end with a whole second
        // line; 700 make many.
        for (const std::uint32_t count : {9u, 10u, 17u, 18u, 700u}) {
            SCOPED_TRACE(std::to_string(code) + " with " + std::to_string(count));
            const velList l{code == vel::TypeIntList ? static_cast<const void*>(ints.data()) : floats.data(), count};
            const std::string text = listsText(code, {l});
            const std::string expected = expectReadsBack(text, code);
            if (count < 100)
                continue;

            // The third line with a blank too few, an element of the fifth
            // made bad: each found where it stands.
            const std::size_t third = text.find('\n', text.find('\n', text.rfind("[ ")) + 1) + 1;
            expectIrregularLine(text, third, expected);
            const std::size_t fifth = text.find('\n', text.find('\n', third) + 1) + 1;
            expectBadElement(text, text.find(',', fifth) + 1);
            if (code == vel::TypeVector3fList) {
                // A comma made a blank: six floats in one element, where the
                // line still holds 24 floats. The blank after a triple
                // begins the list's end, so "]" is missing after it.
                std::string merged = text;
                const std::size_t comma = text.find(',', fifth);
                merged[comma] = ' ';
                ListKeeper kept;
                const vel::ReadResult wrong = vel::readScene(merged, kept);
                ASSERT_EQ(wrong.problems.size(), 1u);
                EXPECT_EQ(wrong.problems[0].at.offset, comma + 1) << vel::describe(wrong.problems[0]);
            }
            if (code != vel::TypeIntList)
                continue;
            // A fraction on the fifth line: the list is of floats after all.
            std::string fraction = text;
            fraction.insert(text.find(',', fifth), ".5");
            expectReadsBack(fraction, vel::TypeFloatList);
        }
    }
}

// Lists of more than a megabyte of text are read a run of lines per thread:
// the values are those of each element's text read on its own (bit for bit,
// correctly rounded), the bytes replay, and where one line deep inside
// departs from the writer's form, the reading says so at its very place.
// Each list follows a shorter one of the same form, whose end falls among
// the lines that the threads take.
TEST(ReaderRoundTrip, LargeListsReadOnThreadsAsElementByElement)
{
    std::mt19937 rng(11);
    std::vector<float> floats(900'000);
    for (std::size_t i = 0; i < floats.size(); ++i) {
        const float f = std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(rng);
        // Now and then a text of another form: an exponent, a long
        // fraction, an integral float, more than eight digits.
        const float odd[] = {f * 1e-9f, f * 1e-6f, std::round(f), f * 1e9f, 0.0f};
        floats[i] = i % 9973 < 5 ? odd[i % 9973] : f;
    }
    std::vector<std::int32_t> ints(900'000);
    for (std::size_t i = 0; i < ints.size(); ++i)
        ints[i] = i % 7919 == 0 ? -2'000'000'000 : std::uniform_int_distribution<std::int32_t>(-99'999, 3'000'000)(rng);
    const struct {
        int code;
        const void* data;
        std::uint32_t count;
    } lists[] = {
        {vel::TypeFloatList, floats.data(), static_cast<std::uint32_t>(floats.size())},
        {vel::TypeIntList, ints.data(), static_cast<std::uint32_t>(ints.size())},
        {vel::TypeVector3fList, floats.data(), static_cast<std::uint32_t>(floats.size() / 3)},
    };
    for (const auto& list : lists) {
        SCOPED_TRACE(list.code);
        const velList shorter{list.data, list.count / 2 + 7};
        const velList l{list.data, list.count};
        const std::string text = listsText(list.code, {shorter, l});
        const std::string expected = expectReadsBack(text, list.code);

        // A line with a blank too few before it, near the list's start (its
        // lines read a few at a time) and deep inside (on threads), and one
        // with a letter in an element: each found where it stands, the
        // values as before.
        for (const std::size_t from : {text.rfind("[ "), text.size() * 3 / 4})
            expectIrregularLine(text, text.find("\n", text.find("\n", from) + 1) + 1, expected);
        expectBadElement(text, text.find(",", text.size() * 4 / 5) + 1);
    }

    // A binary block of megabytes, unaligned in the text: copied out into
    // fresh memory (on several threads), then, with other values, by the
    // same reader into the memory it kept, to the same bytes each time.
    std::vector<float> many;
    for (int k = 0; k < 3; ++k)
        many.insert(many.end(), floats.begin(), floats.end());
    vel::SceneReader reader;
    for (int twice = 0; twice < 2; ++twice) {
        if (twice == 1)
            std::reverse(many.begin(), many.end());
        TextWriter binary(true);
        const velList block{many.data(), static_cast<std::uint32_t>(many.size())};
        binary->parameter("v", vel::TypeFloatList, &block);
        const std::size_t marker = binary.text().find("\x01\x02\x03" "f");
        ASSERT_NE(marker, std::string::npos);
        ASSERT_NE(marker % 4, 0u);
        ListKeeper kept;
        ASSERT_TRUE(reader.read(binary.text(), kept).ok());
        EXPECT_TRUE(kept.bytes == std::string_view(reinterpret_cast<const char*>(many.data()), 4 * many.size()));
    }
}

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
