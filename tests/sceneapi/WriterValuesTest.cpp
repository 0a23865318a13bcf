// Names, values and the lines of their own: the exact text of every value
// code, the hex forms, the -1 rule, rejected values.

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cmath>
#include <limits>

#include "GoldenFile.h"
#include "WriterFixture.h"

using namespace vel;

namespace {

// The text of one shader-form parameter at level 1, between "\"v\" " and ",\n".
std::string valueText(int code, const void* value, bool binaryLists = false)
{
    TextWriter w = TextWriter::indented(binaryLists ? 2 : 1);
    w->beginLoad("m");
    w.take();
    EXPECT_TRUE(w->parameter("v", code, value));
    const std::string line = w.take();
    const std::string head = " \"v\" ";
    if (line.rfind(head, 0) != 0 || line.size() < head.size() + 2 || line.substr(line.size() - 2) != ",\n")
        return "malformed line: " + escaped(line);
    return line.substr(head.size(), line.size() - head.size() - 2);
}

std::string nameText(const char* name)
{
    TextWriter w = TextWriter::indented();
    w->beginLoad("a");
    w->beginLoad("b");
    w.take();
    w->parameterShaderId(name, 1); // the name at the current level, 2
    const std::string line = w.take();
    return line.substr(0, line.size() - std::string(" ! 1,\n").size());
}

} // namespace

TEST(WriterNames, QuotedUnlessABytePreventsIt)
{
    EXPECT_EQ(nameText(""), "  \"\"");
    EXPECT_EQ(nameText(nullptr), "  \"\"");
    EXPECT_EQ(nameText("plain name"), "  \"plain name\"");
    // Only LF, CR, the double quote and bytes from 128 force the hex form;
    // a backslash, a tab or DEL stay quoted as they are.
    EXPECT_EQ(nameText("a\\b\tc\x7f"), "  \"a\\b\tc\x7f\"");
    // The hex form: no quotes and no indentation, lowercase, high nibble first.
    EXPECT_EQ(nameText("\xC3\xA9"), "xXc3a9");
    EXPECT_EQ(nameText("say \"hi\""), "xX7361792022686922");
    EXPECT_EQ(nameText("a\nb"), "xX610a62");
    EXPECT_EQ(nameText("\r"), "xX0d");
    EXPECT_EQ(nameText("\xFF\x80"), "xXff80");
}

TEST(WriterNames, StatementNamesAreWrittenAsGiven)
{
    TextWriter w = TextWriter::indented();
    w->beginGroup("g", true);
    w.take();
    const std::int32_t one = 1;
    w->parameter("na\"me", TypeInt, &one);
    w->parameter("two\nlines", TypeInt, &one);
    EXPECT_EQ(w.take(), " na\"me 1\n two\n lines 1\n");
}

TEST(WriterValues, ScalarCodes)
{
    const float f3[3] = {1.5f, -0.0f, 1e-5f};
    const float f4[4] = {1, 2, 3, 4.25f};
    const double d3[3] = {0.1, 1e100, -123456.5};
    const std::int32_t i4[4] = {-2147483647 - 1, 2147483647, 0, -1};
    const double m16[16] = {1.234565, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1e39, -1e-50, 0.5, 1};
    const float f2[2] = {3, 0.125f};
    EXPECT_EQ(valueText(TypeVector3f, f3), "1.5 -0 1e-05");
    EXPECT_EQ(valueText(TypeVector4f, f4), "1 2 3 4.25");
    EXPECT_EQ(valueText(TypeColor4f, f4), "1 2 3 4.25");
    EXPECT_EQ(valueText(TypeVector3d, d3), "0.1 1e+100 -123456"); // ties go to even
    EXPECT_EQ(valueText(TypeInt, i4), "-2147483648");
    EXPECT_EQ(valueText(TypeIntAlias, i4 + 1), "2147483647");
    EXPECT_EQ(valueText(TypeInt2, i4), "-2147483648 2147483647");
    EXPECT_EQ(valueText(TypeInt3, i4), "-2147483648 2147483647 0");
    EXPECT_EQ(valueText(TypeInt4, i4), "-2147483648 2147483647 0 -1");
    EXPECT_EQ(valueText(TypeVector2f, f2), "3 0.125");
    // A matrix value goes through float: 1e39 overflows to inf there.
    EXPECT_EQ(valueText(TypeMatrix, m16), "1.23457 0 0 0 0 1 0 0 0 0 1 0 inf -0 0.5 1");
    EXPECT_EQ(valueText(TypeString, "a b"), "\"a b\"");
    const char* s = "\xC3\xA9";
    EXPECT_EQ(valueText(TypeStringPtr, &s), "xXc3a9");
    const std::int32_t on = 5, off = 0, negative = -1;
    EXPECT_EQ(valueText(TypeBool, &on), "on");
    EXPECT_EQ(valueText(TypeBool, &negative), "on");
    EXPECT_EQ(valueText(TypeBool, &off), "off");
}

// A float value that is not finite or does not lie below the largest float
// is written as -1; a double value is always "%16.16f", which pads the
// non-finite texts to 16 characters.
TEST(WriterValues, NonFiniteAndOutOfRangeNumbers)
{
    const float floats[] = {INFINITY, -INFINITY, NAN, -NAN, FLT_MAX, -FLT_MAX};
    for (const float f : floats)
        EXPECT_EQ(valueText(TypeFloat, &f), "-1") << f;
    const float below = std::nextafter(FLT_MAX, 0.0f);
    EXPECT_EQ(valueText(TypeFloat, &below), "3.40282e+38");

    const double inf = INFINITY, minusInf = -INFINITY, nan = NAN, minusNan = -NAN, huge = 1e300, tiny = -1e-300;
    EXPECT_EQ(valueText(TypeDouble, &inf), "             inf");
    EXPECT_EQ(valueText(TypeDouble, &minusInf), "            -inf");
    EXPECT_EQ(valueText(TypeDouble, &nan), "             nan");
    EXPECT_EQ(valueText(TypeDouble, &minusNan), "            -nan");
    EXPECT_EQ(valueText(TypeDouble, &tiny), "-0.0000000000000000");
    EXPECT_EQ(valueText(TypeDouble, &huge).size(), 301u + 17u);

    // The same rule in the text form of lists: doubles of a list do get -1,
    // printed in the element's own format.
    const double below2 = std::nextafter(3.4028234663852886e38, 0.0);
    const double doubles[4] = {3.4028234663852886e38, below2, -inf, nan};
    const velList list{doubles, 4};
    char belowText[400];
    std::snprintf(belowText, sizeof belowText, "%16.16f", below2);
    EXPECT_EQ(valueText(TypeDoubleList, &list),
              std::string("[ -1.0000000000000000,") + belowText + ",-1.0000000000000000,-1.0000000000000000 ] ");
}

TEST(WriterValues, CodesWithoutValueKeepNameAndSeparators)
{
    const std::int32_t v = 1;
    for (const int code : {0, 8, 11, 12, 19, 20, 21, 22, 24, 8192, 0x8000, 0x8008, 0x800B, 0x8018, 0x10001, -1})
        EXPECT_EQ(valueText(code, &v), "") << code;
    // Nothing is read for them, so a null value is fine too.
    EXPECT_EQ(valueText(8, nullptr), "");
}

// A value that cannot be read rejects the whole parameter: nothing written,
// false returned.
TEST(WriterValues, UnreadableValuesAreRejected)
{
    TextWriter w = TextWriter::indented();
    const char* nullString = nullptr;
    const ShaderText nullText = nullptr;
    const velList dangling{nullptr, 3};
    EXPECT_FALSE(w->parameter("a", TypeFloat, nullptr));
    EXPECT_FALSE(w->parameter("b", TypeString, nullptr));
    EXPECT_FALSE(w->parameter("c", TypeStringPtr, &nullString));
    EXPECT_FALSE(w->parameter("d", TypeShaderText, &nullText));
    EXPECT_FALSE(w->parameter("e", TypeFloatList, &dangling));
    EXPECT_FALSE(w->parameter("f", TypeIntList, nullptr));
    EXPECT_FALSE(w->parameterShaderText("g", nullptr));
    w->beginList("l");
    w.take();
    w->listValue(TypeFloat, nullptr);
    w->listValue(TypeStringPtr, &nullString);
    w->listValue(TypeShaderText, &nullText);
    EXPECT_EQ(w.take(), "");
    // In binary mode the collected codes skip a null value the same way.
    w->setModeFlags(2);
    w->listValue(TypeVector3f, nullptr);
    w->endList();
    EXPECT_EQ(w.take(), " ],\n");
}

// Values collected for a binary block are written at the end of the list
// even when binary lists were switched off in between: nowhere else holds them.
TEST(WriterValues, CollectedValuesSurviveAModeSwitch)
{
    using namespace std::string_literals;
    TextWriter w(true);
    w->beginList("l");
    const std::int32_t five = 5;
    w->listValue(TypeInt, &five);
    w->setModeFlags(0x400001);
    w->listValue(TypeInt, &five);
    w->endList();
    EXPECT_EQ(escaped(w.text()), escaped("\"l\" [\n5\x01\x02\x03i\x01\x00\x00\x00\x05\x00\x00\x00 ],\n"s));
}

TEST(WriterLines, TextsAreWrittenExactlyNeverAsFormats)
{
    TextWriter w;
    w->print("100%s %n %d \\ done");
    w->error("");
    w->print(nullptr);
    w->writeText("%d-%s-%.2f|", 5, "x", 0.5);
    w->writeText("%s", "50%d");
    EXPECT_EQ(w.text(), "#print \"100%s %n %d \\ done\"\n#error \"\"\n#print \"\"\n5-x-0.50|50%d");
}

TEST(WriterLines, NumbersOfTheirOwnLines)
{
    TextWriter w;
    w->version(-2); // only -1 stands for 8
    w->flags(2147483648u);
    w->progress("p", 0.0005f);  // the float lies just above 0.0005
    w->progress("q", -0.0001f); // the sign stays on a zero
    w->icon(nullptr, 5);
    w->icon(reinterpret_cast<const unsigned char*>("\x00\xff"), -1);
    w->binaryData(nullptr, reinterpret_cast<const unsigned char*>("\x00\xff"), 2);
    EXPECT_EQ(w.text(), "version -2\n\nflags 2147483648\n"
                        "progress \"p\" 0.001\n\nprogress \"q\" -0.000\n\nicon bX\nicon bX\n bX00ff\n");
}
