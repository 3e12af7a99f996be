#include <charconv>

#include "MarvoPreset.h"
#include "console/ToolMain.h"

std::string PresetUsageText()
{
    return "usage: marvo-preset import FILE [-o OUT.fxp] [--rate HZ] [--name TEXT] [--preset NAME|INDEX] [--list]\n"
           "                          [--plot OUT.png] [--shelf-corner]\n"
           "       marvo-preset show FILE.fxp [--plot OUT.png]\n"
           "\n"
           "import  reads an equaliser preset (parametric or GraphicEQ text of the system equaliser, the player's\n"
           "        .eqf file or its library winamp.q1), fits the eight bands and the volume to the response it\n"
           "        asks for, prints the bands and the error, and writes the equaliser's program file\n"
           "show    prints the bands of a program file of the equaliser\n"
           "\n"
           "Options:\n"
           "  -o, --out FILE      the program file to write (default: FILE with the extension .fxp)\n"
           "  --rate HZ           the sample rate the file's filters were made for (default 44100)\n"
           "  --name TEXT         the program's name (default: the preset's name or the file's name)\n"
           "  --preset NAME|N     the record of a library, by name or number (default: the first)\n"
           "  --list              lists the records of a library and writes nothing\n"
           "  --plot FILE.png     draws the target and the equaliser's response\n"
           "  --shelf-corner      reads the frequency of LS/HS filters as the shelf's corner, not its centre\n"
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
    const std::vector<TDeclaredOption> Declared{{"o,out", true}, {"rate", true},  {"name", true},        {"preset", true},
                                                {"plot", true},  {"list", false}, {"shelf-corner", false}};
    const TOptionList Given = ReadOptions(Declared, Args);
    if (!Given.Unknown.empty())
        throw EUsageError("unknown option '" + Given.Unknown.substr(0, Given.Unknown.find('=')) + "'");
    if (!Given.MissingValue.empty())
        throw EUsageError("option '" + Given.MissingValue + "' needs a value");
    if (Given.Arguments.empty())
        throw EUsageError("expected a command: import or show");
    C.Command = Given.Arguments[0];
    if (C.Command != "import" && C.Command != "show")
        throw EUsageError("unknown command '" + C.Command + "'");
    if (Given.Arguments.size() != 2)
        throw EUsageError("expected " + C.Command + " FILE (" + std::to_string(Given.Arguments.size() - 1) +
                          " files given)");
    C.File = Given.Arguments[1];
    for (const auto& [Name, Value] : Given.Options)
    {
        if (C.Command == "show" && Name != "--plot")
            throw EUsageError("option '" + Name + "' is not for show");
        if (Name == "--out")
            C.Output = Value;
        else if (Name == "--rate")
        {
            double Rate = 0.0;
            const char* End = Value.data() + Value.size();
            const auto R = std::from_chars(Value.data(), End, Rate);
            if (R.ec != std::errc() || R.ptr != End || !(Rate >= 8000.0 && Rate <= 768000.0))
                throw EUsageError("--rate '" + Value + "': expected a sample rate from 8000 to 768000 Hz");
            C.SampleRate = Rate;
        }
        else if (Name == "--name")
            C.Name = Value;
        else if (Name == "--preset")
            C.Preset = Value;
        else if (Name == "--plot")
            C.Plot = Value;
        else if (Name == "--list")
            C.List = true;
        else if (Name == "--shelf-corner")
            C.ShelfCorner = true;
    }
    return C;
}
