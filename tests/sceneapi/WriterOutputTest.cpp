// The writer's output as a whole: the piece limit, re-indentation of long
// pieces, the stream and memory sinks giving the same bytes, text lists
// giving the same bytes on any number of threads, a writer without a
// stream, and the numeric locale. Failed writes are the file factory's tests
// (/dev/full).

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <sceneapi/FileSink.h>
#include <sceneapi/TextOutput.h>
#include "WriterFixture.h"

using namespace vel;

namespace {

constexpr std::size_t kLimit = 1048574;

// Writes a little of everything, with binary lists larger than the file
// sink's buffer in the middle.
void writeMixed(velScene_api& api)
{
    api.setModeFlags(2);
    api.beginGroup("g", true);
    api.beginGeometry("t");
    std::vector<float> big(700000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<float>(i) * 0.5f;
    const velList list{big.data(), static_cast<std::uint32_t>(big.size() / 3)};
    // Past the size where the file sink's buffer grows, and several of its
    // pieces beyond.
    for (int round = 0; round < 3; ++round) {
        api.setModeFlags(2);
        api.parameter("big", TypeVector3fList, &list);
        api.setModeFlags(vel::kExportModeFlags);
        api.parameter("text", TypeFloatList, &list);
    }
    api.endGeometry();
    api.endGroup();
}

} // namespace

// A piece longer than the limit is cut and the cut reported; an inserted
// captured text is one piece however many it was built from; the indented
// copy of a piece, which grows by the indentation after each newline, is not
// limited.
TEST(WriterPieceLimit, LongPiecesAreCutAndTheCutIsReported)
{
    const std::string fits(kLimit - 2, 'n'), over(kLimit - 1, 'n'); // a quoted name: quote, name, quote
    const struct {
        std::function<void(velScene_api&)> write;
        std::string text;
        int error;
    } cases[] = {
        {[&](velScene_api& w) { w.useMaterial(fits.c_str()); }, "material \"" + fits + "\"\n", 0},
        {[&](velScene_api& w) { w.useMaterial(over.c_str()); }, "material \"" + over + "\n", EOVERFLOW},
        {[&](velScene_api& w) { w.print(std::string(kLimit + 10, 'p').c_str()); },
         "#print \"" + std::string(kLimit, 'p') + "\"\n", EOVERFLOW},
        {[&](velScene_api& w) { w.writeText("%s", std::string(kLimit + 1, 'f').c_str()); }, std::string(kLimit, 'f'),
         EOVERFLOW},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 10));
        TextWriter w;
        c.write(*w.writer);
        EXPECT_TRUE(w.text() == c.text) << w.text().size() << " bytes, not " << c.text.size();
        EXPECT_EQ(w->writeError(), c.error);
    }

    TextWriter w = TextWriter::indented();
    w->beginShader(nullptr, "big");
    const std::string value(600000, 'v');
    w->parameter("s", TypeString, value.c_str());
    w->parameter("t", TypeString, value.c_str());
    w->endShader();
    const ShaderText text = w->capturedText();
    ASSERT_GT(text->text().size(), kLimit);
    w->shaderText(ShaderSurface, text);
    EXPECT_EQ(w.text().size(), std::string("surface ").size() + kLimit + 1);
    EXPECT_EQ(w->writeError(), EOVERFLOW);

    TextWriter deep = TextWriter::indented();
    for (int i = 0; i < 5; ++i)
        deep->beginLoad("m");
    const std::size_t before = deep.text().size();
    std::string piece, expected;
    for (int i = 0; i < 200000; ++i) {
        piece += "x\n";
        expected += "     x\n";
    }
    deep->writeText("%s", piece.c_str());
    EXPECT_TRUE(deep.text().substr(before) == expected);
    EXPECT_EQ(deep->writeError(), 0);
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
    ASSERT_GT(fromFile.size(), FileSink::kGrowAfter + 2 * FileSink::kBufferSize);
    EXPECT_TRUE(fromFile == inMemory.text()) << "the file holds " << fromFile.size() << " bytes, memory "
                                             << inMemory.text().size();
}

#if defined(__GLIBC__)
// An unbuffered stream that keeps what is written to it, and the offset
// and size of every write; the write numbered `failing` fails for want of
// room (which glibc remembers in the stream's error flag). A custom
// stream's write says so by writing nothing: glibc takes a -1 for a count,
// writes on from one byte past the caller's data, and reads beyond it.
struct RecordedWrites {
    std::string bytes;
    std::vector<std::pair<std::size_t, std::size_t>> writes;
    std::size_t failing = SIZE_MAX;
};

ssize_t recordWrite(void* cookie, const char* data, std::size_t size)
{
    auto& record = *static_cast<RecordedWrites*>(cookie);
    if (record.writes.size() == record.failing) {
        record.writes.emplace_back(record.bytes.size(), 0);
        errno = ENOSPC;
        return 0;
    }
    record.writes.emplace_back(record.bytes.size(), size);
    record.bytes.append(data, size);
    return static_cast<ssize_t>(size);
}
#endif

// A large output reaches the system in pieces of the sink's buffer at
// multiples of its size (in the first megabyte smaller ones), so that the
// file's cached pages come in units that large, whatever sizes the writer's
// pieces have, and again after a flush in the middle; and no byte is lost
// or moved on the way. The same when the writer formats on two threads,
// which then write the sink's pieces behind it, and a piece that fails
// there is reported by the writer.
TEST(WriterSinks, LargeOutputReachesTheSystemInAlignedPieces)
{
#if defined(__GLIBC__)
    TextWriter inMemory;
    writeMixed(*inMemory.writer);
    writeMixed(*inMemory.writer);
    for (const unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        RecordedWrites record;
        std::FILE* stream = fopencookie(&record, "w", {nullptr, recordWrite, nullptr, nullptr});
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(std::setvbuf(stream, nullptr, _IONBF, 0), 0);
        std::size_t flushedAt = 0;
        {
            velScene_api_file w(stream, false);
            w.setFormatThreads(threads);
            writeMixed(w);
            w.flush();
            flushedAt = record.bytes.size();
            writeMixed(w);
            w.flush();
            EXPECT_EQ(w.writeError(), 0);
        }
        std::fclose(stream);
        EXPECT_TRUE(record.bytes == inMemory.text()) << "the stream got " << record.bytes.size() << " bytes, memory "
                                                     << inMemory.text().size();

        std::size_t whole = 0;
        for (std::size_t k = 0; k + 1 < record.writes.size(); ++k) {
            const auto [at, size] = record.writes[k];
            const std::size_t end = at + size;
            if (end == flushedAt)
                continue;
            const std::size_t unit = at >= FileSink::kGrowAfter ? FileSink::kBufferSize : FileSink::kFirstBufferSize;
            EXPECT_EQ(end % unit, 0u) << "write " << k << " of " << size << " bytes at " << at;
            whole += size >= FileSink::kBufferSize;
        }
        EXPECT_GT(whole, 4u) << "of " << record.writes.size() << " writes";

        // A whole piece of the second half fails (a text list's, written
        // behind when there are threads): its own error is the one reported,
        // not the later writes' (the stream's flag stays set: EIO).
        RecordedWrites failing;
        for (std::size_t k = record.writes.size() / 2; k < record.writes.size() && failing.failing == SIZE_MAX; ++k)
            if (record.writes[k].second == FileSink::kBufferSize)
                failing.failing = k;
        stream = fopencookie(&failing, "w", {nullptr, recordWrite, nullptr, nullptr});
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(std::setvbuf(stream, nullptr, _IONBF, 0), 0);
        {
            velScene_api_file w(stream, false);
            w.setFormatThreads(threads);
            writeMixed(w);
            w.flush();
            writeMixed(w);
            w.flush();
            EXPECT_EQ(w.writeError(), ENOSPC);
        }
        std::fclose(stream);
    }
#else
    GTEST_SKIP() << "needs the C library's custom streams";
#endif
}

// Every kind of text list formatted on one thread and on several: short
// lists, and lists just at and just above the size from which threads format
// float lists (longer for the other kinds), with and without indentation.
// FormatWorkersTest has the chunk boundaries.
TEST(WriterSinks, TextListsAreTheSameBytesOnAnyNumberOfThreads)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f);
    std::vector<float> floats(400000);
    for (float& f : floats)
        f = rng() % 50 != 0 ? coordinate(rng) : std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    const std::vector<double> doubles(floats.begin(), floats.begin() + 300000);
    std::vector<std::int32_t> ints(100000);
    for (std::int32_t& i : ints)
        i = static_cast<std::int32_t>(rng()) >> (rng() % 32);
    const struct {
        int code;
        const void* data;
        std::size_t size; // elements the data holds
    } kinds[] = {
        {TypeFloatList, floats.data(), floats.size()},       {TypeVector3fList, floats.data(), floats.size() / 3},
        {TypeVector4fList, floats.data(), floats.size() / 4}, {TypeDoubleList, doubles.data(), doubles.size()},
        {TypeVector3dList, doubles.data(), doubles.size() / 3}, {TypeIntList, ints.data(), ints.size()},
        {TypeBoolList, ints.data(), ints.size()},
    };
    for (const bool indent : {false, true}) {
        const std::size_t floatRoom = kMaxFloatText + 2 + (indent ? 2 : 0); // with the separator and a line break
        const auto threshold = static_cast<std::uint32_t>(TextOutput::kParallelRoom / floatRoom);
        for (const auto& kind : kinds)
            for (const std::uint32_t count : {100u, threshold, threshold + 1}) {
                SCOPED_TRACE("type " + std::to_string(kind.code) + ", " + std::to_string(count) + " elements" +
                             (indent ? ", indented" : ""));
                const velList list{kind.data, std::min(count, static_cast<std::uint32_t>(kind.size))};
                std::string first;
                for (const unsigned threads : {1u, 2u, 5u}) {
                    TextWriter w = indent ? TextWriter::indented() : TextWriter();
                    w->setFormatThreads(threads);
                    w->beginGroup("a", true);
                    w->beginGroup("b", true);
                    w->parameter("l", kind.code, &list);
                    if (threads == 1)
                        first = w.text();
                    else
                        EXPECT_TRUE(w.text() == first) << threads << " threads";
                }
            }
    }
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
