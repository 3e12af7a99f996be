#pragma once
// marvo-preset: equaliser presets of other programs imported as the equaliser's program file, and program
// files shown. The commands live in marvo_preset_cli so that the tools' tests reach them; the program is main
// alone. Everything runs on the main thread.
#include <string>
#include <vector>

#include "presets/PresetModel.h"

class TBitmap32;

struct TPresetCommandLine
{
    bool Help = false;
    std::string Command;  // "import", "show" or "pipewire"
    std::string File;
    std::string Output;   // import: the program file; empty: FILE with the extension .fxp
    std::string Plot;     // a PNG to draw, or empty
    std::string Name;     // the program's name; empty: the record's name or the file's stem
    std::string Preset;   // a library's record
    double SampleRate = 44100.0;
    bool List = false;
    bool ShelfCorner = false;
    bool Install = false; // pipewire: into PipeWire's drop-in folder
};

// pipewire: the output device's name by default, and the drop-in's file name with --install.
constexpr const char* kDefaultDeviceName = "Marvo headphone EQ";
constexpr const char* kDropInFileName = "marvo-eq.conf";

std::string PresetUsageText();
// Raises EUsageError for a wrong command line.
TPresetCommandLine ParsePresetCommandLine(const std::vector<std::string>& Args);
// The commands; answer the exit status, raise for failures (one line each).
int RunPresetImport(const TPresetCommandLine& C);
int RunPresetShow(const TPresetCommandLine& C);
int RunPresetPipeWire(const TPresetCommandLine& C);

// The equaliser's program file (parameter form, as the player's Marvo.fxp) holding Setting, as bytes.
std::string ProgramFileBytes(const TEqualiserSetting& Setting, const std::string& Name);
// The setting and the name stored in a program file of the equaliser; raises with the host's message.
TEqualiserSetting ReadProgramFile(const std::string& Path, std::string& Name);

// The normalised values of a program file in parameter form; raises for another file.
std::vector<float> ProgramValues(const std::string& Bytes);
// A port of the LV2 plug-in by symbol and its value in real units.
struct TPortValue
{
    std::string Symbol;
    float Value = 0.0f;
};
// Each port's value that the LV2 adapter converts back to the normalised value bit for bit (in port order);
// raises when the build has no LV2 plug-in or a value cannot be carried exactly.
std::vector<TPortValue> PortValues(const std::vector<float>& Normalised);
// PipeWire's filter-chain drop-in running the LV2 plug-in at Ports as the output device Name; Source names
// the setting in its first line.
std::string FilterChainDropIn(const std::vector<TPortValue>& Ports, const std::string& Name, const std::string& Source);
// $XDG_CONFIG_HOME/pipewire/pipewire.conf.d (default ~/.config); raises when neither variable is set.
std::string PipeWireDropInFolder();

// The plot: dB over log frequency, labelled axes, the target (when given) and the equaliser's curve.
void DrawResponsePlot(TBitmap32& Image, const std::vector<double>& Frequencies, const std::vector<double>& Target,
                      const std::vector<double>& Fitted, const std::string& Title);
// Writes Image as a PNG; raises "cannot write '<path>'".
void WritePlot(const TBitmap32& Image, const std::string& Path);
