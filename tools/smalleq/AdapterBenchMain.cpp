// dsp-marvo-bench: stereo frames per second of the player adapter's ModifySamples (16-bit stereo blocks of
// 576 frames, all eight bands active) beside the equaliser's own processReplacing in the same run, and the
// ratio between them: what the conversion and the lock cost. Both builds (the Windows one under Wine). The two
// are measured in alternating rounds of processor time and each one's best round counts, so that a machine
// whose load changes during the run does not favour either.
// The adapter's Quit writes Marvo.fxp beside this program; a file that was there before is restored.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "adapter/AdapterEngine.h"
#include "adapter/WADSPVST.h"
#include "platform/AtomicFile.h"
#include "platform/FPUControl.h"
#include "platform/System.h"

constexpr int kFrames = 576;

// [host-main] Like FramesPerSecond, but in processor time of this process (std::clock: natively the time the
// process ran, so a machine shared with other work does not count; the Windows C library answers wall time).
template <class F>
double FramesPerProcessorSecond(F&& Block, int Frames, double Seconds)
{
    const std::clock_t Start = std::clock();
    long long Total = 0;
    double Elapsed = 0.0;
    do
    {
        for (int i = 0; i < 16; ++i)
            Block();
        Total += 16LL * Frames;
        Elapsed = static_cast<double>(std::clock() - Start) / CLOCKS_PER_SEC;
    } while (Elapsed < Seconds);
    return static_cast<double>(Total) / Elapsed;
}

int main(int argc, char** argv)
{
    const double Seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int kRounds = std::max(10, static_cast<int>(Seconds * 20));
    const std::string Setting = TMarvoSetting::PlayerFile();
    const auto Previous = ReadWholeFile(Setting);

    TWinampDSPModule* Module = WinampDSPHeader()->getModule(0);
    Module->Init(Module);
    AEffect* Hosted = MarvoEngine ? MarvoEngine->Effect() : nullptr;
    auto* Eq = Hosted ? static_cast<TSmallEQModule*>(Hosted->object) : nullptr;
    if (!Eq)
    {
        std::fprintf(stderr, "dsp-marvo-bench: the adapter did not start\n");
        return 1;
    }
    const float Gains[8] = {6, -4, 3, -6, 5, -3, 4, -5};
    const float Symmetries[8] = {-1, -0.5f, 0.3f, 0, -0.2f, 0.6f, 0.5f, 1};
    for (int b = 0; b < 8; ++b)
    {
        Eq->SetParameterAutomated(4 * b + 1, Gains[b]);
        Eq->SetParameterAutomated(4 * b + 3, Symmetries[b]);
    }

    std::vector<std::int16_t> Source(2 * kFrames), Block(2 * kFrames);
    std::vector<float> Left(kFrames), Right(kFrames), OutLeft(kFrames), OutRight(kFrames);
    for (int i = 0; i < kFrames; ++i)
    {
        Left[static_cast<std::size_t>(i)] = static_cast<float>((i * 7919) % 1000) / 2000.0f - 0.25f;
        Right[static_cast<std::size_t>(i)] = -Left[static_cast<std::size_t>(i)];
        Source[2 * static_cast<std::size_t>(i)] = static_cast<std::int16_t>(Left[static_cast<std::size_t>(i)] * 32767);
        Source[2 * static_cast<std::size_t>(i) + 1] = static_cast<std::int16_t>(Right[static_cast<std::size_t>(i)] * 32767);
    }
    TSmallEQModule* Direct = nullptr;
    AEffect* E = nullptr;
    {
        TFPUControlScope Fpu;
        Direct = NewActiveModule();
        E = Direct->Effect();
    }
    float* In[2] = {Left.data(), Right.data()};
    float* Out[2] = {OutLeft.data(), OutRight.data()};
    double Adapter = 0.0, Plugin = 0.0;
    for (int Round = 0; Round < kRounds; ++Round)
    {
        Adapter = std::max(Adapter, FramesPerProcessorSecond(
                                        [&] {
                                            std::memcpy(Block.data(), Source.data(), Block.size() * sizeof(std::int16_t));
                                            Module->ModifySamples(Module, Block.data(), kFrames, 16, 2, 44100);
                                        },
                                        kFrames, Seconds / kRounds));
        TFPUControlScope Fpu;
        Plugin = std::max(Plugin, FramesPerProcessorSecond([&] { E->processReplacing(E, In, Out, kFrames); }, kFrames,
                                                  Seconds / kRounds));
    }
    {
        TFPUControlScope Fpu;
        E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    }
    Module->Quit(Module);
    if (Previous)
        WriteFileAtomically(Setting, Previous->data(), Previous->size());
    else
        RemoveFile(Setting);

    std::printf("576-frame 16-bit stereo blocks: ModifySamples %7.2f M frames/s, processReplacing %7.2f M "
                "frames/s, ratio %.3f\n",
                Adapter / 1e6, Plugin / 1e6, Adapter / Plugin);
    return 0;
}
