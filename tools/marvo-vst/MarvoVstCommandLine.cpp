// marvo-vst's command line: commands, options and the usage text.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "MarvoVst.h"
#include "audiofile/AudioFile.h"

namespace
{

enum TOptionKind : unsigned
{
    okSet = 1, okFxp = 2, okBlock = 4, okSaveFxp = 8, okGeneric = 16, okLevel = 32, okRates = 64, okBlocks = 128,
    okJson = 256, okEngine = 512
};

struct TCommandDeclaration
{
    const char* Name;
    const char* ArgumentNames; // for messages
    std::size_t Arguments;
    unsigned Options;
};

constexpr TCommandDeclaration kCommands[] = {
    {"info", "PLUGIN", 1, 0},
    {"process", "PLUGIN IN OUT", 3, okSet | okFxp | okBlock | okEngine},
    {"save-fxp", "PLUGIN FILE", 2, okSet | okFxp},
    {"edit", "PLUGIN", 1, okSet | okFxp | okSaveFxp | okGeneric},
    {"validate", "PLUGIN", 1, okLevel | okRates | okBlocks | okJson},
};

struct TOptionDeclaration
{
    const char* Name;
    TOptionKind Kind;
};

constexpr TOptionDeclaration kOptions[] = {
    {"--set", okSet},       {"--fxp", okFxp},     {"--block", okBlock},   {"--save-fxp", okSaveFxp},
    {"--generic", okGeneric}, {"--level", okLevel}, {"--rates", okRates}, {"--blocks", okBlocks},
    {"--json", okJson},     {"--engine", okEngine},
};

bool ParseInteger(const std::string& Text, long long& Value)
{
    const char* End = Text.data() + Text.size();
    const auto R = std::from_chars(Text.data(), End, Value);
    return !Text.empty() && R.ec == std::errc() && R.ptr == End;
}

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

int ParseBlockSize(const std::string& Text)
{
    long long N = 0;
    if (!ParseInteger(Text, N) || N < 1 || N > kMaxBlockSize)
        throw EUsageError("--block '" + Text + "': expected a number of frames from 1 to " +
                          std::to_string(kMaxBlockSize));
    return static_cast<int>(N);
}

std::string ParseEngine(const std::string& Text)
{
    if (Text == "fast" || Text == "reference")
        return Text;
    throw EUsageError("--engine '" + Text + "': expected 'fast' or 'reference'");
}

TGUIStyle ParseGeneric(const std::string& Text)
{
    if (Text == "list")
        return gsList;
    if (Text == "selector")
        return gsOld;
    throw EUsageError("--generic '" + Text + "': expected 'list' or 'selector'");
}

int ParseLevel(const std::string& Text)
{
    long long N = 0;
    if (!ParseInteger(Text, N) || N < 1 || N > kMaxValidateLevel)
        throw EUsageError("--level '" + Text + "': expected 1 to " + std::to_string(kMaxValidateLevel));
    return static_cast<int>(N);
}

// A comma-separated list of whole numbers from Low to High, each once.
std::vector<int> ParseList(const std::string& Name, const std::string& Text, long long Low, long long High)
{
    std::vector<int> List;
    std::size_t Start = 0;
    for (;;)
    {
        const std::size_t Comma = Text.find(',', Start);
        const std::string Item = Text.substr(Start, Comma == std::string::npos ? std::string::npos : Comma - Start);
        long long N = 0;
        if (!ParseInteger(Item, N) || N < Low || N > High)
            throw EUsageError(Name + " '" + Text + "': expected numbers from " + std::to_string(Low) + " to " +
                              std::to_string(High) + ", separated by commas");
        if (std::find(List.begin(), List.end(), static_cast<int>(N)) == List.end())
            List.push_back(static_cast<int>(N));
        if (Comma == std::string::npos)
            return List;
        Start = Comma + 1;
    }
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args)
{
    TCommandLine C;
    C.Help = AsksForHelp(Args);
    if (C.Help)
        return C;
    if (Args.empty())
        throw EUsageError("no command given");

    const TCommandDeclaration* Command = nullptr;
    for (const TCommandDeclaration& D : kCommands)
        if (Args[0] == D.Name)
            Command = &D;
    if (!Command)
        throw EUsageError((Args[0].starts_with("-") ? "unknown option '" : "unknown command '") + Args[0] + "'");
    C.Command = Command->Name;

    std::vector<TDeclaredOption> Declared;
    for (const TOptionDeclaration& D : kOptions)
        Declared.push_back({D.Name + 2, true});
    const TOptionList Given = ReadOptions(Declared, std::vector<std::string>(Args.begin() + 1, Args.end()));
    if (!Given.Unknown.empty())
        throw EUsageError("unknown option '" + Given.Unknown.substr(0, Given.Unknown.find('=')) + "'");
    if (!Given.MissingValue.empty())
        throw EUsageError("option '" + Given.MissingValue + "' needs a value");
    C.Arguments = Given.Arguments;

    unsigned Seen = 0;
    for (const auto& [Name, Value] : Given.Options)
    {
        const TOptionDeclaration* Option = nullptr;
        for (const TOptionDeclaration& D : kOptions)
            if (Name == D.Name)
                Option = &D;
        if (!(Command->Options & Option->Kind))
            throw EUsageError("option '" + Name + "' does not apply to '" + C.Command + "'");
        if ((Seen & Option->Kind) && Option->Kind != okSet)
            throw EUsageError("option '" + Name + "' given twice");
        Seen |= Option->Kind;

        switch (Option->Kind)
        {
        case okSet: C.Settings.push_back(ParseSetting(Value)); break;
        case okFxp: C.ProgramFile = Value; break;
        case okBlock: C.BlockSize = ParseBlockSize(Value); break;
        case okSaveFxp: C.SaveProgramFile = Value; break;
        case okGeneric: C.GenericEditor = ParseGeneric(Value); break;
        case okLevel: C.Level = ParseLevel(Value); break;
        case okRates: C.Rates = ParseList(Name, Value, kMinValidateRate, kMaxValidateRate); break;
        case okBlocks: C.Blocks = ParseList(Name, Value, 1, kMaxBlockSize); break;
        case okJson: C.JsonFile = Value; break;
        case okEngine: C.Engine = ParseEngine(Value); break;
        }
        if ((Option->Kind == okFxp || Option->Kind == okSaveFxp || Option->Kind == okJson) && Value.empty())
            throw EUsageError("option '" + Name + "' needs a file name");
    }
    if (C.Arguments.size() != Command->Arguments)
        throw EUsageError("'" + C.Command + "' expects " + Command->ArgumentNames + " (" +
                          std::to_string(C.Arguments.size()) + " argument" + (C.Arguments.size() == 1 ? "" : "s") +
                          " given)");
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
                           N failed"; exit status 1 when any check fails

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
