// marvo-vst validate for VST 3: a parameter change queued inside a block takes effect at its offset.
#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

namespace
{

constexpr int32 kBlock = 512, kOffset = 100;

// The output of one block (after a warm-up block) with one point of Id at kOffset, or with none.
std::vector<std::vector<float>> Block(TModule& M, const std::pair<ParamID, double>* Point)
{
    TInstance I(M, kSpeakerArrStereo, kSample32, kBlock);
    const auto In = VST3Noise(2 * kBlock, 5);
    std::vector<std::vector<float>> Out(2, std::vector<float>(kBlock));
    for (int Pass = 0; Pass < 2; ++Pass)
    {
        TChanges Changes;
        if (Point && Pass == 1)
            Changes.Add(Point->first, kOffset, Point->second);
        const float* IP[2] = {In[0].data() + Pass * kBlock, In[1].data() + Pass * kBlock};
        float* OP[2] = {Out[0].data(), Out[1].data()};
        I.Process(const_cast<float* const*>(IP), OP, 2, kBlock, &Changes);
    }
    return Out;
}

// The first frame at which two outputs differ; kBlock when none does.
int32 FirstDifference(const std::vector<std::vector<float>>& A, const std::vector<std::vector<float>>& B)
{
    for (int32 F = 0; F < kBlock; ++F)
        for (std::size_t C = 0; C < A.size(); ++C)
            if (Bits(A[C][static_cast<std::size_t>(F)]) != Bits(B[C][static_cast<std::size_t>(F)]))
                return F;
    return kBlock;
}

} // namespace

// Each parameter in turn moves far from its default at offset 100 of a 512-frame block: the output keeps
// every bit before frame 100; at least one parameter changes it from there on.
void CheckVST3Queues(TValidation& V)
{
    V.Step("parameter-queues", "loading the module");
    TModule M(V.Path());
    std::vector<ParameterInfo> Parameters;
    {
        TInstance I(M, kSpeakerArrStereo, kSample32, kBlock, 44100.0, false);
        Parameters = VST3Parameters(*I.Controller);
    }
    const auto Unchanged = Block(M, nullptr);
    TFailures F;
    int Audible = 0;
    for (const ParameterInfo& P : Parameters)
    {
        V.Step("parameter-queues", "parameter " + std::to_string(P.id) + " at offset 100");
        const std::pair<ParamID, double> Point{P.id, P.defaultNormalizedValue < 0.5 ? 1.0 : 0.0};
        const int32 First = FirstDifference(Unchanged, Block(M, &Point));
        if (First < kOffset)
            F.Add("parameter " + std::to_string(P.id) + " changes frame " + std::to_string(First));
        Audible += First < kBlock;
    }
    if (Audible == 0)
        F.Add("no parameter changes the output");
    V.Check("parameter-queues", F.Text());
}

} // namespace MarvoVstValidate
