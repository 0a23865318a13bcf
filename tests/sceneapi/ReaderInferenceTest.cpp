// What the reader infers from the text: type codes that keep the text and
// suit the scene (int lists of triangles, float triples of vertices). Where
// mode switches and captured texts are replayed is pinned by the round trips,
// whose bytes change when either comes at the wrong call.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sceneapi/SceneReader.h>
#include "RecordingScene.h"

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
                    "\"uv_tex\" [ 0.5,-1 ] ,\n\"weights\" [ 0.2500000000000000,-1.0000000000000000 ] ,\n"
                    "\"far\" [ 1.5,1e999,-1e999,-1e-999 ] ,\n}\n"),
              (std::vector<std::string>{
                  "beginGeometry(triangles)",
                  "setModeFlags(4194305)",
                  "parameter(vertices,32769,count 2: 0 0 0 1 0 0)",
                  "parameter(triangles,32774,count 3: 0 1 1)",
                  "parameter(uv_tex,32771,count 2: 0.5 -1)",
                  "parameter(weights,32772,count 2: 0.25 -1)",
                  "parameter(far,32771,count 4: 1.5 inf -inf -0)", // beyond even a double's range
                  "endGeometry()",
              }));
}
