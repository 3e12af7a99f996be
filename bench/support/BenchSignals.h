#pragma once
// What the adapters' benchmarks feed the equaliser: one setting with every band active and the same noise, so
// their figures compare.
#include <random>
#include <utility>
#include <vector>

namespace BenchSignals
{

// The normalised setting: gains and symmetries on every band, as the equaliser's own benchmark sets them.
inline std::vector<std::pair<int, float>> Setting()
{
    const float Gains[8] = {6, -4, 3, -6, 5, -3, 4, -5};
    const float Symmetries[8] = {-1, -0.5f, 0.3f, 0, -0.2f, 0.6f, 0.5f, 1};
    std::vector<std::pair<int, float>> S;
    for (int B = 0; B < 8; ++B)
    {
        S.emplace_back(4 * B + 1, (Gains[B] + 15.0f) / 30.0f);
        S.emplace_back(4 * B + 3, (Symmetries[B] + 1.0f) / 2.0f);
    }
    return S;
}

// Frames of uniform noise in -0.5..0.5 from Seed.
inline std::vector<float> Noise(std::size_t Frames, unsigned Seed)
{
    std::mt19937 Random(Seed);
    std::uniform_real_distribution<float> U(-0.5f, 0.5f);
    std::vector<float> S(Frames);
    for (float& X : S)
        X = U(Random);
    return S;
}

} // namespace BenchSignals
