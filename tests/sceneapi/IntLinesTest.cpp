// Lines of ints converted whole (the wide path) read exactly what the
// element-by-element reading reads, and decline only lines it also declines
// or that hold an element of more than eight digits.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <sceneapi/IntLines.h>

namespace {

using vel::parsing::IntElement;

// Element texts around every edge the conversions look at.
constexpr const char* kEdges[] = {
    "0",          "7",           "-7",          "-0",          "-00",         "-00000000",   "00000001",
    "-00000001",  "12345678",    "-12345678",   "99999999",    "-99999999",   "123456789",   "-123456789",
    "2147483647", "-2147483648", "2147483648",  "-2147483649", "9999999999",  "12345678901", "",
    "-",          "+5",          "1-2",         "5 ",          " 5",          "1.5",         "1e3",
    "a",          "--1",         "1\n2",        "\n",
};

// A random element: mostly ints of one to eight digits, some of nine or
// ten, either sign; else an edge case.
std::string element(std::mt19937& rng, bool& eightDigitsAtMost)
{
    std::string s;
    if (rng() % 8 == 0) {
        s = kEdges[rng() % std::size(kEdges)];
    } else {
        const int digits = rng() % 8 == 0 ? 9 + static_cast<int>(rng() % 2) : 1 + static_cast<int>(rng() % 8);
        if (rng() % 3 == 0)
            s = "-";
        for (int d = 0; d < digits; ++d)
            s += static_cast<char>('0' + rng() % 10);
    }
    const std::size_t sign = !s.empty() && s[0] == '-';
    eightDigitsAtMost = eightDigitsAtMost && s.size() - sign <= 8;
    return s;
}

TEST(IntLines, WideLinesReadAsElementByElement)
{
    if (!vel::parsing::wideIntLinesAvailable())
        GTEST_SKIP() << "no wide conversion on this processor";
    // Lines of eight elements, and of other shapes: a break before the
    // eighth comma, more than eight, no break after the eighth, text after.
    const char* const kEndings[] = {"\n", "\n", "\n", "\n", "", " \n", "9,\n", "x"};
    std::mt19937 rng(2026);
    std::string text;
    struct Line {
        std::size_t at;
        bool simple; // all of its elements of at most eight digits
        int elements;
        bool endsInBreak;
    };
    std::vector<Line> lines;
    for (int i = 0; i < 40'000; ++i) {
        Line line{text.size(), true, i % 11 == 0 ? static_cast<int>(rng() % 8) : 8, false};
        for (int e = 0; e < line.elements; ++e)
            text += element(rng, line.simple) + ",";
        const char* ending = line.elements == 8 ? kEndings[rng() % std::size(kEndings)] : "\n";
        line.endsInBreak = std::string(ending) == "\n";
        text += ending;
        lines.push_back(line);
    }
    const std::size_t length = text.size();
    text.append(128, ',');

    int wideLines = 0;
    for (const Line& line : lines) {
        const char* from = text.data() + line.at;
        SCOPED_TRACE(std::string(from, std::min<std::size_t>(90, length - line.at)));
        std::int32_t careful[8] = {}, wide[8] = {};
        const char* afterCareful = from;
        const char* afterWide = from;
        const bool carefulReads =
            vel::parsing::simpleLine<std::int32_t, IntElement>(afterCareful, text.data() + length, careful);
        const bool wideReads = vel::parsing::wideIntLine(afterWide, wide);
        if (wideReads) {
            ++wideLines;
            ASSERT_TRUE(carefulReads);
            ASSERT_EQ(afterWide, afterCareful);
            ASSERT_EQ(std::vector<std::int32_t>(wide, wide + 8), std::vector<std::int32_t>(careful, careful + 8));
        } else {
            ASSERT_EQ(afterWide, from);
            // It declines only what has more than eight digits.
            ASSERT_FALSE(carefulReads && line.simple);
        }
    }
    EXPECT_GT(wideLines, 2000);
}

// Whole texts, some lines of another form among them: the same values, the
// same count, the same line stopped at, with or without the wide path.
TEST(IntLines, ListsReadAsElementByElement)
{
    const struct {
        const char* name;
        std::string line;
    } kCases[] = {
        {"short ints", "  1,-2,3,40,500,-6000,70000,800000,\n"},
        {"eight digits", "  12345678,-12345678,99999999,-99999999,10000000,1,0,-1,\n"},
        {"ten digits", "  2147483647,-2147483648,1,2,3,4,5,6,\n"},
        {"leading zeros", "  00000000,-00000001,0000000001,0,0,0,0,0,\n"},
    };
    const char* const kStops[] = {"  1,2,3,-0,5,6,7,8,\n", "  1,2,3,4,5,6,7\n", " 1,2,3,4,5,6,7,8,\n",
                                  "  1,2,3,4,5,6,7,8, ]\n"};
    for (const auto& c : kCases)
        for (const char* stop : kStops) {
            SCOPED_TRACE(std::string(c.name) + " then " + stop);
            std::string text;
            for (int i = 0; i < 50; ++i)
                text += c.line;
            const std::size_t stopAt = text.size();
            text += stop;
            for (int i = 0; i < 5; ++i)
                text += c.line;
            const std::size_t length = text.size();
            text.append(96, ' ');
            std::vector<std::int32_t> careful(length), read(length);
            const char* end = text.data() + length;
            const auto expected = vel::parsing::simpleLines(text.data(), end, 2, careful.data(), IntElement{});
            const auto got = vel::parsing::intLines(text.data(), end, 2, read.data());
            EXPECT_EQ(expected.stop - text.data(), static_cast<std::ptrdiff_t>(stopAt));
            ASSERT_EQ(got.count, expected.count);
            EXPECT_EQ(got.stop, expected.stop);
            EXPECT_EQ(std::vector(read.begin(), read.begin() + got.count),
                      std::vector(careful.begin(), careful.begin() + got.count));
        }
}

} // namespace
