#include "LiveSceneApi.h"

#include "Protocol.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <thread>
#include <vector>

namespace standin::raydeck {

namespace {

// The stand-ins listen on the loopback address only, and the live link
// never reaches another machine.
bool isLoopbackName(const char* host)
{
    if (host == nullptr)
        return false;
    const std::string_view name(host);
    return name == "localhost" || name == "127.0.0.1";
}

constexpr int kMaxAttempts = 10;
constexpr std::size_t kMaxVerdict = 4096;

} // namespace

LiveSceneApi::LiveSceneApi(LiveTimeouts timeouts) : timeouts_(timeouts) {}

LiveSceneApi::~LiveSceneApi()
{
    dropConnection();
}

void LiveSceneApi::dropConnection()
{
    writer_.reset(); // and its sink, before the connection it sends into
    sink_ = nullptr;
    stream_.reset();
}

bool LiveSceneApi::connect(const char* host, int port, int count)
{
    dropConnection();
    if (!isLoopbackName(host) || port < 1 || port > 65535)
        return false;
    const int attempts = count < 1 ? 1 : count > kMaxAttempts ? kMaxAttempts : count;
    for (int attempt = 0; attempt < attempts && !stream_; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(timeouts_.pauseBetweenAttempts);
        stream_ = LoopbackStream::connect(port, timeouts_.connect);
    }
    if (!stream_)
        return false;
    auto sink = std::make_unique<SocketSink>(*stream_, timeouts_.send);
    sink_ = sink.get();
    writer_ = std::make_unique<velScene_api_file>(std::move(sink), true);
    return true;
}

bool LiveSceneApi::disconnect()
{
    if (!writer_)
        return false;
    writer_->flush();
    bool sent = writer_->writeError() == 0;
    if (sent) {
        if (sink_->lastByte() != '\n')
            sink_->put('\n');
        sink_->write(kEndMark);
        sink_->flush();
        sent = sink_->error() == 0;
    }
    writer_.reset();
    sink_ = nullptr;
    bool accepted = false;
    if (!sent) {
        lastVerdict_ = "the stand-in did not take the transfer: " + stream_->lastError();
    } else if (!stream_->finishSending()) {
        lastVerdict_ = "the transfer could not be ended: " + stream_->lastError();
    } else if (std::optional<std::string> verdict = stream_->receiveAll(timeouts_.verdict, kMaxVerdict)) {
        if (!verdict->empty() && verdict->back() == '\n')
            verdict->pop_back();
        lastVerdict_ = *verdict;
        accepted = lastVerdict_.starts_with(kAccepted);
    } else {
        lastVerdict_ = "no verdict from the stand-in: " + stream_->lastError();
    }
    stream_.reset();
    return accepted;
}

void LiveSceneApi::writeText(const char* format, ...)
{
    if (!writer_ || format == nullptr)
        return;
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (size >= 0) {
        std::vector<char> text(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        writer_->writeText("%s", text.data());
    }
    va_end(args);
}

void LiveSceneApi::id(std::uint32_t n)
{
    if (writer_)
        writer_->id(n);
    else
        clientId_ = n;
}

void LiveSceneApi::reserved1()
{
    if (writer_)
        writer_->reserved1();
}

bool LiveSceneApi::reserved4()
{
    return writer_ && writer_->reserved4();
}

bool LiveSceneApi::beginGroup(const char* name, bool placed)
{
    return writer_ && writer_->beginGroup(name, placed);
}

void LiveSceneApi::endGroup()
{
    if (writer_)
        writer_->endGroup();
}

bool LiveSceneApi::beginObject(const char* name, bool placed)
{
    return writer_ && writer_->beginObject(name, placed);
}

void LiveSceneApi::endObject()
{
    if (writer_)
        writer_->endObject();
}

bool LiveSceneApi::beginGeometry(const char* type)
{
    return writer_ && writer_->beginGeometry(type);
}

void LiveSceneApi::endGeometry()
{
    if (writer_)
        writer_->endGeometry();
}

bool LiveSceneApi::beginAnimation(const char* a, const char* b)
{
    return writer_ && writer_->beginAnimation(a, b);
}

void LiveSceneApi::endAnimation()
{
    if (writer_)
        writer_->endAnimation();
}

bool LiveSceneApi::beginLoad(const char* module)
{
    return writer_ && writer_->beginLoad(module);
}

void LiveSceneApi::endLoad()
{
    if (writer_)
        writer_->endLoad();
}

bool LiveSceneApi::beginOptions()
{
    return writer_ && writer_->beginOptions();
}

void LiveSceneApi::endOptions()
{
    if (writer_)
        writer_->endOptions();
}

bool LiveSceneApi::beginCamera(const char* name)
{
    return writer_ && writer_->beginCamera(name);
}

void LiveSceneApi::endCamera()
{
    if (writer_)
        writer_->endCamera();
}

bool LiveSceneApi::beginImage()
{
    return writer_ && writer_->beginImage();
}

void LiveSceneApi::endImage()
{
    if (writer_)
        writer_->endImage();
}

bool LiveSceneApi::beginOutput(const char* a, const char* b, const char* c)
{
    return writer_ && writer_->beginOutput(a, b, c);
}

void LiveSceneApi::endOutput()
{
    if (writer_)
        writer_->endOutput();
}

bool LiveSceneApi::beginLight(const char* name)
{
    return writer_ && writer_->beginLight(name);
}

void LiveSceneApi::endLight()
{
    if (writer_)
        writer_->endLight();
}

bool LiveSceneApi::beginAccel(const char* name)
{
    return writer_ && writer_->beginAccel(name);
}

void LiveSceneApi::endAccel()
{
    if (writer_)
        writer_->endAccel();
}

void LiveSceneApi::transform(const double* m16)
{
    if (writer_)
        writer_->transform(m16);
}

void LiveSceneApi::setTransform(const double* m16)
{
    if (writer_)
        writer_->setTransform(m16);
}

void LiveSceneApi::scale(const double& x, const double& y, const double& z)
{
    if (writer_)
        writer_->scale(x, y, z);
}

void LiveSceneApi::rotate(const double& x, const double& y, const double& z)
{
    if (writer_)
        writer_->rotate(x, y, z);
}

void LiveSceneApi::translate(const double& x, const double& y, const double& z)
{
    if (writer_)
        writer_->translate(x, y, z);
}

bool LiveSceneApi::beginMatrix(const char* name)
{
    return writer_ && writer_->beginMatrix(name);
}

void LiveSceneApi::endMatrix()
{
    if (writer_)
        writer_->endMatrix();
}

bool LiveSceneApi::beginMaterial(const char* name, bool placed)
{
    return writer_ && writer_->beginMaterial(name, placed);
}

bool LiveSceneApi::useMaterial(const char* name)
{
    return writer_ && writer_->useMaterial(name);
}

void LiveSceneApi::endMaterial()
{
    if (writer_)
        writer_->endMaterial();
}

void LiveSceneApi::shaderText(int kind, ShaderText text)
{
    if (writer_)
        writer_->shaderText(kind, text);
}

void LiveSceneApi::shaderId(int kind, int id)
{
    if (writer_)
        writer_->shaderId(kind, id);
}

bool LiveSceneApi::beginShader(const char* name, const char* type)
{
    return writer_ && writer_->beginShader(name, type);
}

bool LiveSceneApi::beginShaderId(const char* type, int id)
{
    return writer_ && writer_->beginShaderId(type, id);
}

void LiveSceneApi::endShader()
{
    if (writer_)
        writer_->endShader();
}

ShaderText LiveSceneApi::capturedText()
{
    return writer_ ? writer_->capturedText() : nullptr;
}

void LiveSceneApi::pushCapture()
{
    if (writer_)
        writer_->pushCapture();
}

void LiveSceneApi::popCapture()
{
    if (writer_)
        writer_->popCapture();
}

bool LiveSceneApi::parameter(const char* name, int type, const void* value)
{
    return writer_ && writer_->parameter(name, type, value);
}

bool LiveSceneApi::parameterShaderId(const char* name, int id)
{
    return writer_ && writer_->parameterShaderId(name, id);
}

bool LiveSceneApi::parameterShaderText(const char* name, ShaderText text)
{
    return writer_ && writer_->parameterShaderText(name, text);
}

bool LiveSceneApi::beginList(const char* name)
{
    return writer_ && writer_->beginList(name);
}

void LiveSceneApi::endList()
{
    if (writer_)
        writer_->endList();
}

void LiveSceneApi::listValue(int type, const void* value)
{
    if (writer_)
        writer_->listValue(type, value);
}

int LiveSceneApi::intQueryA()
{
    return writer_ ? writer_->intQueryA() : 0;
}

int LiveSceneApi::intQueryB()
{
    return writer_ ? writer_->intQueryB() : 0;
}

int LiveSceneApi::zeroQuery()
{
    return writer_ ? writer_->zeroQuery() : 0;
}

void LiveSceneApi::attribute(const char* key, const char* value)
{
    if (writer_)
        writer_->attribute(key, value);
}

void LiveSceneApi::setModeFlags(int flags)
{
    if (writer_)
        writer_->setModeFlags(flags);
}

void LiveSceneApi::version(int v)
{
    if (writer_)
        writer_->version(v);
}

void LiveSceneApi::reserved58()
{
    if (writer_)
        writer_->reserved58();
}

void LiveSceneApi::progress(const char* name, float fraction)
{
    if (writer_)
        writer_->progress(name, fraction);
}

void LiveSceneApi::icon(const unsigned char* data, int length)
{
    if (writer_)
        writer_->icon(data, length);
}

void LiveSceneApi::binaryData(const char* keyword, const unsigned char* data, int length)
{
    if (writer_)
        writer_->binaryData(keyword, data, length);
}

void LiveSceneApi::flags(std::uint32_t f)
{
    if (writer_)
        writer_->flags(f);
}

bool LiveSceneApi::reserved64()
{
    return writer_ && writer_->reserved64();
}

bool LiveSceneApi::render()
{
    return writer_ && writer_->render();
}

void LiveSceneApi::print(const char* text)
{
    if (writer_)
        writer_->print(text);
}

void LiveSceneApi::error(const char* text)
{
    if (writer_)
        writer_->error(text);
}
} // namespace standin::raydeck
