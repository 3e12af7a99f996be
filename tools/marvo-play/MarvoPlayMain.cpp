// marvo-play: a stand-in player for DSP plug-in libraries. Every failure ends as one line on standard error
// and a non-zero exit status; nothing escapes main.
#include <cstdio>
#include <exception>
#include <iostream>

#include "MarvoPlay.h"
#include "console/ProgressBar.h"

int main(int argc, char** argv)
{
    try
    {
        if (argc <= 1)
        {
            std::cerr << PlayUsageText();
            return 2;
        }
        const TPlayOptions O = ParsePlayCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (O.Help)
        {
            std::cout << PlayUsageText();
            return 0;
        }
        return RunPlay(O);
    }
    catch (const EPlayUsageError& E)
    {
        std::fprintf(stderr, "marvo-play: %s (try 'marvo-play --help')\n", OneLine(E.what()).c_str());
        return 2;
    }
    catch (const std::exception& E)
    {
        std::fprintf(stderr, "marvo-play: %s\n", OneLine(E.what()).c_str());
        return 1;
    }
    catch (...)
    {
        std::fprintf(stderr, "marvo-play: failed for an unknown reason\n");
        return 1;
    }
}
