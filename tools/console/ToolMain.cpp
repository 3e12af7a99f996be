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

std::string OptionValue(const std::vector<std::string>& Args, std::size_t& I, std::size_t Eq, const std::string& Name)
{
    if (Eq != std::string::npos)
        return Args[I].substr(Eq + 1);
    if (I + 1 < Args.size())
        return Args[++I];
    throw EUsageError("option '" + Name + "' needs a value");
}
