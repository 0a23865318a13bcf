// The design's length unit, and the active viewport's camera.

#include <memory>
#include <string>
#include <vector>

#include <scene/LightCamera.h>
#include <sceneapi/velSceneapi_oo.h>
#include "FusionExporter.h"

using adsk::core::Ptr;

namespace {

// The camera between its creation and its writing. When eye and target
// coincide it is never written and stays here until the next camera replaces
// it or the add-in is unloaded.
std::shared_ptr<vel::LightCamera> activeCameraHolder;

} // namespace

float FusionExporter::documentUnitsPerMetre(Ptr<adsk::core::Document> document)
{
    unitsPerMetre_ = lengthUnitsPerMetre(document);
    return unitsPerMetre_;
}

float FusionExporter::lengthUnitsPerMetre(const Ptr<adsk::core::Document>& document)
{
    float unitsPerMetre = 1.0f;
    Ptr<adsk::core::Products> products = document->products();
    const std::size_t count = products->count();
    for (std::size_t i = 0; i < count; ++i) {
        Ptr<adsk::fusion::Design> design = products->item(i);
        if (!design)
            continue;
        // A later design overwrites what an earlier one set; an unknown unit
        // leaves the factor as it was.
        const std::string unit = design->unitsManager()->defaultLengthUnits();
        if (unit == "in")
            unitsPerMetre = 39.37008f;
        else if (unit == "m")
            unitsPerMetre = 1.0f;
        else if (unit == "cm")
            unitsPerMetre = 100.0f;
        else if (unit == "mm")
            unitsPerMetre = 1000.0f;
        else if (unit == "ft")
            unitsPerMetre = 3.28084f;
    }
    return unitsPerMetre;
}

void FusionExporter::writeActiveCamera()
{
    Ptr<adsk::core::Camera> camera = application_->activeViewport()->camera();
    if (camera->cameraType() == adsk::core::OrthographicCameraType)
        return;

    Ptr<adsk::core::Point3D> eye = camera->eye();
    Ptr<adsk::core::Point3D> target = camera->target();
    if (!target)
        static_cast<void>(*target); // raises the host's exception, as an empty eye does below
    double x = 0, y = 0, z = 0;
    eye->getData(x, y, z);
    const std::vector<double> up = camera->upVector()->asArray();

    activeCameraHolder = std::make_shared<vel::LightCamera>("Active Camera");
    vel::LightCamera& active = *activeCameraHolder;
    active.setPosition(static_cast<float>(x * unitsPerCentimetre_), static_cast<float>(y * unitsPerCentimetre_),
                       static_cast<float>(z * unitsPerCentimetre_));

    Ptr<adsk::core::Vector3D> eyeVector = eye->asVector();
    Ptr<adsk::core::Vector3D> direction = target->asVector();
    // Both fail for a degenerate view (eye on the target): no camera then.
    if (direction->subtract(eyeVector) && direction->normalize()) {
        const std::vector<double> d = direction->asArray();
        active.setDirection(static_cast<float>(d.at(0)), static_cast<float>(d.at(1)), static_cast<float>(d.at(2)));
        active.setUp(static_cast<float>(up.at(0)), static_cast<float>(up.at(1)), static_cast<float>(up.at(2)));
        active.setProjection(0);
        active.setFov(static_cast<float>(camera->perspectiveAngle() * 180.0 * 0.3183098861837907));
        // Only the render flow writes a camera, after its wrapper got an
        // interface; without one there is nowhere to write it.
        if (sceneWriter_ && sceneWriter_->api())
            active.write(*sceneWriter_);
        activeCameraHolder.reset();
    }
}
