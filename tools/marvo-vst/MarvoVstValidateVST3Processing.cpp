// marvo-vst validate for VST 3: processing over the grid, and hosts that call process carelessly.
#include <cmath>
#include <limits>

#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

namespace
{

// One process call on planes of Frames frames (outputs first set to 0.25), with raw bus facts; the outputs.
std::vector<std::vector<float>> RawProcess(TInstance& I, int32 Frames, int32 Channels, bool NullBuffers,
                                           TChanges* Changes = nullptr)
{
    std::vector<std::vector<float>> In = VST3Noise(std::max(Frames, 1), 3);
    std::vector<std::vector<float>> Out(2, std::vector<float>(In[0].size(), 0.25f));
    float* IP[2] = {In[0].data(), In[1].data()};
    float* OP[2] = {Out[0].data(), Out[1].data()};
    I.Process(NullBuffers ? nullptr : IP, NullBuffers ? nullptr : OP, Channels, Frames, Changes);
    return Out;
}

void CheckCareless(TValidation& V, TModule& M)
{
    TFailures F;
    const auto Finite = [&F](const std::string& What, const std::vector<std::vector<float>>& Out) {
        if (const std::string Bad = NonFinite(Out); !Bad.empty())
            F.Add(What + ": " + Bad);
    };
    {
        V.Step("process-careless", "process before setupProcessing and setActive");
        TInstance Idle(M, kSpeakerArrStereo, kSample32, 512, 44100.0, false);
        Finite("before setup", RawProcess(Idle, 512, 2, false));
    }
    TInstance I(M, kSpeakerArrStereo, kSample32, 512);
    V.Step("process-careless", "0 frames");
    Finite("0 frames", RawProcess(I, 0, 2, false));
    V.Step("process-careless", "more frames than announced");
    Finite("2048 frames of 512 announced", RawProcess(I, 2048, 2, false));
    V.Step("process-careless", "null buffers");
    RawProcess(I, 512, 2, true);
    V.Step("process-careless", "channel counts other than the arrangement's");
    Finite("1 channel on stereo", RawProcess(I, 512, 1, false));
    Finite("0 channels on stereo", RawProcess(I, 512, 0, false));
    V.Step("process-careless", "NaN and infinite parameter values");
    const auto Parameters = VST3Parameters(*I.Controller);
    const double kBad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), 1e300, -1.0};
    for (const double Bad : kBad)
    {
        TChanges Changes;
        for (const ParameterInfo& P : Parameters)
            if (!(P.flags & ParameterInfo::kIsBypass))
                Changes.Add(P.id, 17, Bad);
        Finite("parameters at " + Number(Bad), RawProcess(I, 512, 2, false, &Changes));
        Finite("the block after parameters at " + Number(Bad), RawProcess(I, 512, 2, false));
    }
    V.Check("process-careless", F.Text());
}

} // namespace

void CheckVST3Processing(TValidation& V)
{
    V.Step("process-finite", "loading the module");
    TModule M(V.Path());
    const std::vector<int> Blocks = V.Blocks();
    const int MaxBlock = *std::max_element(Blocks.begin(), Blocks.end());
    TFailures F;
    for (const int Rate : V.Rates())
    {
        TInstance I(M, kSpeakerArrStereo, kSample32, MaxBlock, Rate);
        const auto Setting = VST3Pattern(VST3Parameters(*I.Controller), 0.0);
        for (const int Block : Blocks)
        {
            V.Step("process-finite", Cell(Rate, Block));
            const std::string Bad = NonFinite(I.Run(VST3Noise(Rate / 4, 11), Block, Setting));
            if (!Bad.empty())
                F.Add(Cell(Rate, Block) + ": " + Bad);
        }
    }
    V.Check("process-finite", F.Text());
    CheckCareless(V, M);
}

} // namespace MarvoVstValidate
