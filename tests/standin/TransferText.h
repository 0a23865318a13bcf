#pragma once
// Transfers as the add-in streams them, made in code for the stand-in's
// tests: one group per component placement (flag word 32769 when changed, 1
// when not) with its transform and children, and for a changed component its
// body groups (1024) holding a face group (65536) with a small mesh and a
// material of two shaders numbered from 1 per transfer; then the end mark.

#include <string>
#include <vector>

#include <standin/HeldScene.h>

namespace standintest {

struct TestBody {
    std::string name;
    float size = 1;
    float red = 0.5f;
};

struct TestComponent {
    std::string name;
    double x = 0;         // the placement's translation along x
    bool changed = true;  // what the add-in's change detection says
    std::vector<TestBody> bodies;
    std::vector<TestComponent> children;
};

// The transfer's text. `full`: every component counts as changed (a first
// transfer); otherwise each component's own `changed` decides.
std::string transferText(const std::string& document, const TestComponent& root, bool full,
                         double cameraX = 400);

// A held scene as a scene file (HeldScene::write), for comparing scenes.
std::string sceneFile(const standin::raydeck::HeldScene& scene);

// Reads and applies a transfer; fails the test when it is rejected.
void applyOrFail(const std::string& transfer, standin::raydeck::HeldScene& scene);

// How often `what` occurs in `text`, without overlaps ("\nobject " counts
// the objects of a transfer or scene file).
std::size_t occurrences(const std::string& text, const std::string& what);

} // namespace standintest
