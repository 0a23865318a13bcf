#include "SceneText.h"

#include <cstdlib>

namespace scenetest {

SceneText::SceneText()
{
    stream_ = open_memstream(&buffer_, &size_);
    writer_ = std::make_unique<velScene_api_file>(stream_, false);
    writer_->setModeFlags(1);
    wrapper_.attach(writer_.get());
}

SceneText::~SceneText()
{
    writer_.reset();
    if (stream_)
        std::fclose(stream_);
    std::free(buffer_);
}

std::unique_ptr<vel::velSceneapi_oo> SceneText::newWrapper()
{
    auto wrapper = std::make_unique<vel::velSceneapi_oo>(nullptr);
    wrapper->attach(writer_.get());
    return wrapper;
}

std::string SceneText::finish()
{
    wrapper_.attach(nullptr);
    writer_.reset();
    std::fflush(stream_);
    return std::string(buffer_, size_);
}

} // namespace scenetest
