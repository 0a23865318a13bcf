#include "ArrayLoans.h"

#include <StandIn/HostControl.h>

#include <Core/Memory.h>

#include <mutex>
#include <unordered_map>

namespace standin::host::detail {
namespace {

struct Loan {
    std::shared_ptr<const void> owner;
    std::size_t count = 0; // the same array may be out several times
};

struct LoanRegistry {
    std::mutex mutex;
    std::unordered_map<const void*, Loan> loans;
    ArrayLoans stats;
};

// Never destroyed: arrays may come back from static destructors of add-ins.
LoanRegistry& registry()
{
    static LoanRegistry* instance = new LoanRegistry;
    return *instance;
}

} // namespace

const void* lendArray(const void* array, std::shared_ptr<const void> owner)
{
    LoanRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    Loan& loan = r.loans[array];
    if (loan.count++ == 0)
        loan.owner = std::move(owner);
    ++r.stats.lent;
    ++r.stats.outstanding;
    return array;
}

} // namespace standin::host::detail

namespace adsk::core {

void DeallocateArray(const void* array) noexcept
{
    if (array == nullptr)
        return;
    auto& r = standin::host::detail::registry();
    std::shared_ptr<const void> last; // released outside the lock
    std::lock_guard lock(r.mutex);
    auto it = r.loans.find(array);
    if (it == r.loans.end()) {
        ++r.stats.foreign;
        return;
    }
    --r.stats.outstanding;
    if (--it->second.count == 0) {
        last = std::move(it->second.owner);
        r.loans.erase(it);
    }
}

} // namespace adsk::core

namespace standin::host {

ArrayLoans arrayLoans()
{
    auto& r = detail::registry();
    std::lock_guard lock(r.mutex);
    return r.stats;
}

} // namespace standin::host
