#include "graphics/Random.h"

namespace
{
constexpr std::uint64_t Multiplier = 6364136223846793005ull;
constexpr std::uint64_t Increment = 1442695040888963407ull;
} // namespace

// [any]
TRandom::TRandom(std::uint64_t Seed)
{
    SetSeed(Seed);
}

// [any]
void TRandom::SetSeed(std::uint64_t Seed)
{
    FState = 0;
    Next();
    FState += Seed;
    Next();
}

// [any]
std::uint32_t TRandom::Next()
{
    const std::uint64_t Old = FState;
    FState = Old * Multiplier + Increment;
    const std::uint32_t XorShifted = static_cast<std::uint32_t>(((Old >> 18) ^ Old) >> 27);
    const std::uint32_t Rotation = static_cast<std::uint32_t>(Old >> 59);
    return (XorShifted >> Rotation) | (XorShifted << ((32 - Rotation) & 31));
}

// [any] Multiply-shift with rejection of the biased low part.
int TRandom::Random(int N)
{
    if (N <= 0)
        return 0;
    const std::uint32_t Range = static_cast<std::uint32_t>(N);
    std::uint64_t Product = static_cast<std::uint64_t>(Next()) * Range;
    std::uint32_t Low = static_cast<std::uint32_t>(Product);
    if (Low < Range)
    {
        const std::uint32_t Threshold = (0u - Range) % Range;
        while (Low < Threshold)
        {
            Product = static_cast<std::uint64_t>(Next()) * Range;
            Low = static_cast<std::uint32_t>(Product);
        }
    }
    return static_cast<int>(Product >> 32);
}

// [editor]
int Random(int N)
{
    static TRandom Generator;
    return Generator.Random(N);
}
