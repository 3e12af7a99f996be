// marvo-vst process: an audio file through a plug-in's processReplacing, block by block, into a file of the
// same rate, channel count and encoding.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "MarvoVst.h"
#include "audiofile/AudioFile.h"
#include "console/ProgressBar.h"
#include "equaliser/SEQRequests.h"

namespace
{

bool SameFile(const std::string& A, const std::string& B)
{
    std::error_code E;
    return std::filesystem::equivalent(A, B, E) && !E;
}

// The plug-in's planes: a block of each, and the input and output pointers into them.
struct TPlanes
{
    std::vector<float> InData, OutData;
    std::vector<float*> In, Out;

    TPlanes(std::size_t Planes, std::size_t Frames)
        : InData(Frames * Planes, 0.0f), OutData(Frames * Planes, 0.0f), In(Planes), Out(Planes)
    {
        for (std::size_t C = 0; C < Planes; ++C)
        {
            In[C] = InData.data() + C * Frames;
            Out[C] = OutData.data() + C * Frames;
        }
    }
};

// [host-main] The command line's program, settings and engine on the plug-in, then the plug-in resumed for
// offline processing at the file's rate in the host's block size.
void StartOffline(TVstPlugIn& P, const TCommandLine& CommandLine, int SampleRate)
{
    ApplyProgramAndSettings(P, CommandLine);
    if (!CommandLine.Engine.empty() &&
        P.VstDispatch(effVendorSpecific, kSEQRequestSetEngine,
                      CommandLine.Engine == "fast" ? kSEQEngineFast : kSEQEngineReference) != 1)
        throw std::runtime_error("'" + CommandLine.Arguments[0] + "' has no choice of engine (--engine)");

    P.ReplaceOrAccumulate = roa1Replace;
    P.CurrentProcessLevel = cpl4OfflineProcessing;
    P.MainsChanged(false);
    P.SetSampleRate(SampleRate);
    P.SetBlockSize(CommandLine.BlockSize);
    P.MainsChanged(true);
}

} // namespace

TChannelPlan PlanChannels(int FileChannels, int PlugInInputs, int PlugInOutputs)
{
    if (PlugInInputs < 0 || PlugInOutputs < 0 || PlugInInputs > kMaxPlugInChannels ||
        PlugInOutputs > kMaxPlugInChannels)
        throw std::runtime_error("the plug-in declares an implausible " + std::to_string(PlugInInputs) +
                                 " inputs and " + std::to_string(PlugInOutputs) + " outputs");
    if (PlugInOutputs == 0)
        throw std::runtime_error("the plug-in has no audio outputs");
    const std::string Has = "the file has " + std::to_string(FileChannels) + " channels but the plug-in ";
    if (FileChannels > PlugInOutputs)
        throw std::runtime_error(Has + "has only " + std::to_string(PlugInOutputs) + " output" +
                                 (PlugInOutputs == 1 ? "" : "s"));
    if (PlugInInputs > 0 && FileChannels > PlugInInputs)
        throw std::runtime_error(Has + "takes only " + std::to_string(PlugInInputs) + " input" +
                                 (PlugInInputs == 1 ? "" : "s"));
    TChannelPlan Plan;
    Plan.Planes = std::max({FileChannels, PlugInInputs, PlugInOutputs});
    Plan.DuplicateMono = FileChannels == 1 && PlugInInputs > 1;
    return Plan;
}

int RunProcess(const TCommandLine& CommandLine)
{
    const std::string& PlugInPath = CommandLine.Arguments[0];
    const std::string& InPath = CommandLine.Arguments[1];
    const std::string& OutPath = CommandLine.Arguments[2];
    const int Block = CommandLine.BlockSize;

    std::unique_ptr<TAudioReader> Reader = OpenAudioReader(InPath);
    const TAudioFormat& Format = Reader->Format();
    if (SameFile(InPath, OutPath))
        throw std::runtime_error("'" + OutPath + "' is the input file; choose another output file");

    TVstHost Host;
    // The plug-in is opened with the file's rate and the block size as the host's own.
    Host.VstTimeInfo().SetSampleRate(Format.SampleRate);
    Host.SetBlockSize(Block);
    TVstPlugIn& P = LoadPlugIn(Host, PlugInPath);
    TChannelPlan Plan;
    try
    {
        Plan = PlanChannels(Format.Channels, P.numInputs(), P.numOutputs());
    }
    catch (const std::runtime_error& E)
    {
        throw std::runtime_error("cannot process '" + InPath + "': " + E.what());
    }
    StartOffline(P, CommandLine, Format.SampleRate);
    const bool Replacing = P.EffectOptions().Contains(effFlagsCanReplacing);

    const auto Channels = static_cast<std::size_t>(Format.Channels);
    const auto Frames = static_cast<std::size_t>(Block);
    const auto Inputs = static_cast<std::size_t>(std::max(P.numInputs(), 0));
    std::vector<float> Interleaved(Frames * Channels);
    TPlanes Planes(static_cast<std::size_t>(Plan.Planes), Frames);
    std::vector<float>&InData = Planes.InData, &OutData = Planes.OutData;
    std::vector<float*>&In = Planes.In, &Out = Planes.Out;

    std::unique_ptr<TAudioWriter> Writer = CreateAudioWriter(OutPath, Format);
    if (Writer->Description() != Format.Description)
        std::fprintf(stderr, "marvo-vst: '%s' is written as %s (%s cannot be written)\n", OutPath.c_str(),
                     Writer->Description().c_str(), Format.Description.c_str());
    try
    {
        TProgressBar Progress("marvo-vst: processing", Format.Frames,
                              TProgressBar::Wanted(Format.Frames, Format.SampleRate));
        std::int64_t Position = 0;
        while (const std::size_t N = Reader->Read(Interleaved.data(), Frames))
        {
            // Input planes beyond the file's channels are silent (or the mono channel); cleared on every
            // block, as a plug-in may use its inputs as scratch space.
            std::fill(InData.begin(), InData.end(), 0.0f);
            for (std::size_t C = 0; C < Channels; ++C)
                for (std::size_t I = 0; I < N; ++I)
                    In[C][I] = Interleaved[I * Channels + C];
            if (Plan.DuplicateMono)
                for (std::size_t C = 1; C < Inputs; ++C)
                    std::copy(In[0], In[0] + N, In[C]);
            Host.VstTimeInfo().SetSamplePos(static_cast<double>(Position));
            if (Replacing)
                P.ProcessReplacing(In.data(), Out.data(), static_cast<std::int32_t>(N));
            else
            {
                std::fill(OutData.begin(), OutData.end(), 0.0f);
                P.Process(In.data(), Out.data(), static_cast<std::int32_t>(N));
            }
            for (std::size_t C = 0; C < Channels; ++C)
                for (std::size_t I = 0; I < N; ++I)
                    Interleaved[I * Channels + C] = Out[C][I];
            Writer->Write(Interleaved.data(), N);
            Position += static_cast<std::int64_t>(N);
            Progress.Update(Position);
        }
        Progress.Finish();
        P.MainsChanged(false);
        Writer->Close();
    }
    catch (...)
    {
        Writer.reset();
        std::error_code Ignored;
        std::filesystem::remove(OutPath, Ignored);
        throw;
    }
    return 0;
}
