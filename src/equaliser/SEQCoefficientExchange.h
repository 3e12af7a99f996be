#pragma once
// Hands one section's five coefficients from the thread that computes them to the playback thread as one
// consistent set, without a lock: a sequence counter around the five values (odd while a set is being
// written). The reader never waits: when it meets a write in progress it keeps the set it already has and
// picks up the new one at its next block.
#include <atomic>
#include <cstdint>

#include "dsp/DFilter.h"

class TCoefficientExchange
{
public:
    // [any, one writer at a time] Publishes a complete set. Writers must not overlap (the module serialises them).
    void Publish(const TBiquadCoefficients& Value)
    {
        const std::uint32_t s = FSequence.load(std::memory_order_relaxed);
        FSequence.store(s + 1, std::memory_order_relaxed);
        // Release: a reader that sees any of the new values also sees the odd sequence number above.
        FValues[0].store(Value.A1, std::memory_order_release);
        FValues[1].store(Value.A2, std::memory_order_release);
        FValues[2].store(Value.B0, std::memory_order_release);
        FValues[3].store(Value.B1, std::memory_order_release);
        FValues[4].store(Value.B2, std::memory_order_release);
        FSequence.store(s + 2, std::memory_order_release);
    }

    // [audio] Copies the last complete set into Value and answers true; answers false and leaves
    // Value alone when a write is in progress. Wait-free.
    bool TryRead(TBiquadCoefficients& Value) const
    {
        const std::uint32_t s = FSequence.load(std::memory_order_acquire);
        if (s & 1u)
            return false;
        TBiquadCoefficients c;
        c.A1 = FValues[0].load(std::memory_order_acquire);
        c.A2 = FValues[1].load(std::memory_order_acquire);
        c.B0 = FValues[2].load(std::memory_order_acquire);
        c.B1 = FValues[3].load(std::memory_order_acquire);
        c.B2 = FValues[4].load(std::memory_order_acquire);
        if (FSequence.load(std::memory_order_relaxed) != s)
            return false;
        Value = c;
        return true;
    }

    // [any] Number of completed publications (for tests and change detection).
    std::uint32_t Generation() const { return FSequence.load(std::memory_order_acquire) / 2; }

private:
    static_assert(std::atomic<double>::is_always_lock_free && std::atomic<std::uint32_t>::is_always_lock_free);
    std::atomic<std::uint32_t> FSequence{0};
    std::atomic<double> FValues[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
};
