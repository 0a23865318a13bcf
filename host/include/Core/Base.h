#pragma once
// Base, the root class of every host object.

#include "Export.h"
#include "Memory.h"

namespace adsk::core {

/// Every host object derives from Base. Objects are created by the host and
/// reached only through Ptr; the host frees each with its last reference.
class ADSK_API Base {
public:
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;

    /// The class name of the object's own class, for example
    /// "adsk::core::FilenameProperty". A C string: compare it with
    /// std::strcmp or as std::string, never as pointers.
    virtual const char* objectType() const = 0;

    static const char* classType() { return "adsk::core::Base"; }

    /// This object as a T (by `T::classType()`), or an empty Ptr when it is
    /// not a T.
    template <class T>
    Ptr<T> cast() const
    {
        if (!isClassType(T::classType()))
            return nullptr;
        return Ptr<T>(static_cast<T*>(const_cast<Base*>(this)));
    }

protected:
    Base() = default;
    virtual ~Base();

private:
    friend struct detail::RefAccess;
    virtual void addRef() const noexcept = 0;
    virtual void release() const noexcept = 0;
    // Whether the object is of the class named `classType` or derives from it.
    virtual bool isClassType(const char* classType) const noexcept = 0;
};

namespace detail {
inline void RefAccess::addRef(const Base* object) noexcept { object->addRef(); }
inline void RefAccess::release(const Base* object) noexcept { object->release(); }
} // namespace detail

} // namespace adsk::core
