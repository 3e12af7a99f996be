// marvo-vst: loading a plug-in, applying a program file and parameter values, and the save-fxp command.
#include <exception>

#include "MarvoVst.h"

TVstPlugIn& LoadPlugIn(TVstHost& Host, const std::string& Path)
{
    if (!FileExists(Path))
        throw std::runtime_error("cannot load plugin '" + Path + "': no such file");
    TVstPlugIn* P = Host.VstPlugIns().Add();
    P->SetDLLFileName(Path);
    try
    {
        P->SetActive(true);
    }
    catch (const std::exception& E)
    {
        const std::string& Reason = P->LastLoadError();
        throw std::runtime_error("cannot load plugin '" + Path + "': " + E.what() +
                                 (Reason.empty() ? "" : " (" + Reason + ")"));
    }
    return *P;
}

void ApplyProgramAndSettings(TVstPlugIn& PlugIn, const TCommandLine& CommandLine)
{
    if (!CommandLine.ProgramFile.empty())
    {
        if (!FileExists(CommandLine.ProgramFile))
            throw std::runtime_error("cannot load program file '" + CommandLine.ProgramFile + "': no such file");
        try
        {
            PlugIn.LoadPreset(CommandLine.ProgramFile);
        }
        catch (const std::exception& E)
        {
            throw std::runtime_error("cannot load program file '" + CommandLine.ProgramFile + "': " + E.what());
        }
    }
    const std::int32_t Count = PlugIn.numParams();
    for (const TParameterSetting& S : CommandLine.Settings)
    {
        if (S.Index >= Count)
            throw std::runtime_error("--set " + std::to_string(S.Index) + ": no such parameter (the plug-in has " +
                                     (Count > 0 ? std::to_string(Count) + ", 0.." + std::to_string(Count - 1)
                                                : std::string("none")) +
                                     ")");
        PlugIn.SetParameter(S.Index, S.Value);
    }
}

int RunSaveFxp(const TCommandLine& CommandLine)
{
    TVstHost Host;
    TVstPlugIn& P = LoadPlugIn(Host, CommandLine.Arguments[0]);
    ApplyProgramAndSettings(P, CommandLine);
    const std::string& File = CommandLine.Arguments[1];
    try
    {
        P.SavePreset(File);
    }
    catch (const std::exception& E)
    {
        throw std::runtime_error("cannot write program file '" + File + "': " + E.what());
    }
    return 0;
}
