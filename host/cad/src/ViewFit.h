#pragma once
// The view a design opens with: its whole bounding box seen from the front,
// right and top, as CAD programs show a model at first.

#include <StandIn/DesignData.h>

#include <array>

namespace standin::host::cad {

/// A perspective camera (angle π/6) looking at the centre of the box from
/// the front-right-top diagonal, far enough back for the box's bounding
/// sphere to fit; Z up: from (+x, -y, +z), Y up: from (+x, +y, +z).
/// The default view (defaultView) when the box is empty (min > max) or not
/// finite. Centimetres.
CameraData fitView(adsk::core::DefaultModelingOrientations orientation, const std::array<double, 3>& min,
                   const std::array<double, 3>& max);

/// An empty box for growing with includePoint.
struct BoundingBox {
    std::array<double, 3> min{1, 1, 1};
    std::array<double, 3> max{-1, -1, -1};
    bool empty() const { return min[0] > max[0]; }
    void include(double x, double y, double z);
};

} // namespace standin::host::cad
