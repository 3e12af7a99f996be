// TSpectrumTap: the ring the audio thread records the mono mix into while an editor shows the spectrum.
#include <algorithm>

#include "equaliser/SEQAnalysis.h"

// [host-main] The ring is made with the module, so recording never allocates.
TSpectrumTap::TSpectrumTap() : FRing(new std::atomic<float>[kCapacity])
{
    for (std::uint32_t i = 0; i < kCapacity; ++i)
        FRing[i].store(0.0f, std::memory_order_relaxed);
}

// [audio] The writer claims the cells it is about to overwrite before it writes them, then publishes the
// count. Each cell is stored with release (a plain store on x86): a reader that loaded one of the new values
// with acquire also sees the claim.
void TSpectrumTap::Record(TSpectrumSource Where, const float* Left, const float* Right, std::int32_t Frames)
{
    if (Where == spsOff || Frames <= 0 || Source() != Where)
        return;
    // Only the newest kCapacity frames of a longer block can stay in the ring.
    const auto Skip = static_cast<std::uint32_t>(Frames) > kCapacity ? static_cast<std::uint32_t>(Frames) - kCapacity : 0u;
    const std::uint32_t Count = static_cast<std::uint32_t>(Frames) - Skip;
    const std::uint32_t Start = FRecorded.load(std::memory_order_relaxed);
    FClaimed.store(Start + Count, std::memory_order_relaxed);
    // In at most two runs of consecutive cells: the ring's end, then its start.
    const float* L = Left + Skip;
    const float* R = Right + Skip;
    for (std::uint32_t Done = 0, At = Start & (kCapacity - 1); Done < Count; At = 0)
    {
        const std::uint32_t Run = std::min(Count - Done, kCapacity - At);
        std::atomic<float>* Cells = &FRing[At];
        for (std::uint32_t i = 0; i < Run; ++i)
            Cells[i].store(0.5f * (L[Done + i] + R[Done + i]), std::memory_order_release);
        Done += Run;
    }
    FRecorded.store(Start + Count, std::memory_order_release);
}

// [editor] Cell k holds sample k until the writer claims sample k + kCapacity: the copy of samples
// End - Count .. End - 1 stands when the claim, read after the copy, has not reached End - Count + kCapacity.
bool TSpectrumTap::CopyNewest(float* Out, std::uint32_t Count, std::uint32_t& Since) const
{
    if (Count == 0 || Count > kCapacity / 2)
        return false;
    const std::uint32_t End = FRecorded.load(std::memory_order_acquire);
    const std::uint32_t Fresh = std::min(End - Since, Count);
    const std::uint32_t First = End - Count;
    std::fill_n(Out, Count - Fresh, 0.0f);
    for (std::uint32_t i = Count - Fresh; i < Count; ++i)
        Out[i] = FRing[(First + i) & (kCapacity - 1)].load(std::memory_order_acquire);
    if (FClaimed.load(std::memory_order_relaxed) - First > kCapacity)
        return false;
    if (Fresh == Count)
        Since = First; // so the count never wraps past it
    return true;
}
