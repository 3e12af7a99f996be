#pragma once
// The LV2 face of an effect's parameters: the bundle's URIs, the port layout, one control port per
// parameter as the effect describes it through its record (the framework's parameter description request,
// vstplugin/DVSTParameterDescription.h: symbol, name, unit, range, curve, default), and the conversion
// between a port's value in real units and the normalised value the record's setParameter takes, through
// the framework's own curves. The bandwidth crosses as its 0..1 control (unit "Oct"): that is the parameter
// itself, while its text shows octaves.
#include <cstdint>
#include <string>
#include <vector>

#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTParameterDescription.h"

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

// One control port: the parameter's description (Units is the parameter's label).
using TControl = TVstParameterDescription;

// [host-main] The controls of a fresh effect made by Main (which this call closes again); a control's default
// is the described one, as a round number where that is the same setting. Throws
// EMarvoError when the effect cannot be made or does not describe every parameter.
std::vector<TControl> DescribeControls(TMainProc Main);

// [any] The normalised value whose real value is Real limited to the range (NaN: the lower end), found
// exactly when one exists (so a port value that came from a normalised value goes back to that real value),
// else the nearest. Wait-free, no allocation.
float NormalisedFor(const TControl& C, float Real);


} // namespace LV2Marvo
