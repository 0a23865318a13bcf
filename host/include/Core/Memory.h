#pragma once
// Ptr<T>, the reference-counted handle through which every host object is
// held, and the hand-back of host-allocated arrays.

#include "Export.h"

#include <cstddef>
#include <exception>
#include <type_traits>
#include <utility>
#include <vector>

namespace adsk::core {

class Base;

namespace detail {

// What `->` and `*` raise on an empty Ptr. Callers see a plain std::exception
// whose text is "Unknown exception", the text the host's own runtime gives.
class EmptyPtrError final : public std::exception {
public:
    const char* what() const noexcept override { return "Unknown exception"; }
};

// The only way to the reference count of a host object; Ptr goes through it.
struct RefAccess {
    static void addRef(const Base* object) noexcept;
    static void release(const Base* object) noexcept;
};

} // namespace detail

/// Hands an array that the host allocated back to the host. The array
/// accessors of the API call it after copying; nobody else needs to.
/// A null pointer is ignored.
ADSK_API void DeallocateArray(const void* array) noexcept;

/// A counted reference to a host object. Copying takes a reference, dropping
/// one releases it; the host frees the object with its last reference.
///
/// `->` and `*` on an empty Ptr raise std::exception ("Unknown exception").
/// Constructing a Ptr<T> from a Ptr<U> casts by class type, like
/// `object->cast<T>()`: the result is empty when the object is not a T.
template <class T>
class Ptr {
public:
    using element_type = T;

    Ptr() noexcept = default;
    Ptr(std::nullptr_t) noexcept {}
    /// Takes a new reference to the object (none when `object` is null).
    Ptr(T* object) noexcept : object_(object) { acquire(); }
    Ptr(const Ptr& other) noexcept : object_(other.object_) { acquire(); }
    Ptr(Ptr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}

    /// Cast by class type: upcasts always succeed, any other cast gives an
    /// empty Ptr unless the object is a T.
    template <class U, class = std::enable_if_t<!std::is_same_v<T, U>>>
    Ptr(const Ptr<U>& other)
    {
        if constexpr (std::is_base_of_v<T, U>) {
            object_ = other.get();
            acquire();
        } else if (other.get() != nullptr) {
            *this = other.get()->template cast<T>();
        }
    }

    ~Ptr() { drop(); }

    Ptr& operator=(Ptr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }

    T* operator->() const
    {
        if (object_ == nullptr)
            throw detail::EmptyPtrError();
        return object_;
    }

    T& operator*() const { return *operator->(); }

    /// The object, or null; takes no reference.
    T* get() const noexcept { return object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }

    /// Releases the reference and empties the pointer.
    void reset() noexcept
    {
        drop();
        object_ = nullptr;
    }

    friend bool operator==(const Ptr& a, const Ptr& b) noexcept { return a.object_ == b.object_; }
    friend bool operator==(const Ptr& a, std::nullptr_t) noexcept { return a.object_ == nullptr; }

private:
    void acquire() const noexcept
    {
        if (object_ != nullptr)
            detail::RefAccess::addRef(object_);
    }
    void drop() const noexcept
    {
        if (object_ != nullptr)
            detail::RefAccess::release(object_);
    }

    T* object_ = nullptr;
};

namespace detail {

// The array accessors of the API: the host lends a raw array, the caller
// copies it once into the vector it returns and hands the array back, also
// when the copy fails.
template <class E>
std::vector<E> takeHostArray(const E* array, std::size_t count)
{
    struct HandBack {
        const E* array;
        ~HandBack() { DeallocateArray(array); }
    } handBack{array};
    if (array == nullptr)
        return {};
    return std::vector<E>(array, array + count);
}

} // namespace detail
} // namespace adsk::core
