// marvo-vst validate: the helpers the stages share.
#include <cmath>
#include <cstdio>
#include <sstream>

#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

constexpr std::size_t kGuardedBuffer = 4096;
constexpr unsigned char kGuardByte = 0xA5;

} // namespace

std::string Number(double V, int Digits)
{
    char S[64];
    std::snprintf(S, sizeof S, "%.*g", Digits, V);
    return S;
}

std::string Cell(int Rate, int Block)
{
    return std::to_string(Rate) + " Hz/" + std::to_string(Block);
}

std::string GuardedText(TVstPlugIn& P, TDispatcherOpcode Opcode, std::int32_t Index, std::size_t Limit,
                        std::string& Failure, VstIntPtr Value)
{
    std::vector<unsigned char> Buffer(kGuardedBuffer, kGuardByte);
    P.VstDispatch(Opcode, Index, Value, Buffer.data());
    std::size_t Written = Buffer.size();
    while (Written > 0 && Buffer[Written - 1] == kGuardByte)
        --Written;
    const auto Zero = std::find(Buffer.begin(), Buffer.begin() + static_cast<std::ptrdiff_t>(Limit), 0);
    if (Written > Limit)
        Failure = "wrote " + std::to_string(Written) + " bytes into a " + std::to_string(Limit) + "-byte buffer";
    else if (Written > 0 && Zero == Buffer.begin() + static_cast<std::ptrdiff_t>(Limit))
        Failure = "no terminating zero within " + std::to_string(Limit) + " bytes";
    if (Written == 0 || Zero == Buffer.begin() + static_cast<std::ptrdiff_t>(Limit))
        return "";
    return std::string(Buffer.begin(), Zero);
}

std::vector<std::uint8_t> ProgramRecord(TVstPlugIn& P)
{
    std::vector<std::uint8_t> Record;
    P.FillProgramRecord(std::max(P.ProgramNr(), 0), Record);
    return Record;
}

void LoadRecord(TVstPlugIn& P, const std::vector<std::uint8_t>& Record)
{
    std::istringstream Stream(std::string(Record.begin(), Record.end()), std::ios::binary);
    P.LoadPreset(Stream);
}

std::vector<float> Parameters(TVstPlugIn& P)
{
    std::vector<float> V;
    for (std::int32_t I = 0; I < P.numParams(); ++I)
        V.push_back(P.GetParameter(I));
    return V;
}

void SetPattern(TVstPlugIn& P, double Salt)
{
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        const double V = std::fmod(0.13 + Salt + 0.37 * I, 1.0);
        P.SetParameter(I, static_cast<float>(V));
    }
}

std::string ParameterDifference(const std::vector<float>& Want, const std::vector<float>& Got)
{
    TFailures F;
    for (std::size_t I = 0; I < Want.size() && I < Got.size(); ++I)
        if (Bits(Want[I]) != Bits(Got[I]))
            F.Add("parameter " + std::to_string(I) + " reads " + Number(Got[I], 9) + ", not " + Number(Want[I], 9));
    return F.Text();
}

std::string OutputDifference(const std::vector<float>& Want, const std::vector<float>& Got)
{
    if (Want.size() != Got.size())
        return "the output has another length";
    double Worst = 0.0;
    std::size_t Different = 0;
    for (std::size_t I = 0; I < Want.size(); ++I)
        if (Bits(Want[I]) != Bits(Got[I]))
        {
            ++Different;
            Worst = std::max(Worst, std::fabs(static_cast<double>(Want[I]) - Got[I]));
        }
    if (!Different)
        return "";
    return "the output differs in " + std::to_string(Different) + " of " + std::to_string(Want.size()) +
           " samples (largest difference " + Number(Worst) + ")";
}

} // namespace MarvoVstValidate
