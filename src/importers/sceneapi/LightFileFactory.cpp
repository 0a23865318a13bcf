#include "LightFileFactory.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <platform/SceneFileOpen.h>

namespace vel {

namespace {

// The line perror prints, for an errno value kept from earlier.
void printSystemError(const char* prefix, int errnoValue)
{
    std::fprintf(stderr, "%s: %s\n", prefix, std::strerror(errnoValue));
}

} // namespace

LightFileFactory::LightFileFactory(std::string fileName)
{
    errno = 0;
    std::FILE* stream =
        fileName == "-" ? platform::takeOverStandardOutput() : platform::openSceneFile(fileName);
    if (!stream) {
        printSystemError("opening file", errno != 0 ? errno : EIO);
        throw std::runtime_error("could not open file: \"" + fileName + "\"");
    }
    try {
        api_ = std::make_unique<velScene_api_file>(stream, true);
    } catch (...) {
        std::fclose(stream);
        throw;
    }
    stream_ = stream;
}

LightFileFactory::~LightFileFactory()
{
    if (const int failure = release())
        printSystemError("closing file", failure);
}

velScene_api* LightFileFactory::sceneApi()
{
    return api_.get();
}

void LightFileFactory::writeHeader(velSceneapi_oo&)
{
    if (!api_)
        return;
    api_->writeText("//---veltor:dal:7---\n");
    api_->writeText("//---import:dal:1---\n");
    api_->writeText("//---id:1---\n");
    api_->writeText("// This is a RayDeck scene file\n\n");
}

void LightFileFactory::close()
{
    if (const int failure = release()) {
        printSystemError("closing file", failure);
        throw std::runtime_error("could not close file");
    }
}

int LightFileFactory::release()
{
    int failure = 0;
    if (api_) {
        // The writer's output must be complete before the stream closes.
        api_->flush();
        failure = api_->writeError();
        api_.reset();
    }
    if (stream_) {
        if (failure == 0 && std::ferror(stream_))
            failure = EIO;
        errno = 0;
        const bool closed = std::fclose(stream_) == 0;
        const int closeError = errno;
        stream_ = nullptr;
        if (!closed && failure == 0)
            failure = closeError != 0 ? closeError : EIO;
    }
    return failure;
}

} // namespace vel
