// The object wrapper: its construction on a factory, its numbering of ids and
// shaders, and the deprecated setter. What the setters pass on, and the
// header, banner and version, are pinned by the golden export.

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

#include <sceneapi/BuildStamp.h>
#include <sceneapi/LightFactory.h>
#include <sceneapi/velSceneapi_oo.h>
#include "RecordingScene.h"

using namespace vel;

namespace {

// A factory that supplies a given interface (or none) and records its header.
class FakeFactory : public LightFactory {
public:
    explicit FakeFactory(RecordingScene* scene) : scene_(scene) {}
    velScene_api* sceneApi() override { return scene_; }
    void writeHeader(velSceneapi_oo& wrapper) override { headerWrapper = &wrapper; }
    void close() override {}

    velSceneapi_oo* headerWrapper = nullptr;

private:
    RecordingScene* scene_;
};

} // namespace

TEST(Wrapper, TakesItsInterfaceFromTheFactoryIfAnyAndNumbersUntilTheNextAttach)
{
    EXPECT_TRUE(std::regex_match(buildStamp(), std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                                                          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                          "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] 2[0-9]{3}")))
        << buildStamp();
    FakeFactory none(nullptr);
    velSceneapi_oo withoutApi(&none);
    EXPECT_EQ(none.headerWrapper, nullptr);
    EXPECT_EQ(withoutApi.api(), nullptr);
    EXPECT_EQ(velSceneapi_oo(nullptr).api(), nullptr);

    RecordingScene scene;
    FakeFactory factory(&scene);
    velSceneapi_oo w(&factory);
    EXPECT_EQ(factory.headerWrapper, &w);
    EXPECT_EQ(w.api(), &scene);
    scene.calls.clear(); // the banner and version
    EXPECT_EQ(w.newId(), 1);
    EXPECT_EQ(w.newId(), 2);
    EXPECT_EQ(w.beginShader("wood"), 1);
    w.endShader();
    EXPECT_EQ(w.beginShader("glass"), 2);
    EXPECT_EQ(scene.calls, (std::vector<std::string>{"id(1)", "id(2)", "beginShaderId(wood,1)", "endShader()",
                                                     "beginShaderId(glass,2)"}));
    RecordingScene other;
    EXPECT_EQ(w.attach(&other), 0);
    EXPECT_EQ(w.api(), &other);
    EXPECT_EQ(w.newId(), 1);
    EXPECT_EQ(w.beginShader("metal"), 1);
    EXPECT_EQ(other.calls, (std::vector<std::string>{"id(1)", "beginShaderId(metal,1)"}));

    try {
        w.setString("name", "value");
        ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "const char * are deprecated");
    }
    EXPECT_EQ(other.calls.size(), 2u);
}
