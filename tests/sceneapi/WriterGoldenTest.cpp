// Whole small scenes through the writer, compared byte for byte with the
// golden files in golden/.

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <memory>
#include <vector>

#include <sceneapi/BuildStamp.h>
#include <sceneapi/LightFileFactory.h>
#include <sceneapi/velSceneapi_oo.h>
#include <tests/support/GoldenFile.h>
#include "WriterFixture.h"

#include <tests/support/Sandbox.h>

namespace {

using namespace vel;

const double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// A scene as the export command writes one: render options, a camera, a
// group tree with an object, its geometry and a material whose shader nests
// another captured shader, then one of every other block and line.
void writeExportScene(velSceneapi_oo& w)
{
    velScene_api& api = *w.api();
    api.setModeFlags(vel::kExportModeFlags);

    api.beginOptions();
    w.setDouble("meter_scale", 0.001);
    w.setBool("import_adjust_camera", true);
    EXPECT_FALSE(api.beginCamera(nullptr)); // refused inside the options
    api.endOptions();
    api.endCamera(); // after a refused camera: writes nothing

    api.beginCamera("Active Camera");
    const double position[3] = {1.5, -2, 1e7};
    w.setVector3d("position", position);
    w.setFloat("fov", 45.0f);
    w.setFloat("near", INFINITY);
    api.endCamera();

    w.beginGroup("Root");
    w.flags(0);
    // 1.234565 prints as 1.23456 as a double and 1.23457 as a float.
    const double placement[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 1.234565, 0.1, 1};
    w.transform(placement);
    api.beginGroup("Body", false);
    w.newId();
    api.endGroup();

    api.beginObject("Mesh \xC3\xA9", true);
    EXPECT_FALSE(api.beginCamera("inside an object"));
    api.beginGeometry("triangles");
    w.setVector3fArray("vertices", {0, 0, 0, 1, 0, 0, 9});
    w.setIntArray("indices", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    w.setFloatArray("uv", {0.5f, NAN});
    w.setDoubleArray("weights", {0.25, 1e39});
    const std::array<double, 16> twice{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2};
    w.setMatrixArray("bones", {std::to_array(kIdentity), twice});
    api.endGeometry();

    api.beginMaterial("Steel", true);
    api.beginShader(nullptr, "plastic");
    const float red[3] = {0.8f, 0.1f, 0.1f};
    w.setVector3f("color", red);
    api.pushCapture();
    api.beginShader(nullptr, "bump");
    w.setString("map", std::string("bump.png"));
    api.endShader();
    const ShaderText bump = api.capturedText();
    api.popCapture();
    api.parameterShaderText("bump", bump);
    api.endShader();
    const ShaderText plastic = api.capturedText();
    api.shaderText(ShaderSurface, plastic);
    api.shaderId(ShaderReflectionMap, 1);
    api.shaderId(7, 2);
    api.endMaterial();
    api.endObject();

    const int wood = w.beginShader("wood");
    w.setInt("scale", 3);
    api.parameterShaderId("base", wood);
    api.parameter("layer", TypeShaderText, &bump);
    w.endShader();
    w.endGroup();

    api.beginLoad("denoise");
    w.setInt("passes", 2);
    api.endLoad();
    api.beginLight("Sun");
    const float down[3] = {0, 0, -1};
    w.setVector3f("direction", down);
    api.endLight();
    api.beginAccel("bvh");
    w.setInt("depth", 24);
    api.endAccel();

    api.beginGroup("Anim", false);
    api.beginAnimation("walk", "loop");
    w.setDouble("time", -0.0);
    api.endAnimation();
    api.beginOutput("a.png", "png", "rgba");
    w.setString("gamma", std::string("2.2"));
    api.endOutput();
    w.setInt("count", 5);
    api.endGroup();

    api.beginMatrix("M");
    w.transform(kIdentity, true);
    const double two = 2, zero = 0, ninety = 90, tiny = 1e-5, big = 123456789, small = -0.000123;
    api.scale(two, two, two);
    api.rotate(zero, ninety, zero);
    api.translate(tiny, big, small);
    api.endMatrix();

    api.beginMaterial("Glass", false);
    api.shaderId(ShaderSurface, 1);
    api.endMaterial();
    api.beginObject("Inst", false);
    api.useMaterial("Glass");
    api.attribute("note", "x\"y");
    api.endObject();

    api.beginImage();
    w.setInt("width", 640);
    api.endImage();
    EXPECT_TRUE(dynamic_cast<velScene_api_file&>(api).modifyCamera("Active Camera"));
    w.setFloat("fov", 30);
    api.endCamera();

    w.progress("export", 0.5f);
    const unsigned char bytes[3] = {0x89, 'P', 0};
    api.icon(bytes, 3);
    api.binaryData("thumb", nullptr, 0);
    api.id(4294967295u);
    api.print("50% done");
    w.error("bad mesh");
    api.version(-1);
    api.render();
}

// A parameter holding a list of `count` elements at `data`.
void list(TextWriter& w, const char* name, int code, const void* data, std::uint32_t count)
{
    const velList l{data, count};
    w->parameter(name, code, &l);
}

const std::int32_t kOne = 1;

} // namespace

TEST(GoldenScene, ExportThroughFactoryAndWrapper)
{
    rdtest::TempDir dir;
    const std::string path = dir / "scene.rdk";
    {
        LightFileFactory factory(path);
        velSceneapi_oo w(&factory);
        writeExportScene(w);
        factory.close();
    }
    std::string text = rdtest::readFile(path);
    const std::string stamp = buildStamp();
    const std::size_t at = text.find(stamp);
    ASSERT_NE(at, std::string::npos) << "banner without the build stamp";
    text.replace(at, stamp.size(), "@BUILD_STAMP@");
    EXPECT_TRUE(matchesGoldenFile("sceneapi/golden/export_indented.rdk", text));
}

// A fresh writer as the factory makes it: binary lists, no indentation.
// Every list code in both forms, lists built value by value, and blocks
// nested without indentation.
TEST(GoldenSceneText, FlatSceneWithBinaryLists)
{
    TextWriter w(true);
    w->beginGroup("G", true);
    w->beginObject("O", true);
    w->beginGeometry("triangles");
    const float triples[6] = {1, 2, 3, -0.5f, 0, 1e-7f};
    list(w, "vertices", TypeVector3fList, triples, 2);
    const float fl[3] = {0.25f, NAN, 3};
    list(w, "weights", TypeFloatList, fl, 3);
    const double db[2] = {1.0 / 3, -2};
    list(w, "precise", TypeDoubleList, db, 2);
    const std::int32_t in[2] = {1, 2};
    list(w, "indices", TypeIntList, in, 2);
    list(w, "aliased", TypeIntAliasList, in, 2);
    list(w, "none", TypeFloatList, nullptr, 0);
    // Lists without a binary form stay text.
    const std::int32_t bools[3] = {0, 5, -1};
    list(w, "flags", TypeBoolList, bools, 3);
    const float quads[4] = {1, 2, 3, 4};
    list(w, "quad", TypeVector4fList, quads, 1);
    const double dtriples[3] = {0.1, 0.2, 0.3};
    list(w, "dtriple", TypeVector3dList, dtriples, 1);
    // Values collected one by one form one binary block at the end.
    w->beginList("normals");
    w->listValue(TypeVector3f, triples);
    w->listValue(TypeVector3f, triples + 3);
    w->endList();
    w->beginList("ids");
    const std::int32_t seven = 7, minus = -1;
    w->listValue(TypeInt, &seven);
    w->listValue(TypeInt, &minus);
    w->endList();
    w->beginList("mixed"); // text values first, then the collected block
    const double half = 0.5;
    w->listValue(TypeDouble, &half);
    w->listValue(TypeDouble, &half);
    const float one = 1;
    w->listValue(TypeFloat, &one);
    w->endList();
    w->endGeometry();
    w->endObject();
    w->endGroup();
    EXPECT_TRUE(matchesGoldenFile("sceneapi/golden/flat_binary.rdk", w.text()));
}

// The text forms of every list, at an indentation that shows where the
// layouts put it.
TEST(GoldenSceneText, ListLayoutsInText)
{
    TextWriter w = TextWriter::indented(1);
    w->beginGroup("G", true);
    w->beginGeometry("lists");
    std::vector<float> ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back(static_cast<float>(i) / 4);
    list(w, "ten", TypeFloatList, ten.data(), 10);
    std::vector<std::int32_t> seventeen;
    for (int i = 0; i < 17; ++i)
        seventeen.push_back(i * 1000 - 8000);
    list(w, "seventeen", TypeIntList, seventeen.data(), 17);
    const double matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.1, 1e-7, 123456789, 1};
    list(w, "matrix", TypeMatrixList, matrix, 1);
    list(w, "no matrices", TypeMatrixList, nullptr, 0);
    const char* names[10] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "\xC3\xA9"};
    list(w, "strings", TypeStringList, names, 10);
    list(w, "no strings", TypeStringPtrList, nullptr, 0);
    const std::int32_t bools[2] = {2, 0};
    list(w, "bools", TypeBoolList, bools, 2);
    list(w, "unknown list", 0x8008, bools, 2);
    w->endGeometry();

    // Values one by one: six to a line, float triples two to a line.
    w->beginList("singles");
    for (int i = 0; i < 13; ++i)
        w->listValue(TypeInt, &i);
    w->endList();
    w->beginList("triples");
    const float t[3] = {1, 2, 3};
    for (int i = 0; i < 5; ++i)
        w->listValue(TypeVector3f, t);
    w->endList();
    w->beginList("strings");
    const char* s = "one";
    w->listValue(TypeStringPtr, &s);
    w->listValue(TypeString, "two");
    w->listValue(TypeBool, &bools[0]);
    w->endList();
    w->endGroup();
    EXPECT_TRUE(matchesGoldenFile("sceneapi/golden/lists_text.rdk", w.text()));
}

// Captured shader texts: three levels of nesting with pushCapture and
// popCapture, a text holding binary (inserted byte for byte), a named and a
// numbered shader begun while capturing (written to the scene), a captured
// text as a statement value and as a list value.
TEST(GoldenSceneText, CapturedShaders)
{
    TextWriter w = TextWriter::indented(1);
    w->beginGroup("G", true);
    w->beginMaterial("M", true);

    w->beginShader(nullptr, "outer");
    const float k = 0.5f;
    w->parameter("k", TypeFloat, &k);
    w->pushCapture();
    w->beginShader(nullptr, "middle");
    w->pushCapture();
    w->beginShader(nullptr, "inner");
    const std::int32_t n = 3;
    w->parameter("n", TypeInt, &n);
    w->endShader();
    const ShaderText inner = w->capturedText();
    w->popCapture();
    w->parameterShaderText("inner", inner);
    // A named shader while capturing goes to the scene, then capture resumes.
    w->beginShader("named", "wood");
    w->parameter("n", TypeInt, &n);
    w->endShader();
    w->parameter("after named", TypeInt, &n);
    w->endShader();
    const ShaderText middle = w->capturedText();
    w->popCapture();
    w->parameterShaderText("middle", middle);
    w->endShader();
    const ShaderText outer = w->capturedText();
    w->shaderText(ShaderVolume, outer);

    // Binary inside a captured text: the whole text is inserted as it lies.
    w->setModeFlags(2);
    w->beginShader(nullptr, "tex\xC3\xA9");
    const float fl[2] = {1, 2};
    list(w, "data", TypeFloatList, fl, 2);
    w->endShader();
    const ShaderText binary = w->capturedText();
    w->setModeFlags(vel::kExportModeFlags);
    w->shaderText(ShaderShadow, binary);
    w->shaderText(ShaderSurface, nullptr); // writes nothing
    w->endMaterial();

    w->parameter("statement", TypeShaderText, &inner);
    w->beginList("texts");
    w->listValue(TypeShaderText, &inner);
    w->listValue(TypeShaderText, &inner);
    w->endList();
    w->endGroup();
    EXPECT_TRUE(matchesGoldenFile("sceneapi/golden/captured_shaders.rdk", w.text()));
}

// Every value code, name form and line of its own, where its text differs
// from its neighbours': floats that turn to -1 (not finite, or not below the
// largest float, also in a list of doubles), doubles that "%16.16f" pads,
// codes without a value (nothing is read), names that need the hex form
// (only LF, CR, the double quote and bytes from 128) and those that do not,
// messages that are never formats. It reads back too; what cannot is in
// writer_rules.txt.
TEST(GoldenSceneText, ValuesNamesAndLines)
{
    TextWriter w = TextWriter::indented(1);
    const float f4[4] = {1.5f, -0.0f, 1e-5f, 4.25f};
    const double d3[3] = {0.1, 1e100, -123456.5}; // the tie goes to even
    const std::int32_t i4[4] = {INT32_MIN, INT32_MAX, 0, -1};
    const std::int32_t five = 5;
    const double m16[16] = {1.234565, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1e39, -1e-50, 0.5, 1}; // through float
    const char* s = "\xC3\xA9";
    const double dl[4] = {3.4028234663852886e38, std::nextafter(3.4028234663852886e38, 0.0), -INFINITY, NAN};
    const velList doubles{dl, 4};
    const struct {
        int code;
        const void* value;
    } values[] = {{TypeVector3f, f4}, {TypeVector4f, f4}, {TypeColor4f, f4}, {TypeVector2f, f4}, {TypeVector3d, d3},
                  {TypeInt, i4}, {TypeIntAlias, i4 + 1}, {TypeInt2, i4}, {TypeInt3, i4}, {TypeInt4, i4},
                  {TypeMatrix, m16}, {TypeString, "a b"}, {TypeStringPtr, &s}, {TypeBool, &five}, {TypeBool, i4 + 3},
                  {TypeBool, i4 + 2}, {TypeDoubleList, &doubles}};
    w->beginLoad("values");
    for (const auto& v : values)
        EXPECT_TRUE(w->parameter(std::to_string(v.code).c_str(), v.code, v.value)) << v.code;
    for (const float f : {INFINITY, -INFINITY, NAN, -NAN, FLT_MAX, -FLT_MAX, std::nextafter(FLT_MAX, 0.0f)})
        w->parameter("float", TypeFloat, &f);
    for (const double d : {double(INFINITY), -double(INFINITY), double(NAN), -double(NAN), 1e300, -1e-300})
        w->parameter("double", TypeDouble, &d);
    for (const int code : {0, 8, 11, 12, 19, 20, 21, 22, 24, 8192, 0x8000, 0x8008, 0x800B, 0x8018, 0x10001, -1})
        EXPECT_TRUE(w->parameter(std::to_string(code).c_str(), code, nullptr)) << code;
    w->beginLoad("names");
    for (const char* name : {"", static_cast<const char*>(nullptr), "plain name", "a\\b\tc\x7f", "\xC3\xA9",
                             "say \"hi\"", "a\nb", "\r", "\xFF\x80"})
        w->parameterShaderId(name, 1);
    w->endLoad();
    w->endLoad();

    w->print("100%s %n %d \\ done");
    w->error("");
    w->print(nullptr);
    w->version(-2); // only -1 stands for 8
    w->flags(2147483648u);
    w->progress("p", 0.0005f);  // the float lies just above 0.0005
    w->progress("q", -0.0001f); // the sign stays on a zero
    const unsigned char bytes[2] = {0, 0xff};
    w->icon(nullptr, 5);
    w->icon(bytes, -1);
    EXPECT_TRUE(matchesGoldenFile("sceneapi/golden/values_names_lines.rdk", w.text()));
}

// The rules of blocks: exclusive top blocks (the end of another top block
// writes nothing but clears the state; modifyCamera goes to the scene; a top
// block ends a capture; that a refusal writes nothing, the generated round
// trips show), the parameter form each block leaves behind, the mode flags,
// calls out of order, values that cannot be read or that were collected
// before a switch of the mode, and lines that no reader takes back.
TEST(GoldenSceneText, WriterRules)
{
    // Small scenes, each on a fresh writer switched by `modeFlags` (-1: as
    // the factory makes it), one after another under their titles.
    std::vector<std::pair<std::string, std::unique_ptr<TextWriter>>> sections;
    const auto next = [&](std::string title, int modeFlags = 1) {
        TextWriter& t = *sections.emplace_back(title, std::make_unique<TextWriter>(modeFlags == -1)).second;
        if (modeFlags != -1)
            t->setModeFlags(modeFlags);
        return t.writer.get();
    };
    velScene_api_file* w = next("the end of another top block");
    w->beginOptions();
    EXPECT_FALSE(w->beginCamera(nullptr));
    w->endCamera();
    w->parameter("p", TypeInt, &kOne);
    EXPECT_TRUE(w->beginCamera(nullptr));

    w = next("modifyCamera while capturing");
    w->beginShader(nullptr, "s");
    EXPECT_TRUE(w->modifyCamera(nullptr));
    w->endCamera();
    w->shaderText(ShaderSurface, w->capturedText());
    w = next("a top block ends a capture");
    w->beginShader(nullptr, "s");
    w->beginImage();
    w->endImage();
    w->parameter("after", TypeInt, &kOne); // capture is not resumed
    w->shaderText(ShaderSurface, w->capturedText());

    const std::pair<const char*, void (*)(velScene_api& a, bool begin)> blocks[] = {
        {"group", [](velScene_api& a, bool b) { b ? void(a.beginGroup("g", true)) : a.endGroup(); }},
        {"object", [](velScene_api& a, bool b) { b ? void(a.beginObject("o", false)) : a.endObject(); }},
        {"camera", [](velScene_api& a, bool b) { b ? void(a.beginCamera("c")) : a.endCamera(); }},
        {"numbered shader", [](velScene_api& a, bool b) { b ? void(a.beginShaderId("t", 1)) : a.endShader(); }},
        // The output block sets the forms without saving them.
        {"output", [](velScene_api& a, bool b) { b ? void(a.beginOutput("a", "b", "c")) : a.endOutput(); }},
    };
    for (const auto& [title, block] : blocks) {
        w = next(title);
        block(*w, true);
        w->parameter("inside", TypeInt, &kOne);
        block(*w, false);
        w->parameter("after", TypeInt, &kOne);
    }
    w = next("forms restored");
    w->beginGroup("g", true);
    w->beginGeometry("t");
    w->beginShader(nullptr, "s");
    w->endShader();
    w->parameter("in geometry", TypeInt, &kOne);
    w->endGeometry();
    w->parameter("in group", TypeInt, &kOne);
    w->beginLoad("m"); // takes the form of the block around it
    w->parameter("in load", TypeInt, &kOne);

    const float f[2] = {1, 2};
    const velList floats{f, 2};
    for (const int flags : {1, 2, 0x400002, 0x400000, 0x400001, 0x7FBFFFFD}) {
        w = next("mode " + std::to_string(flags), flags);
        w->beginLoad("m");
        w->parameter("l", TypeFloatList, &floats);
    }

    w = next("out of order");
    w->endMaterial();
    w->endGroup();
    w->endObject();
    w->endGeometry();
    w->endShader();
    w->popCapture();
    w->endList();
    w->endAccel();
    EXPECT_EQ(w->capturedText(), nullptr);
    w->parameter("p", TypeInt, &kOne);
    w->beginGroup("g", true); // the level went below zero: no blanks
    w->parameter("p", TypeInt, &kOne);

    w = next("unreadable values");
    const char* nullString = nullptr;
    const ShaderText nullText = nullptr;
    const velList dangling{nullptr, 3};
    for (const auto& [code, value] : std::vector<std::pair<int, const void*>>{
             {TypeFloat, nullptr}, {TypeString, nullptr}, {TypeStringPtr, &nullString}, {TypeShaderText, &nullText},
             {TypeFloatList, &dangling}, {TypeIntList, nullptr}})
        EXPECT_FALSE(w->parameter("v", code, value)) << code;
    EXPECT_FALSE(w->parameterShaderText("g", nullptr));
    w->beginList("l");
    w->listValue(TypeFloat, nullptr);
    w->listValue(TypeStringPtr, &nullString);
    w->listValue(TypeShaderText, &nullText);
    w->setModeFlags(2);
    w->listValue(TypeVector3f, nullptr);
    w->endList();

    // Nowhere else holds the collected values.
    w = next("values collected before a switch to text", -1);
    const std::int32_t five = 5;
    w->beginList("l");
    w->listValue(TypeInt, &five);
    w->setModeFlags(0x400001);
    w->listValue(TypeInt, &five);
    w->endList();

    w = next("written as given");
    w->writeText("%d-%s-%.2f|", 5, "x", 0.5);
    w->writeText("%s", "50%d\n");
    const unsigned char bytes[2] = {0, 0xff};
    w->binaryData(nullptr, bytes, 2);
    w->beginGroup("g", true);
    w->parameter("na\"me", TypeInt, &five); // statement names as given
    w->parameter("two\nlines", TypeInt, &five);
    std::string text;
    for (const auto& [title, writer] : sections)
        text += "=== " + title + "\n" + writer->text() + "\n";
    EXPECT_TRUE(matchesGoldenFile("sceneapi/golden/writer_rules.txt", text));
}
