#include "FusionExporter.h"

#include <utility>

#include <sceneapi/velSceneapi_oo.h>

FusionExporter::FusionExporter(adsk::core::Ptr<adsk::core::UserInterface> userInterface,
                               adsk::core::Ptr<adsk::core::Application> application)
    : userInterface_(std::move(userInterface)), application_(std::move(application))
{
}

FusionExporter::~FusionExporter() = default;

void FusionExporter::setSceneWriter(std::unique_ptr<vel::velSceneapi_oo> writer)
{
    sceneWriter_ = std::move(writer);
}
