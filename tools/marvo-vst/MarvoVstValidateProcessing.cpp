// marvo-vst validate: processing on the grid of rates and block sizes.
#include <cmath>

#include "MarvoVstValidateStages.h"
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

} // namespace

void CheckProcessing(TValidation& V)
{
    const std::vector<int> Rates = V.Rates(), Blocks = V.Blocks();
    const int MaxBlock = *std::max_element(Blocks.begin(), Blocks.end());
    TSession S(V.Path(), Rates.front(), Blocks.front());
    const bool Generator = S.P->EffectOptions().Contains(effFlagsIsSynth) || S.P->PlugCategory() == vpcSynth ||
                           S.P->PlugCategory() == vpcGenerator || S.P->numInputs() == 0;
    TAudio A(S, MaxBlock);
    TFailures NotFinite, Subnormal, Noisy;
    for (const int Rate : Rates)
        for (const int Block : Blocks)
        {
            const std::string Where = Cell(Rate, Block);
            V.Step("process-finite", "silence, noise and silence at " + Where);
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
    V.Check("process-finite", NotFinite.Empty() ? "" : "output not finite at " + NotFinite.Text() + Grid);
    V.Check("process-no-subnormals", Subnormal.Text());
    if (Generator)
        V.Skip("process-silence", "a generator: silence in need not give silence out");
    else
        V.Check("process-silence", Noisy.Empty() ? "" : "silence in, sound out at " + Noisy.Text() + Grid);
}

} // namespace MarvoVstValidate
