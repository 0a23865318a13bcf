#pragma once
// Application preferences.

#include "Base.h"
#include "Enums.h"
#include "Forward.h"

namespace adsk::core {

class ADSK_API Preferences : public Base {
public:
    /// The general preferences, or empty.
    virtual Ptr<GeneralPreferences> generalPreferences() const = 0;

    static const char* classType() { return "adsk::core::Preferences"; }
};

class ADSK_API GeneralPreferences : public Base {
public:
    /// Which axis points up: YUpModelingOrientation (0) or ZUpModelingOrientation (1).
    virtual DefaultModelingOrientations defaultModelingOrientation() const = 0;

    static const char* classType() { return "adsk::core::GeneralPreferences"; }
};

} // namespace adsk::core
