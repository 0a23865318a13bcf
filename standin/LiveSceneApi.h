#pragma once
// The live library's scene interface: every call of a transfer goes to a
// scene file writer whose output streams over a TCP connection to a RayDeck
// stand-in on this machine (Protocol.h). The writer is made fresh for each
// connection, so a transfer starts as a file does: no indentation, lists in
// binary, numbering and captured shaders of its own.
//
//   connect(host, port, attempts)  host "localhost" or "127.0.0.1" (never
//                                  another machine), a port on which a
//                                  stand-in has announced itself, whose token
//                                  begins the transfer (Protocol.h);
//                                  `attempts` tries, 200 ms apart, each with
//                                  a 2 s limit, so a port where nothing
//                                  listens costs the click little. A
//                                  connection still open is ended first,
//                                  unfinished.
//   ... the scene's calls ...      written as scene-file text; before a
//                                  connection and after a failure they go
//                                  nowhere (begins answer false).
//   disconnect()                   sends the end mark, ends the sending side
//                                  and waits up to 60 s for the stand-in's
//                                  verdict; true when it accepted the transfer.
//
// A connection dropped without disconnect (the interface destroyed, a new
// connect) leaves the transfer without its end mark, and the stand-in
// rejects it whole. The client id given to id() before a connection is kept
// and not sent: it names the sender, not a declaration of the scene.

#include "LoopbackStream.h"
#include "SocketSink.h"

#include <sceneapi/velScene_api.h>
#include <sceneapi/velScene_api_file.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace standin::raydeck {

struct LiveTimeouts {
    std::chrono::milliseconds connect{2000};
    std::chrono::milliseconds pauseBetweenAttempts{200};
    std::chrono::milliseconds send{30000};
    std::chrono::milliseconds verdict{60000};
};

class LiveSceneApi final : public velScene_api {
public:
    // `announcements`: the folder where stand-ins announce themselves
    // (Announcement.h).
    explicit LiveSceneApi(std::string announcements, LiveTimeouts timeouts = {});
    ~LiveSceneApi() override;
    LiveSceneApi(const LiveSceneApi&) = delete;
    LiveSceneApi& operator=(const LiveSceneApi&) = delete;

    bool connect(const char* host, int port, int count) override;
    bool disconnect() override;
    void writeText(const char* format, ...) override;
    void id(std::uint32_t n) override;

    void reserved1() override { toWriter<&Writer::reserved1>(); }
    bool reserved4() override { return toWriter<&Writer::reserved4>(); }
    bool beginGroup(const char* name, bool placed) override { return toWriter<&Writer::beginGroup>(name, placed); }
    void endGroup() override { toWriter<&Writer::endGroup>(); }
    bool beginObject(const char* name, bool placed) override { return toWriter<&Writer::beginObject>(name, placed); }
    void endObject() override { toWriter<&Writer::endObject>(); }
    bool beginGeometry(const char* type) override { return toWriter<&Writer::beginGeometry>(type); }
    void endGeometry() override { toWriter<&Writer::endGeometry>(); }
    bool beginAnimation(const char* a, const char* b) override { return toWriter<&Writer::beginAnimation>(a, b); }
    void endAnimation() override { toWriter<&Writer::endAnimation>(); }
    bool beginLoad(const char* module) override { return toWriter<&Writer::beginLoad>(module); }
    void endLoad() override { toWriter<&Writer::endLoad>(); }
    bool beginOptions() override { return toWriter<&Writer::beginOptions>(); }
    void endOptions() override { toWriter<&Writer::endOptions>(); }
    bool beginCamera(const char* name) override { return toWriter<&Writer::beginCamera>(name); }
    void endCamera() override { toWriter<&Writer::endCamera>(); }
    bool beginImage() override { return toWriter<&Writer::beginImage>(); }
    void endImage() override { toWriter<&Writer::endImage>(); }
    bool beginOutput(const char* a, const char* b, const char* c) override { return toWriter<&Writer::beginOutput>(a, b, c); }
    void endOutput() override { toWriter<&Writer::endOutput>(); }
    bool beginLight(const char* name) override { return toWriter<&Writer::beginLight>(name); }
    void endLight() override { toWriter<&Writer::endLight>(); }
    bool beginAccel(const char* name) override { return toWriter<&Writer::beginAccel>(name); }
    void endAccel() override { toWriter<&Writer::endAccel>(); }
    void transform(const double* m16) override { toWriter<&Writer::transform>(m16); }
    void setTransform(const double* m16) override { toWriter<&Writer::setTransform>(m16); }
    void scale(const double& x, const double& y, const double& z) override { toWriter<&Writer::scale>(x, y, z); }
    void rotate(const double& x, const double& y, const double& z) override { toWriter<&Writer::rotate>(x, y, z); }
    void translate(const double& x, const double& y, const double& z) override { toWriter<&Writer::translate>(x, y, z); }
    bool beginMatrix(const char* name) override { return toWriter<&Writer::beginMatrix>(name); }
    void endMatrix() override { toWriter<&Writer::endMatrix>(); }
    bool beginMaterial(const char* name, bool placed) override { return toWriter<&Writer::beginMaterial>(name, placed); }
    bool useMaterial(const char* name) override { return toWriter<&Writer::useMaterial>(name); }
    void endMaterial() override { toWriter<&Writer::endMaterial>(); }
    void shaderText(int kind, ShaderText text) override { toWriter<&Writer::shaderText>(kind, text); }
    void shaderId(int kind, int id) override { toWriter<&Writer::shaderId>(kind, id); }
    bool beginShader(const char* name, const char* type) override { return toWriter<&Writer::beginShader>(name, type); }
    bool beginShaderId(const char* type, int id) override { return toWriter<&Writer::beginShaderId>(type, id); }
    void endShader() override { toWriter<&Writer::endShader>(); }
    ShaderText capturedText() override { return toWriter<&Writer::capturedText>(); }
    void pushCapture() override { toWriter<&Writer::pushCapture>(); }
    void popCapture() override { toWriter<&Writer::popCapture>(); }
    bool parameter(const char* name, int type, const void* value) override { return toWriter<&Writer::parameter>(name, type, value); }
    bool parameterShaderId(const char* name, int id) override { return toWriter<&Writer::parameterShaderId>(name, id); }
    bool parameterShaderText(const char* name, ShaderText text) override { return toWriter<&Writer::parameterShaderText>(name, text); }
    bool beginList(const char* name) override { return toWriter<&Writer::beginList>(name); }
    void endList() override { toWriter<&Writer::endList>(); }
    void listValue(int type, const void* value) override { toWriter<&Writer::listValue>(type, value); }
    int intQueryA() override { return toWriter<&Writer::intQueryA>(); }
    int intQueryB() override { return toWriter<&Writer::intQueryB>(); }
    int zeroQuery() override { return toWriter<&Writer::zeroQuery>(); }
    void attribute(const char* key, const char* value) override { toWriter<&Writer::attribute>(key, value); }
    void setModeFlags(int flags) override { toWriter<&Writer::setModeFlags>(flags); }
    void version(int v) override { toWriter<&Writer::version>(v); }
    void reserved58() override { toWriter<&Writer::reserved58>(); }
    void progress(const char* name, float fraction) override { toWriter<&Writer::progress>(name, fraction); }
    void icon(const unsigned char* data, int length) override { toWriter<&Writer::icon>(data, length); }
    void binaryData(const char* keyword, const unsigned char* data, int length) override { toWriter<&Writer::binaryData>(keyword, data, length); }
    void flags(std::uint32_t f) override { toWriter<&Writer::flags>(f); }
    bool reserved64() override { return toWriter<&Writer::reserved64>(); }
    bool render() override { return toWriter<&Writer::render>(); }
    void print(const char* text) override { toWriter<&Writer::print>(text); }
    void error(const char* text) override { toWriter<&Writer::error>(text); }

    bool isConnected() const { return writer_ != nullptr; }
    // The stand-in's answer to the last transfer ("accepted 3"), or why
    // there was none; empty before the first disconnect.
    const std::string& lastVerdict() const { return lastVerdict_; }
    std::uint32_t clientId() const { return clientId_; }

private:
    using Writer = velScene_api_file;

    // Hands a scene call to the connection's writer; without a connection it
    // goes nowhere and answers false, 0 or null.
    template <auto Call, typename... Args>
    auto toWriter(Args... args) -> decltype((std::declval<Writer&>().*Call)(args...))
    {
        using Result = decltype((std::declval<Writer&>().*Call)(args...));
        if constexpr (std::is_void_v<Result>) {
            if (writer_)
                (writer_.get()->*Call)(args...);
        } else {
            return writer_ ? (writer_.get()->*Call)(args...) : Result{};
        }
    }

    void dropConnection();

    std::string announcements_;
    LiveTimeouts timeouts_;
    std::unique_ptr<LoopbackStream> stream_;    // declared before the writer, which
    SocketSink* sink_ = nullptr;                // owns the sink that sends into it
    std::unique_ptr<velScene_api_file> writer_;
    std::uint32_t clientId_ = 0;
    std::string lastVerdict_;
};

} // namespace standin::raydeck
