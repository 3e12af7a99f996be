#pragma once
// The tools' command lines, read by CLI11: commands (subcommands) or none, options of each command with their
// kinds and ranges, and the positional arguments. Every refusal is one EUsageError line in the tools' own
// words. CLI11 stays inside the console library: its header is costly to compile.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TCommandLineReader
{
public:
    TCommandLineReader();
    ~TCommandLineReader();
    TCommandLineReader(const TCommandLineReader&) = delete;
    TCommandLineReader& operator=(const TCommandLineReader&) = delete;

    // A command taking Min..Max arguments, ArgumentNames naming them in messages ("PLUGIN IN OUT"). A tool
    // without commands declares its arguments as the command "".
    void AddCommand(const std::string& Name, const std::string& ArgumentNames, std::size_t Min, std::size_t Max);

    // Options. Names: "--block" or "-o,--out". Commands: the commands that take the option (empty: every one).
    // Refusal: the line for a value of the wrong kind or out of range; "{option}" and "{value}" stand for the
    // option and its value as given.
    using TCommands = std::vector<std::string>;
    void AddFlag(const std::string& Names, bool& Target, const TCommands& Commands = {});
    // Any text, and a file name (not empty).
    void AddText(const std::string& Names, std::string& Target, const TCommands& Commands = {});
    void AddFile(const std::string& Names, std::string& Target, const TCommands& Commands = {});
    // Repeatable: every value in the order given.
    void AddTexts(const std::string& Names, std::vector<std::string>& Target, const TCommands& Commands = {});
    void AddInteger(const std::string& Names, int& Target, int Min, int Max, const std::string& Refusal,
                    const TCommands& Commands = {});
    void AddNumber(const std::string& Names, double& Target, double Min, double Max, const std::string& Refusal,
                   const TCommands& Commands = {});
    // Whole numbers Min..Max separated by commas; each kept once, in the order given.
    void AddIntegerList(const std::string& Names, std::vector<int>& Target, int Min, int Max,
                        const std::string& Refusal, const TCommands& Commands = {});
    // One of Choices; Target is its index.
    void AddChoice(const std::string& Names, int& Target, const std::vector<std::string>& Choices,
                   const std::string& Refusal, const TCommands& Commands = {});
    // The line for an option given to a command that does not take it; "{option}" and "{command}" stand for
    // them. Default: "option '{option}' does not apply to '{command}'".
    void SetMisplacedOption(const std::string& Pattern);

    // Reads Args (the arguments after the program name); answers the command ("" for a tool without
    // commands) and sets Arguments to its arguments. Raises EUsageError.
    std::string Read(const std::vector<std::string>& Args, std::vector<std::string>& Arguments);

private:
    struct TImpl;
    std::unique_ptr<TImpl> F;
};

// Whether "--help" or "-h" is among Args: help wins over every mistake on the command line.
bool AsksForHelp(const std::vector<std::string>& Args);
