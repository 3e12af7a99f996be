// marvo-play: the command line and the usage text.
#include <charconv>

#include "MarvoPlay.h"
#include "audiofile/AudioFile.h"

namespace
{

int ParseInteger(const std::string& Option, const std::string& Text, int Min, int Max)
{
    int V = 0;
    const char* End = Text.data() + Text.size();
    const auto [P, E] = std::from_chars(Text.data(), End, V);
    if (E != std::errc() || P != End || Text.empty())
        throw EPlayUsageError(Option + " needs a whole number, not '" + Text + "'");
    if (V < Min || V > Max)
        throw EPlayUsageError(Option + " " + Text + ": must lie in " + std::to_string(Min) + ".." +
                              std::to_string(Max));
    return V;
}

} // namespace

TPlayOptions ParsePlayCommandLine(const std::vector<std::string>& Args)
{
    const std::vector<TDeclaredOption> Declared{{"h,help"}, {"show"}, {"block", true}, {"bits", true}};
    const TOptionList Given = ReadOptions(Declared, Args);
    if (!Given.Unknown.empty())
        throw EPlayUsageError("unknown option '" + Given.Unknown + "'");
    if (!Given.MissingValue.empty())
        throw EPlayUsageError(Given.MissingValue + " needs a value");

    TPlayOptions O;
    for (const auto& [Name, Value] : Given.Options)
        if (Name == "--help")
            O.Help = true;
        else if (Name == "--show")
            O.Show = true;
        else if (Name == "--block")
            O.BlockSize = ParseInteger(Name, Value, 1, kPlayMaxBlock);
        else if (Value != "8" && Value != "16" && Value != "24")
            throw EPlayUsageError("--bits " + Value + ": a player gives 8, 16 or 24 bits");
        else
            O.Bits = std::stoi(Value);
    const std::vector<std::string>& Positional = Given.Arguments;
    if (O.Help)
        return O;
    if (Positional.size() != 3)
        throw EPlayUsageError("expected PLUGIN INPUT OUTPUT, got " + std::to_string(Positional.size()) +
                              " argument" + (Positional.size() == 1 ? "" : "s"));
    O.PlugIn = Positional[0];
    O.Input = Positional[1];
    O.Output = Positional[2];
    return O;
}

std::string PlayUsageText()
{
    return std::string(
               "usage: marvo-play PLUGIN INPUT OUTPUT [--block N] [--bits 8|16|24] [--show]\n"
               "\n"
               "Plays the audio file INPUT through a DSP plug-in library (.so on Linux, .dll on Windows) as the\n"
               "player does, and writes what comes out to OUTPUT: the library's winampDSPGetHeader2 header,\n"
               "module 0 with a window of marvo-play as its parent, Init, ModifySamples block by block on\n"
               "interleaved integer PCM, Quit.\n"
               "\n"
               "Options:\n"
               "  --block N    frames per ModifySamples call, 1..65536, default 576\n"
               "  --bits B     the player's output depth, 8, 16 or 24, default 16; OUTPUT is integer PCM of B\n"
               "               bits with INPUT's rate and channels\n"
               "  --show       opens the module's configuration, plays in real time until its window \"Marvo\"\n"
               "               is closed, then finishes the file at full speed (Windows build)\n"
               "  -h, --help   shows this text\n"
               "\n"
               "A plug-in keeps its files beside the running program: the Marvo equaliser reads Marvo.fxp from\n"
               "marvo-play's own folder at Init and writes its setting back there at Quit.\n"
               "\n"
               "Audio files: ") +
           AudioFileTypes() +
           ". Samples are rounded to the depth\n"
           "(nearest, clipped to full scale) and come back as k / 2^(B-1).\n"
           "\n"
           "Exit status: 0 done, 1 failed, 2 wrong command line.\n";
}
