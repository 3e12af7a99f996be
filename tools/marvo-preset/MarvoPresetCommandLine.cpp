#include "MarvoPreset.h"
#include "console/ToolMain.h"

std::string PresetUsageText()
{
    return "usage: marvo-preset import FILE [-o OUT.fxp] [--rate HZ] [--name TEXT] [--preset NAME|INDEX] [--list]\n"
           "                          [--plot OUT.png] [--shelf-corner]\n"
           "       marvo-preset show FILE.fxp [--plot OUT.png]\n"
           "       marvo-preset pipewire FILE [-o OUT.conf | --install] [--name TEXT] [import's options]\n"
           "\n"
           "import  reads an equaliser preset (parametric or GraphicEQ text of the system equaliser, the player's\n"
           "        .eqf file or its library winamp.q1), fits the eight bands and the volume to the response it\n"
           "        asks for, prints the bands and the error, and writes the equaliser's program file\n"
           "show    prints the bands of a program file of the equaliser\n"
           "pipewire  writes PipeWire's filter-chain drop-in that runs the equaliser's LV2 plug-in set to FILE (a\n"
           "        preset import reads, fitted as import fits it, or a program file .fxp) as an output device\n"
           "\n"
           "Options:\n"
           "  -o, --out FILE      the file to write (default: FILE with the extension .fxp, pipewire: .conf)\n"
           "  --rate HZ           the sample rate the file's filters were made for (default 44100)\n"
           "  --name TEXT         the program's name (default: the preset's name or the file's name);\n"
           "                      pipewire: the output device's name (default \"Marvo headphone EQ\")\n"
           "  --preset NAME|N     the record of a library, by name or number (default: the first)\n"
           "  --list              lists the records of a library and writes nothing\n"
           "  --plot FILE.png     draws the target and the equaliser's response\n"
           "  --shelf-corner      reads the frequency of LS/HS filters as the shelf's corner, not its centre\n"
           "  --install           pipewire: writes marvo-eq.conf into $XDG_CONFIG_HOME/pipewire/pipewire.conf.d\n"
           "                      (default ~/.config/...) and prints the command that restarts PipeWire\n"
           "  -h, --help          shows this text\n"
           "\n"
           "Exit status: 0 done, 1 failed (nothing written), 2 wrong command line.\n";
}

TPresetCommandLine ParsePresetCommandLine(const std::vector<std::string>& Args)
{
    TPresetCommandLine C;
    C.Help = AsksForHelp(Args);
    if (C.Help)
        return C;
    TCommandLineReader R;
    R.AddCommand("import", "FILE", 1, 1);
    R.AddCommand("show", "FILE.fxp", 1, 1);
    R.AddCommand("pipewire", "FILE", 1, 1);
    R.SetMisplacedOption("option '{option}' is not for {command}");
    R.AddFile("-o,--out", C.Output, {"import", "pipewire"});
    R.AddNumber("--rate", C.SampleRate, 8000.0, 768000.0,
                "{option} '{value}': expected a sample rate from 8000 to 768000 Hz", {"import", "pipewire"});
    R.AddText("--name", C.Name, {"import", "pipewire"});
    R.AddText("--preset", C.Preset, {"import", "pipewire"});
    R.AddFlag("--list", C.List, {"import"});
    R.AddFile("--plot", C.Plot);
    R.AddFlag("--shelf-corner", C.ShelfCorner, {"import", "pipewire"});
    R.AddFlag("--install", C.Install, {"pipewire"});
    std::vector<std::string> Files;
    C.Command = R.Read(Args, Files);
    C.File = Files.front();
    if (C.Install && !C.Output.empty())
        throw EUsageError("--install writes into PipeWire's folder: give it or -o, not both");
    return C;
}
