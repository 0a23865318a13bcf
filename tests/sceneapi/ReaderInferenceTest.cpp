// What the reader infers from the text: type codes that keep the text and
// suit the scene (int lists of triangles, float triples of vertices), the
// mode flags at the calls whose output shows them, captured texts replayed
// as definitions before their use.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingScene.h"
#include "SceneReader.h"

namespace {

std::vector<std::string> calls(std::string_view text, bool binaryLists = true)
{
    RecordingScene scene;
    vel::ReadOptions options;
    options.targetBinaryLists = binaryLists;
    const vel::ReadResult r = vel::readScene(text, scene, options);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : vel::describe(r.problems.front()));
    return scene.calls;
}

} // namespace

TEST(ReaderInference, TypeCodesKeepTheTextAndSuitTheScene)
{
    EXPECT_EQ(calls("\ngroup \"G\" {\nfov 60\nfov 60.5\nmeter_scale 0.0010000000000000\nnear -1\n"
                    "position 1.5 -2 1e+07\ntiny 1e-40 0 0\nuv 0.5 1\nbig 1234567 0 0\n"
                    "projection \"perspective\"\nimport_mode on\nnone \n}\n"),
              (std::vector<std::string>{
                  "beginGroup(G,true)",
                  "parameter(fov,6,60)",          // an integral number: int
                  "parameter(fov,3,60.5)",        // %g: float
                  "parameter(meter_scale,4,0.001)", // %16.16f: double
                  "parameter(near,6,-1)",
                  "parameter(position,1,1.5 -2 1e+07)", // floats keep these digits
                  "parameter(tiny,5,1e-40 0 0)",  // a float would print 9.99995e-41
                  "parameter(uv,14,?)",
                  "parameter(big,17,?)",          // %g would print 1.23457e+06
                  "parameter(projection,10,perspective)",
                  "parameter(import_mode,7,1)",
                  "parameter(none,8,?)",           // a code without a value text
                  "endGroup()",
              }));
    // Geometry lists in text: ints for indices, float triples for positions,
    // also when the target writes binary lists (the mode follows the code).
    EXPECT_EQ(calls("geometry \"triangles\" {\n\"vertices\" [ 0 0 0,1 0 0 ] ,\n\"triangles\" [ 0,1,1 ] ,\n"
                    "\"uv_tex\" [ 0.5,-1 ] ,\n\"weights\" [ 0.2500000000000000,-1.0000000000000000 ] ,\n}\n"),
              (std::vector<std::string>{
                  "beginGeometry(triangles)",
                  "setModeFlags(4194305)",
                  "parameter(vertices,32769,count 2: 0 0 0 1 0 0)",
                  "parameter(triangles,32774,count 3: 0 1 1)",
                  "parameter(uv_tex,32771,count 2: 0.5 -1)",
                  "parameter(weights,32772,count 2: 0.25 -1)",
                  "endGeometry()",
              }));
}

// setModeFlags comes right before the first call whose output shows a mode
// other than the target's: here the export command's switch to indented
// text lists, which the file does not record.
TEST(ReaderInference, ModeFlagsWhereTheTextShowsThem)
{
    using namespace std::string_literals;
    const std::string text = "version 9\n\n\noptions {\n meter_scale 0.0010000000000000\n}\n"
                             "\"v\" [ \x01\x02\x03i\x01\x00\x00\x00\x07\x00\x00\x00] ,\n"s;
    // A target that writes text lists and no indentation to begin with.
    EXPECT_EQ(calls(text, false), (std::vector<std::string>{
                               "version(9)",
                               "beginOptions()",
                               "setModeFlags(1)", // indentation on; lists unchanged
                               "parameter(meter_scale,4,0.001)",
                               "endOptions()",
                               "setModeFlags(3)", // a binary block: binary lists
                               "parameter(v,32774,count 1: 7)",
                           }));
}

// A captured text stands where it was inserted; its definition is replayed
// right before the inserting call, nested texts inside push and pop.
TEST(ReaderInference, CapturedTextsBecomeDefinitionsBeforeTheirUse)
{
    const std::string text = "material \"M\" {\nsurface \"plastic\" {\n\"color\" 0.8 0.1 0.1,\n"
                             "\"bump\" ! \"bump\" {\n\"map\" \"b.png\",\n},\n}\n}\n";
    EXPECT_EQ(calls(text), (std::vector<std::string>{
                               "beginMaterial(M,true)",
                               "pushCapture()",
                               "beginShader(null,plastic)",
                               "parameter(color,1,0.8 0.1 0.1)",
                               "pushCapture()",
                               "beginShader(null,bump)",
                               "parameter(map,10,b.png)",
                               "endShader()",
                               "capturedText()",
                               "popCapture()",
                               "parameterShaderText(bump)",
                               "endShader()",
                               "capturedText()",
                               "popCapture()",
                               "shaderText(0)",
                               "endMaterial()",
                           }));
}
