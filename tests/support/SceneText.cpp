#include "SceneText.h"

#include <sceneapi/StringSink.h>

namespace scenetest {

SceneText::SceneText()
{
    auto sink = std::make_unique<vel::StringSink>();
    sink_ = sink.get();
    writer_ = std::make_unique<velScene_api_file>(std::move(sink), false);
    writer_->setModeFlags(vel::kExportModeFlags);
    wrapper_.attach(writer_.get());
}

SceneText::~SceneText() = default;

std::unique_ptr<vel::velSceneapi_oo> SceneText::newWrapper()
{
    auto wrapper = std::make_unique<vel::velSceneapi_oo>(nullptr);
    wrapper->attach(writer_.get());
    return wrapper;
}

std::string SceneText::finish()
{
    wrapper_.attach(nullptr);
    writer_->flush();
    std::string text = sink_->str();
    writer_.reset();
    sink_ = nullptr;
    return text;
}

} // namespace scenetest
