// The scene model: what a builder makes of a call stream, the typed views
// that tools and renderers use, and writing a model back out.

#include <gtest/gtest.h>

#include <sceneapi/SceneReader.h>
#include <sceneapi/model/SceneBuilder.h>
#include <sceneapi/model/SceneReplay.h>
#include <tests/support/GoldenFile.h>
#include "SceneGenerator.h"
#include "WriterFixture.h"

using namespace vel::model;

namespace {

// `text` read into a model and the model written out.
std::string throughModel(std::string_view text)
{
    Scene scene;
    SceneBuilder builder(scene);
    const vel::ReadResult r = vel::readScene(text, builder);
    EXPECT_TRUE(r.ok()) << vel::describe(r.problems.front());
    builder.finish();
    TextWriter writer = TextWriter::indented();
    writeScene(scene, *writer.writer);
    return writer.text();
}

} // namespace

// data/addin_scene.rdk, a scene as the add-in writes one: a component group
// placed by a transform with its flag word, a mesh with the default diffuse
// material (a captured shader), a mesh whose appearance material uses
// numbered shaders, a shared mesh definition placed by an instance, a
// material definition used by name, and the camera of the live link.
TEST(SceneModel, TypedViewsOfAnAddInScene)
{
    Scene scene;
    {
        SceneBuilder builder(scene);
        ASSERT_TRUE(vel::readScene(readGoldenFile("sceneapi/data/addin_scene.rdk"), builder).ok());
    }
    const Node& root = scene.root();
    const std::vector<Node*> groups = root.children(NodeKind::Group);
    ASSERT_EQ(groups.size(), 1u);
    const Node& design = *groups[0];
    EXPECT_EQ(design.name, "Design");
    EXPECT_EQ(design.flags(), 32769u);
    const Matrix m = design.transform();
    EXPECT_EQ(applyPoint(m, {1, 1, 1}), (std::array<double, 3>{11, 21, 31}));

    const std::vector<Node*> objects = design.children(NodeKind::Object);
    ASSERT_EQ(objects.size(), 4u);
    const Node& face = *objects[0];
    const Node* geometry = scene.geometryOf(face);
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(geometry->parameter("vertices")->code, vel::TypeVector3fList);
    EXPECT_EQ(geometry->parameter("vertices")->count, 3u);
    const auto triangles = geometry->parameter("triangles")->ints();
    EXPECT_EQ(std::vector<std::int32_t>(triangles.begin(), triangles.end()), (std::vector<std::int32_t>{0, 1, 2}));
    // Diffuse colours from a captured shader, a numbered one, a definition.
    EXPECT_EQ(scene.diffuseOf(*scene.materialOf(face)), (std::array<float, 3>{0.75f, 0.5f, 0.5f}));
    EXPECT_EQ(scene.diffuseOf(*scene.materialOf(*objects[1])), (std::array<float, 3>{1, 0.501961f, 0}));
    EXPECT_FALSE(objects[2]->placed);
    EXPECT_EQ(objects[2]->ids(), std::vector<std::uint32_t>{7});
    // The instance takes the definition's geometry and the defined material.
    const Node* shared = scene.geometryOf(*objects[3]);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->parameter("vertices")->floats()[3], 2.0f);
    ASSERT_NE(scene.materialOf(*objects[3]), nullptr);
    EXPECT_EQ(scene.diffuseOf(*scene.materialOf(*objects[3])), (std::array<float, 3>{0.1f, 0.2f, 0.9f}));

    const Node* camera = scene.camera();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->name, "Active Camera");
    EXPECT_EQ(camera->parameter("fov")->number(), 45.0);
    EXPECT_EQ(camera->parameter("position")->triple(), (std::array<float, 3>{0, 0, 10}));
}

// The builder keeps the writer's rules, so that a call stream means the same
// in a model as in a file.
TEST(SceneModel, BuilderKeepsTheWritersRules)
{
    Scene scene;
    {
        SceneBuilder b(scene);
        b.beginObject("O", true);
        EXPECT_FALSE(b.beginCamera("refused inside an object"));
        b.endObject();
        b.endGroup(); // an end without its begin: ignored

        // A captured shader placed twice; a named one begun while capturing
        // goes to the scene; a link to a shader still being captured is
        // refused rather than making a shader hold itself.
        b.beginMaterial("M", true);
        b.beginShader(nullptr, "outer");
        const ShaderText outer = b.capturedText();
        EXPECT_FALSE(b.parameterShaderText("self", outer));
        b.beginShader("named", "wood");
        b.endShader();
        b.endShader();
        b.shaderText(0, outer);
        b.shaderText(1, outer);
        b.endMaterial();

        // A definition inside a captured shader that only a list's value
        // places is found as any other.
        b.beginShader(nullptr, "listed");
        const ShaderText listed = b.capturedText();
        b.beginMaterial("in a list", false);
        b.endMaterial();
        b.endShader();
        b.beginList("l");
        b.listValue(vel::TypeShaderText, &listed);
        b.endList();
        b.finish();
    }
    const Node& root = scene.root();
    ASSERT_EQ(root.children(NodeKind::Object).size(), 1u);
    EXPECT_TRUE(root.children(NodeKind::Object)[0]->entries.empty());
    const Node& material = *root.children(NodeKind::Material)[0];
    ASSERT_EQ(material.entries.size(), 3u);
    EXPECT_EQ(blockOf(material.entries[0])->name, "named"); // in the scene, not in the text
    const auto& surface = std::get<entry::SlotText>(material.entries[1]);
    EXPECT_EQ(surface.shader, std::get<entry::SlotText>(material.entries[2]).shader);
    EXPECT_TRUE(surface.shader->entries.empty());
    EXPECT_NE(scene.namedShader("named"), nullptr);
    EXPECT_NE(scene.definedMaterial("in a list"), nullptr);
}

TEST(SceneModel, DeepNestingStopsAtTheLimitAndDestroysCleanly)
{
    Scene scene;
    {
        SceneBuilder b(scene, 50);
        for (int i = 0; i < 100000; ++i)
            b.beginGroup("g", true);
        for (int i = 0; i < 100000; ++i)
            b.endGroup();
        b.beginGroup("after", true);
    }
    int depth = 0;
    for (const Node* n = &scene.root(); !n->children(NodeKind::Group).empty(); ++depth)
        n = n->children(NodeKind::Group).front();
    EXPECT_EQ(depth, 49);
    EXPECT_EQ(scene.root().children(NodeKind::Group).back()->name, "after");
}

// Writing a model out and reading it back gives the same model: checked as
// the text of both, on random call sequences.
TEST(SceneModel, WrittenAndReadBackTheModelStaysTheSame)
{
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        TextWriter writer(true);
        generateScene(seed, *writer.writer, 25);
        const std::string once = throughModel(writer.text());
        ASSERT_EQ(once, throughModel(once)) << "seed " << seed;
    }
}
