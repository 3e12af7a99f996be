#pragma once
// The equaliser's own dispatcher requests: effVendorSpecific with Index one of the four-character codes
// below. Every other Index (and every other opcode) is answered as before, 0 for an unknown code. Adapters
// that drive the equaliser only through its effect record reach its snapshots and its meter this way.
//
// - kSEQRequestShowLevels: Ptr points to two floats, the left and right level in dB; the module's meter
//   (LevelMeter, what LevelDb and the editor show) takes them as linear levels. For a copy of the equaliser
//   that processes no audio of its own; a block processed afterwards overwrites them. Answers 1; 0 for a
//   null Ptr. [any]
// - kSEQRequestGetLevels: Ptr points to two floats that receive the left and right level in dB as the meter
//   shows them (LevelDb; SEQMeter.h): what an adapter reports as the equaliser's levels. Answers 1; 0 for a
//   null Ptr. [any], the audio thread included (no allocation, no lock).
// - kSEQRequestGetSnapshots: Ptr points to a TSEQSnapshotSet and Value is its size; it receives the eight
//   snapshots and the current index as they were last published by the thread that changed them. Answers 1;
//   0 for a null Ptr or another size. [any]
// - kSEQRequestSetSnapshots: the same record, read: the eight snapshots (each value limited to its
//   parameter's declared range, NaN to the lower bound) and the current index (0..7) replace the module's.
//   The present setting is not changed. Answers 1; 0, and nothing changed, for a null Ptr, another size or
//   an index outside 0..7. [host-main] or [editor]; applied on the editor's thread while an editor is open.
// - kSEQRequestGetSpectrumTap: Ptr points to a TSpectrumTap* (SEQAnalysis.h), which receives the module's
//   tap: the ring its blocks feed while an editor shows their spectrum. For an editor of another copy of the
//   equaliser in the same process (the LV2 UI's, with instance-access). Answers 1; 0 for a null Ptr. [any]
// The view's requests below are answered by the equaliser with its editor (TSmallEQPlugIn, SEQGUI.h); the
// windowless module answers them 0.
// - kSEQRequestSetView: a host that keeps the editor's view settings itself (the player's window, in its
//   registry key) hands them over: Value is the zoom the user chose (1..4; 0 when none was chosen, so the
//   host's or the screen's scale applies), plus kSEQViewFastProcessing when the listener chose the fast
//   engine (without it the reference engine runs), plus kSEQViewSpectrumOutput or kSEQViewSpectrumInput
//   (not both) when the response view shows the spectrum of the output or of the input (without either it
//   shows none), and Opt is 1 when the response view is shown, 0 when not.
//   From then on the editor neither reads nor writes the user's own preference. Applied at once to an open
//   editor; the engine at the next block. Answers 1; 0, and nothing changed, for a zoom outside 0..4 or
//   another flag. [host-main] or [editor].
// - kSEQRequestGetView: answers the zoom the user chose (0..4) plus kSEQViewResponseShown when the response
//   view is shown, kSEQViewFastProcessing when the fast engine runs, and kSEQViewSpectrumOutput or
//   kSEQViewSpectrumInput as the spectrum is chosen. [host-main] or [editor].
// - kSEQRequestSetSpectrumTap: Ptr is the TSpectrumTap the editor shows the spectrum of from then on, that of
//   the equaliser that processes the audio (kSEQRequestGetSpectrumTap), which must outlive the editor; a
//   null Ptr says none can be reached: the spectrum's menu items are then disabled. Without this request the
//   editor shows its own module's. Applied at once to an open editor. Answers 1. [host-main] or [editor].
// - kSEQRequestSetEngine: Value kSEQEngineReference runs the blocks with the reference arithmetic (extended
//   precision; the default), kSEQEngineFast with the fast engine (double precision, vectorised,
//   SEQCascadeFast.h). Takes effect at the next block; the filter states and the meter carry over, so the
//   change is click-free. Answers 1; 0, and nothing changed, for another Value. [any]
// - kSEQRequestGetEngine: answers the engine chosen last (kSEQEngineReference or kSEQEngineFast). [any]
//
// The editor also takes the host's scale factor as hosts send it: effVendorSpecific with Index
// kHostScaleIndex, Value kHostScaleValue and the factor in Opt, before or after the editor opens. Answers 1.
#include <cstdint>

// [any] The request code of four characters, first character in the high byte.
constexpr std::int32_t SEQRequestCode(const char (&Text)[5])
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(Text[0])) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(Text[1])) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(Text[2])) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(Text[3])));
}

inline constexpr std::int32_t kSEQRequestShowLevels = SEQRequestCode("MvLv");
inline constexpr std::int32_t kSEQRequestGetLevels = SEQRequestCode("MvLg");
inline constexpr std::int32_t kSEQRequestGetSnapshots = SEQRequestCode("MvSg");
inline constexpr std::int32_t kSEQRequestSetSnapshots = SEQRequestCode("MvSs");
inline constexpr std::int32_t kSEQRequestSetView = SEQRequestCode("MvVs");
inline constexpr std::int32_t kSEQRequestGetView = SEQRequestCode("MvVg");
inline constexpr std::intptr_t kSEQViewResponseShown = 0x100;
inline constexpr std::intptr_t kSEQViewFastProcessing = 0x200;
inline constexpr std::intptr_t kSEQViewSpectrumOutput = 0x400;
inline constexpr std::intptr_t kSEQViewSpectrumInput = 0x800;
inline constexpr std::int32_t kSEQRequestGetSpectrumTap = SEQRequestCode("MvSp");
inline constexpr std::int32_t kSEQRequestSetSpectrumTap = SEQRequestCode("MvSt");
inline constexpr std::int32_t kSEQRequestSetEngine = SEQRequestCode("MvEn");
inline constexpr std::int32_t kSEQRequestGetEngine = SEQRequestCode("MvEg");
inline constexpr std::intptr_t kSEQEngineReference = 0;
inline constexpr std::intptr_t kSEQEngineFast = 1;
inline constexpr std::int32_t kHostScaleIndex = SEQRequestCode("PreS");
inline constexpr std::intptr_t kHostScaleValue = SEQRequestCode("AeCs");

// The equaliser's parameters: index 4b + k for band b = 0..7 and kind k, then the volume.
inline constexpr std::int32_t kSEQParameterCount = 33;

// The snapshots as the requests hand them over: values in real units, index 4b + k as the parameters.
struct TSEQSnapshotSet
{
    static constexpr int kSnapshots = 8;
    static constexpr int kParameters = kSEQParameterCount;
    std::int32_t Current = 0;
    float Values[kSnapshots][kParameters] = {};
};
