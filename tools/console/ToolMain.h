#pragma once
// The shape every command-line tool's main shares: usage errors, and one line on standard error for every
// failure with a non-zero exit status; nothing escapes main.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/CommandLine.h"

// A wrong command line: exit status 2, with a hint to --help.
class EUsageError : public std::runtime_error
{
public:
    explicit EUsageError(const std::string& Message) : std::runtime_error(Message) {}
};

// Runs Body with the arguments after the program name. Without arguments, Usage goes to standard error and
// the answer is 2. A failure prints "Program: message" as one line: status 2 for an EUsageError, else 1.
int RunTool(const char* Program, int argc, char** argv, const std::string& Usage,
            const std::function<int(const std::vector<std::string>&)>& Body);
