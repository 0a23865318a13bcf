#pragma once
// Test support: a wrapper over the real scene file writer whose output lands
// in memory, and a marker node.

#include <memory>
#include <string>
#include <utility>

#include <sceneapi/LightNode.h>
#include <sceneapi/velScene_api_file.h>
#include <sceneapi/velSceneapi_oo.h>

namespace vel {
class StringSink;
}

namespace scenetest {

// Text lists with indentation, as the export command writes them. The
// wrapper is attached directly, so no header, banner or version is written.
class SceneText {
public:
    SceneText();
    ~SceneText();

    vel::velSceneapi_oo& wrapper() { return wrapper_; }
    // Another wrapper on the same writer, for code that takes ownership of
    // its wrapper; its numbering starts afresh.
    std::unique_ptr<vel::velSceneapi_oo> newWrapper();
    velScene_api& api() { return *writer_; }
    // Ends the writer and returns everything it wrote.
    std::string finish();

private:
    vel::StringSink* sink_ = nullptr; // owned by the writer
    std::unique_ptr<velScene_api_file> writer_;
    vel::velSceneapi_oo wrapper_{nullptr};
};

// A leaf that marks its place in the output with one attribute line.
class MarkerNode : public vel::LightNode {
public:
    explicit MarkerNode(std::string label) : label_(std::move(label)) {}
    bool write(vel::velSceneapi_oo& w) override
    {
        w.api()->attribute("leaf", label_.c_str());
        return true;
    }
    bool writeDefinition(vel::velSceneapi_oo&) override { return false; }
    bool isDefined() const override { return false; }

private:
    std::string label_;
};

} // namespace scenetest
