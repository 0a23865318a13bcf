#pragma once
// Designs built in code, opened in the stand-in host, and a translator on
// them; plus accessors for the scene graph the translator returns and the
// scene text it writes.

#include <gtest/gtest.h>

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <scene/TriangleObject.h>
#include <scene/VelGroup.h>
#include <sceneapi/velSceneapi_oo.h>
#include <tests/support/SceneText.h>
#include <translate/FusionExporter.h>

namespace translatetest {

namespace sh = standin::host;
using adsk::core::Ptr;

// A face with one triangle at x = `x` (centimetres), so meshes can be told
// apart afterwards.
inline sh::FaceData face(int appearance = sh::kNone, float x = 0)
{
    sh::MeshData m;
    m.nodeCoordinates = {x, 0, 0, x + 1, 0, 0, x, 1, 0};
    m.normalVectors = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    m.nodeIndices = {0, 1, 2};
    sh::FaceData f;
    f.appearance = appearance;
    f.displayMeshes.push_back(m);
    return f;
}

inline sh::BodyData body(std::string name, std::vector<sh::FaceData> faces, int appearance = sh::kNone)
{
    sh::BodyData b;
    b.name = std::move(name);
    b.faces = std::move(faces);
    b.appearance = appearance;
    return b;
}

inline sh::AppearanceData colour(std::string id, std::string name, short red, short green, short blue)
{
    sh::AppearanceData a;
    a.id = std::move(id);
    a.name = std::move(name);
    a.properties.push_back(sh::colorProperty("generic_diffuse", sh::Rgba{red, green, blue, 255}));
    return a;
}

inline sh::OccurrenceData placement(int component, double tx = 0, double ty = 0)
{
    sh::OccurrenceData o;
    o.component = component;
    o.transform[0][3] = tx;
    o.transform[1][3] = ty;
    return o;
}

inline sh::ComponentData component(std::string name, std::vector<sh::BodyData> bodies = {},
                                   std::vector<sh::OccurrenceData> occurrences = {})
{
    sh::ComponentData c;
    c.name = std::move(name);
    c.bodies = std::move(bodies);
    c.occurrences = std::move(occurrences);
    return c;
}

// A design with one product (units as given) whose root is component 0.
inline sh::DesignData design(std::string name, std::vector<sh::ComponentData> components,
                             std::vector<sh::AppearanceData> appearances = {}, std::string units = "cm")
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

class TranslateTest : public ::testing::Test {
protected:
    void SetUp() override { sh::reset(); }
    void TearDown() override
    {
        translator.reset();
        sh::reset();
    }

    // Opens the design and returns its document.
    Ptr<adsk::core::Document> open(sh::DesignData data)
    {
        sh::openDesign(std::move(data));
        return adsk::core::Application::get()->activeDocument();
    }

    FusionExporter& exporter()
    {
        if (!translator) {
            Ptr<adsk::core::Application> app = adsk::core::Application::get();
            translator = std::make_unique<FusionExporter>(app->userInterface(), app);
        }
        return *translator;
    }

    // buildScene on the active document.
    std::shared_ptr<vel::VelGroup> pass()
    {
        return exporter().buildScene(adsk::core::Application::get()->activeDocument());
    }

    // The active camera, then the scene tree of the active document, through
    // the real file writer, as the render command sends them (the export
    // command: no camera).
    std::string emitted(bool withCamera = true)
    {
        Ptr<adsk::core::Document> document = adsk::core::Application::get()->activeDocument();
        scenetest::SceneText out;
        exporter().setSceneWriter(out.newWrapper());
        exporter().setUnitsPerCentimetre(exporter().documentUnitsPerMetre(document) / 100);
        if (withCamera)
            exporter().writeActiveCamera();
        exporter().sceneWriter()->writeNode(*exporter().buildScene(document));
        exporter().setSceneWriter(nullptr);
        return out.finish();
    }

    std::unique_ptr<FusionExporter> translator;
};

// The i-th child group and the i-th object of a group (at() throws past the end).
inline std::shared_ptr<vel::VelGroup> child(const std::shared_ptr<vel::VelGroup>& parent, std::size_t i)
{
    return std::dynamic_pointer_cast<vel::VelGroup>(parent->groups().at(i));
}

inline std::shared_ptr<vel::TriangleObject> mesh(const std::shared_ptr<vel::VelGroup>& parent, std::size_t i)
{
    return std::dynamic_pointer_cast<vel::TriangleObject>(parent->objects().at(i));
}

} // namespace translatetest
