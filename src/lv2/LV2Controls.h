#pragma once
// The LV2 face of an effect's parameters: the bundle's URIs, the port layout, one control port per
// parameter read from the effect record (name, label, default, range and curve), and the conversion between
// a port's value in real units and the normalised value the record's setParameter takes.
//
// The record tells names, labels and normalised values; ranges and curves it shows only through its display
// texts. So DescribeControls reads the range and the curve (linear, or the framework's logarithmic curve with
// a whole-number factor) from the texts at normalised 0, 1/2, 3/4, 7/8 and 1, and then checks the result
// against the record bit for bit: for 257 normalised values n, getParameter after setParameter(n) must
// answer exactly RealToNormalised(NormalisedToReal(n)) (or the value at an end where a handler limits the
// parameter inside its range). A parameter that passes is converted here exactly as the framework converts
// it, so a port value in real units reaches the module as the same float. The bandwidth crosses as its 0..1
// control (label "Oct"): that is the parameter itself, while its text shows octaves.
#include <cstdint>
#include <string>
#include <vector>

#include "vstplugin/DVSTEffect.h"

namespace LV2Marvo
{

inline constexpr const char* kPluginUri = "urn:zentrova:marvo:smalleq";
inline constexpr const char* kUiUri = "urn:zentrova:marvo:smalleq:ui";
inline constexpr const char* kProgramNameKey = "urn:zentrova:marvo:smalleq:programName";
// The eight snapshots (atom:Vector of atom:Float, snapshot-major, 33 values each) and the current one (atom:Int).
inline constexpr const char* kSnapshotsKey = "urn:zentrova:marvo:smalleq:snapshots";
inline constexpr const char* kCurrentSnapshotKey = "urn:zentrova:marvo:smalleq:currentSnapshot";
inline constexpr const char* kBinaryName = "marvo_lv2.so";
inline constexpr const char* kUiBinaryName = "marvo_lv2_ui.so";

// Port indexes: the stereo audio pair in and out, one control per parameter, then the bypass and the meters.
inline constexpr std::uint32_t kPortInLeft = 0, kPortInRight = 1, kPortOutLeft = 2, kPortOutRight = 3;
inline constexpr std::uint32_t kFirstParameterPort = 4;
// [any] The indexes after the parameter ports of an effect with Parameters parameters.
inline constexpr std::uint32_t EnabledPort(std::uint32_t Parameters) { return kFirstParameterPort + Parameters; }
inline constexpr std::uint32_t LevelPort(std::uint32_t Parameters, int Channel)
{
    return kFirstParameterPort + Parameters + 1 + static_cast<std::uint32_t>(Channel);
}
inline constexpr std::uint32_t PortCount(std::uint32_t Parameters) { return kFirstParameterPort + Parameters + 3; }
// The meters' range in dB.
inline constexpr float kLevelFloorDb = -120.0f, kLevelCeilingDb = 24.0f;

enum class TControlCurve { Linear, Logarithmic };

struct TControl
{
    std::int32_t Index = 0;  // the parameter index
    std::string Symbol;      // freq1, gain1, bw1, sym1, ..., volume
    std::string Name;        // the parameter's name
    std::string Label;       // the parameter's label (effGetParamLabel)
    float Min = 0.0f, Max = 1.0f;
    TControlCurve Curve = TControlCurve::Linear;
    float CurveFactor = 1.0f;
    float Default = 0.0f;    // NormalisedToReal of the fresh effect's getParameter
};

// [host-main] The controls of a fresh effect made by Main (which this call closes again). Throws
// EMarvoError when the effect cannot be made or a parameter's range or curve cannot be read exactly.
std::vector<TControl> DescribeControls(TMainProc Main);

// [any] The framework's curves, at its precision (the caller need not load the x87 control word).
float NormalisedToReal(const TControl& C, float Normalised);
float RealToNormalised(const TControl& C, float Real);
// [any] The normalised value whose real value is Real limited to the range (NaN: the lower end), found
// exactly when one exists (so a port value that came from a normalised value goes back to that real value),
// else the nearest. Wait-free, no allocation.
float NormalisedFor(const TControl& C, float Real);

// [any] The symbol of a parameter named Name: "Filter 3 Gain" gives "gain3", "Volume" gives "volume".
std::string SymbolFor(const std::string& Name);

} // namespace LV2Marvo
