#pragma once
// A short text that one thread may rewrite while others read it: a sequence count around fixed cells. A
// reader never sees half a write (it reads again while one is under way); nothing allocates or locks but
// the copy a reader returns.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

template <std::size_t Capacity>
class TSharedText
{
    static_assert(Capacity < 256, "the length is kept in one byte");

public:
    explicit TSharedText(std::string_view Initial = {}) { Store(Initial); }
    TSharedText(const TSharedText&) = delete;
    TSharedText& operator=(const TSharedText&) = delete;

    // [any] The whole text of one write.
    std::string Load() const
    {
        for (;;)
        {
            const std::uint32_t Before = FSequence.load(std::memory_order_acquire);
            if (Before & 1u)
                continue;
            std::array<std::uint64_t, Words> Copy;
            // Acquire loads: a cell from a write that began after Before keeps the count read below from
            // being Before.
            for (std::size_t I = 0; I < Words; ++I)
                Copy[I] = FWords[I].load(std::memory_order_acquire);
            if (FSequence.load(std::memory_order_relaxed) != Before)
                continue;
            char Bytes[Words * 8];
            std::memcpy(Bytes, Copy.data(), sizeof Bytes);
            return std::string(Bytes + 1, static_cast<unsigned char>(Bytes[0]));
        }
    }

    // [any] Keeps the first Capacity characters of Text; writers on several threads take turns.
    void Store(std::string_view Text)
    {
        char Bytes[Words * 8] = {};
        const std::size_t Length = Text.size() < Capacity ? Text.size() : Capacity;
        Bytes[0] = static_cast<char>(Length);
        std::memcpy(Bytes + 1, Text.data(), Length);
        std::array<std::uint64_t, Words> Cells;
        std::memcpy(Cells.data(), Bytes, sizeof Bytes);
        // An odd count marks a write under way: take the next even one to odd.
        std::uint32_t Sequence = FSequence.load(std::memory_order_relaxed) & ~1u;
        while (!FSequence.compare_exchange_weak(Sequence, Sequence + 1, std::memory_order_acquire,
                                                std::memory_order_relaxed))
            Sequence &= ~1u;
        for (std::size_t I = 0; I < Words; ++I)
            FWords[I].store(Cells[I], std::memory_order_release);
        FSequence.store(Sequence + 2, std::memory_order_release);
    }

private:
    // The length byte and the characters, packed into 64-bit cells.
    static constexpr std::size_t Words = (Capacity + 1 + 7) / 8;
    std::atomic<std::uint32_t> FSequence{0};
    std::array<std::atomic<std::uint64_t>, Words> FWords{};
};
