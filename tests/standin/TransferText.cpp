#include "TransferText.h"

#include <sceneapi/StringSink.h>
#include <sceneapi/velScene_api_file.h>
#include <standin/Protocol.h>
#include <standin/TransferReading.h>

#include <gtest/gtest.h>

#include <memory>

namespace standintest {

namespace {

class Writer {
public:
    Writer() : sink_(new vel::StringSink), api_(std::unique_ptr<vel::OutputSink>(sink_), true) {}

    std::string transfer(const std::string& document, const TestComponent& root, bool full, double cameraX)
    {
        api_.print("RayDeck SceneApi oo test");
        api_.version(9);
        api_.attribute("process identifier", "Fusion 360, 0x1234");
        api_.beginCamera("Active Camera");
        const double position[3] = {cameraX, 300, 500};
        api_.parameter("position", vel::TypeVector3d, position);
        api_.endCamera();
        api_.beginGroup(document.c_str(), true);
        component(root, full);
        api_.endGroup();
        api_.writeText("%s", std::string(standin::raydeck::kEndMark).c_str());
        api_.flush();
        return sink_->str();
    }

private:
    void component(const TestComponent& c, bool full)
    {
        const bool changed = full || c.changed;
        api_.beginGroup(c.name.c_str(), true);
        api_.flags(changed ? 32769 : 1);
        const double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, c.x, 0, 0, 1};
        api_.transform(m);
        for (const TestComponent& child : c.children)
            component(child, full);
        if (changed) {
            for (const TestBody& body : c.bodies)
                this->body(body);
        }
        api_.endGroup();
    }

    void body(const TestBody& b)
    {
        api_.beginGroup(b.name.c_str(), true);
        api_.flags(1024);
        api_.beginGroup(b.name.c_str(), true);
        api_.flags(65536);
        api_.beginObject(b.name.c_str(), true);
        api_.beginGeometry("triangles");
        const float s = b.size;
        const float vertices[9] = {0, 0, 0, s, 0, 0, 0, s, 0};
        const velList vertexList{vertices, 3};
        api_.parameter("vertices", vel::TypeVector3fList, &vertexList);
        const std::int32_t indices[3] = {0, 1, 2};
        const velList indexList{indices, 3};
        api_.parameter("triangles", vel::TypeIntList, &indexList);
        api_.endGeometry();
        api_.beginMaterial(("paint " + b.name).c_str(), true);
        const int texture = ++shaders_;
        api_.beginShaderId("texture2_rgb", texture);
        api_.parameter("texture", vel::TypeString, "wood.png");
        api_.endShader();
        const int diffuse = ++shaders_;
        api_.beginShaderId("vel_diffuse", diffuse);
        const float colour[3] = {b.red, 0.1f, 0.1f};
        api_.parameter("diffuse", vel::TypeVector3f, colour);
        api_.parameterShaderId("diffuse", texture);
        api_.endShader();
        api_.shaderId(vel::ShaderSurface, diffuse);
        api_.endMaterial();
        api_.endObject();
        api_.endGroup();
        api_.endGroup();
    }

    vel::StringSink* sink_; // owned by the writer
    velScene_api_file api_;
    int shaders_ = 0;
};

} // namespace

std::string transferText(const std::string& document, const TestComponent& root, bool full, double cameraX)
{
    return Writer().transfer(document, root, full, cameraX);
}

std::string sceneFile(const standin::raydeck::HeldScene& scene)
{
    auto sink = std::make_unique<vel::StringSink>();
    vel::StringSink* bytes = sink.get();
    velScene_api_file writer(std::move(sink), true);
    scene.write(writer);
    writer.flush();
    return bytes->str();
}

void applyOrFail(const std::string& transfer, standin::raydeck::HeldScene& scene)
{
    const standin::raydeck::TransferVerdict verdict = standin::raydeck::applyTransfer(transfer, scene);
    ASSERT_TRUE(verdict.accepted) << verdict.reason;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

} // namespace standintest
