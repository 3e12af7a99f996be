#pragma once
// The equaliser's response as it plays a setting: a private TSmallEQModule (no host, no editor) takes the 33
// parameters through its own handlers, and each band's response is read from the module's own filters, so
// the bandwidth curve, the symmetry section and the volume are the equaliser's own code.
//
// Parameters are real units (Hz, dB, bandwidth control, symmetry, volume dB) as 32-bit floats, as the module
// keeps them. The model belongs to the thread that made it; all members are [any] on that thread.
#include <array>
#include <memory>
#include <vector>

#include "equaliser/SEQRequests.h"

class TSmallEQModule;

inline constexpr int kModelBands = 8;
inline constexpr int kModelParameters = kSEQParameterCount;
inline constexpr int kModelVolumeIndex = 32;

using TEqualiserSetting = std::array<float, kModelParameters>;

// The range each parameter's handler keeps, as the equaliser describes it (the volume's handler keeps
// −15..+15 dB of its declared −40..+6, so −15..+6 is what can be reached and stored). [any]
struct TParameterRange
{
    float Lowest, Highest;
};
TParameterRange ParameterRange(int Index);

class TEqualiserModel
{
public:
    // The response is computed at Frequencies (Hz) for a rate of SampleRate.
    TEqualiserModel(std::vector<double> Frequencies, double SampleRate = 44100.0);
    ~TEqualiserModel();
    TEqualiserModel(const TEqualiserModel&) = delete;
    TEqualiserModel& operator=(const TEqualiserModel&) = delete;

    // Sets parameter Index through the module's handler (limited as the module limits it) and recomputes
    // what depends on it; answers the value the module kept.
    float SetParameter(int Index, float Value);
    float Parameter(int Index) const;
    void SetAll(const TEqualiserSetting& Setting);
    TEqualiserSetting All() const;

    // Each parameter's value as it comes back from a program file: the normalised float the file stores,
    // read back through the module's curves, repeated until it stays put. Afterwards the model holds it.
    TEqualiserSetting SettleAsStored();
    // The normalised value a program file stores for parameter Index.
    float Normalised(int Index) const;

    // Band b's magnitude in dB at every frequency, and the volume in dB.
    const std::vector<double>& BandDb(int Band) const;
    double VolumeDb() const { return FVolumeDb; }
    // The magnitude in dB of band Index / 4 (or the volume, for the volume's index) with parameter Index set to
    // Value, into Db; the model keeps its present setting and responses. Answers the value the module kept.
    float TryParameter(int Index, float Value, std::vector<double>& Db);
    // The whole setting's magnitude in dB at every frequency.
    std::vector<double> ResponseDb() const;
    const std::vector<double>& Frequencies() const { return FFrequencies; }
    // Band b's bandwidth in octaves, as its filter holds it.
    double BandwidthOctaves(int Band) const;

private:
    void ComputeBand(int Band, std::vector<double>& Db) const;
    std::vector<double> FFrequencies;
    TSmallEQModule* FModule;
    // Band responses, computed when first read after a change.
    mutable std::array<std::vector<double>, kModelBands> FBandDb;
    mutable unsigned FStaleBands = (1u << kModelBands) - 1;
    double FVolumeDb = 0.0;
};
