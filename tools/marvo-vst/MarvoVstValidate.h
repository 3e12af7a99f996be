#pragma once
// marvo-vst validate: the checks, the stages that group them, and what a stage reports through.
//
// A stage runs in a child process where the system can fork, so a plug-in that crashes, hangs or exits
// ends one stage as a failing check; each stage loads the plug-in afresh.
#include <string>
#include <vector>

#include "MarvoVst.h"
#include "console/Isolated.h"

enum class TVerdict { vPass, vFail, vSkip, vInfo };

struct TCheckResult
{
    std::string Name;
    TVerdict Verdict = TVerdict::vPass;
    std::string Detail;
};

// What a stage knows of the command line and how it reports. Reports become lines on the sink: "R", the
// verdict letter, the name and the detail, separated by tabs; "S", the check under way and what it is doing.
class TValidation
{
public:
    TValidation(const TCommandLine& CommandLine, TLineSink Emit);

    const std::string& Path() const { return FCommandLine.Arguments[0]; }
    int Level() const { return FCommandLine.Level; }
    // The grid of the level, or the one --rates and --blocks narrow it to.
    std::vector<int> Rates() const;
    std::vector<int> Blocks() const;

    void Pass(const std::string& Name) { Report(TVerdict::vPass, Name, ""); }
    void Fail(const std::string& Name, const std::string& Detail) { Report(TVerdict::vFail, Name, Detail); }
    // Passes with an empty Failure, else fails with it.
    void Check(const std::string& Name, const std::string& Failure);
    void Skip(const std::string& Name, const std::string& Reason) { Report(TVerdict::vSkip, Name, Reason); }
    void Info(const std::string& Name, const std::string& Text) { Report(TVerdict::vInfo, Name, Text); }
    // Names the check under way and its step, for the report of a crash.
    void Step(const std::string& Name, const std::string& What);
    const std::string& CurrentCheck() const { return FCurrent; }

private:
    void Report(TVerdict Verdict, const std::string& Name, const std::string& Detail);

    const TCommandLine& FCommandLine;
    TLineSink FEmit;
    std::string FCurrent;
};

struct TStage
{
    const char* Name;
    int Level; // the lowest --level that runs it
    void (*Run)(TValidation& V);
};


// In order; the first ("load") decides whether the others run. VST 2 plug-ins, and VST 3 bundles (a path
// that IsVST3Path takes, MarvoVstValidateVST3.h).
const std::vector<TStage>& ValidationStages();
const std::vector<TStage>& VST3ValidationStages();
