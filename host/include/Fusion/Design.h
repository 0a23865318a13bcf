#pragma once
// A design, the product that holds the component tree.

#include <Core/Base.h>
#include <Core/Document.h>
#include "Forward.h"

namespace adsk::fusion {

/// A design product: `product->cast<Design>()` is empty for other products.
class ADSK_API Design : public core::Product {
public:
    /// The top of the component tree, or empty.
    virtual core::Ptr<Component> rootComponent() const = 0;

    static const char* classType() { return "adsk::fusion::Design"; }
};

} // namespace adsk::fusion
