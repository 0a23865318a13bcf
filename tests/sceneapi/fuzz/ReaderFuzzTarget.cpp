// The scene reader under fuzzing: read an input into the scene model, ask
// the model's views, write the model out again, and read the input into a
// writer. Nothing may crash, hang, leak or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include <sceneapi/DiscardSink.h>
#include <sceneapi/SceneReader.h>
#include <sceneapi/model/SceneBuilder.h>
#include <sceneapi/model/SceneReplay.h>
#include <sceneapi/velScene_api_file.h>

namespace {

// Every typed view on every block, as tools and renderers ask them.
void askViews(const vel::model::Scene& scene, const vel::model::Node& node, int depth)
{
    if (depth > 64)
        return;
    (void)node.transform();
    (void)node.flags();
    for (const vel::model::Node* child : node.children()) {
        if (child->kind == vel::model::NodeKind::Object) {
            (void)scene.geometryOf(*child);
            if (const vel::model::Node* material = scene.materialOf(*child))
                (void)scene.diffuseOf(*material);
        }
        askViews(scene, *child, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vel::ReadOptions options;
    options.maxBlockDepth = 200; // keeps a writer's indentation of deep inputs small

    vel::model::Scene scene;
    {
        vel::model::SceneBuilder builder(scene);
        vel::readScene(text, builder, options);
    }
    askViews(scene, scene.root(), 0);

    velScene_api_file writer(std::make_unique<vel::DiscardSink>(), true);
    vel::model::writeScene(scene, writer);
    vel::readScene(text, writer, options);
    return 0;
}
