// The tally of the allocation counters; their allocators are the backend's (posix/testing, win32/testing).
#include "platform/AllocationTally.h"

namespace AllocationTally
{
std::atomic<bool> Counting{false};
std::atomic<int> Count{0};
std::atomic<std::uintptr_t> Callers[TAllocationCount::kCallers];
} // namespace AllocationTally

void StartCountingAllocations()
{
    for (auto& Caller : AllocationTally::Callers)
        Caller.store(0, std::memory_order_relaxed);
    AllocationTally::Count.store(0, std::memory_order_relaxed);
    AllocationTally::Counting.store(true, std::memory_order_seq_cst);
}

TAllocationCount StopCountingAllocations()
{
    AllocationTally::Counting.store(false, std::memory_order_seq_cst);
    TAllocationCount Result;
    Result.Count = AllocationTally::Count.load(std::memory_order_relaxed);
    for (std::size_t I = 0; I < TAllocationCount::kCallers; ++I)
        Result.Callers[I] = AllocationTally::Callers[I].load(std::memory_order_relaxed);
    return Result;
}
