// The check that a design's scene can be written as it is, made before the
// command flows open the file or the live link.
//
// Lengths come from the host in centimetres and are written in the design's
// unit as 32-bit floats: a placement value or a mesh coordinate that the host
// holds fine can overflow once multiplied (by 10 in millimetres) and would be
// written as "inf".

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sceneapi/SceneReader.h>
#include "DesignRefused.h"
#include "FusionExporter.h"
#include "PlacementWalk.h"

using adsk::core::Appearance;
using adsk::core::Ptr;
namespace fusion = adsk::fusion;

namespace {

// Below the document's group, a component holds at most five levels of
// blocks: a body group, a face group, an object, its material, a shader.
static_assert(vel::kMaxComponentDepth + 6 <= vel::ReadOptions{}.maxBlockDepth,
              "a design as deep as the limit would make a scene that readers refuse");

// Whether a value stays finite when narrowed to float: it must round to at
// most FLT_MAX, so stay below the midpoint between FLT_MAX and 2^128. NaN
// passes: it is written as it is, overflow is what this guards against.
bool fitsFloat(double value)
{
    return !(std::fabs(value) >= 0x1.ffffffp127);
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string tooLarge(const std::string& what, double centimetres)
{
    return what + " of " + number(centimetres) + " cm overflows a 32-bit float in the design's unit";
}

// Every placement's transform and, once per component, the mesh coordinates
// of its shown bodies; only where the translation goes (nothing below a
// hidden placement).
class LengthCheck : public vel::PlacementVisitor {
public:
    explicit LengthCheck(float unitsPerCentimetre) : unitsPerCentimetre_(unitsPerCentimetre) {}

    bool enter(const Ptr<fusion::Component>& component, const Ptr<Appearance>&, bool visible) override
    {
        path_.push_back(component->name());
        if (visible && checked_.insert(component.get()).second)
            checkBodies(component);
        return visible;
    }

    void leave() override
    {
        left_ = std::move(path_.back());
        path_.pop_back();
    }

    void place(const Ptr<adsk::core::Matrix3D>& transform) override
    {
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column) {
                const double cell = transform->getCell(row, column);
                const bool translation = column == 3 && row < 3;
                if (fitsFloat(translation ? cell * unitsPerCentimetre_ : cell))
                    continue;
                throw vel::DesignRefused(pathTo(left_), translation ? tooLarge("a translation", cell)
                                                                    : "the transform value " + number(cell) +
                                                                          " overflows a 32-bit float");
            }
    }

private:
    void checkBodies(const Ptr<fusion::Component>& component)
    {
        Ptr<fusion::BRepBodies> bodies = component->bRepBodies();
        const std::size_t bodyCount = bodies->count();
        for (std::size_t i = 0; i < bodyCount; ++i) {
            Ptr<fusion::BRepBody> body = bodies->item(i);
            if (!body->isLightBulbOn())
                continue;
            Ptr<fusion::BRepFaces> faces = body->faces();
            const std::size_t faceCount = faces->count();
            for (std::size_t f = 0; f < faceCount; ++f) {
                Ptr<fusion::TriangleMeshList> meshes = faces->item(f)->meshManager()->displayMeshes();
                const std::size_t meshCount = meshes->count();
                for (std::size_t m = 0; m < meshCount; ++m)
                    // As translateMesh scales them: float by float.
                    for (const float v : meshes->item(m)->nodeCoordinatesAsFloat())
                        if (std::isinf(v * unitsPerCentimetre_))
                            throw vel::DesignRefused(pathTo(body->name()), tooLarge("a mesh coordinate", v));
            }
        }
    }

    std::string pathTo(const std::string& last) const
    {
        std::vector<std::string> names = path_;
        names.push_back(last);
        return vel::componentPath(names);
    }

    float unitsPerCentimetre_;
    std::vector<std::string> path_;
    std::string left_;
    std::set<const void*> checked_;
};

// The values writeActiveCamera narrows, when it would write a camera at all;
// a missing host object is left for it to raise.
void checkCamera(const Ptr<adsk::core::Application>& application, float unitsPerCentimetre)
{
    Ptr<adsk::core::Viewport> viewport = application ? application->activeViewport() : nullptr;
    Ptr<adsk::core::Camera> camera = viewport ? viewport->camera() : nullptr;
    if (!camera || camera->cameraType() == adsk::core::OrthographicCameraType)
        return;
    Ptr<adsk::core::Point3D> eye = camera->eye();
    Ptr<adsk::core::Point3D> target = camera->target();
    if (!eye || !target)
        return;
    Ptr<adsk::core::Vector3D> direction = target->asVector();
    if (!direction->subtract(eye->asVector()) || !direction->normalize())
        return;
    double eyeAt[3] = {};
    eye->getData(eyeAt[0], eyeAt[1], eyeAt[2]);
    for (const double v : eyeAt)
        if (!fitsFloat(v * unitsPerCentimetre))
            throw vel::DesignRefused("the active camera", tooLarge("the eye's coordinate", v));
    if (Ptr<adsk::core::Vector3D> up = camera->upVector())
        for (const double v : up->asArray())
            if (!fitsFloat(v))
                throw vel::DesignRefused("the active camera",
                                         "the up vector's value " + number(v) + " overflows a 32-bit float");
    const double angle = camera->perspectiveAngle();
    if (!fitsFloat(angle * 180.0 * 0.3183098861837907))
        throw vel::DesignRefused("the active camera", "the perspective angle " + number(angle) +
                                                          " overflows a 32-bit float in degrees");
}

} // namespace

void FusionExporter::checkDesign(Ptr<adsk::core::Document> document, bool withCamera) const
{
    const float unitsPerCentimetre = lengthUnitsPerMetre(document) / 100;
    if (withCamera)
        checkCamera(application_, unitsPerCentimetre);
    LengthCheck check(unitsPerCentimetre);
    Ptr<adsk::core::Products> products = document->products();
    const std::size_t count = products->count();
    for (std::size_t i = 0; i < count; ++i) {
        Ptr<fusion::Design> design = products->item(i);
        if (design)
            vel::walkPlacements(design->rootComponent(), nullptr, true, check);
    }
}
