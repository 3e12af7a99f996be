#include "vst3/VST3TestHost.h"

#include <random>

namespace VST3Test
{

std::string BesideTests(const std::string& Relative)
{
    std::string Path = ExtractFilePath(ExecutablePath()) + Relative;
#if defined(_WIN32)
    for (char& C : Path)
        C = C == '/' ? '\\' : C;
#endif
    return Path;
}

std::vector<std::vector<float>> Noise(int Channels, int Frames, unsigned Seed)
{
    std::mt19937 Random(Seed);
    std::uniform_real_distribution<float> Sample(-0.5f, 0.5f);
    std::vector<std::vector<float>> Out(static_cast<std::size_t>(Channels), std::vector<float>(static_cast<std::size_t>(Frames)));
    for (auto& Channel : Out)
        for (float& S : Channel)
            S = Sample(Random);
    return Out;
}

} // namespace VST3Test
