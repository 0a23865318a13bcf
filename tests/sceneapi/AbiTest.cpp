// The order of the 68 scene-interface operations is a binary contract with
// the renderer's separately compiled live library. This test calls every
// operation through velScene_api on an object made by a shared library that
// declares the interface from the frozen table (abi/FrozenScene.cpp), and
// checks that each call lands on its own number with its arguments intact.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <sceneapi/velScene_api.h>

#include <platform/DynamicLibrary.h>

namespace {

// "SLOT DETAIL" of each operation that the library's object ran.
void record(void* context, int slot, const char* detail)
{
    static_cast<std::vector<std::string>*>(context)->push_back(std::to_string(slot) + " " + detail);
}

using Create = void* (*)(void (*)(void*, int, const char*), void*);

ShaderText handle(std::uintptr_t n)
{
    return reinterpret_cast<ShaderText>(n);
}

} // namespace

TEST(SceneInterfaceAbi, EveryOperationLandsOnItsNumber)
{
    std::string whyNot;
    const platform::DynamicLibrary library = platform::DynamicLibrary::load(FROZEN_SCENE_LIBRARY, &whyNot);
    ASSERT_TRUE(library) << whyNot;
    const auto create = reinterpret_cast<Create>(library.symbol("frozen_scene_create"));
    ASSERT_NE(create, nullptr);

    std::vector<std::string> landed;
    velScene_api* api = static_cast<velScene_api*>(create(record, &landed));
    const double m[16] = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 3};
    const double x = 1.5, y = -2, z = 8;
    const int value = 77;
    const float f = 0.25f;
    const unsigned char bytes[1] = {9};

    struct Call {
        int slot;
        const char* detail;
        std::function<void()> call;
    };
    const std::vector<Call> calls = {
        {2, "reserved1", [&] { api->reserved1(); }},
        {3, "connect localhost 4711 4", [&] { EXPECT_TRUE(api->connect("localhost", 4711, 4)); }},
        {4, "disconnect", [&] { EXPECT_TRUE(api->disconnect()); }},
        {5, "reserved4", [&] { EXPECT_TRUE(api->reserved4()); }},
        {6, "beginGroup g 1", [&] { EXPECT_TRUE(api->beginGroup("g", true)); }},
        {7, "endGroup", [&] { api->endGroup(); }},
        {8, "beginObject o 0", [&] { EXPECT_TRUE(api->beginObject("o", false)); }},
        {9, "endObject", [&] { api->endObject(); }},
        {10, "beginGeometry triangles", [&] { EXPECT_TRUE(api->beginGeometry("triangles")); }},
        {11, "endGeometry", [&] { api->endGeometry(); }},
        {12, "beginAnimation a b", [&] { EXPECT_TRUE(api->beginAnimation("a", "b")); }},
        {13, "endAnimation", [&] { api->endAnimation(); }},
        {14, "beginLoad module", [&] { EXPECT_TRUE(api->beginLoad("module")); }},
        {15, "endLoad", [&] { api->endLoad(); }},
        {16, "beginOptions", [&] { EXPECT_TRUE(api->beginOptions()); }},
        {17, "endOptions", [&] { api->endOptions(); }},
        {18, "beginCamera cam", [&] { EXPECT_TRUE(api->beginCamera("cam")); }},
        {19, "endCamera", [&] { api->endCamera(); }},
        {20, "beginImage", [&] { EXPECT_TRUE(api->beginImage()); }},
        {21, "endImage", [&] { api->endImage(); }},
        {22, "beginOutput a b c", [&] { EXPECT_TRUE(api->beginOutput("a", "b", "c")); }},
        {23, "endOutput", [&] { api->endOutput(); }},
        {24, "beginLight sun", [&] { EXPECT_TRUE(api->beginLight("sun")); }},
        {25, "endLight", [&] { api->endLight(); }},
        {26, "beginAccel bvh", [&] { EXPECT_TRUE(api->beginAccel("bvh")); }},
        {27, "endAccel", [&] { api->endAccel(); }},
        {28, "transform 2 3", [&] { api->transform(m); }},
        {29, "setTransform 2 3", [&] { api->setTransform(m); }},
        {30, "scale 1.5 -2 8", [&] { api->scale(x, y, z); }},
        {31, "rotate 1.5 -2 8", [&] { api->rotate(x, y, z); }},
        {32, "translate 1.5 -2 8", [&] { api->translate(x, y, z); }},
        {33, "beginMatrix mat", [&] { EXPECT_TRUE(api->beginMatrix("mat")); }},
        {34, "endMatrix", [&] { api->endMatrix(); }},
        {35, "beginMaterial steel 1", [&] { EXPECT_TRUE(api->beginMaterial("steel", true)); }},
        {36, "useMaterial steel", [&] { EXPECT_TRUE(api->useMaterial("steel")); }},
        {37, "endMaterial", [&] { api->endMaterial(); }},
        {38, "shaderText 2 38", [&] { api->shaderText(2, handle(38)); }},
        {39, "shaderId 3 39", [&] { api->shaderId(3, 39); }},
        {40, "beginShader name type", [&] { EXPECT_TRUE(api->beginShader("name", "type")); }},
        {41, "beginShaderId type 41", [&] { EXPECT_TRUE(api->beginShaderId("type", 41)); }},
        {42, "endShader", [&] { api->endShader(); }},
        {43, "capturedText", [&] { EXPECT_EQ(api->capturedText(), handle(43)); }},
        {44, "pushCapture", [&] { api->pushCapture(); }},
        {45, "popCapture", [&] { api->popCapture(); }},
        {46, "parameter p 6 77", [&] { EXPECT_TRUE(api->parameter("p", 6, &value)); }},
        {47, "parameterShaderId p 47", [&] { EXPECT_TRUE(api->parameterShaderId("p", 47)); }},
        {48, "parameterShaderText p 48", [&] { EXPECT_TRUE(api->parameterShaderText("p", handle(48))); }},
        {49, "beginList l", [&] { EXPECT_TRUE(api->beginList("l")); }},
        {50, "endList", [&] { api->endList(); }},
        {51, "listValue 3 0.25", [&] { api->listValue(3, &f); }},
        {52, "intQueryA", [&] { EXPECT_EQ(api->intQueryA(), 52); }},
        {53, "intQueryB", [&] { EXPECT_EQ(api->intQueryB(), 53); }},
        {54, "zeroQuery", [&] { EXPECT_EQ(api->zeroQuery(), 54); }},
        {55, "attribute key value", [&] { api->attribute("key", "value"); }},
        {56, "writeText 5 x 0.5", [&] { api->writeText("%d %s %g", 5, "x", 0.5); }},
        {57, "setModeFlags 4194305", [&] { api->setModeFlags(0x400001); }},
        {58, "version 9", [&] { api->version(9); }},
        {59, "reserved58", [&] { api->reserved58(); }},
        {60, "progress p 0.75", [&] { api->progress("p", 0.75f); }},
        {61, "icon 9 1", [&] { api->icon(bytes, 1); }},
        {62, "binaryData k 9 1", [&] { api->binaryData("k", bytes, 1); }},
        {63, "id 4294967295", [&] { api->id(4294967295u); }},
        {64, "flags 32769", [&] { api->flags(32769u); }},
        {65, "reserved64", [&] { EXPECT_TRUE(api->reserved64()); }},
        {66, "render", [&] { EXPECT_TRUE(api->render()); }},
        {67, "print hello", [&] { api->print("hello"); }},
        {68, "error broken", [&] { api->error("broken"); }},
        {1, "destructor", [&] { delete api; }},
    };
    ASSERT_EQ(calls.size(), 68u);
    for (const Call& c : calls) {
        landed.clear();
        c.call();
        EXPECT_EQ(landed, std::vector<std::string>{std::to_string(c.slot) + " " + c.detail}) << "landed elsewhere";
    }
}
