#pragma once
// Designs built in code, opened in the stand-in host, and a translator on
// them; plus accessors for the scene graph the translator returns.

#include <gtest/gtest.h>

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>

#include <memory>
#include <string>
#include <vector>

#include "FusionExporter.h"
#include "TriangleObject.h"
#include "VelGroup.h"

namespace translatetest {

namespace sh = standin::host;
using adsk::core::Ptr;

// One triangle at x offset `x` (centimetres), with normals and uvs.
sh::MeshData triangle(float x = 0);
sh::FaceData face(int appearance = sh::kNone, int meshes = 1);
sh::BodyData body(std::string name, std::vector<sh::FaceData> faces, int appearance = sh::kNone,
                  bool visible = true);
sh::AppearanceData colour(std::string id, std::string name, short red, short green, short blue);
sh::OccurrenceData placement(int component, double tx = 0, double ty = 0, double tz = 0, bool visible = true,
                             int appearance = sh::kNone);
// A design with one product (units as given) whose root is component 0.
sh::DesignData design(std::string name, std::vector<sh::ComponentData> components,
                      std::vector<sh::AppearanceData> appearances = {}, std::string units = "cm");

class TranslateTest : public ::testing::Test {
protected:
    void SetUp() override { sh::reset(); }
    void TearDown() override
    {
        translator.reset();
        sh::reset();
    }

    // Opens the design and returns its document.
    Ptr<adsk::core::Document> open(sh::DesignData data);
    FusionExporter& exporter();
    // buildScene on the active document.
    std::shared_ptr<vel::VelGroup> pass();

    std::unique_ptr<FusionExporter> translator;
};

std::shared_ptr<vel::VelGroup> group(const std::shared_ptr<vel::LightNode>& node);
// The i-th child group.
std::shared_ptr<vel::VelGroup> child(const std::shared_ptr<vel::VelGroup>& parent, std::size_t i);
std::shared_ptr<vel::TriangleObject> mesh(const std::shared_ptr<vel::VelGroup>& parent, std::size_t i);
// Names of the child groups, in order.
std::vector<std::string> childNames(const std::shared_ptr<vel::VelGroup>& parent);

} // namespace translatetest
