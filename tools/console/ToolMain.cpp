#include "console/ToolMain.h"

#include <algorithm>
#include <cstdio>
#include <cxxopts.hpp>
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

TOptionList ReadOptions(const std::vector<TDeclaredOption>& Options, const std::vector<std::string>& Args)
{
    cxxopts::Options Declared("tool");
    auto Add = Declared.add_options();
    for (const TDeclaredOption& O : Options)
        if (O.TakesValue)
            Add(O.Names, "", cxxopts::value<std::string>());
        else
            Add(O.Names, "");
    TOptionList L;
    // A flag given a value ("--show=1") is an unknown option, named as given, not a flag cxxopts reads as a bool.
    std::vector<std::string> FlagsWithValue;
    for (const cxxopts::HelpOptionDetails& D : Declared.group_help("").options)
        for (const std::string& Name : D.l)
            if (D.is_boolean)
                FlagsWithValue.push_back("--" + Name + "=");
    std::vector<const char*> Argv{"tool"};
    for (const std::string& A : Args)
        if (std::ranges::none_of(FlagsWithValue, [&](const std::string& F) { return A.starts_with(F); }))
            Argv.push_back(A.c_str());
        else if (L.Unknown.empty())
            L.Unknown = A;
    try
    {
        Declared.allow_unrecognised_options();
        const cxxopts::ParseResult R = Declared.parse(static_cast<int>(Argv.size()), Argv.data());
        // A "--" that is no option's value ends cxxopts' options; our tools take it for an unknown option.
        auto Separators = std::ranges::count(Args, "--");
        for (const cxxopts::KeyValue& O : R.arguments())
        {
            L.Options.emplace_back("--" + O.key(), O.value());
            Separators -= O.value() == "--";
        }
        if (Separators > 0 && L.Unknown.empty())
            L.Unknown = "--";
        for (const std::string& A : R.unmatched())
            if (A.size() <= 1 || A[0] != '-')
                L.Arguments.push_back(A);
            else if (L.Unknown.empty())
                L.Unknown = A;
    }
    catch (const cxxopts::exceptions::missing_argument&)
    {
        L.MissingValue = Argv.back(); // only the last argument can lack its value
    }
    catch (const cxxopts::exceptions::exception& E)
    {
        throw EUsageError(E.what());
    }
    return L;
}

bool AsksForHelp(const std::vector<std::string>& Args)
{
    return std::ranges::find(Args, "--help") != Args.end() || std::ranges::find(Args, "-h") != Args.end();
}
