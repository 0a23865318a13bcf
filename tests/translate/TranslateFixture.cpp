#include "TranslateFixture.h"

#include <utility>

namespace translatetest {

sh::MeshData triangle(float x)
{
    sh::MeshData m;
    m.nodeCoordinates = {x, 0, 0, x + 1, 0, 0, x, 1, 0};
    m.normalVectors = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    m.textureCoordinates = {0, 0, 1, 0, 0, 1};
    m.nodeIndices = {0, 1, 2};
    return m;
}

sh::FaceData face(int appearance, int meshes)
{
    sh::FaceData f;
    f.appearance = appearance;
    for (int i = 0; i < meshes; ++i)
        f.displayMeshes.push_back(triangle(static_cast<float>(i)));
    return f;
}

sh::BodyData body(std::string name, std::vector<sh::FaceData> faces, int appearance, bool visible)
{
    sh::BodyData b;
    b.name = std::move(name);
    b.faces = std::move(faces);
    b.appearance = appearance;
    b.visible = visible;
    return b;
}

sh::AppearanceData colour(std::string id, std::string name, short red, short green, short blue)
{
    sh::AppearanceData a;
    a.id = std::move(id);
    a.name = std::move(name);
    a.properties.push_back(sh::colorProperty("generic_diffuse", sh::Rgba{red, green, blue, 255}));
    return a;
}

sh::OccurrenceData placement(int component, double tx, double ty, double tz, bool visible, int appearance)
{
    sh::OccurrenceData o;
    o.component = component;
    o.visible = visible;
    o.appearance = appearance;
    o.transform[0][3] = tx;
    o.transform[1][3] = ty;
    o.transform[2][3] = tz;
    return o;
}

sh::DesignData design(std::string name, std::vector<sh::ComponentData> components,
                      std::vector<sh::AppearanceData> appearances, std::string units)
{
    sh::DesignData d;
    d.name = std::move(name);
    d.components = std::move(components);
    d.appearances = std::move(appearances);
    sh::ProductData product;
    product.units = std::move(units);
    product.rootComponent = 0;
    d.products.push_back(product);
    return d;
}

Ptr<adsk::core::Document> TranslateTest::open(sh::DesignData data)
{
    sh::openDesign(std::move(data));
    return adsk::core::Application::get()->activeDocument();
}

FusionExporter& TranslateTest::exporter()
{
    if (!translator) {
        Ptr<adsk::core::Application> app = adsk::core::Application::get();
        translator = std::make_unique<FusionExporter>(app->userInterface(), app);
    }
    return *translator;
}

std::shared_ptr<vel::VelGroup> TranslateTest::pass()
{
    return exporter().buildScene(adsk::core::Application::get()->activeDocument());
}

std::shared_ptr<vel::VelGroup> group(const std::shared_ptr<vel::LightNode>& node)
{
    return std::dynamic_pointer_cast<vel::VelGroup>(node);
}

std::shared_ptr<vel::VelGroup> child(const std::shared_ptr<vel::VelGroup>& parent, std::size_t i)
{
    if (!parent || i >= parent->groups().size()) {
        ADD_FAILURE() << "no child group " << i;
        return nullptr;
    }
    return group(parent->groups()[i]);
}

std::shared_ptr<vel::TriangleObject> mesh(const std::shared_ptr<vel::VelGroup>& parent, std::size_t i)
{
    if (!parent || i >= parent->objects().size()) {
        ADD_FAILURE() << "no object " << i;
        return nullptr;
    }
    return std::dynamic_pointer_cast<vel::TriangleObject>(parent->objects()[i]);
}

std::vector<std::string> childNames(const std::shared_ptr<vel::VelGroup>& parent)
{
    std::vector<std::string> names;
    for (const auto& g : parent->groups())
        names.push_back(group(g)->name());
    return names;
}

} // namespace translatetest
