// Loading a declaration: the properties through their writers, and the end of loading. The tables and the
// binding of their items and handlers are templates (DVSTModuleDeclaration.h).
#include "vstplugin/DVSTModule.h"

// [host-main]
void TCustomVSTModule::ApplyProperties(const TVSTModuleProperties& P)
{
    SetFlags(P.Flags);
    SetVersion(P.Version ? P.Version : "");
    SetEffectName(P.EffectName ? P.EffectName : "");
    SetProductName(P.ProductName ? P.ProductName : "");
    SetVendorName(P.VendorName ? P.VendorName : "");
    SetVersionMajor(P.VersionMajor);
    SetVersionMinor(P.VersionMinor);
    SetVersionRelease(P.VersionRelease);
    SetPlugCategory(P.PlugCategory);
    SetTailSize(P.TailSize);
    SetCanDos(P.CanDos);
    SetSampleRate(P.SampleRate);
    SetBlockSize(P.BlockSize);
    if (P.numInputs != numInputs())
        SetNumInputs(P.numInputs);
    if (P.numOutputs != numOutputs())
        SetNumOutputs(P.numOutputs);
    SetNumCategories(P.numCategories);
    if (P.CurrentProgram != FCurrentProgram)
        SetCurrentProgram(P.CurrentProgram);
    if (P.CurrentProgramName)
        SetCurrentProgramName(P.CurrentProgramName);
    SetProcessingMode(P.ProcessingMode);
    SetBlockModeSize(P.BlockModeSize);
    SetBlockModeOverlap(P.BlockModeOverlap);
    SetInitialDelay(P.InitialDelay);
    if (P.KeysRequired != FKeysRequired)
        SetKeysRequired(P.KeysRequired);
    SetRealQualities(P.RealQualities);
    SetOffQualities(P.OffQualities);
    SetIORatio(P.IORatio);
    SetUniqueID(P.UniqueID ? P.UniqueID : "");
    FOldCreateOrder = P.OldCreateOrder;
}

// [host-main] The end of loading: programs' OnInitialize, program 0, the module's OnInitialize, OnCreate.
void TCustomVSTModule::FinishLoading()
{
    for (std::int32_t I = 0; I < FPrograms->Count(); ++I)
    {
        TCustomVstProgram& Program = (*FPrograms)[I];
        if (Program.OnInitialize)
            Program.OnInitialize(&Program);
    }
    if (FPrograms->Count() > 0)
        SetCurrentProgram(0);
    if (OnInitialize)
        OnInitialize(this);
    // Both create orders meet here: the concrete module's fields exist once LoadDeclaration runs.
    // A failing OnCreate does not undo the construction.
    if (OnCreate)
    {
        try
        {
            OnCreate(this);
        }
        catch (...)
        {
        }
    }
}
