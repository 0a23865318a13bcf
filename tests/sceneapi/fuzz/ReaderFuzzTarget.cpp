// The scene reader under fuzzing: read an input into the scene model, ask
// the model's views, write the model out again, and read the input into a
// writer. Nothing may crash, hang, leak or allocate without bound. The input
// read as lines of a large int list converts alike line by line and element
// by element.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <sceneapi/DiscardSink.h>
#include <sceneapi/IntLines.h>
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

// The lines of ints that the list reader's threads take, converted whole
// where the processor can, against the element-by-element conversion.
void compareIntLines(std::string_view text)
{
    std::string lines(text);
    lines.append(96, '\n'); // the reader's lines have 80 readable bytes after them
    const char* end = lines.data() + text.size();
    const std::size_t blanks = text.empty() ? 0 : static_cast<unsigned char>(text[0]) % 3;
    std::vector<std::int32_t> expected(text.size() / 2 + 8), got(expected.size());
    const auto a = vel::parsing::simpleLines(lines.data(), end, blanks, expected.data(), vel::parsing::IntElement{});
    const auto b = vel::parsing::intLines(lines.data(), end, blanks, got.data());
    if (a.count != b.count || a.stop != b.stop ||
        !std::equal(expected.begin(), expected.begin() + a.count, got.begin()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    compareIntLines(text);
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
