#pragma once
// Points, vectors, matrices, the viewport and its camera. All are values:
// every getter that hands one out makes a new object.

#include "Object.h"

#include <StandIn/DesignData.h>

#include <array>

namespace standin::host::detail {

using adsk::core::Ptr;

class Vector3DObject final : public Object<adsk::core::Vector3D> {
public:
    explicit Vector3DObject(const std::array<double, 3>& components) : xyz(components) {}

    bool subtract(const Ptr<adsk::core::Vector3D>& vector) override;
    bool normalize() override;

    std::array<double, 3> xyz;

private:
    const double* asArray_raw(std::size_t& count) const override;
};

class Point3DObject final : public Object<adsk::core::Point3D> {
public:
    explicit Point3DObject(const std::array<double, 3>& xyz) : xyz_(xyz) {}

    bool getData(double& x, double& y, double& z) const override;
    Ptr<adsk::core::Vector3D> asVector() const override { return new Vector3DObject(xyz_); }

private:
    std::array<double, 3> xyz_;
};

class Matrix3DObject final : public Object<adsk::core::Matrix3D> {
public:
    explicit Matrix3DObject(const Matrix4& m) : m_(m) {}

    double getCell(int row, int column) const override;

private:
    Matrix4 m_;
};

class CameraObject final : public Object<adsk::core::Camera> {
public:
    explicit CameraObject(const CameraData& data) : data_(data) {}

    adsk::core::CameraTypes cameraType() const override { return data_.cameraType; }
    Ptr<adsk::core::Point3D> eye() const override;
    Ptr<adsk::core::Point3D> target() const override;
    Ptr<adsk::core::Vector3D> upVector() const override;
    double perspectiveAngle() const override { return data_.perspectiveAngle; }

private:
    CameraData data_;
};

class ViewportObject final : public Object<adsk::core::Viewport> {
public:
    explicit ViewportObject(const CameraData& camera) : camera_(camera) {}

    Ptr<adsk::core::Camera> camera() const override;

private:
    CameraData camera_;
};

} // namespace standin::host::detail
