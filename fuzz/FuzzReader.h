#pragma once
// Reads a fuzzer's input as a stream of values; past its end every value reads as zero.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

class TReader
{
public:
    TReader(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
    bool Empty() const { return FPos >= FSize; }
    template <class T>
    T Take()
    {
        T V{};
        const std::size_t N = std::min(sizeof V, FSize - FPos);
        std::memcpy(&V, FData + FPos, N);
        FPos += N;
        return V;
    }
    // Copies up to Count bytes; answers how many were left to copy.
    std::size_t TakeBytes(void* Out, std::size_t Count)
    {
        Count = std::min(Count, FSize - FPos);
        std::memcpy(Out, FData + FPos, Count);
        FPos += Count;
        return Count;
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize, FPos = 0;
};
