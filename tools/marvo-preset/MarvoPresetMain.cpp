// marvo-preset: imports equaliser presets of other programs as the equaliser's program file. Every failure
// ends as one line on standard error and a non-zero exit status; nothing escapes main.
#include <iostream>

#include "MarvoPreset.h"
#include "console/ToolMain.h"

int main(int argc, char** argv)
{
    return RunTool("marvo-preset", argc, argv, PresetUsageText(), [](const std::vector<std::string>& Args) {
        const TPresetCommandLine C = ParsePresetCommandLine(Args);
        if (C.Help)
        {
            std::cout << PresetUsageText();
            return 0;
        }
        if (C.Command == "pipewire")
            return RunPresetPipeWire(C);
        return C.Command == "import" ? RunPresetImport(C) : RunPresetShow(C);
    });
}
