// marvo-vst: a command-line VST 2 host. Every failure ends as one line on standard error and a non-zero
// exit status; nothing escapes main.
#include <iostream>

#include "MarvoVst.h"

namespace
{

int Run(const std::vector<std::string>& Args)
{
    const TCommandLine C = ParseCommandLine(Args);
    if (C.Help)
    {
        std::cout << UsageText();
        return 0;
    }
    if (C.Command == "info")
        return RunInfo(C);
    if (C.Command == "process")
        return RunProcess(C);
    if (C.Command == "save-fxp")
        return RunSaveFxp(C);
    if (C.Command == "validate")
        return RunValidate(C);
    return RunEdit(C);
}

} // namespace

int main(int argc, char** argv)
{
    return RunTool("marvo-vst", argc, argv, UsageText(), Run);
}
