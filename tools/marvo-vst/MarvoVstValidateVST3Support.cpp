// marvo-vst validate for VST 3: what the stages share.
#include <cmath>
#include <cstring>

#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

bool IsVST3Path(const std::string& Path)
{
    std::string P = Path;
    while (P.size() > 1 && (P.back() == '/' || P.back() == '\\'))
        P.pop_back();
    const auto EndsWith = [&P](const std::string& Tail) {
        return P.size() >= Tail.size() && P.compare(P.size() - Tail.size(), Tail.size(), Tail) == 0;
    };
    return EndsWith(".vst3") || P.find(".vst3/Contents/") != std::string::npos ||
           P.find(".vst3\\Contents\\") != std::string::npos;
}

std::string FixedText(const char* Text, std::size_t Size)
{
    return std::string(Text, strnlen(Text, Size));
}

std::string NarrowText(const char16* Text, std::size_t Size)
{
    std::string Out;
    for (std::size_t I = 0; I < Size && Text[I]; ++I)
        Out += Text[I] < 0x80 ? static_cast<char>(Text[I]) : '?';
    return Out;
}

std::vector<ParameterInfo> VST3Parameters(IEditController& C)
{
    std::vector<ParameterInfo> Out;
    const int32 Count = C.getParameterCount();
    for (int32 I = 0; I < Count; ++I)
    {
        ParameterInfo Info{};
        if (C.getParameterInfo(I, Info) != kResultOk)
            throw std::runtime_error("getParameterInfo(" + std::to_string(I) + ") failed");
        Out.push_back(Info);
    }
    return Out;
}

std::vector<std::pair<ParamID, double>> VST3Pattern(const std::vector<ParameterInfo>& Parameters, double Salt)
{
    std::vector<std::pair<ParamID, double>> Out;
    for (std::size_t I = 0; I < Parameters.size(); ++I)
    {
        const ParameterInfo& P = Parameters[I];
        double V = std::fmod(0.137 + 0.311 * static_cast<double>(I) + Salt, 1.0);
        if (P.flags & ParameterInfo::kIsBypass)
            V = 0.0;
        else if (P.stepCount > 0)
            V = std::round(V * P.stepCount) / P.stepCount;
        Out.emplace_back(P.id, V);
    }
    return Out;
}

std::vector<std::vector<float>> VST3Noise(int Frames, std::uint32_t Seed)
{
    std::vector<std::vector<float>> Out(2, std::vector<float>(static_cast<std::size_t>(Frames)));
    for (auto& Channel : Out)
        for (float& S : Channel)
        {
            Seed = Seed * 1664525u + 1013904223u;
            S = static_cast<float>(Seed >> 8) / 16777216.0f - 0.5f;
        }
    return Out;
}

std::string NonFinite(const std::vector<std::vector<float>>& Out)
{
    for (std::size_t C = 0; C < Out.size(); ++C)
        for (std::size_t I = 0; I < Out[C].size(); ++I)
            if (!std::isfinite(Out[C][I]))
                return "channel " + std::to_string(C) + " frame " + std::to_string(I) + " is " + Number(Out[C][I]);
    return "";
}

std::vector<char> VST3State(IComponent& C)
{
    TMemoryStream S;
    if (C.getState(&S) != kResultOk)
        throw std::runtime_error("getState failed");
    return S.Data;
}

tresult LoadVST3State(IComponent& C, const std::vector<char>& State)
{
    TMemoryStream S;
    S.Data = State;
    return C.setState(&S);
}

} // namespace MarvoVstValidate
