#pragma once
// Shared by the tests of the stand-in host.

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>
#include <tests/support/SourceTree.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace hosttest {

namespace sh = standin::host;
using adsk::core::Ptr;

inline std::filesystem::path designsDir()
{
    return rdtest::sourcePath("tests/host/designs");
}

// Every test starts from a freshly started host.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override { sh::reset(); }
    void TearDown() override { sh::reset(); }
};

// Shorthands for built designs.
inline sh::OccurrenceData placement(int component)
{
    sh::OccurrenceData o;
    o.component = component;
    return o;
}

inline sh::BodyData body(std::string name, std::vector<sh::FaceData> faces = {}, int appearance = sh::kNone)
{
    sh::BodyData b;
    b.name = std::move(name);
    b.faces = std::move(faces);
    b.appearance = appearance;
    return b;
}

// The message of the DesignError that `load` throws, "(accepted)" if none.
inline std::string rejection(const std::function<void()>& load)
{
    try {
        load();
    } catch (const sh::DesignError& e) {
        return e.what();
    }
    return "(accepted)";
}

// The design product at `index` of the active document.
inline Ptr<adsk::fusion::Design> designAt(std::size_t index)
{
    return adsk::core::Application::get()->activeDocument()->products()->item(index);
}

} // namespace hosttest
