// marvo-play: the command line and the usage text.
#include "MarvoPlay.h"
#include "audiofile/AudioFile.h"

TPlayOptions ParsePlayCommandLine(const std::vector<std::string>& Args)
{
    TPlayOptions O;
    O.Help = AsksForHelp(Args);
    if (O.Help)
        return O;
    try
    {
        TCommandLineReader R;
        R.AddCommand("", "PLUGIN INPUT OUTPUT", 3, 3);
        R.AddFlag("--show", O.Show);
        R.AddInteger("--block", O.BlockSize, 1, kPlayMaxBlock,
                     "{option} {value}: must lie in 1.." + std::to_string(kPlayMaxBlock));
        int Depth = 1;
        R.AddChoice("--bits", Depth, {"8", "16", "24"}, "{option} {value}: a player gives 8, 16 or 24 bits");
        std::vector<std::string> Positional;
        R.Read(Args, Positional);
        O.Bits = 8 * (Depth + 1);
        O.PlugIn = Positional[0];
        O.Input = Positional[1];
        O.Output = Positional[2];
    }
    catch (const EUsageError& E)
    {
        throw EPlayUsageError(E.what());
    }
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
