#pragma once
// marvo-vst validate: what the stages share: text buffers as hosts hand them, a session with the plug-in
// loaded, audio planes and blocks through an instance, and the small texts a check reports with.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "MarvoVstValidate.h"

namespace MarvoVstValidate
{

// Text buffers as hosts hand them: a plug-in may write up to this many bytes, its zero included.
constexpr std::size_t kTextBuffer = 64;
constexpr std::size_t kErrorTextBuffer = 256;

std::string Number(double V, int Digits = 3);
std::string Cell(int Rate, int Block);

// Gathers the failures of one check: the first few in full, then a count.
class TFailures
{
public:
    void Add(const std::string& Text)
    {
        if (FCount++ < 3)
            FText += (FText.empty() ? "" : "; ") + Text;
    }
    std::string Text() const
    {
        return FCount > 3 ? FText + "; and " + std::to_string(FCount - 3) + " more" : FText;
    }
    bool Empty() const { return FCount == 0; }

private:
    std::string FText;
    int FCount = 0;
};

inline std::uint32_t Bits(float V)
{
    std::uint32_t B;
    std::memcpy(&B, &V, sizeof B);
    return B;
}

// One host with the plug-in loaded and opened, at Rate and Block.
struct TSession
{
    explicit TSession(const std::string& Path, int Rate = 44100, int Block = 512)
    {
        Host.VstTimeInfo().SetSampleRate(Rate);
        Host.SetBlockSize(Block);
        P = &LoadPlugIn(Host, Path);
    }
    TVstHost Host;
    TVstPlugIn* P = nullptr;
};

// Audio planes for an instance and the blocks that run through it; one thread at a time uses an object:
// [host-main], or the threads and editor checks' processing thread [audio].
class TAudio
{
public:
    TAudio(TSession& S, int MaxBlock) : TAudio(S.Host, *S.P, MaxBlock) {}
    TAudio(TVstHost& Host, TVstPlugIn& P, int MaxBlock) : FHost(Host), FP(P), FMaxBlock(MaxBlock)
    {
        const int Planes = std::max({P.numInputs(), P.numOutputs(), 1});
        if (Planes > kMaxPlugInChannels)
            throw std::runtime_error("the plug-in declares " + std::to_string(Planes) + " channels");
        FIn.assign(static_cast<std::size_t>(Planes) * MaxBlock, 0.0f);
        FOut.assign(FIn.size(), 0.0f);
        for (int C = 0; C < Planes; ++C)
        {
            FInPlanes.push_back(FIn.data() + static_cast<std::size_t>(C) * MaxBlock);
            FOutPlanes.push_back(FOut.data() + static_cast<std::size_t>(C) * MaxBlock);
        }
        FReplacing = P.EffectOptions().Contains(effFlagsCanReplacing) && P.VstEffect->processReplacing;
    }

    // Suspends, sets the rate and the block size (the host's too), resumes: the plug-in starts afresh.
    void Resume(int Rate, int Block)
    {
        FP.MainsChanged(false);
        FHost.VstTimeInfo().SetSampleRate(Rate);
        FHost.SetBlockSize(Block);
        FP.SetSampleRate(Rate);
        FP.MainsChanged(true);
    }
    void Seed(std::uint32_t V) { FNoise = V; }

    // [host-main] or [audio] Processes Frames frames in blocks of Block (at most the maximum), with noise at
    // -6 dBFS or silence in; Visit(Outputs, N) sees each block's output planes.
    template <class TVisit>
    void Run(std::int64_t Frames, int Block, bool Noise, TVisit&& Visit)
    {
        const int Outputs = FP.numOutputs();
        for (std::int64_t Done = 0; Done < Frames;)
        {
            const int N = static_cast<int>(std::min<std::int64_t>({Frames - Done, Block, FMaxBlock}));
            for (float* Plane : FInPlanes)
                for (int I = 0; I < N; ++I)
                    Plane[I] = Noise ? NextNoise() : 0.0f;
            if (FReplacing)
                FP.ProcessReplacing(FInPlanes.data(), FOutPlanes.data(), N);
            else
            {
                std::fill(FOut.begin(), FOut.end(), 0.0f);
                FP.Process(FInPlanes.data(), FOutPlanes.data(), N);
            }
            Visit(const_cast<const float* const*>(FOutPlanes.data()), Outputs, N);
            Done += N;
        }
    }
    void Run(std::int64_t Frames, int Block, bool Noise)
    {
        Run(Frames, Block, Noise, [](const float* const*, int, int) {});
    }
    // The output of Frames frames of noise after a fresh start and two seconds of silence (which let a
    // plug-in's parameter smoothing settle to the last bit).
    std::vector<float> Render(int Rate, int Block, std::int64_t Frames)
    {
        Resume(Rate, Block);
        Run(Rate * 2, Block, false);
        Seed(12345);
        std::vector<float> Out;
        Run(Frames, Block, true, [&Out](const float* const* O, int Outputs, int N) {
            for (int C = 0; C < Outputs; ++C)
                Out.insert(Out.end(), O[C], O[C] + N);
        });
        return Out;
    }

private:
    float NextNoise()
    {
        FNoise = FNoise * 1664525u + 1013904223u;
        return (static_cast<float>(FNoise >> 8) / 16777216.0f - 0.5f);
    }

    TVstHost& FHost;
    TVstPlugIn& FP;
    int FMaxBlock;
    std::vector<float> FIn, FOut;
    std::vector<float*> FInPlanes, FOutPlanes;
    bool FReplacing = true;
    std::uint32_t FNoise = 1;
};

// A text opcode's answer in a guarded buffer; Failure names an overrun or a missing zero.
std::string GuardedText(TVstPlugIn& P, TDispatcherOpcode Opcode, std::int32_t Index, std::size_t Limit,
                        std::string& Failure, VstIntPtr Value = 0);
// The parameter-form program of the current state, and such a program loaded (raises when refused).
std::vector<std::uint8_t> ProgramRecord(TVstPlugIn& P);
void LoadRecord(TVstPlugIn& P, const std::vector<std::uint8_t>& Record);
std::vector<float> Parameters(TVstPlugIn& P);
// A deterministic spread of values, another for each Salt.
void SetPattern(TVstPlugIn& P, double Salt);
// Which parameters differ (by their bits), as a short text; empty when none.
std::string ParameterDifference(const std::vector<float>& Want, const std::vector<float>& Got);
// How two outputs differ, as a short text; empty when bit for bit the same.
std::string OutputDifference(const std::vector<float>& Want, const std::vector<float>& Got);

} // namespace MarvoVstValidate
