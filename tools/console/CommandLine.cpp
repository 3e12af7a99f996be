#include "console/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "console/ToolMain.h"

namespace
{

std::string Replaced(std::string Text, const std::string& Key, const std::string& Value)
{
    for (std::size_t At = Text.find(Key); At != std::string::npos; At = Text.find(Key, At + Value.size()))
        Text.replace(At, Key.size(), Value);
    return Text;
}

// The name an option is known by in messages: its first long name, else its first short one.
std::string OptionName(const CLI::Option& O)
{
    return O.get_lnames().empty() ? "-" + O.get_snames().front() : "--" + O.get_lnames().front();
}

} // namespace

struct TCommandLineReader::TImpl
{
    struct TCommand
    {
        CLI::App* App = nullptr;
        std::string ArgumentNames;
        std::size_t Min = 0, Max = 0;
        std::vector<std::string> Arguments;
    };

    CLI::App App;
    std::map<std::string, TCommand> Commands; // "" : the tool's own arguments
    std::vector<std::string> CommandOrder;
    std::vector<std::string> Args;            // while reading: the arguments as given
    std::string Misplaced = "option '{option}' does not apply to '{command}'";
    std::vector<std::string> Files; // the options that take a file name

    // The value of the option Name as given last on the command line ("--name VALUE" or "--name=VALUE").
    std::string Given(const std::string& Name, const std::string& Otherwise) const
    {
        std::string Value = Otherwise;
        for (std::size_t I = 0; I < Args.size(); ++I)
            if (Args[I] == Name && I + 1 < Args.size())
                Value = Args[I + 1];
            else if (Args[I].starts_with(Name + "="))
                Value = Args[I].substr(Name.size() + 1);
        return Value;
    }

    // The commands an option is added to.
    std::vector<CLI::App*> Apps(const TCommands& Names)
    {
        std::vector<CLI::App*> List;
        for (const std::string& Name : Names.empty() ? CommandOrder : Names)
            List.push_back(Commands.at(Name).App);
        return List;
    }

    // Refusal with "{option}" filled; "{value}" is the whole value as given (a list's, not one item's).
    CLI::Validator Checked(const std::string& Name, std::function<bool(const std::string&)> Accept,
                           const std::string& Refusal)
    {
        return CLI::Validator(
            [this, Name, Accept, Refusal](std::string& Value) -> std::string {
                if (!Accept(Value))
                    throw EUsageError(Replaced(Replaced(Refusal, "{option}", Name), "{value}", Given(Name, Value)));
                return "";
            },
            "");
    }

    std::string Extra(const std::string& Command, const std::vector<std::string>& Extras) const;
    void CheckRepeats(const CLI::App& Selected) const;
};

TCommandLineReader::TCommandLineReader() : F(std::make_unique<TImpl>())
{
    F->App.set_help_flag();
    F->App.allow_extras();
    F->App.allow_windows_style_options(false); // "/path/to/file" is an argument on Windows too
}

TCommandLineReader::~TCommandLineReader() = default;

void TCommandLineReader::AddCommand(const std::string& Name, const std::string& ArgumentNames, std::size_t Min,
                                    std::size_t Max)
{
    TImpl::TCommand& C = F->Commands[Name];
    C.App = &F->App;
    if (!Name.empty())
    {
        C.App = F->App.add_subcommand(Name);
        C.App->set_help_flag();
        C.App->allow_extras();
        C.App->allow_windows_style_options(false);
        F->App.require_subcommand(0, 1); // an argument named like a command is an argument after the command
    }
    C.ArgumentNames = ArgumentNames;
    C.Min = Min;
    C.Max = Max;
    C.App->add_option("arguments", C.Arguments);
    F->CommandOrder.push_back(Name);
}

void TCommandLineReader::AddFlag(const std::string& Names, bool& Target, const TCommands& Commands)
{
    for (CLI::App* A : F->Apps(Commands))
        A->add_flag(Names, Target)->disable_flag_override();
}

void TCommandLineReader::AddText(const std::string& Names, std::string& Target, const TCommands& Commands)
{
    for (CLI::App* A : F->Apps(Commands))
        A->add_option(Names, Target);
}

void TCommandLineReader::AddFile(const std::string& Names, std::string& Target, const TCommands& Commands)
{
    for (CLI::App* A : F->Apps(Commands))
    {
        CLI::Option* O = A->add_option(Names, Target);
        O->check(F->Checked(OptionName(*O), [](const std::string& V) { return !V.empty(); },
                            "option '{option}' needs a file name"));
        F->Files.push_back(OptionName(*O));
    }
}

void TCommandLineReader::AddTexts(const std::string& Names, std::vector<std::string>& Target,
                                  const TCommands& Commands)
{
    for (CLI::App* A : F->Apps(Commands))
        A->add_option(Names, Target)
            ->expected(1)
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void TCommandLineReader::AddInteger(const std::string& Names, int& Target, int Min, int Max,
                                    const std::string& Refusal, const TCommands& Commands)
{
    const CLI::Validator InRange = CLI::Range(Min, Max);
    for (CLI::App* A : F->Apps(Commands))
    {
        CLI::Option* O = A->add_option(Names, Target);
        O->check(F->Checked(OptionName(*O), [InRange](std::string V) { return InRange(V).empty(); }, Refusal));
    }
}

void TCommandLineReader::AddNumber(const std::string& Names, double& Target, double Min, double Max,
                                   const std::string& Refusal, const TCommands& Commands)
{
    const CLI::Validator InRange = CLI::Range(Min, Max);
    for (CLI::App* A : F->Apps(Commands))
    {
        CLI::Option* O = A->add_option(Names, Target);
        O->check(F->Checked(
            OptionName(*O),
            [InRange](std::string V) {
                double D = 0.0;
                return InRange(V).empty() && CLI::detail::lexical_cast(V, D) && std::isfinite(D);
            },
            Refusal));
    }
}

void TCommandLineReader::AddIntegerList(const std::string& Names, std::vector<int>& Target, int Min, int Max,
                                        const std::string& Refusal, const TCommands& Commands)
{
    const CLI::Validator InRange = CLI::Range(Min, Max);
    for (CLI::App* A : F->Apps(Commands))
    {
        CLI::Option* O = A->add_option_function<std::vector<int>>(Names, [&Target](const std::vector<int>& List) {
            Target.clear();
            for (const int N : List)
                if (std::find(Target.begin(), Target.end(), N) == Target.end())
                    Target.push_back(N);
        });
        O->delimiter(',')->expected(1, CLI::detail::expected_max_vector_size)->allow_extra_args(false);
        const std::string Name = OptionName(*O);
        // CLI11 drops empty items: "1,,2" and "1," are refused here as a whole.
        O->check(F->Checked(
            Name,
            [this, Name, InRange](std::string V) {
                const std::string List = F->Given(Name, V);
                return InRange(V).empty() && !List.starts_with(",") && !List.ends_with(",") &&
                       List.find(",,") == std::string::npos;
            },
            Refusal));
    }
}

void TCommandLineReader::AddChoice(const std::string& Names, int& Target, const std::vector<std::string>& Choices,
                                   const std::string& Refusal, const TCommands& Commands)
{
    for (CLI::App* A : F->Apps(Commands))
    {
        CLI::Option* O = A->add_option_function<std::string>(Names, [&Target, Choices](const std::string& V) {
            Target = static_cast<int>(std::find(Choices.begin(), Choices.end(), V) - Choices.begin());
        });
        O->check(F->Checked(
            OptionName(*O),
            [Choices](const std::string& V) { return std::find(Choices.begin(), Choices.end(), V) != Choices.end(); },
            Refusal));
    }
}

void TCommandLineReader::SetMisplacedOption(const std::string& Pattern)
{
    F->Misplaced = Pattern;
}

// The line for the first argument no option and no command took.
std::string TCommandLineReader::TImpl::Extra(const std::string& Command, const std::vector<std::string>& Extras) const
{
    const std::string& First = Extras.front();
    if (Command.empty() && !Commands.contains("") && !First.starts_with("-"))
        return "unknown command '" + First + "'";
    const std::string Name = First.substr(0, First.find('='));
    for (const auto& [Other, C] : Commands)
        for (const CLI::Option* O : C.App->get_options())
            if (O->check_name(Name) && Other != Command && !Command.empty())
                return Replaced(Replaced(Misplaced, "{option}", OptionName(*O)), "{command}", Command);
    return "unknown option '" + Name + "'";
}

// A value given twice to an option that takes one.
void TCommandLineReader::TImpl::CheckRepeats(const CLI::App& Selected) const
{
    for (const CLI::Option* O : Selected.get_options())
        if (O->get_multi_option_policy() == CLI::MultiOptionPolicy::Throw && !O->get_positional() && O->count() > 1)
            throw EUsageError("option '" + OptionName(*O) + "' given twice");
}

std::string TCommandLineReader::Read(const std::vector<std::string>& Args, std::vector<std::string>& Arguments)
{
    F->Args = Args;
    std::vector<std::string> Reversed(Args.rbegin(), Args.rend()); // CLI11 reads them from the back
    try
    {
        F->App.parse(Reversed);
    }
    catch (const CLI::ArgumentMismatch& E)
    {
        F->CheckRepeats(F->App);
        for (const CLI::App* Sub : F->App.get_subcommands())
            F->CheckRepeats(*Sub);
        const std::string What = E.what(), Name = What.substr(0, What.find(':'));
        if (What.find("flag override") != std::string::npos) // "flag was given a disallowed flag override"
        {
            const std::string Flag = What.substr(0, What.find(' '));
            throw EUsageError("option '" + (Flag.starts_with("-") ? Flag : "--" + Flag) + "' takes no value");
        }
        if (std::ranges::find(F->Files, Name) != F->Files.end())
            throw EUsageError("option '" + Name + "' needs a file name");
        throw EUsageError("option '" + Name + "' needs a value");
    }
    catch (const CLI::ParseError& E)
    {
        throw EUsageError(E.what());
    }
    std::string Command;
    for (const CLI::App* Sub : F->App.get_subcommands())
        Command = Sub->get_name();
    const std::vector<std::string> Extras = F->App.remaining(true);
    if (!Extras.empty())
        throw EUsageError(F->Extra(Command, Extras));
    if (!F->Commands.contains(Command))
    {
        std::string Names;
        for (const std::string& Name : F->CommandOrder)
            Names += (Names.empty() ? "" : Name == F->CommandOrder.back() ? " or " : ", ") + Name;
        throw EUsageError("no command given (expected " + Names + ")");
    }
    const TImpl::TCommand& C = F->Commands.at(Command);
    if (C.Arguments.size() < C.Min || C.Arguments.size() > C.Max)
        throw EUsageError((Command.empty() ? "expected " : "'" + Command + "' expects ") + C.ArgumentNames + " (" +
                          std::to_string(C.Arguments.size()) + " argument" + (C.Arguments.size() == 1 ? "" : "s") +
                          " given)");
    Arguments = C.Arguments;
    return Command;
}

bool AsksForHelp(const std::vector<std::string>& Args)
{
    return std::ranges::find(Args, "--help") != Args.end() || std::ranges::find(Args, "-h") != Args.end();
}
