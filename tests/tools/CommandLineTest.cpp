// The tools' command-line reader: every kind of option at its boundaries, and every refusal as the line a
// user sees.
#include <gtest/gtest.h>

#include "console/ToolMain.h"

namespace
{

struct TRead
{
    std::string Command;
    std::vector<std::string> Arguments;
    bool Flag = false;
    std::string File;
    std::vector<std::string> Texts;
    int Integer = 7;
    double Number = 1.5;
    std::vector<int> List;
    int Choice = -1;
};

// A tool with two commands: "run A B" takes every option, "show [A]" only --file.
TRead Read(const std::vector<std::string>& Args)
{
    TRead R;
    TCommandLineReader Reader;
    Reader.AddCommand("run", "A B", 2, 2);
    Reader.AddCommand("show", "[A]", 0, 1);
    Reader.AddFlag("-f,--flag", R.Flag, {"run"});
    Reader.AddFile("--file", R.File);
    Reader.AddTexts("--text", R.Texts, {"run"});
    Reader.AddInteger("--int", R.Integer, -2, 10, "{option} '{value}': from -2 to 10", {"run"});
    Reader.AddNumber("--num", R.Number, 0.5, 2.0, "{option} '{value}': from 0.5 to 2", {"run"});
    Reader.AddIntegerList("--list", R.List, 1, 100, "{option} '{value}': 1 to 100, by commas", {"run"});
    Reader.AddChoice("--choice", R.Choice, {"low", "high"}, "{option} '{value}': low or high", {"run"});
    R.Command = Reader.Read(Args, R.Arguments);
    return R;
}

TEST(CommandLine, ReadsEveryKindAtItsBoundsInTheOrderGiven)
{
    const TRead R = Read({"run", "-f", "a", "--text", "x", "--int=-2", "--num", "2", "--text=y", "--list",
                          "5,1,5,100", "--choice", "high", "b", "--file", "f.txt"});
    EXPECT_EQ(R.Command, "run");
    EXPECT_EQ(R.Arguments, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(R.Flag);
    EXPECT_EQ(R.File, "f.txt");
    EXPECT_EQ(R.Texts, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(R.Integer, -2);
    EXPECT_EQ(R.Number, 2.0);
    EXPECT_EQ(R.List, (std::vector<int>{5, 1, 100})) << "each once, in the given order";
    EXPECT_EQ(R.Choice, 1);

    const TRead Defaults = Read({"show"});
    EXPECT_EQ(Defaults.Command, "show");
    EXPECT_EQ(Defaults.Integer, 7);
    EXPECT_EQ(Defaults.Choice, -1);
    EXPECT_EQ(Read({"run", "--int", "10", "a", "b"}).Integer, 10);
    EXPECT_EQ(Read({"run", "/a/b.dll", "/int"}).Arguments, (std::vector<std::string>{"/a/b.dll", "/int"}))
        << "a path is no option, on Windows neither";
}

TEST(CommandLine, RefusesEachMistakeWithItsOwnLine)
{
    const std::pair<std::vector<std::string>, std::string> Cases[] = {
        {{}, "no command given (expected run or show)"},
        {{"walk"}, "unknown command 'walk'"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"run", "a", "b", "--bogus=1"}, "unknown option '--bogus'"},
        {{"show", "--int", "3"}, "option '--int' does not apply to 'show'"},
        {{"run", "a"}, "'run' expects A B (1 argument given)"},
        {{"show", "a", "b"}, "'show' expects [A] (2 arguments given)"},
        {{"run", "a", "b", "--int"}, "option '--int' needs a value"},
        {{"run", "a", "b", "--int", "1", "--int", "2"}, "option '--int' given twice"},
        {{"run", "a", "b", "--flag=1"}, "option '--flag' takes no value"},
        {{"run", "a", "b", "--file="}, "option '--file' needs a file name"},
        {{"run", "a", "b", "--int", "-3"}, "--int '-3': from -2 to 10"},
        {{"run", "a", "b", "--int", "11"}, "--int '11': from -2 to 10"},
        {{"run", "a", "b", "--int", "2.5"}, "--int '2.5': from -2 to 10"},
        {{"run", "a", "b", "--num", "0.49"}, "--num '0.49': from 0.5 to 2"},
        {{"run", "a", "b", "--num", "nan"}, "--num 'nan': from 0.5 to 2"},
        {{"run", "a", "b", "--num", "1x"}, "--num '1x': from 0.5 to 2"},
        {{"run", "a", "b", "--list", "1,101"}, "--list '1,101': 1 to 100, by commas"},
        {{"run", "a", "b", "--list", "1,,2"}, "--list '1,,2': 1 to 100, by commas"},
        {{"run", "a", "b", "--list", "2,"}, "--list '2,': 1 to 100, by commas"},
        {{"run", "a", "b", "--choice", "Low"}, "--choice 'Low': low or high"},
    };
    for (const auto& [Args, Line] : Cases)
    {
        SCOPED_TRACE(Line);
        try
        {
            Read(Args);
            ADD_FAILURE() << "accepted";
        }
        catch (const EUsageError& E)
        {
            EXPECT_EQ(std::string(E.what()), Line);
        }
    }
}

} // namespace
