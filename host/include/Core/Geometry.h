#pragma once
// Points, vectors and matrices. Lengths are centimetres.

#include "Base.h"
#include "Forward.h"

#include <cstddef>
#include <vector>

namespace adsk::core {

class ADSK_API Point3D : public Base {
public:
    /// The coordinates; true when done.
    virtual bool getData(double& x, double& y, double& z) const = 0;
    /// A new vector from the origin to the point.
    virtual Ptr<Vector3D> asVector() const = 0;

    static const char* classType() { return "adsk::core::Point3D"; }
};

class ADSK_API Vector3D : public Base {
public:
    /// Subtracts `vector` from this one in place; false when `vector` is empty.
    virtual bool subtract(const Ptr<Vector3D>& vector) = 0;
    /// Makes this vector one unit long in place; false (unchanged) for a zero
    /// vector.
    virtual bool normalize() = 0;
    /// The three components x, y, z.
    std::vector<double> asArray() const
    {
        std::size_t count = 0;
        const double* array = asArray_raw(count);
        return detail::takeHostArray(array, count);
    }

    static const char* classType() { return "adsk::core::Vector3D"; }

private:
    // A host-allocated array for DeallocateArray; the wrapper above copies it.
    virtual const double* asArray_raw(std::size_t& count) const = 0;
};

class ADSK_API Matrix3D : public Base {
public:
    /// The element at `row` and `column` (0 to 3); the translation is in
    /// column 3. 0 outside the matrix.
    virtual double getCell(int row, int column) const = 0;

    static const char* classType() { return "adsk::core::Matrix3D"; }
};

} // namespace adsk::core
