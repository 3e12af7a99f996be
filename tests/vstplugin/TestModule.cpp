#include "TestModule.h"

namespace
{
using M = TTestModule;
const TVstProgramDeclaration<M> TestPrograms[] = {
    {.DisplayName = "First", .OnInitialize = &M::ProgramInitialized}, {.DisplayName = "Second"}, {}};
const TVstParameterDeclaration<M> TestParameters[] = {
    {.Min = 20, .Max = 20000, .Curve = ctLogarithmic, .DisplayName = "Frequency", .Units = "Hz", .CurveFactor = 1000,
     .OnParameterChange = &M::ParameterChanged, .OnCustomParameterDisplay = &M::Display},
    {.Min = -15, .Max = 15, .DisplayName = "Gain", .Units = "dB", .Symbol = "gain", .Default = 3, .LimitMin = -6,
     .LimitMax = 6, .StepCount = 61, .OnParameterChange = &M::ParameterChanged},
    {.Min = 0, .Max = 1, .CanBeAutomated = false, .ReportVST2Properties = true, .StepFloat = 0.5f,
     .SmallStepFloat = 0.25f, .LargeStepFloat = 1, .Flags = {kVstParameterUsesFloatStep}, .MinInteger = 1,
     .MaxInteger = 9, .StepInteger = 2, .LargeStepInteger = 3, .ShortLabel = "Switching"},
    {.Min = 0, .Max = 100, .Curve = ctFrequencyScale},
};
} // namespace

const TVSTModuleDeclaration<TTestModule> TTestModule::Declaration = {
    .Properties = {.Flags = {effFlagsHasEditor, effFlagsCanMono, effFlagsCanReplacing},
                   .EffectName = "Test Effect",
                   .VendorName = "Marvo tests",
                   .VersionMajor = 2,
                   .VersionMinor = 3,
                   .VersionRelease = 4,
                   .PlugCategory = vpcEffect,
                   .CanDos = {vcdPlugAsChannelInsert, vcd2in2out},
                   .CurrentProgram = 0,
                   .UniqueID = "TsMd"},
    .Programs = TestPrograms,
    .Parameters = TestParameters,
    .Events = {.OnCreate = &M::Created,
               .OnInitialize = &M::Initialized,
               .OnClose = &M::Closed,
               .OnParameterChange = &M::ModuleParameterChanged,
               .OnProcess = &M::Halve,
               .OnProcessReplacing = &M::Halve,
               .OnBeforeProgramChange = &M::Before,
               .OnAfterProgramChange = &M::After},
};
