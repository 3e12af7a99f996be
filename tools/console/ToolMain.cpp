#include "console/ToolMain.h"

#include <cstdio>
#include <exception>
#include <iostream>

#include "console/ProgressBar.h"

int RunTool(const char* Program, int argc, char** argv, const std::string& Usage,
            const std::function<int(const std::vector<std::string>&)>& Body)
{
    try
    {
        if (argc <= 1)
        {
            std::cerr << Usage;
            return 2;
        }
        return Body(std::vector<std::string>(argv + 1, argv + argc));
    }
    catch (const EUsageError& E)
    {
        std::fprintf(stderr, "%s: %s (try '%s --help')\n", Program, OneLine(E.what()).c_str(), Program);
        return 2;
    }
    catch (const std::exception& E)
    {
        std::fprintf(stderr, "%s: %s\n", Program, OneLine(E.what()).c_str());
        return 1;
    }
    catch (...)
    {
        std::fprintf(stderr, "%s: failed for an unknown reason\n", Program);
        return 1;
    }
}
