#include "GeometryObjects.h"

#include "ArrayLoans.h"
#include "HostState.h"

#include <cmath>

namespace standin::host::detail {

bool Vector3DObject::subtract(const Ptr<adsk::core::Vector3D>& vector)
{
    if (!vector)
        return false;
    // Every vector is made by this host.
    const auto& other = static_cast<const Vector3DObject&>(*vector);
    for (int i = 0; i < 3; ++i)
        xyz[i] -= other.xyz[i];
    return true;
}

bool Vector3DObject::normalize()
{
    const double length = std::sqrt(xyz[0] * xyz[0] + xyz[1] * xyz[1] + xyz[2] * xyz[2]);
    if (!(length > 0.0) || !std::isfinite(length))
        return false;
    for (double& v : xyz)
        v /= length;
    return true;
}

const double* Vector3DObject::asArray_raw(std::size_t& count) const
{
    count = xyz.size();
    // A copy: the vector may change while the array is out.
    return lendCopy(xyz.data(), xyz.size());
}

bool Point3DObject::getData(double& x, double& y, double& z) const
{
    x = xyz_[0];
    y = xyz_[1];
    z = xyz_[2];
    return true;
}

double Matrix3DObject::getCell(int row, int column) const
{
    if (row < 0 || row > 3 || column < 0 || column > 3)
        return 0.0;
    return m_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

Ptr<adsk::core::Point3D> CameraObject::eye() const
{
    if (hostState().isMissing(Missing::CameraEye))
        return nullptr;
    return new Point3DObject(data_.eye);
}

Ptr<adsk::core::Point3D> CameraObject::target() const
{
    if (hostState().isMissing(Missing::CameraTarget))
        return nullptr;
    return new Point3DObject(data_.target);
}

Ptr<adsk::core::Vector3D> CameraObject::upVector() const
{
    if (hostState().isMissing(Missing::CameraUpVector))
        return nullptr;
    return new Vector3DObject(data_.up);
}

Ptr<adsk::core::Camera> ViewportObject::camera() const
{
    if (hostState().isMissing(Missing::ViewportCamera))
        return nullptr;
    return new CameraObject(camera_);
}

} // namespace standin::host::detail
