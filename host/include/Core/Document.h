#pragma once
// Documents, their products and the products' units.

#include "Base.h"
#include "Forward.h"

#include <cstddef>
#include <string>

namespace adsk::core {

class ADSK_API Document : public Base {
public:
    /// The document's name as the user sees it, version suffix included
    /// ("Gearbox v3"); may be empty.
    virtual std::string name() const = 0;
    /// The products of the document (designs and others), or empty.
    virtual Ptr<Products> products() const = 0;

    static const char* classType() { return "adsk::core::Document"; }
};

class ADSK_API Products : public Base {
public:
    virtual std::size_t count() const = 0;
    /// The product at `index`, or empty when out of range.
    virtual Ptr<Product> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::core::Products"; }
};

/// A product of a document. Designs are adsk::fusion::Design; cast to find out.
class ADSK_API Product : public Base {
public:
    /// The product's units manager, or empty.
    virtual Ptr<UnitsManager> unitsManager() const = 0;

    static const char* classType() { return "adsk::core::Product"; }
};

class ADSK_API UnitsManager : public Base {
public:
    /// The default length unit: "mm", "cm", "m", "in" or "ft" in a design.
    virtual std::string defaultLengthUnits() const = 0;

    static const char* classType() { return "adsk::core::UnitsManager"; }
};

} // namespace adsk::core
