#pragma once
// The shape every command-line tool's main shares: usage errors, and one line on standard error for every
// failure with a non-zero exit status; nothing escapes main.
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A wrong command line: exit status 2, with a hint to --help.
class EUsageError : public std::runtime_error
{
public:
    explicit EUsageError(const std::string& Message) : std::runtime_error(Message) {}
};

// An option a tool reads: its names as "long" or "s,long" (a short and a long name), and whether it takes a
// value; without one it is a flag.
struct TDeclaredOption
{
    std::string Names;
    bool TakesValue = false;
};

// A command line as cxxopts reads it against the options Declared (string values "--name VALUE" or
// "--name=VALUE"; flags declared as bool). The tool phrases its own messages from it.
struct TOptionList
{
    std::vector<std::pair<std::string, std::string>> Options; // {"--name", value} in the order given; a flag's "true"
    std::vector<std::string> Arguments;                       // the arguments that are no option, in order
    std::string Unknown;      // the first argument that looks like an option but is none of Declared (a flag
                              // given a value, a lone "--"), as given
    std::string MissingValue; // "--name" when the last argument is an option without its value (nothing else is read)
};
// Raises EUsageError with the parser's text for what it refuses otherwise.
// The parser stays inside the console library: its header is costly to compile.
TOptionList ReadOptions(const std::vector<TDeclaredOption>& Declared, const std::vector<std::string>& Args);
// Whether "--help" or "-h" is among Args: help wins over every mistake on the command line.
bool AsksForHelp(const std::vector<std::string>& Args);

// Runs Body with the arguments after the program name. Without arguments, Usage goes to standard error and
// the answer is 2. A failure prints "Program: message" as one line: status 2 for an EUsageError, else 1.
int RunTool(const char* Program, int argc, char** argv, const std::string& Usage,
            const std::function<int(const std::vector<std::string>&)>& Body);
