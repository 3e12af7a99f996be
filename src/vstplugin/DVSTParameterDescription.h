#pragma once
// One description of a parameter: everything a format adapter, a tool or an editor needs to know about it,
// built from the module's declaration table (TCustomVSTModule::ParameterDescription), and the curves that
// convert between the host's normalised values and real units. The module's own conversions
// (ParameterToNormalized, NormalizedToParameter) run the same curve code, so a value converted here is the
// value the module stores, bit for bit.
//
// Across the effect record, a module of the framework answers one vendor request:
//
//   dispatcher(effect, effVendorSpecific, kVstRequestParameterDescription, sizeof(TVstParameterDescriptionRecord),
//              &Record, 0)
//
// with Record.Index set to the parameter. The module fills the rest of the record and answers 1; it answers
// 0, and writes nothing, for a null Ptr, for a Value other than the record's size (a caller built against
// another layout), and for an index outside 0..numParams-1. Texts are zero-terminated and cut to their
// arrays. [any] while no one renames a parameter. ReadParameterDescription is that request from the host's
// side, so an adapter needs nothing but the AEffect.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "vstplugin/DVSTEffect.h"

enum TCurveType { ctLinear, ctLogarithmic, ctExponential, ctFrequencyScale };

// [any] The request code of four characters, the first in the most significant byte.
constexpr VstInt32 VstFourCharCode(const char (&Text)[5])
{
    return static_cast<VstInt32>((static_cast<std::uint32_t>(static_cast<unsigned char>(Text[0])) << 24) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(Text[1])) << 16) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(Text[2])) << 8) |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(Text[3])));
}

inline constexpr VstInt32 kVstRequestParameterDescription = VstFourCharCode("MvPd");

// A declaration field left at this value is not declared: the description puts the framework's choice there.
inline constexpr float kVstUndeclared = std::numeric_limits<float>::quiet_NaN();

struct TVstParameterDescription
{
    std::int32_t Index = 0;
    std::string Symbol;     // stable, unique within the plug-in: letters, digits, '_'
    std::string Name;       // effGetParamName
    std::string ShortLabel; // at most 7 characters
    std::string Units;      // effGetParamLabel
    float Min = 0.0f;       // real value at normalised 0
    float Max = 1.0f;       // real value at normalised 1
    TCurveType Curve = ctLinear;
    float CurveFactor = 1.0f;
    float Default = 0.0f;   // the value the plug-in starts with, in real units
    std::int32_t StepCount = 0; // 0: continuous
    // What the parameter's change handler keeps a written value in (inside Min..Max, or Min..Max itself):
    // below LimitMin, or NaN, becomes LimitMin; above LimitMax becomes LimitMax.
    float LimitMin = 0.0f, LimitMax = 1.0f;
    bool CanBeAutomated = true;
};

// [any] Normalised 0..1 to real units, as the module converts a host's write (its smoothing aside).
// Loads the x87 control word the curves are defined with.
float NormalizedToReal(const TVstParameterDescription& D, float Normalized);
// [any] Real units to normalised 0..1, as getParameter answers; clamped to 0..1, NaN gives 0.
float RealToNormalized(const TVstParameterDescription& D, float Real);
// [any] Real as the change handler keeps it (see LimitMin, LimitMax).
float LimitedReal(const TVstParameterDescription& D, float Real);

// [host-main] The description of parameter Index of effect E through kVstRequestParameterDescription; false,
// and D unchanged, when the effect does not answer it.
bool ReadParameterDescription(AEffect* E, std::int32_t Index, TVstParameterDescription& D);

// ---------------------------------------------------------------------------------------------------------
// The request's record: plain ABI, the same layout on every target.
inline constexpr std::int32_t kVstDescriptionAutomatable = 1; // TVstParameterDescriptionRecord::Flags

struct TVstParameterDescriptionRecord
{
    std::int32_t Index; // in: the parameter
    char Symbol[32];
    char Name[32];
    char ShortLabel[8];
    char Units[32];
    float Min, Max;
    std::int32_t Curve; // TCurveType
    float CurveFactor;
    float Default;
    float LimitMin, LimitMax;
    std::int32_t StepCount;
    std::int32_t Flags; // kVstDescriptionAutomatable
};
static_assert(sizeof(TVstParameterDescriptionRecord) == 144);
static_assert(offsetof(TVstParameterDescriptionRecord, Symbol) == 4);
static_assert(offsetof(TVstParameterDescriptionRecord, Name) == 36);
static_assert(offsetof(TVstParameterDescriptionRecord, ShortLabel) == 68);
static_assert(offsetof(TVstParameterDescriptionRecord, Units) == 76);
static_assert(offsetof(TVstParameterDescriptionRecord, Min) == 108);
static_assert(offsetof(TVstParameterDescriptionRecord, Curve) == 116);
static_assert(offsetof(TVstParameterDescriptionRecord, Default) == 124);
static_assert(offsetof(TVstParameterDescriptionRecord, LimitMin) == 128);
static_assert(offsetof(TVstParameterDescriptionRecord, StepCount) == 136);
static_assert(offsetof(TVstParameterDescriptionRecord, Flags) == 140);

// [any] The record of D, and D of a record (an unknown curve number reads as ctLinear).
TVstParameterDescriptionRecord DescriptionRecord(const TVstParameterDescription& D);
TVstParameterDescription DescriptionOfRecord(const TVstParameterDescriptionRecord& R);

// ---------------------------------------------------------------------------------------------------------
// The curves themselves, for the module: no control word is loaded (the module runs with what its caller
// set). Intermediate values are extended; results are rounded to 32-bit floats where the curves say.
namespace VstCurve
{
struct TShape
{
    float Min, Max;
    TCurveType Curve;
    float CurveFactor;
};
// [any] Normalised to real units; a curve whose factor makes its formula degenerate maps linearly.
float ToReal(const TShape& S, float Normalized);
// [any] Real units to normalised, clamped to 0..1 (NaN gives 0).
float ToNormalized(const TShape& S, float Real);
} // namespace VstCurve
