// softsaturate-proof [threads]: compares SoftSaturate and SoftSaturateBlock with SoftSaturateExtended bit for
// bit over all 2^32 float bit patterns (NaNs, infinities, subnormals and both zeros included) at the x87 control word the
// sample path runs with. Prints the number of differing inputs and the first few; exit code 0 when none.
#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "dsp/DDSPBase.h"
#include "platform/FPUControl.h"

int main(int argc, char** argv)
{
    const unsigned Threads = argc > 1 ? static_cast<unsigned>(std::max(1, std::atoi(argv[1]))) : 2u;
    constexpr std::uint64_t kInputs = std::uint64_t(1) << 32;
    std::atomic<std::uint64_t> Mismatches{0};
    std::mutex Report;
    std::vector<std::uint32_t> Examples;
    const auto Start = std::chrono::steady_clock::now();

    std::vector<std::thread> Workers;
    for (unsigned t = 0; t < Threads; ++t)
        Workers.emplace_back([&, t] {
            TFPUControlScope Fpu;
            std::uint64_t Local = 0;
            // Each thread takes every Threads-th run of kRun consecutive patterns; SoftSaturateBlock sees each
            // run at once (its four-at-a-time path and its tail).
            constexpr std::uint64_t kRun = 1023;
            float In[kRun], Out[kRun];
            for (std::uint64_t First = t * kRun; First < kInputs; First += Threads * kRun)
            {
                const std::uint64_t Count = std::min(kRun, kInputs - First);
                for (std::uint64_t k = 0; k < Count; ++k)
                    In[k] = std::bit_cast<float>(static_cast<std::uint32_t>(First + k));
                SoftSaturateBlock(In, Out, Count);
                for (std::uint64_t k = 0; k < Count; ++k)
                {
                    const float x = In[k];
                    const std::uint32_t Reference = std::bit_cast<std::uint32_t>(SoftSaturateExtended(x));
                    if (std::bit_cast<std::uint32_t>(SoftSaturate(x)) != Reference ||
                        std::bit_cast<std::uint32_t>(Out[k]) != Reference)
                    {
                        ++Local;
                        std::lock_guard<std::mutex> Hold(Report);
                        if (Examples.size() < 10)
                            Examples.push_back(std::bit_cast<std::uint32_t>(x));
                    }
                }
            }
            Mismatches += Local;
        });
    for (std::thread& W : Workers)
        W.join();

    const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    for (std::uint32_t Bits : Examples)
    {
        const float x = std::bit_cast<float>(Bits);
        float Block = 0.0f;
        SoftSaturateBlock(&x, &Block, 1);
        std::printf("differs: input 0x%08X (%.9g): 0x%08X, block 0x%08X, against 0x%08X\n", Bits,
                    static_cast<double>(x), std::bit_cast<std::uint32_t>(SoftSaturate(x)),
                    std::bit_cast<std::uint32_t>(Block), std::bit_cast<std::uint32_t>(SoftSaturateExtended(x)));
    }
    std::printf("SoftSaturate and SoftSaturateBlock against SoftSaturateExtended: %llu of %llu float inputs differ (%u threads, %.1f s)\n",
                static_cast<unsigned long long>(Mismatches.load()), static_cast<unsigned long long>(kInputs),
                Threads, Seconds);
    return Mismatches.load() == 0 ? 0 : 1;
}
