// marvo-vst: a command-line VST 2 host. Every failure ends as one line on standard error and a non-zero
// exit status; nothing escapes main.
#include <cstdio>
#include <exception>
#include <iostream>

#include "MarvoVst.h"
#include "console/ProgressBar.h"

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
    return RunEdit(C);
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        if (argc <= 1)
        {
            std::cerr << UsageText();
            return 2;
        }
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    }
    catch (const EUsageError& E)
    {
        std::fprintf(stderr, "marvo-vst: %s (try 'marvo-vst --help')\n", OneLine(E.what()).c_str());
        return 2;
    }
    catch (const std::exception& E)
    {
        std::fprintf(stderr, "marvo-vst: %s\n", OneLine(E.what()).c_str());
        return 1;
    }
    catch (...)
    {
        std::fprintf(stderr, "marvo-vst: failed for an unknown reason\n");
        return 1;
    }
}
