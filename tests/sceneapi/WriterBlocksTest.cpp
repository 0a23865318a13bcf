// Blocks of the scene text: the exclusive top blocks, the statement and
// shader-parameter forms by block, indentation modes, capture state across
// blocks, and calls out of order.

#include <gtest/gtest.h>

#include <functional>

#include "GoldenFile.h"
#include "WriterFixture.h"

using namespace vel;
using namespace std::string_literals;

namespace {

const std::int32_t kOne = 1;

// The form a parameter takes at this point: "statement" or "shader".
std::string parameterForm(TextWriter& w)
{
    w.take();
    w->parameter("p", TypeInt, &kOne);
    const std::string line = w.take();
    if (line.find("\"p\" 1,\n") != std::string::npos)
        return "shader";
    if (line.find("p 1\n") != std::string::npos)
        return "statement";
    return "unexpected: " + line;
}

} // namespace

// An open options block or object refuses every top block; a refusal writes
// nothing and leaves the open block in force.
TEST(WriterTopBlocks, RefusedWhileAnotherIsOpenAndWriteNothing)
{
    TextWriter w = TextWriter::indented();
    ASSERT_TRUE(w->beginOptions());
    w.take();
    EXPECT_FALSE(w->beginCamera(nullptr));
    EXPECT_FALSE(w->beginImage());
    EXPECT_FALSE(w->beginOptions());
    EXPECT_EQ(w.take(), "");
    EXPECT_EQ(parameterForm(w), "statement"); // still inside the options
    w->endOptions();
    EXPECT_EQ(w.take(), "}\n");

    w->beginObject("o", true);
    EXPECT_FALSE(w->beginOptions());
    EXPECT_FALSE(w->beginCamera(nullptr));
    EXPECT_FALSE(w->beginImage());
    w->endObject();
    EXPECT_TRUE(w->beginImage());
}

// After a refused camera its end writes nothing, yet leaves no block open
// and the shader-parameter form in force.
TEST(WriterTopBlocks, EndOfAnotherTopBlockWritesNothingButClearsTheState)
{
    TextWriter w = TextWriter::indented();
    ASSERT_TRUE(w->beginOptions());
    w.take();
    EXPECT_FALSE(w->beginCamera(nullptr));
    w->endCamera(); // not the open one: no brace, no indentation change
    EXPECT_EQ(w.take(), "");
    EXPECT_EQ(parameterForm(w), "shader");
    EXPECT_TRUE(w->beginCamera(nullptr)); // the state went back to none
    EXPECT_EQ(w.take(), " \n camera {\n"); // the options' level is still in force
}

// The writer's own modifyCamera checks before it writes: a refused camera
// leaves no dangling "#modify", and the directive goes to the scene along
// with its camera block even while a shader text is captured.
TEST(WriterTopBlocks, ModifyCameraIsAllOrNothingAndGoesToTheScene)
{
    TextWriter w = TextWriter::indented();
    w->beginOptions();
    w.take();
    EXPECT_FALSE(w->modifyCamera("c"));
    EXPECT_EQ(w.take(), "");
    w->endOptions();
    w.take();

    w->beginShader(nullptr, "s");
    EXPECT_TRUE(w->modifyCamera(nullptr));
    w->endCamera();
    EXPECT_EQ(w.take(), " #modify  \n camera {\n }\n");
    EXPECT_EQ(w->capturedText()->text(), "\"s\" {\n");
}

TEST(WriterTopBlocks, TopBlocksEndTheCaptureOfAShaderText)
{
    TextWriter w = TextWriter::indented();
    w->beginShader(nullptr, "s");
    w->beginImage();
    w->endImage();
    w->parameter("after", TypeInt, &kOne); // capture is not resumed
    EXPECT_EQ(w->capturedText()->text(), "\"s\" {\n");
    EXPECT_EQ(w.text(), " \n image {\n }\n \"after\" 1,\n");
}

TEST(WriterBlocks, ParameterFormFollowsTheEnclosingBlock)
{
    struct Case {
        const char* block;
        std::function<void(velScene_api_file&)> begin, end;
        const char* inside;
        const char* after; // from the top level, where the shader form rules
    };
    // The golden scenes show the form inside each block; here the form that
    // each block leaves behind.
    const Case cases[] = {
        {"group", [](auto& a) { a.beginGroup("g", true); }, [](auto& a) { a.endGroup(); }, "statement", "shader"},
        {"object", [](auto& a) { a.beginObject("o", false); }, [](auto& a) { a.endObject(); }, "statement", "shader"},
        {"camera", [](auto& a) { a.beginCamera("c"); }, [](auto& a) { a.endCamera(); }, "statement", "shader"},
        {"numbered shader", [](auto& a) { a.beginShaderId("t", 1); }, [](auto& a) { a.endShader(); }, "shader", "shader"},
        // The output block sets the forms without saving: its end leaves the
        // statement form in force even at the top level.
        {"output", [](auto& a) { a.beginOutput("a", "b", "c"); }, [](auto& a) { a.endOutput(); }, "shader", "statement"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        TextWriter w = TextWriter::indented();
        c.begin(*w.writer);
        EXPECT_EQ(parameterForm(w), c.inside);
        c.end(*w.writer);
        EXPECT_EQ(parameterForm(w), c.after);
    }

    // Blocks that save the form restore the one of the block around them.
    TextWriter w = TextWriter::indented();
    w->beginGroup("g", true);
    w->beginGeometry("t");
    w->beginShader(nullptr, "s");
    w->endShader();
    EXPECT_EQ(parameterForm(w), "shader");
    w->endGeometry();
    EXPECT_EQ(parameterForm(w), "statement");
    w->beginLoad("m"); // takes the form of the block around it
    EXPECT_EQ(parameterForm(w), "statement");
}

TEST(WriterBlocks, ModeFlagsSelectListFormAndIndentation)
{
    const float f[2] = {1, 2};
    const velList list{f, 2};
    struct Case {
        int flags;
        std::string text;
    };
    const Case cases[] = {
        {1, " \"l\" [ 1,2 ] ,\n"},
        {2, " \"l\" [ \x01\x02\x03" "f\x02\x00\x00\x00\x00\x00\x80\x3f\x00\x00\x00\x40] ,\n"s},
        {0x400002, "\"l\" [ \x01\x02\x03" "f\x02\x00\x00\x00\x00\x00\x80\x3f\x00\x00\x00\x40] ,\n"s},
        {0x400000, "\"l\" [ 1,2 ] ,\n"},
        {0x400001, "\"l\" [ 1,2 ] ,\n"},
        {0x7FBFFFFD, " \"l\" [ 1,2 ] ,\n"}, // every other bit is ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        TextWriter w(true);
        w->setModeFlags(c.flags);
        w->beginLoad("m");
        w.take();
        w->parameter("l", TypeFloatList, &list);
        EXPECT_EQ(escaped(w.take()), escaped(c.text));
    }
}

TEST(WriterBlocks, CallsOutOfOrderNeverCrash)
{
    TextWriter w = TextWriter::indented();
    w->endMaterial();
    w->endGroup();
    w->endObject();
    w->endGeometry();
    w->endShader();
    w->popCapture();
    w->endList();
    w->endAccel();
    EXPECT_EQ(w->capturedText(), nullptr);
    EXPECT_EQ(parameterForm(w), "shader");
    // The level went below zero: no blanks until it is positive again.
    w->beginGroup("g", true);
    EXPECT_EQ(w.take(), "\ngroup \"g\" {\n");
}

