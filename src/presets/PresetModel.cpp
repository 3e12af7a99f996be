#include "presets/PresetModel.h"

#include "dsp/DMath.h"
#include "equaliser/SEQParameters.h"
#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"

namespace
{

// [any] What the equaliser's parameter descriptions say each handler keeps, read once from a module of its own.
std::array<TParameterRange, kModelParameters> DescribedRanges()
{
    TFPUControlScope FPU;
    auto* Module = new TSmallEQModule(nullptr);
    std::array<TParameterRange, kModelParameters> Ranges{};
    for (int i = 0; i < kModelParameters; ++i)
    {
        const TVstParameterDescription D = Module->ParameterDescription(i);
        Ranges[static_cast<std::size_t>(i)] = {D.LimitMin, D.LimitMax};
    }
    AEffect* E = Module->Effect();
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    return Ranges;
}

} // namespace

TParameterRange ParameterRange(int Index)
{
    static const std::array<TParameterRange, kModelParameters> Ranges = DescribedRanges();
    return Ranges[static_cast<std::size_t>(Index)];
}

TEqualiserModel::TEqualiserModel(std::vector<double> Frequencies, double SampleRate)
    : FFrequencies(std::move(Frequencies)), FModule(new TSmallEQModule(nullptr))
{
    TFPUControlScope FPU;
    FModule->VSTModuleSampleRateChange(FModule, static_cast<float>(SampleRate));
}

TEqualiserModel::~TEqualiserModel()
{
    AEffect* E = FModule->Effect();
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
}

float TEqualiserModel::SetParameter(int Index, float Value)
{
    TFPUControlScope FPU;
    FModule->SetParameter(Index, Value);
    if (Index == kModelVolumeIndex)
        FVolumeDb = static_cast<double>(20.0L * Extended::Log10(FModule->VolumeFactor()));
    else
        FStaleBands |= 1u << BandOfParameter(Index);
    return FModule->Parameter(Index);
}

float TEqualiserModel::Parameter(int Index) const
{
    return FModule->Parameter(Index);
}

void TEqualiserModel::SetAll(const TEqualiserSetting& Setting)
{
    for (int i = 0; i < kModelParameters; ++i)
        if (FModule->Parameter(i) != Setting[i] || i == kModelVolumeIndex)
            SetParameter(i, Setting[i]);
}

TEqualiserSetting TEqualiserModel::All() const
{
    TEqualiserSetting S;
    for (int i = 0; i < kModelParameters; ++i)
        S[i] = FModule->Parameter(i);
    return S;
}

double TEqualiserModel::BandwidthOctaves(int Band) const
{
    return FModule->Filter(Band)->Bandwidth();
}

float TEqualiserModel::Normalised(int Index) const
{
    TFPUControlScope FPU;
    return FModule->ParameterToNormalized(Index, FModule->Parameter(Index));
}

TEqualiserSetting TEqualiserModel::SettleAsStored()
{
    TFPUControlScope FPU;
    for (int i = 0; i < kModelParameters; ++i)
        for (int Round = 0; Round < 8; ++Round)
        {
            const float Now = FModule->Parameter(i);
            const float Back = FModule->NormalizedToParameter(i, FModule->ParameterToNormalized(i, Now));
            if (Back == Now)
                break;
            SetParameter(i, Back);
        }
    return All();
}

void TEqualiserModel::ComputeBand(int Band, std::vector<double>& Db) const
{
    TFPUControlScope FPU;
    const TSymmetryFilter* F = FModule->Filter(Band);
    Db.resize(FFrequencies.size());
    for (std::size_t i = 0; i < FFrequencies.size(); ++i)
        Db[i] = F->ResponseMagnitudeDb(FFrequencies[i]);
}

const std::vector<double>& TEqualiserModel::BandDb(int Band) const
{
    if (FStaleBands & (1u << Band))
    {
        ComputeBand(Band, FBandDb[Band]);
        FStaleBands &= ~(1u << Band);
    }
    return FBandDb[Band];
}

float TEqualiserModel::TryParameter(int Index, float Value, std::vector<double>& Db)
{
    const float Kept = Parameter(Index);
    if (Index != kModelVolumeIndex)
        BandDb(BandOfParameter(Index)); // the present response stays valid once the parameter is back
    const double Volume = FVolumeDb;
    const float Tried = SetParameter(Index, Value);
    if (Index == kModelVolumeIndex)
        Db.assign(FFrequencies.size(), FVolumeDb);
    else
        ComputeBand(BandOfParameter(Index), Db);
    SetParameter(Index, Kept);
    FVolumeDb = Volume;
    if (Index != kModelVolumeIndex)
        FStaleBands &= ~(1u << BandOfParameter(Index));
    return Tried;
}

std::vector<double> TEqualiserModel::ResponseDb() const
{
    std::vector<double> Db(FFrequencies.size(), FVolumeDb);
    for (int b = 0; b < kModelBands; ++b)
    {
        const std::vector<double>& Band = BandDb(b);
        for (std::size_t i = 0; i < Db.size(); ++i)
            Db[i] += Band[i];
    }
    return Db;
}
