// marvo-vst validate: processing on the grid of rates and block sizes; a second pass on the fast engine
// when the plug-in has one (the equaliser's engine request).
#include <cmath>

#include "MarvoVstValidateStages.h"
#include "equaliser/SEQRequests.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

// Silence out: nothing louder than -120 dBFS.
constexpr float kSilencePeak = 1e-6f;
constexpr double kNoiseSeconds = 1.0;
constexpr double kTailSeconds = 10.0;
// The last part of the tail whose samples must not be subnormal.
constexpr double kTailCheckedSeconds = 1.0;

// The checks of one pass: on the engine the plug-in starts with (Suffix empty), or with the fast engine
// chosen first (Suffix "-fast"). False, and nothing checked, when the plug-in refuses the fast engine.
bool CheckProcessingPass(TValidation& V, const std::string& Suffix)
{
    const std::vector<int> Rates = V.Rates(), Blocks = V.Blocks();
    const int MaxBlock = *std::max_element(Blocks.begin(), Blocks.end());
    TSession S(V.Path(), Rates.front(), Blocks.front());
    if (!Suffix.empty() && (S.P->VstDispatch(effVendorSpecific, kSEQRequestSetEngine, kSEQEngineFast) != 1 ||
                            S.P->VstDispatch(effVendorSpecific, kSEQRequestGetEngine) != kSEQEngineFast))
        return false;
    const std::string Engine = Suffix.empty() ? "" : ", fast engine";
    const bool Generator = S.P->EffectOptions().Contains(effFlagsIsSynth) || S.P->PlugCategory() == vpcSynth ||
                           S.P->PlugCategory() == vpcGenerator || S.P->numInputs() == 0;
    TAudio A(S, MaxBlock);
    TFailures NotFinite, Subnormal, Noisy;
    for (const int Rate : Rates)
        for (const int Block : Blocks)
        {
            const std::string Where = Cell(Rate, Block);
            V.Step("process-finite" + Suffix, "silence, noise and silence at " + Where + Engine);
            A.Resume(Rate, Block);
            float SilencePeak = 0.0f;
            bool Finite = true;
            std::int64_t SubnormalCount = 0;
            A.Run(Rate / 2, Block, false, [&](const float* const* O, int Outputs, int N) {
                for (int C = 0; C < Outputs; ++C)
                    for (int I = 0; I < N; ++I)
                    {
                        Finite = Finite && std::isfinite(O[C][I]);
                        SilencePeak = std::max(SilencePeak, std::fabs(O[C][I]));
                    }
            });
            A.Run(static_cast<std::int64_t>(Rate * kNoiseSeconds), Block, true,
                  [&](const float* const* O, int Outputs, int N) {
                      for (int C = 0; C < Outputs; ++C)
                          for (int I = 0; I < N; ++I)
                              Finite = Finite && std::isfinite(O[C][I]);
                  });
            const auto Tail = static_cast<std::int64_t>(Rate * kTailSeconds);
            const auto Checked = static_cast<std::int64_t>(Rate * kTailCheckedSeconds);
            std::int64_t Position = 0;
            A.Run(Tail, Block, false, [&](const float* const* O, int Outputs, int N) {
                for (int C = 0; C < Outputs; ++C)
                    for (int I = 0; I < N; ++I)
                    {
                        Finite = Finite && std::isfinite(O[C][I]);
                        if (Position + I >= Tail - Checked && std::fpclassify(O[C][I]) == FP_SUBNORMAL)
                            ++SubnormalCount;
                    }
                Position += N;
            });
            if (!Finite)
                NotFinite.Add(Where);
            if (SubnormalCount)
                Subnormal.Add(Where + ": " + std::to_string(SubnormalCount) + " subnormal samples in the last " +
                              Number(kTailCheckedSeconds) + " s of " + Number(kTailSeconds) + " s of silence");
            if (!Generator && SilencePeak > kSilencePeak)
                Noisy.Add(Where + ": peak " + Number(20.0 * std::log10(SilencePeak)) + " dBFS");
        }
    const std::string Grid = " (" + std::to_string(Rates.size() * Blocks.size()) + " cells)";
    V.Check("process-finite" + Suffix, NotFinite.Empty() ? "" : "output not finite at " + NotFinite.Text() + Grid);
    V.Check("process-no-subnormals" + Suffix, Subnormal.Text());
    if (Generator)
        V.Skip("process-silence" + Suffix, "a generator: silence in need not give silence out");
    else
        V.Check("process-silence" + Suffix, Noisy.Empty() ? "" : "silence in, sound out at " + Noisy.Text() + Grid);
    return true;
}

} // namespace

void CheckProcessing(TValidation& V)
{
    CheckProcessingPass(V, "");
    if (!CheckProcessingPass(V, "-fast"))
        V.Skip("process-fast", "the plug-in has no fast engine");
}

} // namespace MarvoVstValidate
