#include "ViewFit.h"

#include <cmath>

namespace standin::host::cad {

void BoundingBox::include(double x, double y, double z)
{
    if (empty()) {
        min = {x, y, z};
        max = {x, y, z};
        return;
    }
    const double p[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        min[i] = std::fmin(min[i], p[i]);
        max[i] = std::fmax(max[i], p[i]);
    }
}

CameraData fitView(adsk::core::DefaultModelingOrientations orientation, const std::array<double, 3>& min,
                   const std::array<double, 3>& max)
{
    CameraData camera = defaultView(orientation);
    double radius = 0;
    std::array<double, 3> centre{};
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(min[i]) || !std::isfinite(max[i]) || min[i] > max[i])
            return camera;
        centre[i] = (min[i] + max[i]) / 2;
        radius += (max[i] - min[i]) * (max[i] - min[i]);
    }
    radius = std::sqrt(radius) / 2;
    if (!(radius > 0))
        radius = 1;
    const double distance = radius / std::sin(camera.perspectiveAngle / 2);
    const bool zUp = orientation == adsk::core::ZUpModelingOrientation;
    const double along = distance / std::sqrt(3.0);
    const std::array<double, 3> direction = zUp ? std::array<double, 3>{along, -along, along}
                                                : std::array<double, 3>{along, along, along};
    camera.target = centre;
    for (int i = 0; i < 3; ++i)
        camera.eye[i] = centre[i] + direction[i];
    return camera;
}

} // namespace standin::host::cad
