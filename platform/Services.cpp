#include "Services.h"

#include "Native.h"

namespace platform {

namespace {

Services& current()
{
    static Services inForce = nativeServices();
    return inForce;
}

} // namespace

Services nativeServices()
{
    return Services{&native::registry(), &native::clock(), &native::processes()};
}

const Services& services()
{
    return current();
}

ScopedServices::ScopedServices(const Services& replacement) : previous_(current())
{
    current() = replacement;
}

ScopedServices::~ScopedServices()
{
    current() = previous_;
}

} // namespace platform
