// Malformed scene files: every problem with its line and column, no crash,
// and the calls that reach the target stay balanced whatever the input.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <sceneapi/SceneReader.h>
#include <sceneapi/StringSink.h>
#include <sceneapi/model/SceneBuilder.h>
#include <sceneapi/model/SceneReplay.h>
#include <sceneapi/velScene_api_file.h>
#include <tests/support/Sandbox.h>
#include <tests/support/SmallStack.h>
#include <tests/support/SourceTree.h>
#include "RecordingScene.h"

namespace {

// How the calls that reached a scene fail to nest: an end that is not the
// innermost open block's, or blocks left open. Empty when they nest.
std::string unbalanced(const std::vector<std::string>& calls)
{
    std::vector<std::string> open;
    for (const std::string& call : calls) {
        const std::string op = call.substr(0, call.find('('));
        if (op.rfind("begin", 0) == 0) {
            open.push_back(op == "beginShaderId" ? "Shader" : op.substr(5));
        } else if (op.rfind("end", 0) == 0) {
            if (open.empty() || open.back() != op.substr(3))
                return call + " with " + (open.empty() ? "nothing" : open.back()) + " open";
            open.pop_back();
        }
    }
    return open.empty() ? "" : std::to_string(open.size()) + " blocks left open, innermost " + open.back();
}

std::string badFile(const std::string& name)
{
    return rdtest::readFile(rdtest::utf8FromPath(rdtest::sourcePath("tests/sceneapi/bad/" + name)));
}

struct Expected {
    const char* file;
    std::vector<const char*> problems; // "LINE:COLUMN: MESSAGE"
};

} // namespace

// The numbered corpus in bad/: each file, the problems it must give.
TEST(ReaderProblems, CorpusOfMalformedFiles)
{
    const Expected corpus[] = {
        {"01_bad_truncated_group.rdk", {"4:1: the file ends inside the group that begins at 2:1"}},
        {"02_bad_closing_brace_without_block.rdk", {"4:1: a closing brace without an open block"}},
        {"03_bad_binary_block_past_end.rdk", {"2:14: the binary block of 9 values runs past the end of the file"}},
        {"04_bad_gigantic_count.rdk", {"2:15: the binary block of 4294967295 values runs past the end of the file"}},
        {"05_bad_hex_digit_in_name.rdk", {"2:10: bad hex in a name: 'g' is not a hex digit"}},
        {"06_bad_odd_hex_data.rdk", {"1:6: bad hex in data: an odd number of digits"}},
        {"07_bad_unknown_keyword.rdk", {"2:1: unknown keyword \"frobnicate\""}},
        {"08_bad_unknown_directive.rdk", {"1:1: unknown directive \"#include\""}},
        {"09_bad_binary_block_type.rdk", {"2:10: unknown binary block type (c, f, r or i)"}},
        {"10_bad_triples_not_multiple_of_three.rdk",
         {"2:11: a block of float triples holds a multiple of three floats, not 2"}},
        {"11_bad_name_without_quote.rdk", {"2:7: a name without its closing quote"}},
        {"12_bad_unreadable_value.rdk", {"2:5: cannot read the value"}},
        {"13_bad_five_numbers.rdk", {"2:5: 5 numbers do not make a value (1 to 4, or 16)"}},
        {"14_bad_camera_inside_object.rdk",
         {"3:1: a camera block cannot open inside an object or another options, camera or image block"}},
        {"15_bad_carriage_returns.rdk", {"1:1: a carriage return: scene files end their lines with a line feed alone"}},
        {"16_bad_nested_too_deep.rdk",
         {"2002:1: blocks nested deeper than 1000 inside the group that begins at 2:1",
          "2003:1: the file ends inside the group that begins at 2000:1"}},
        {"17_bad_unterminated_shader_text.rdk", {"4:1: the file ends inside the shader text that begins at 2:9"}},
        {"18_bad_zero_byte_in_name.rdk", {"2:7: a zero byte in a name"}},
        {"19_bad_list_element_of_two.rdk", {"2:8: list elements hold one, three or four numbers, not 2"}},
        {"20_bad_two_problems.rdk", {"3:1: unknown keyword \"bogus\"", "5:5: cannot read the value"}},
        {"21_bad_message_without_quote.rdk", {"1:9: the message has no closing quote"}},
        {"22_bad_value_list_block_of_doubles.rdk",
         {"2:4: a list built value by value collects only 'c', 'f' or 'i' blocks"}},
        {"23_bad_define_with_two_blanks.rdk", {"3:9: expected \"group \""}},
    };
    // One reader for the whole corpus, and between every two files a good
    // one (binary lists lying unaligned, text lists, by turns): nothing that
    // one read leaves in the reader changes what the next one reads.
    vel::SceneReader reader;
    std::string good[2];
    std::vector<std::string> fresh[2];
    for (int k = 0; k < 2; ++k) {
        good[k] = rdtest::readFile(rdtest::utf8FromPath(
            rdtest::sourcePath(k == 0 ? "tests/sceneapi/golden/flat_binary.rdk" : "tests/sceneapi/golden/lists_text.rdk")));
        RecordingScene scene;
        ASSERT_TRUE(vel::readScene(good[k], scene).ok());
        fresh[k] = scene.calls;
    }
    for (std::size_t i = 0; i < std::size(corpus); ++i) {
        const Expected& e = corpus[i];
        SCOPED_TRACE(e.file);
        RecordingScene scene;
        const vel::ReadResult r = reader.read(badFile(e.file), scene);
        std::vector<std::string> got;
        for (const auto& p : r.problems)
            got.push_back(vel::describe(p));
        EXPECT_EQ(got, std::vector<std::string>(e.problems.begin(), e.problems.end()));
        EXPECT_EQ(unbalanced(scene.calls), "");
        for (int twice = 0; twice < 2; ++twice) {
            RecordingScene next;
            EXPECT_TRUE(reader.read(good[i % 2], next).ok());
            EXPECT_EQ(next.calls, fresh[i % 2]);
        }
    }
}

TEST(ReaderProblems, ManyProblemsStopAtTheLimitAndAnEmptyInputReadsClean)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "bogus\n\"a\" 1,\n"; // a good line between, so that each counts
    RecordingScene scene;
    vel::ReadOptions options;
    options.maxProblems = 100;
    const vel::ReadResult r = vel::readScene(text, scene, options);
    EXPECT_EQ(r.problems.size(), 100u);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.problems.back().at.line, 199);
    EXPECT_TRUE(vel::readScene("", scene).ok());
}

// Blanks changed by hand: the file still reads to the same calls, and the
// result says where its layout first departs from a writer's.
TEST(ReaderProblems, HandEditedBlanksReadWithTheirPosition)
{
    RecordingScene written, edited;
    const vel::ReadResult r = vel::readScene("\ngroup \"G\" {\n flags 1\n   object \"O\" {\n }\n}\n", edited);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.layoutIrregular);
    EXPECT_EQ(r.firstIrregularity.line, 4);
    vel::readScene("\ngroup \"G\" {\n flags 1\n object \"O\" {\n }\n}\n", written);
    EXPECT_EQ(written.calls, edited.calls);
}

// A file nested 100,000 levels deep, in blocks and in shader texts: refused
// at the documented depth with where the nesting begins; what was read up to
// there builds, is written out and destroyed on a 1 MiB stack, and the text
// written reads back without a problem.
TEST(ReaderProblems, HostileNestingIsRefusedAtItsDepthOnASmallStack)
{
    constexpr int kLevels = 100000;
    std::string blocks, texts = "material \"m\" {\nsurface ";
    for (int i = 0; i < kLevels; ++i) {
        blocks += "\ngroup \"g\" {\n";
        texts += "\"t\" {\n\"p\" ! ";
    }
    texts += "\"t\" {\n\"x\" 1,\n}";
    for (int i = 0; i < kLevels; ++i) {
        blocks += "}\n";
        texts += ",\n}";
    }
    texts += "\n}\n";
    const struct {
        const std::string& text;
        const char* problem;
    } cases[] = {
        {blocks, "2002:1: blocks nested deeper than 1000 inside the group that begins at 2:1"},
        {texts, "66:7: shader texts nested deeper than 64 inside the material that begins at 1:1"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> problems;
        std::string written;
        rdtest::onAddinStack([&] {
            auto scene = std::make_unique<vel::model::Scene>();
            {
                vel::model::SceneBuilder builder(*scene);
                for (const vel::ReadProblem& p : vel::readScene(c.text, builder).problems)
                    problems.push_back(vel::describe(p));
            }
            auto sink = std::make_unique<vel::StringSink>();
            const vel::StringSink& out = *sink;
            velScene_api_file writer(std::move(sink), false);
            vel::model::writeScene(*scene, writer);
            writer.flush();
            written = out.str();
            scene.reset();
        });
        ASSERT_FALSE(problems.empty());
        EXPECT_EQ(problems.front(), c.problem);
        RecordingScene again;
        EXPECT_TRUE(vel::readScene(written, again).ok());
        EXPECT_EQ(unbalanced(again.calls), "");
    }
}
