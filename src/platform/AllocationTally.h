#pragma once
// Internal to the allocation counters (posix/testing, win32/testing): the tally their allocators feed.
#include <atomic>

#include "platform/AllocationCounter.h"

namespace AllocationTally
{
extern std::atomic<bool> Counting;
extern std::atomic<int> Count;
extern std::atomic<std::uintptr_t> Callers[TAllocationCount::kCallers];

// [any] One allocation by Caller. Allocation-free itself: it runs inside the allocators.
inline void Counted(void* Caller)
{
    if (!Counting.load(std::memory_order_relaxed))
        return;
    const int Index = Count.fetch_add(1, std::memory_order_relaxed);
    if (Index >= 0 && static_cast<std::size_t>(Index) < TAllocationCount::kCallers)
        Callers[Index].store(reinterpret_cast<std::uintptr_t>(Caller), std::memory_order_relaxed);
}
} // namespace AllocationTally
