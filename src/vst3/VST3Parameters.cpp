#include "vst3/VST3Parameters.h"

#include "platform/FPUControl.h"

namespace VST3Marvo
{

namespace
{

// [host-main] A text the dispatcher writes into a 256-byte buffer.
std::string DispatchText(AEffect* E, VstInt32 Opcode, VstInt32 Index)
{
    char Text[256] = {};
    E->dispatcher(E, Opcode, Index, 0, Text, 0.0f);
    Text[sizeof Text - 1] = 0;
    return Text;
}

} // namespace

std::u16string Widen(const std::string& Text)
{
    std::u16string Wide;
    for (char C : Text)
        Wide.push_back(static_cast<char16>(static_cast<unsigned char>(C)));
    return Wide;
}

void CopyString16(char16* To, int Size, const std::u16string& Text)
{
    if (!To || Size <= 0)
        return;
    int I = 0;
    for (; I < Size - 1 && I < static_cast<int>(Text.size()); ++I)
        To[I] = Text[static_cast<std::size_t>(I)];
    To[I] = 0;
}

std::vector<TParameterFacts> ReadParameterFacts(AEffect* E)
{
    TFPUControlScope FPU;
    std::vector<TParameterFacts> Facts;
    for (VstInt32 I = 0; I < E->numParams; ++I)
    {
        TParameterFacts F;
        F.Id = static_cast<ParamID>(I);
        F.Described = ReadParameterDescription(E, I, F.Description);
        if (F.Described)
        {
            const TVstParameterDescription& D = F.Description;
            F.Title = Widen(D.Name);
            F.ShortTitle = Widen(D.ShortLabel.empty() ? D.Name : D.ShortLabel);
            F.Units = Widen(D.Units);
            F.StepCount = D.StepCount;
            F.Default = RealToNormalized(D, D.Default);
        }
        else
        {
            F.Title = F.ShortTitle = Widen(DispatchText(E, effGetParamName, I));
            F.Units = Widen(DispatchText(E, effGetParamLabel, I));
            F.Default = E->getParameter(E, I);
        }
        Facts.push_back(std::move(F));
    }
    return Facts;
}

double PlainOf(const TParameterFacts& F, double Normalised)
{
    return F.Described ? NormalizedToReal(F.Description, static_cast<float>(Normalised)) : Normalised;
}

double NormalisedOf(const TParameterFacts& F, double Plain)
{
    return F.Described ? RealToNormalized(F.Description, static_cast<float>(Plain)) : Plain;
}

} // namespace VST3Marvo
