#pragma once
// The viewport and its camera.

#include "Base.h"
#include "Enums.h"
#include "Forward.h"

namespace adsk::core {

class ADSK_API Viewport : public Base {
public:
    /// A copy of the viewport's camera (changing it changes nothing here), or
    /// empty.
    virtual Ptr<Camera> camera() const = 0;

    static const char* classType() { return "adsk::core::Viewport"; }
};

class ADSK_API Camera : public Base {
public:
    /// OrthographicCameraType (0) or PerspectiveCameraType (1).
    virtual CameraTypes cameraType() const = 0;
    /// A new point: where the camera is, in centimetres; or empty.
    virtual Ptr<Point3D> eye() const = 0;
    /// A new point: where the camera looks at, in centimetres; or empty.
    virtual Ptr<Point3D> target() const = 0;
    /// A new vector: the camera's up direction, not necessarily unit length;
    /// or empty.
    virtual Ptr<Vector3D> upVector() const = 0;
    /// The field of view in radians.
    virtual double perspectiveAngle() const = 0;

    static const char* classType() { return "adsk::core::Camera"; }
};

} // namespace adsk::core
