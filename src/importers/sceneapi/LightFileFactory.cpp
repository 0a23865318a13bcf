#include "LightFileFactory.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <platform/SceneFileOpen.h>

namespace vel {

namespace {

// The line perror prints, with the reason given.
void printFailure(const char* prefix, const std::string& reason)
{
    std::fprintf(stderr, "%s: %s\n", prefix, reason.c_str());
}

} // namespace

LightFileFactory::LightFileFactory(std::string fileName)
{
    errno = 0;
    if (fileName == "-") {
        if (std::FILE* stream = platform::takeOverStandardOutput())
            file_ = platform::OutputFile::adopt(stream);
    } else {
        file_ = platform::openSceneFile(fileName);
    }
    if (!file_) {
        printFailure("opening file", std::strerror(errno != 0 ? errno : EIO));
        throw std::runtime_error("could not open file: \"" + fileName + "\"");
    }
    api_ = std::make_unique<velScene_api_file>(file_->stream(), true);
}

LightFileFactory::~LightFileFactory()
{
    const std::string failure = release(file_ && file_->partialName().empty());
    if (!failure.empty())
        printFailure("closing file", failure);
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
    const std::string failure = release(true);
    if (!failure.empty()) {
        printFailure("closing file", failure);
        throw std::runtime_error("could not close file");
    }
}

std::string LightFileFactory::release(bool finished)
{
    std::string failure;
    if (api_) {
        // The writer's output must be complete before the file closes.
        api_->flush();
        failure = api_->writeErrorText();
        api_.reset();
    }
    if (file_) {
        if (failure.empty() && std::ferror(file_->stream()))
            failure = std::strerror(EIO);
        // An incomplete scene never takes the old file's place.
        const int closed = finished && failure.empty() ? file_->commit() : file_->abandon();
        if (closed != 0 && failure.empty())
            failure = std::strerror(closed);
        file_.reset();
    }
    return failure;
}

} // namespace vel
