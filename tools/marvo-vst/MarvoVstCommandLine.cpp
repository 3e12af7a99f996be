// marvo-vst's command line: commands, options and the usage text.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "MarvoVst.h"
#include "audiofile/AudioFile.h"

namespace
{

struct TCommandDeclaration
{
    const char* Name;
    const char* ArgumentNames; // for messages
    std::size_t Arguments;
};

constexpr TCommandDeclaration kCommands[] = {
    {"info", "PLUGIN", 1},     {"process", "PLUGIN IN OUT", 3}, {"save-fxp", "PLUGIN FILE", 2},
    {"edit", "PLUGIN", 1},     {"validate", "PLUGIN", 1},
};

bool ParseInteger(const std::string& Text, long long& Value)
{
    const char* End = Text.data() + Text.size();
    const auto R = std::from_chars(Text.data(), End, Value);
    return !Text.empty() && R.ec == std::errc() && R.ptr == End;
}

// "INDEX=VALUE": a parameter and its normalised value.
TParameterSetting ParseSetting(const std::string& Text)
{
    const std::size_t Eq = Text.find('=');
    if (Eq == std::string::npos)
        throw EUsageError("--set '" + Text + "': expected INDEX=VALUE");
    const std::string IndexText = Text.substr(0, Eq), ValueText = Text.substr(Eq + 1);
    long long Index = -1;
    if (!ParseInteger(IndexText, Index) || Index < 0 || Index > 0x7FFFFFFF)
        throw EUsageError("--set '" + Text + "': '" + IndexText + "' is not a parameter index");
    char* End = nullptr;
    const double Value = ValueText.empty() ? NAN : std::strtod(ValueText.c_str(), &End);
    if (ValueText.empty() || End != ValueText.c_str() + ValueText.size() || !std::isfinite(Value))
        throw EUsageError("--set '" + Text + "': '" + ValueText + "' is not a number");
    if (Value < 0.0 || Value > 1.0)
        throw EUsageError("--set '" + Text + "': the normalised value must lie in 0..1");
    return {static_cast<std::int32_t>(Index), static_cast<float>(Value)};
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args)
{
    TCommandLine C;
    C.Help = AsksForHelp(Args);
    if (C.Help)
        return C;
    TCommandLineReader R;
    for (const TCommandDeclaration& D : kCommands)
        R.AddCommand(D.Name, D.ArgumentNames, D.Arguments, D.Arguments);
    std::vector<std::string> Settings;
    R.AddTexts("--set", Settings, {"process", "save-fxp", "edit"});
    R.AddFile("--fxp", C.ProgramFile, {"process", "save-fxp", "edit"});
    R.AddInteger("--block", C.BlockSize, 1, kMaxBlockSize,
                 "{option} '{value}': expected a number of frames from 1 to " + std::to_string(kMaxBlockSize),
                 {"process"});
    R.AddFile("--save-fxp", C.SaveProgramFile, {"edit"});
    int Generic = -1;
    R.AddChoice("--generic", Generic, {"list", "selector"}, "{option} '{value}': expected 'list' or 'selector'",
                {"edit"});
    int Engine = -1;
    R.AddChoice("--engine", Engine, {"fast", "reference"}, "{option} '{value}': expected 'fast' or 'reference'",
                {"process"});
    R.AddInteger("--level", C.Level, 1, kMaxValidateLevel,
                 "{option} '{value}': expected 1 to " + std::to_string(kMaxValidateLevel), {"validate"});
    const std::string ListRefusal = "{option} '{value}': expected numbers from ";
    R.AddIntegerList("--rates", C.Rates, kMinValidateRate, kMaxValidateRate,
                     ListRefusal + std::to_string(kMinValidateRate) + " to " + std::to_string(kMaxValidateRate) +
                         ", separated by commas",
                     {"validate"});
    R.AddIntegerList("--blocks", C.Blocks, 1, kMaxBlockSize,
                     ListRefusal + "1 to " + std::to_string(kMaxBlockSize) + ", separated by commas", {"validate"});
    R.AddFile("--json", C.JsonFile, {"validate"});

    C.Command = R.Read(Args, C.Arguments);
    for (const std::string& S : Settings)
        C.Settings.push_back(ParseSetting(S));
    C.GenericEditor = Generic == 0 ? gsList : Generic == 1 ? gsOld : gsDefault;
    C.Engine = Engine == 0 ? "fast" : Engine == 1 ? "reference" : "";
    return C;
}

std::string UsageText()
{
    return std::string(R"(usage: marvo-vst COMMAND PLUGIN [ARGUMENTS] [OPTIONS]

Hosts one VST 2 plug-in library (.so on Linux, .dll on Windows).

Commands:
  info PLUGIN              names, identity, versions, category, flags, channels, programs and
                           every parameter with its current value
  process PLUGIN IN OUT    runs the audio file IN through the plug-in and writes OUT with IN's
                           sample rate, channel count and encoding
  save-fxp PLUGIN FILE     writes the plug-in's current program to FILE
  edit PLUGIN              shows the plug-in's editor in a window until it is closed (Windows, X11)
  validate PLUGIN          checks the plug-in as hosts drive it; one line per check (PASS name, FAIL
                           name: detail, SKIP name: reason, INFO name: figures), then "N passed,
                           N failed"; exit status 1 when any check fails. PLUGIN may be a VST 3
                           bundle (X.vst3, or the library inside it): its own checks, same levels

Options:
  --set INDEX=VALUE   sets parameter INDEX to the normalised VALUE 0..1, after --fxp; repeatable
                      (process, save-fxp, edit)
  --fxp FILE          loads a program file first (process, save-fxp, edit)
  --block N           frames per processing call, 1..)") +
           std::to_string(kMaxBlockSize) + ", default " + std::to_string(kDefaultBlockSize) + R"( (process)
  --engine NAME       the equaliser's arithmetic: 'reference' (extended precision) or 'fast' (double
                      precision, vectorised); other plug-ins refuse it (process)
  --save-fxp FILE     writes the program file when the editor closes (edit)
  --generic STYLE     shows the generic editor, STYLE 'list' or 'selector' (edit)
  --level N           how much validate checks, 1..5, default 3: 1 identity and texts; 2 also opening,
                      closing, every dispatcher opcode and parameter values; 3 also processing at
                      44100 and 192000 Hz with blocks 1, 7, 512 and 8192, program files and chunks,
                      threads, the editor; 4 the whole grid of 7 rates and 6 block sizes; 5 also the
                      timing and longer thread runs
  --rates LIST        sample rates validate processes at, e.g. 44100,96000
  --blocks LIST       block sizes validate processes with, e.g. 1,512
  --json FILE         writes validate's results to FILE as JSON
  -h, --help          shows this text

Audio files: )" + AudioFileTypes() +
           R"(. An encoding that cannot be written
is replaced by 32-bit float (a note says so). A mono file feeds every input of the plug-in and takes the
first output; a file may not have more channels than the plug-in has outputs, nor than it has inputs.

Exit status: 0 done (validate: every check passed), 1 failed, 2 wrong command line.
)";
}
