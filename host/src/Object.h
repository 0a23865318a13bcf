#pragma once
// The implementation side of every host object: the reference count, the
// class chain that casts by class type consult, and the count of live objects.

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace standin::host::detail {

// The parent class of each public class, for casts by class type. Classes not
// listed derive from Base directly.
template <class I> struct ParentOf { using type = adsk::core::Base; };
template <> struct ParentOf<adsk::core::CommandControl> { using type = adsk::core::ToolbarControl; };
template <> struct ParentOf<adsk::core::CommandCreatedEvent> { using type = adsk::core::Event; };
template <> struct ParentOf<adsk::core::CommandEvent> { using type = adsk::core::Event; };
template <> struct ParentOf<adsk::core::CommandCreatedEventArgs> { using type = adsk::core::EventArgs; };
template <> struct ParentOf<adsk::core::CommandEventArgs> { using type = adsk::core::EventArgs; };
template <> struct ParentOf<adsk::core::ColorProperty> { using type = adsk::core::Property; };
template <> struct ParentOf<adsk::core::FilenameProperty> { using type = adsk::core::Property; };
template <> struct ParentOf<adsk::core::FloatProperty> { using type = adsk::core::Property; };
template <> struct ParentOf<adsk::core::IntegerProperty> { using type = adsk::core::Property; };
template <> struct ParentOf<adsk::core::BooleanProperty> { using type = adsk::core::Property; };
template <> struct ParentOf<adsk::core::StringProperty> { using type = adsk::core::Property; };
template <> struct ParentOf<adsk::fusion::Design> { using type = adsk::core::Product; };

// Whether a class of type I is of the class named `classType`.
template <class I>
bool isA(const char* classType) noexcept
{
    static_assert(std::is_base_of_v<adsk::core::Base, I>);
    if (std::strcmp(classType, I::classType()) == 0)
        return true;
    if constexpr (std::is_same_v<I, adsk::core::Base>) {
        return false;
    } else {
        using Parent = typename ParentOf<I>::type;
        static_assert(std::is_base_of_v<Parent, I>, "ParentOf names a class that is not a base");
        return isA<Parent>(classType);
    }
}

// Counts every object made through Object<I>, for leak checks.
std::atomic<std::size_t>& liveObjectCount() noexcept;

// A heap-allocated host object of the public class I with its own count; it
// deletes itself with its last reference. Made with `new`, held by Ptr at once.
template <class I>
class Object : public I {
public:
    Object() noexcept { liveObjectCount().fetch_add(1, std::memory_order_relaxed); }
    ~Object() override { liveObjectCount().fetch_sub(1, std::memory_order_relaxed); }

    const char* objectType() const noexcept override { return I::classType(); }

private:
    void addRef() const noexcept override { refs_.fetch_add(1, std::memory_order_relaxed); }
    void release() const noexcept override
    {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
    bool isClassType(const char* classType) const noexcept override { return isA<I>(classType); }

    mutable std::atomic<std::size_t> refs_{0};
};

// A host object that is a member of another (an object's event): it shares
// the owner's count, so a Ptr to it keeps the owner alive, and the owner never
// sits in a cycle with it.
template <class I>
class OwnedObject : public I {
public:
    explicit OwnedObject(const adsk::core::Base& owner) noexcept : owner_(owner) {}

    const char* objectType() const noexcept override { return I::classType(); }

    adsk::core::Base& owner() const noexcept { return const_cast<adsk::core::Base&>(owner_); }

private:
    void addRef() const noexcept override { adsk::core::detail::RefAccess::addRef(&owner_); }
    void release() const noexcept override { adsk::core::detail::RefAccess::release(&owner_); }
    bool isClassType(const char* classType) const noexcept override { return isA<I>(classType); }

    const adsk::core::Base& owner_;
};

// A collection of host objects by index (Products, Occurrences, BRepBodies,
// BRepFaces, TriangleMeshList, Properties).
template <class I, class E>
class ListObject : public Object<I> {
public:
    std::vector<adsk::core::Ptr<E>> items;

    std::size_t count() const noexcept override { return items.size(); }
    adsk::core::Ptr<E> item(std::size_t index) const override
    {
        return index < items.size() ? items[index] : nullptr;
    }
};

} // namespace standin::host::detail
