#include <platform/Utf16.h>

#include <gtest/gtest.h>

using platform::utf16ToUtf8;
using platform::utf8ToUtf16;

TEST(Utf16, RoundTripsEveryPlaneThroughSurrogates)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
    const std::u16string wide = utf8ToUtf16(text);
    EXPECT_EQ(wide, (std::u16string{u'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00, u'z'}));
    EXPECT_EQ(utf16ToUtf8(wide), text);
}

TEST(Utf16, MalformedInputBecomesReplacementCharacters)
{
    // A lone continuation byte, a truncated sequence at the end, an overlong
    // encoding of '/', and an encoded surrogate.
    EXPECT_EQ(utf8ToUtf16("\x80x"), (std::u16string{0xFFFD, u'x'}));
    EXPECT_EQ(utf8ToUtf16("x\xE2\x82"), (std::u16string{u'x', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD}));
    EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xFFFD}));
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
}
