#pragma once
// marvo-vst, the command-line VST 2 host: its command line, and one function per command.
//
// Failures: usage mistakes raise EUsageError (exit status 2); everything else raises std::runtime_error
// (or EMarvoError, EAudioFileError) with a one-line text (exit status 1). main turns both into one line on
// standard error.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/ToolMain.h"
#include "vsthost/DVSTHost.h"


constexpr int kDefaultBlockSize = 512;
constexpr int kMaxBlockSize = 65536;
// More channels than this are taken for a broken effect record rather than allocated.
constexpr int kMaxPlugInChannels = 1024;
constexpr int kDefaultValidateLevel = 3;
constexpr int kMaxValidateLevel = 5;
constexpr int kMinValidateRate = 1000;
constexpr int kMaxValidateRate = 768000;

struct TParameterSetting
{
    std::int32_t Index = 0;
    float Value = 0.0f;
};

struct TCommandLine
{
    std::string Command;                     // "info", "process", "save-fxp", "edit", "validate"; "" with Help
    bool Help = false;                       // --help / -h
    std::vector<std::string> Arguments;      // the positional arguments after the command
    std::vector<TParameterSetting> Settings; // --set, in command-line order
    std::string ProgramFile;                 // --fxp
    std::string SaveProgramFile;             // --save-fxp
    int BlockSize = kDefaultBlockSize;       // --block
    TGUIStyle GenericEditor = gsDefault;     // --generic list|selector; gsDefault: the plug-in's own editor
    int Level = kDefaultValidateLevel;       // --level (validate)
    std::vector<int> Rates;                  // --rates (validate); empty: the level's grid
    std::vector<int> Blocks;                 // --blocks (validate); empty: the level's grid
    std::string JsonFile;                    // --json (validate)
    std::string Engine;                      // --engine fast|reference (process); "": the plug-in's own
};

// Parses the arguments after the program name; raises EUsageError on an unknown command or option, a
// missing or malformed value, or a wrong number of arguments.
TCommandLine ParseCommandLine(const std::vector<std::string>& Args);
std::string UsageText();

// How the audio of a file with FileChannels channels meets a plug-in's inputs and outputs.
struct TChannelPlan
{
    int Planes = 0;             // buffers handed to the plug-in on each side: max(file, inputs, outputs)
    bool DuplicateMono = false; // a mono file feeds every input; else inputs beyond the file's are silent
};
// Raises std::runtime_error for a file the plug-in cannot take: no outputs, more file channels than
// outputs, or more file channels than inputs (when it has any: a plug-in without inputs only generates).
TChannelPlan PlanChannels(int FileChannels, int PlugInInputs, int PlugInOutputs);

// Loads and activates the plug-in library Path in Host; raises with the loader's own reason.
TVstPlugIn& LoadPlugIn(TVstHost& Host, const std::string& Path);
// Loads --fxp, then applies the --set values (so --set overrides the program file).
void ApplyProgramAndSettings(TVstPlugIn& PlugIn, const TCommandLine& CommandLine);

// The commands; each answers the exit status.
int RunInfo(const TCommandLine& CommandLine);
int RunProcess(const TCommandLine& CommandLine);
int RunSaveFxp(const TCommandLine& CommandLine);
int RunEdit(const TCommandLine& CommandLine);
// Exit status 1 when any check fails (a plug-in that does not load is one failing check).
int RunValidate(const TCommandLine& CommandLine);
