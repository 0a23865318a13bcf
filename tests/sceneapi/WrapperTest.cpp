// The object wrapper: its construction on a factory, its numbering of ids and
// shaders, and the deprecated setter. What the setters pass on is pinned by
// the golden scenes written through the wrapper.

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

#include "BuildStamp.h"
#include "LightFactory.h"
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

// The header, banner and version as text are pinned by the golden export;
// here the wiring to the factory, a factory without interface, and the
// stamp's form.
TEST(WrapperConstruction, TakesItsInterfaceFromTheFactoryIfAny)
{
    Wrapped t;
    EXPECT_EQ(t.factory.headerWrapper, &t.w);
    EXPECT_EQ(t.w.api(), &t.scene);
    EXPECT_EQ(t.w.factory(), &t.factory);
    EXPECT_TRUE(std::regex_match(buildStamp(), std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                                                          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                          "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] 2[0-9]{3}")))
        << buildStamp();

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
