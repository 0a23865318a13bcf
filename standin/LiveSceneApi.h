#pragma once
// The live library's scene interface: every call of a transfer goes to a
// scene file writer whose output streams over a TCP connection to a RayDeck
// stand-in on this machine (Protocol.h). The writer is made fresh for each
// connection, so a transfer starts as a file does: no indentation, lists in
// binary, numbering and captured shaders of its own.
//
//   connect(host, port, attempts)  host "localhost" or "127.0.0.1" (never
//                                  another machine); `attempts` tries, 200 ms
//                                  apart, each with a 2 s limit, so a port
//                                  where nothing listens costs the click
//                                  little. A connection still open is ended
//                                  first, unfinished.
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

namespace standin::raydeck {

struct LiveTimeouts {
    std::chrono::milliseconds connect{2000};
    std::chrono::milliseconds pauseBetweenAttempts{200};
    std::chrono::milliseconds send{30000};
    std::chrono::milliseconds verdict{60000};
};

class LiveSceneApi final : public velScene_api {
public:
    explicit LiveSceneApi(LiveTimeouts timeouts = {});
    ~LiveSceneApi() override;
    LiveSceneApi(const LiveSceneApi&) = delete;
    LiveSceneApi& operator=(const LiveSceneApi&) = delete;

    bool connect(const char* host, int port, int count) override;
    bool disconnect() override;
    void writeText(const char* format, ...) override;
    void id(std::uint32_t n) override;

    void reserved1() override;
    bool reserved4() override;
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
    int intQueryA() override;
    int intQueryB() override;
    int zeroQuery() override;
    void attribute(const char* key, const char* value) override;
    void setModeFlags(int flags) override;
    void version(int v) override;
    void reserved58() override;
    void progress(const char* name, float fraction) override;
    void icon(const unsigned char* data, int length) override;
    void binaryData(const char* keyword, const unsigned char* data, int length) override;
    void flags(std::uint32_t f) override;
    bool reserved64() override;
    bool render() override;
    void print(const char* text) override;
    void error(const char* text) override;

    bool isConnected() const { return writer_ != nullptr; }
    // The stand-in's answer to the last transfer ("accepted 3"), or why
    // there was none; empty before the first disconnect.
    const std::string& lastVerdict() const { return lastVerdict_; }
    std::uint32_t clientId() const { return clientId_; }

private:
    void dropConnection();

    LiveTimeouts timeouts_;
    std::unique_ptr<LoopbackStream> stream_;    // declared before the writer, which
    SocketSink* sink_ = nullptr;                // owns the sink that sends into it
    std::unique_ptr<velScene_api_file> writer_;
    std::uint32_t clientId_ = 0;
    std::string lastVerdict_;
};

} // namespace standin::raydeck
