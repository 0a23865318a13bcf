// The writer's output as a whole: the piece limit, re-indentation of long
// pieces, the stream and memory sinks giving the same bytes, a writer
// without a stream, and the numeric locale. Failed writes are the file
// factory's tests (/dev/full).

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "FileSink.h"
#include "GoldenFile.h"
#include "WriterFixture.h"

using namespace vel;

namespace {

constexpr std::size_t kLimit = 1048574;

// Writes a little of everything, with a binary list larger than the file
// sink's buffer in the middle.
void writeMixed(velScene_api& api)
{
    api.setModeFlags(2);
    api.beginGroup("g", true);
    api.beginGeometry("t");
    std::vector<float> big(100000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<float>(i) * 0.5f;
    const velList list{big.data(), static_cast<std::uint32_t>(big.size() / 3)};
    api.parameter("big", TypeVector3fList, &list);
    api.setModeFlags(1);
    api.parameter("text", TypeFloatList, &list);
    api.endGeometry();
    api.endGroup();
}

} // namespace

TEST(WriterPieceLimit, IndentedPiecesAreCutAndTheCutIsReported)
{
    // A quoted name is one piece: quote, name, quote.
    TextWriter fits;
    fits->useMaterial(std::string(kLimit - 2, 'n').c_str());
    EXPECT_EQ(fits.text(), "material \"" + std::string(kLimit - 2, 'n') + "\"\n");
    EXPECT_EQ(fits->writeError(), 0);

    TextWriter cut;
    cut->useMaterial(std::string(kLimit - 1, 'n').c_str());
    EXPECT_EQ(cut.text(), "material \"" + std::string(kLimit - 1, 'n') + "\n"); // closing quote lost
    EXPECT_EQ(cut->writeError(), EOVERFLOW);

    TextWriter printed;
    printed->print(std::string(kLimit + 10, 'p').c_str());
    EXPECT_EQ(printed.text().size(), std::string("#print \"").size() + kLimit + 2);
    EXPECT_EQ(printed->writeError(), EOVERFLOW);

    TextWriter formatted;
    formatted->writeText("%s", std::string(kLimit + 1, 'f').c_str());
    EXPECT_EQ(formatted.text(), std::string(kLimit, 'f'));
    EXPECT_EQ(formatted->writeError(), EOVERFLOW);
}

// An inserted captured text is one indented piece, so a text built from
// many pieces is cut when it is inserted.
TEST(WriterPieceLimit, AnInsertedCapturedTextIsOnePiece)
{
    TextWriter w = TextWriter::indented();
    w->beginShader(nullptr, "big");
    const std::string value(600000, 'v');
    w->parameter("s", TypeString, value.c_str());
    w->parameter("t", TypeString, value.c_str());
    w->endShader();
    const ShaderText text = w->capturedText();
    ASSERT_GT(text->text().size(), kLimit); // longer than one piece
    w.take();
    w->shaderText(ShaderSurface, text);
    const std::string out = w.take();
    EXPECT_EQ(out.size(), std::string("surface ").size() + kLimit + 1);
    EXPECT_EQ(w->writeError(), EOVERFLOW);
}

// The indented copy of a piece grows by the indentation after each newline;
// it must come out whole however long it gets.
TEST(WriterPieceLimit, ReindentationIsNotLimited)
{
    TextWriter w = TextWriter::indented();
    for (int i = 0; i < 5; ++i)
        w->beginLoad("m");
    w.take();
    std::string piece;
    for (int i = 0; i < 200000; ++i)
        piece += "x\n";
    w->writeText("%s", piece.c_str());
    std::string expected;
    for (int i = 0; i < 200000; ++i)
        expected += "     x\n";
    EXPECT_EQ(w.take(), expected);
    EXPECT_EQ(w->writeError(), 0);
}

TEST(WriterSinks, FileAndMemoryGetTheSameBytes)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        velScene_api_file onFile(file, false);
        writeMixed(onFile);
        onFile.flush();
        EXPECT_EQ(onFile.writeError(), 0);
    }
    std::string fromFile;
    std::rewind(file);
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        fromFile.append(buffer, n);
    std::fclose(file);

    TextWriter inMemory;
    writeMixed(*inMemory.writer);
    ASSERT_GT(fromFile.size(), 2 * FileSink::kBufferSize);
    EXPECT_TRUE(fromFile == inMemory.text()) << "the file holds " << fromFile.size() << " bytes, memory "
                                             << inMemory.text().size();
}

// Without a stream nothing is written, captured texts included, and every
// operation answers as it would with one.
TEST(WriterSinks, WithoutAStreamNothingIsWrittenAndAnswersStay)
{
    velScene_api_file w(static_cast<std::FILE*>(nullptr), true);
    EXPECT_TRUE(w.beginOptions());
    EXPECT_FALSE(w.beginCamera(nullptr));
    w.endOptions();
    EXPECT_TRUE(w.beginShader(nullptr, "s"));
    const std::int32_t one = 1;
    EXPECT_TRUE(w.parameter("p", TypeInt, &one));
    w.endShader();
    const ShaderText text = w.capturedText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "");
    EXPECT_TRUE(w.parameter("t", TypeShaderText, &text));
    writeMixed(w);
    w.flush();
    EXPECT_EQ(w.writeError(), 0);
}

TEST(WriterLocale, NumbersKeepTheDecimalPointAndTheLocaleComesBack)
{
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    // German by its POSIX name, or by its Windows C runtime name.
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "German_Germany.1252"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (tools/setup-deps.sh generates it)";
    const std::string comma = std::setlocale(LC_NUMERIC, nullptr);
    char text[32];
    std::snprintf(text, sizeof text, "%g", 1.5);
    ASSERT_STREQ(text, "1,5");
    {
        TextWriter w = TextWriter::indented();
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        const double d = 0.25;
        const float f = 1.5f;
        w->parameter("d", TypeDouble, &d);
        w->parameter("f", TypeFloat, &f);
        w->progress("p", 0.5f);
        w->writeText("%g", 2.5); // formatted by printf itself
        EXPECT_EQ(w.text(), "\"d\" 0.2500000000000000,\n\"f\" 1.5,\nprogress \"p\" 0.500\n\n2.5");
    }
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), comma);
    std::snprintf(text, sizeof text, "%g", 1.5);
    EXPECT_STREQ(text, "1,5");
    std::setlocale(LC_NUMERIC, before.c_str());
}
