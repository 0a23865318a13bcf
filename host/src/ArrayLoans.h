#pragma once
// The host's side of host-allocated arrays. The host lends a raw array that
// stays valid, whatever else happens, until the caller gives it back through
// adsk::core::DeallocateArray; the caller copies it once. Mesh arrays are lent
// straight from the document's storage (the loan keeps that storage alive), so
// a fetch costs exactly the caller's one copy.

#include <cstddef>
#include <memory>
#include <vector>

namespace standin::host::detail {

// Registers a loan of `array` kept alive by `owner`; returns `array`.
const void* lendArray(const void* array, std::shared_ptr<const void> owner);

// Lends the elements of `values`, which `owner` keeps alive; null (and no loan)
// when there are none.
template <class E>
const E* lendVector(const std::vector<E>& values, std::shared_ptr<const void> owner, std::size_t& count)
{
    count = values.size();
    if (values.empty())
        return nullptr;
    return static_cast<const E*>(lendArray(values.data(), std::move(owner)));
}

// Lends a copy of `count` elements, for values that can still change.
template <class E>
const E* lendCopy(const E* values, std::size_t count)
{
    if (count == 0)
        return nullptr;
    std::shared_ptr<E[]> copy(new E[count]);
    for (std::size_t i = 0; i < count; ++i)
        copy[i] = values[i];
    const E* data = copy.get();
    return static_cast<const E*>(lendArray(data, std::shared_ptr<const void>(std::move(copy), data)));
}

} // namespace standin::host::detail
