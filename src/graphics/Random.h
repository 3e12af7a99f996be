#pragma once
// A small deterministic pseudo-random generator (PCG32, XSH-RR output): the same sequence in every build for
// the same seed.
#include <cstdint>

class TRandom
{
public:
    // [any]
    explicit TRandom(std::uint64_t Seed = 0x853C49E6748FEA9Bull);
    // [any] Restarts the sequence of Seed.
    void SetSeed(std::uint64_t Seed);
    // [any] The next 32 uniformly distributed bits.
    std::uint32_t Next();
    // [any] A uniform integer in [0, N) without modulo bias; 0 when N <= 0.
    int Random(int N);

private:
    std::uint64_t FState = 0;
};

// [editor] A uniform integer in [0, N) from one process-wide generator (fixed seed); 0 when N <= 0.
int Random(int N);
