#pragma once
// A scene interface that builds a Scene (SceneModel.h) from the calls it
// receives: each begin opens a block inside the innermost open one, each
// parameter, list, transform, flag word or reference becomes an entry of the
// innermost open block.
//
// Anonymous shaders follow the file writer's rules, so that a call stream
// means the same here as in a file: beginShader with a null name starts a
// captured shader, and until its endShader what follows goes into it; its
// handle (capturedText) is the shader, which a parameter, shaderText or
// parameterShaderText then places. pushCapture and popCapture save and
// restore the current shader; named and numbered shader definitions, and the
// options, camera and image blocks, go to the scene even while a shader is
// captured. The options, camera and image blocks are exclusive as in the
// writer: refused (false) while one of them or an object is open.
//
// Calls that do not fit (an end without its begin, a link to a shader that is
// still being captured, blocks nested deeper than the limit) are ignored;
// the builder never fails on its input.

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include <sceneapi/ReplayTarget.h>
#include <sceneapi/velScene_api.h>
#include "SceneModel.h"

namespace vel::model {

class SceneBuilder final : public velScene_api, public CameraModifier {
public:
    // Builds into `scene`, after what it holds already.
    explicit SceneBuilder(Scene& scene, std::size_t maxDepth = 1000);
    // Closes what is still open and indexes the scene.
    ~SceneBuilder() override;

    SceneBuilder(const SceneBuilder&) = delete;
    SceneBuilder& operator=(const SceneBuilder&) = delete;

    // Closes every open block and rebuilds the scene's lookups.
    void finish();

    void reserved1() override {}
    bool beginGroup(const char* name, bool placed) override;
    void endGroup() override;
    bool beginObject(const char* name, bool placed) override;
    void endObject() override;
    bool beginGeometry(const char* type) override;
    void endGeometry() override;
    bool beginAnimation(const char* a, const char* b) override;
    void endAnimation() override;
    bool beginLoad(const char* module) override;
    void endLoad() override;
    bool beginOptions() override;
    void endOptions() override;
    bool beginCamera(const char* name) override;
    void endCamera() override;
    bool beginImage() override;
    void endImage() override;
    bool beginOutput(const char* a, const char* b, const char* c) override;
    void endOutput() override;
    bool beginLight(const char* name) override;
    void endLight() override;
    bool beginAccel(const char* name) override;
    void endAccel() override;
    void transform(const double* m16) override;
    void setTransform(const double* m16) override;
    void scale(const double& x, const double& y, const double& z) override;
    void rotate(const double& x, const double& y, const double& z) override;
    void translate(const double& x, const double& y, const double& z) override;
    bool beginMatrix(const char* name) override;
    void endMatrix() override;
    bool beginMaterial(const char* name, bool placed) override;
    bool useMaterial(const char* name) override;
    void endMaterial() override;
    void shaderText(int kind, ShaderText text) override;
    void shaderId(int kind, int id) override;
    bool beginShader(const char* name, const char* type) override;
    bool beginShaderId(const char* type, int id) override;
    void endShader() override;
    ShaderText capturedText() override;
    void pushCapture() override;
    void popCapture() override;
    bool parameter(const char* name, int type, const void* value) override;
    bool parameterShaderId(const char* name, int id) override;
    bool parameterShaderText(const char* name, ShaderText text) override;
    bool beginList(const char* name) override;
    void endList() override;
    void listValue(int type, const void* value) override;
    int intQueryA() override { return 10; }
    int intQueryB() override { return 10; }
    int zeroQuery() override { return 0; }
    void attribute(const char* key, const char* value) override;
    void writeText(const char* format, ...) override;
    void setModeFlags(int) override {}
    void version(int v) override;
    void reserved58() override {}
    void progress(const char* name, float fraction) override;
    void icon(const unsigned char* data, int length) override;
    void binaryData(const char* keyword, const unsigned char* data, int length) override;
    void id(std::uint32_t n) override;
    void flags(std::uint32_t f) override;
    bool reserved64() override { return false; }
    bool render() override;
    void print(const char* text) override;
    void error(const char* text) override;

    // "#modify": a camera block that changes the camera of that name.
    bool modifyCamera(const char* name) override;

private:
    enum class Top { None, Options, Camera, Image, Object };
    // Where entries go: the scene, or one captured shader; each with the
    // blocks open in it.
    struct Destination {
        std::vector<Node*> open;
        std::size_t ignored = 0; // blocks opened past the depth limit
    };

    Destination& destination();
    Node* innermost();
    // Appends to the innermost open block; false inside a block past the depth limit.
    bool add(Entry&& e);
    bool open(NodeKind kind, const char* name, bool placed);
    void close(NodeKind kind);
    bool beginTop(Top top, NodeKind kind, const char* name, bool modify);
    void endTop(Top top);
    std::shared_ptr<Node> shaderOf(ShaderText handle) const;
    std::size_t depth() const;

    Scene& scene_;
    std::size_t maxDepth_;
    Destination sceneDestination_;
    std::map<const Node*, Destination> textDestinations_; // the shaders being captured
    std::map<const Node*, std::shared_ptr<Node>> texts_;   // every captured shader, by handle
    bool capturing_ = false;
    Node* current_ = nullptr;
    std::vector<bool> captureStack_;
    std::vector<Node*> textStack_;
    Top top_ = Top::None;
    Node* listNode_ = nullptr; // the block whose list is open, and the list's entry
    std::size_t listEntry_ = 0;
    bool listOpen_ = false;
    bool finished_ = false;
};

} // namespace vel::model
