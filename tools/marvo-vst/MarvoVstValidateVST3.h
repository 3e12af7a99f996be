#pragma once
// marvo-vst validate for VST 3 bundles: the stages (one file each, registered in VST3ValidationStages,
// MarvoVstValidateChecks.cpp) and what they share. The plug-in is driven through the shared host side
// (vst3host/VST3Host.h); its first audio module class is the one checked, as its own controller.
// [host-main], in the stage's own process where the system can fork.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MarvoVstValidate.h"
#include "vst3host/VST3Host.h"

namespace MarvoVstValidate
{

using namespace VST3Host;

// Whether Path names a VST 3 plug-in: a bundle (".vst3", a folder or the Windows library) or the library
// inside one (".../X.vst3/Contents/<architecture>/X.so").
bool IsVST3Path(const std::string& Path);

// load, factory, class-info (MarvoVstValidateVST3Factory.cpp), module-info (part of the same stage)
void CheckVST3Factory(TValidation& V);
// module-info (MarvoVstValidateVST3ModuleInfo.cpp), with the module the factory stage loaded
void CheckVST3ModuleInfo(TValidation& V, TModule& M);
// bus-arrangements (MarvoVstValidateVST3Buses.cpp)
void CheckVST3Buses(TValidation& V);
// parameter-ids, parameter-values, parameter-texts (MarvoVstValidateVST3Parameters.cpp)
void CheckVST3Parameters(TValidation& V);
// state-round-trip, damaged-state (MarvoVstValidateVST3State.cpp)
void CheckVST3State(TValidation& V);
// process-finite, process-careless (MarvoVstValidateVST3Processing.cpp)
void CheckVST3Processing(TValidation& V);
// parameter-queues (MarvoVstValidateVST3Queues.cpp)
void CheckVST3Queues(TValidation& V);
// restart-flags (MarvoVstValidateVST3Restart.cpp)
void CheckVST3Restart(TValidation& V);

// A field of a host-sized text record, up to its zero (or its size when a plug-in left none).
std::string FixedText(const char* Text, std::size_t Size);
// A UTF-16 text as far as it is ASCII, the rest as '?' (enough to compare and to report).
std::string NarrowText(const char16* Text, std::size_t Size);
// The parameters as the controller describes them, in its order.
std::vector<ParameterInfo> VST3Parameters(IEditController& C);
// A deterministic spread of normalised values (stepped parameters on their steps), another for each Salt;
// the bypass stays off.
std::vector<std::pair<ParamID, double>> VST3Pattern(const std::vector<ParameterInfo>& Parameters, double Salt);
// Stereo noise at -6 dBFS, Frames long, the same for the same Seed.
std::vector<std::vector<float>> VST3Noise(int Frames, std::uint32_t Seed);
// The non-finite samples of an output, as a short text; empty when all are finite.
std::string NonFinite(const std::vector<std::vector<float>>& Out);
// The state of an instance's component.
std::vector<char> VST3State(IComponent& C);
// Loads a state into the component: its answer.
tresult LoadVST3State(IComponent& C, const std::vector<char>& State);

} // namespace MarvoVstValidate
