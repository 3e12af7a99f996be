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
    std::string Command;  // "import" or "show"
    std::string File;
    std::string Output;   // import: the program file; empty: FILE with the extension .fxp
    std::string Plot;     // a PNG to draw, or empty
    std::string Name;     // the program's name; empty: the record's name or the file's stem
    std::string Preset;   // a library's record
    double SampleRate = 44100.0;
    bool List = false;
    bool ShelfCorner = false;
};

std::string PresetUsageText();
// Raises EUsageError for a wrong command line.
TPresetCommandLine ParsePresetCommandLine(const std::vector<std::string>& Args);
// The commands; answer the exit status, raise for failures (one line each).
int RunPresetImport(const TPresetCommandLine& C);
int RunPresetShow(const TPresetCommandLine& C);

// The equaliser's program file (parameter form, as the player's Marvo.fxp) holding Setting, as bytes.
std::string ProgramFileBytes(const TEqualiserSetting& Setting, const std::string& Name);
// The setting and the name stored in a program file of the equaliser; raises with the host's message.
TEqualiserSetting ReadProgramFile(const std::string& Path, std::string& Name);

// The plot: dB over log frequency, labelled axes, the target (when given) and the equaliser's curve.
void DrawResponsePlot(TBitmap32& Image, const std::vector<double>& Frequencies, const std::vector<double>& Target,
                      const std::vector<double>& Fitted, const std::string& Title);
// Writes Image as a PNG; raises "cannot write '<path>'".
void WritePlot(const TBitmap32& Image, const std::string& Path);
