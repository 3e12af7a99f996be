#pragma once
// FNV-1a, 64 bits: the digest behind the output bits pinned in the tests.
#include <cstddef>
#include <cstdint>

struct TFnv1a64
{
    std::uint64_t Hash = 0xCBF29CE484222325ull;
    void AddBytes(const void* Bytes, std::size_t Count)
    {
        for (std::size_t i = 0; i < Count; ++i)
            Hash = (Hash ^ static_cast<const unsigned char*>(Bytes)[i]) * 0x100000001B3ull;
    }
    // The word's four bytes, least significant first.
    void Add(std::uint32_t Word)
    {
        for (int i = 0; i < 4; ++i)
            Hash = (Hash ^ ((Word >> (8 * i)) & 0xFFu)) * 0x100000001B3ull;
    }
};
