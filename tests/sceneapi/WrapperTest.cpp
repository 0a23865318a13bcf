// The object wrapper: what each of its operations passes to the interface,
// its numbering of ids and shaders, and its construction on a factory.

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

#include "BuildStamp.h"
#include "LightFactory.h"
#include "LightNode.h"
#include "RecordingScene.h"
#include "velSceneapi_oo.h"

using namespace vel;

namespace {

// A factory that supplies a given interface (or none) and records its header.
class FakeFactory : public LightFactory {
public:
    explicit FakeFactory(RecordingScene* scene) : scene_(scene) {}
    velScene_api* sceneApi() override { return scene_; }
    void writeHeader(velSceneapi_oo& wrapper) override
    {
        headerWrapper = &wrapper;
        if (scene_)
            scene_->calls.push_back("header");
    }
    void close() override {}

    velSceneapi_oo* headerWrapper = nullptr;

private:
    RecordingScene* scene_;
};

struct Wrapped {
    RecordingScene scene;
    FakeFactory factory{&scene};
    velSceneapi_oo w{&factory};
    Wrapped() { scene.calls.clear(); }
};

} // namespace

TEST(WrapperConstruction, WritesHeaderBannerAndVersionThroughTheFactoryInterface)
{
    RecordingScene scene;
    FakeFactory factory(&scene);
    velSceneapi_oo w(&factory);
    const std::vector<std::string> expected = {
        "header", "print(RayDeck SceneApi oo 9.1.3  (built " + buildStamp() + "))", "version(9)"};
    EXPECT_EQ(scene.calls, expected);
    EXPECT_EQ(factory.headerWrapper, &w);
    EXPECT_EQ(w.api(), &scene);
    EXPECT_EQ(w.factory(), &factory);
    EXPECT_TRUE(std::regex_match(buildStamp(), std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                                                          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                          "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] 2[0-9]{3}")))
        << buildStamp();
}

TEST(WrapperConstruction, AFactoryWithoutInterfaceGetsNothingWritten)
{
    FakeFactory none(nullptr);
    velSceneapi_oo w(&none);
    EXPECT_EQ(none.headerWrapper, nullptr);
    EXPECT_EQ(w.api(), nullptr);
    EXPECT_EQ(w.idCounter(), 0);
    EXPECT_EQ(w.shaderCounter(), 0);
    velSceneapi_oo withoutFactory(nullptr);
    EXPECT_EQ(withoutFactory.api(), nullptr);
}

TEST(WrapperNumbering, IdsAndShadersCountFromOneUntilTheNextAttach)
{
    Wrapped t;
    EXPECT_EQ(t.w.newId(), 1);
    EXPECT_EQ(t.w.newId(), 2);
    EXPECT_EQ(t.w.beginShader("wood"), 1);
    t.w.endShader();
    EXPECT_EQ(t.w.beginShader("glass"), 2);
    EXPECT_EQ(t.scene.calls, (std::vector<std::string>{"id(1)", "id(2)", "beginShaderId(wood,1)", "endShader()",
                                                       "beginShaderId(glass,2)"}));

    RecordingScene other;
    EXPECT_EQ(t.w.attach(&other), 0);
    EXPECT_EQ(t.w.api(), &other);
    EXPECT_EQ(t.w.newId(), 1);
    EXPECT_EQ(t.w.beginShader("metal"), 1);
    EXPECT_EQ(other.calls, (std::vector<std::string>{"id(1)", "beginShaderId(metal,1)"}));
}

TEST(WrapperSetters, PassTheirCodeAndValue)
{
    Wrapped t;
    const float f3[3] = {1, 2, 3};
    const double d3[3] = {4, 5, 6};
    t.w.setString("s", std::string("text"));
    t.w.setVector3f("v3f", f3);
    t.w.setVector3d("v3d", d3);
    t.w.setDouble("d", 0.25);
    t.w.setFloat("f", 1.5f);
    t.w.setInt("i", -7);
    t.w.setBool("yes", true);
    t.w.setBool("no", false);
    EXPECT_EQ(t.scene.calls, (std::vector<std::string>{
                                 "parameter(s,10,text)", "parameter(v3f,1,1 2 3)", "parameter(v3d,5,4 5 6)",
                                 "parameter(d,4,0.25)", "parameter(f,3,1.5)", "parameter(i,6,-7)",
                                 // widened to a full 32-bit 1 and 0, not just one byte
                                 "parameter(yes,7,1)", "parameter(no,7,0)"}));
}

TEST(WrapperSetters, ListsPassTheirElementCount)
{
    Wrapped t;
    t.w.setVector3fArray("seven floats", {1, 2, 3, 4, 5, 6, 7}); // two whole triples
    t.w.setVector3fArray("two floats", {1, 2});
    t.w.setIntArray("ints", {3, -4});
    t.w.setFloatArray("floats", {0.5f});
    t.w.setDoubleArray("doubles", {});
    std::array<double, 16> m{};
    m[0] = 9;
    m[15] = 1;
    t.w.setMatrixArray("matrices", {m, m});
    ASSERT_EQ(t.scene.calls.size(), 6u);
    EXPECT_EQ(t.scene.calls[0], "parameter(seven floats,32769,count 2: 1 2 3 4 5 6)");
    EXPECT_EQ(t.scene.calls[1], "parameter(two floats,32769,count 0:)");
    EXPECT_EQ(t.scene.calls[2], "parameter(ints,32774,count 2: 3 -4)");
    EXPECT_EQ(t.scene.calls[3], "parameter(floats,32771,count 1: 0.5)");
    EXPECT_EQ(t.scene.calls[4], "parameter(doubles,32772,count 0:)");
    EXPECT_EQ(t.scene.calls[5].substr(0, 39), "parameter(matrices,32777,count 2: 9 0 0");
}

TEST(WrapperSetters, TheCharPointerSetStringIsDeprecated)
{
    Wrapped t;
    try {
        t.w.setString("name", "value");
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "const char * are deprecated");
    }
    EXPECT_TRUE(t.scene.calls.empty());
}

TEST(WrapperForwarding, EachOperationReachesItsInterfaceOperation)
{
    Wrapped t;
    double m[16] = {};
    m[0] = 1;
    m[12] = 5;
    m[15] = 1;
    t.w.transform(m);
    t.w.transform(m, false);
    t.w.transform(m, true);
    t.w.beginGroup("g");
    t.w.flags(32769);
    t.w.progress("p", 0.5f);
    t.w.endGroup();
    std::string message = "broken mesh";
    t.w.error(message);
    EXPECT_EQ(message, "broken mesh"); // taken by value: the caller's string stays
    EXPECT_EQ(t.scene.calls,
              (std::vector<std::string>{"transform(1,5,1)", "transform(1,5,1)", "setTransform(1,5,1)",
                                        "beginGroup(g,true)", "flags(32769)", "progress(p,0.5)", "endGroup()",
                                        "error(broken mesh)"}));
}

TEST(WrapperForwarding, WriteNodeEmitsTheNodeInPlace)
{
    struct Node : LightNode {
        velSceneapi_oo* seen = nullptr;
        bool write(velSceneapi_oo& w) override { return seen = &w, false; }
        bool writeDefinition(velSceneapi_oo&) override { return true; }
        bool isDefined() const override { return false; }
    } node;
    Wrapped t;
    EXPECT_FALSE(t.w.writeNode(node));
    EXPECT_EQ(node.seen, &t.w);
}
