// marvo-vst validate: runs the stages (each isolated), prints one line per check and the summary, and writes
// the JSON report.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include <nlohmann/json.hpp>

#include "MarvoVstValidate.h"
#include "MarvoVstValidateVST3.h"
#include "platform/AtomicFile.h"

namespace
{

// A stage that takes longer than this has hung.
constexpr unsigned kStageTimeoutSeconds = 300;

const char* const kVerdictWords[] = {"PASS", "FAIL", "SKIP", "INFO"};
const char kVerdictLetters[] = "PFSI";

// Tabs and line ends would split a report line.
std::string OneLine(std::string Text)
{
    for (char& C : Text)
        if (C == '\t' || C == '\n' || C == '\r')
            C = ' ';
    return Text;
}

// The results as JSON, written in one step; texts that are no UTF-8 (a plug-in's own bytes) get U+FFFD where
// they break it.
void WriteJson(const std::string& File, const TCommandLine& C, const std::vector<TCheckResult>& Results,
               int Passed, int Failed)
{
    nlohmann::ordered_json Checks = nlohmann::ordered_json::array();
    for (const TCheckResult& R : Results)
    {
        std::string Verdict = kVerdictWords[static_cast<int>(R.Verdict)];
        for (char& Ch : Verdict)
            Ch = static_cast<char>(Ch - 'A' + 'a');
        Checks.push_back({{"name", R.Name}, {"result", Verdict}, {"detail", R.Detail}});
    }
    const nlohmann::ordered_json Report = {
        {"plugin", C.Arguments[0]}, {"level", C.Level}, {"passed", Passed}, {"failed", Failed}, {"checks", Checks}};
    const std::string Text = Report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    WriteFileAtomically(File, Text.data(), Text.size());
}

void Print(const TCheckResult& R)
{
    std::cout << kVerdictWords[static_cast<int>(R.Verdict)] << ' ' << R.Name
              << (R.Verdict == TVerdict::vPass ? "" : ": " + R.Detail) << '\n';
    std::cout.flush();
}

} // namespace

TValidation::TValidation(const TCommandLine& CommandLine, TLineSink Emit)
    : FCommandLine(CommandLine), FEmit(std::move(Emit))
{
}

std::vector<int> TValidation::Rates() const
{
    if (!FCommandLine.Rates.empty())
        return FCommandLine.Rates;
    if (Level() >= 4)
        return {22050, 44100, 48000, 88200, 96000, 176400, 192000};
    return {44100, 192000};
}

std::vector<int> TValidation::Blocks() const
{
    if (!FCommandLine.Blocks.empty())
        return FCommandLine.Blocks;
    if (Level() >= 4)
        return {1, 7, 64, 512, 4096, 8192};
    return {1, 7, 512, 8192};
}

void TValidation::Check(const std::string& Name, const std::string& Failure)
{
    if (Failure.empty())
        Pass(Name);
    else
        Fail(Name, Failure);
}

void TValidation::Step(const std::string& Name, const std::string& What)
{
    FCurrent = Name;
    FEmit("S\t" + OneLine(Name) + "\t" + OneLine(What));
}

void TValidation::Report(TVerdict Verdict, const std::string& Name, const std::string& Detail)
{
    FEmit(std::string("R\t") + kVerdictLetters[static_cast<int>(Verdict)] + "\t" + OneLine(Name) + "\t" +
          OneLine(Detail));
}

int RunValidate(const TCommandLine& CommandLine)
{
    std::vector<TCheckResult> Results;
    int Passed = 0, Failed = 0;
    auto Add = [&](TCheckResult R) {
        Passed += R.Verdict == TVerdict::vPass;
        Failed += R.Verdict == TVerdict::vFail;
        Print(R);
        Results.push_back(std::move(R));
    };

    const bool VST3 = MarvoVstValidate::IsVST3Path(CommandLine.Arguments[0]);
    for (const TStage& Stage : VST3 ? VST3ValidationStages() : ValidationStages())
    {
        if (Stage.Level > CommandLine.Level)
            continue;
        std::string Check = Stage.Name, Doing;
        const TLineSink OnLine = [&](const std::string& Line) {
            std::vector<std::string> F;
            for (std::size_t Start = 0;;)
            {
                const std::size_t Tab = Line.find('\t', Start);
                F.push_back(Line.substr(Start, Tab == std::string::npos ? std::string::npos : Tab - Start));
                if (Tab == std::string::npos)
                    break;
                Start = Tab + 1;
            }
            if (F.size() == 3 && F[0] == "S")
            {
                Check = F[1];
                Doing = F[2];
            }
            else if (F.size() == 4 && F[0] == "R" && F[1].size() == 1)
            {
                const std::size_t V = std::string(kVerdictLetters).find(F[1][0]);
                if (V < 4)
                    Add({F[2], static_cast<TVerdict>(V), F[3]});
            }
        };
        const TIsolatedOutcome Outcome = RunIsolated(
            [&](const TLineSink& Emit) {
                TValidation V(CommandLine, Emit);
                try
                {
                    Stage.Run(V);
                }
                catch (const std::exception& E)
                {
                    V.Fail(V.CurrentCheck().empty() ? Stage.Name : V.CurrentCheck(), E.what());
                }
                catch (...)
                {
                    V.Fail(V.CurrentCheck().empty() ? Stage.Name : V.CurrentCheck(), "an unknown error");
                }
            },
            OnLine, kStageTimeoutSeconds);
        if (!Outcome.Completed)
            Add({Check, TVerdict::vFail, Outcome.Reason + (Doing.empty() ? "" : " while " + Doing)});
        // Nothing else can be checked of a plug-in that does not load.
        const bool LoadFailed = std::any_of(Results.begin(), Results.end(), [](const TCheckResult& R) {
            return R.Name == "load" && R.Verdict == TVerdict::vFail;
        });
        if (LoadFailed)
            break;
    }

    std::cout << Passed << " passed, " << Failed << " failed\n";
    std::cout.flush();
    if (!CommandLine.JsonFile.empty())
        WriteJson(CommandLine.JsonFile, CommandLine, Results, Passed, Failed);
    return Failed > 0 ? 1 : 0;
}
