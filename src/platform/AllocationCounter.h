#pragma once
// Counting allocations, for the tests that prove a road allocation-free (marvo_platform_testing).
#include <cstddef>
#include <cstdint>

// The allocations seen while counting, and the first callers' return addresses (to resolve with addr2line
// when a count is not what it should be).
struct TAllocationCount
{
    static constexpr std::size_t kCallers = 8;
    int Count = 0;
    std::uintptr_t Callers[kCallers] = {};
};

// [host-main] Puts the counting allocators in place; false when that cannot be done. Natively every
// allocation of the process is counted (the C library's allocators are replaced); on Windows those that the
// loaded library LibraryFileName (a file name, no folder) and this program import from the C runtime.
bool InstallAllocationCounter(const char* LibraryFileName);
// [any] Counting on, from zero: every thread's allocations count from here.
void StartCountingAllocations();
// [any] Counting off; what was counted since the start.
TAllocationCount StopCountingAllocations();
