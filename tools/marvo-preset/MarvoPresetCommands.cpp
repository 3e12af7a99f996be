#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "MarvoPreset.h"
#include "console/ProgressBar.h"
#include "equaliser/SmallEQModule.h"
#include "graphics/Bitmap32.h"
#include "platform/AtomicFile.h"
#include "presets/PresetImport.h"
#include "presets/PresetResponse.h"
#include "vsthost/DVSTHost.h"

namespace
{

// A fit that takes longer than this shows a progress line.
constexpr double kProgressAfterSeconds = 1.0;

// The equaliser hosted as the player hosts it, for reading and writing its program files.
struct THostedEqualiser
{
    THostedEqualiser()
    {
        PlugIn = Host.VstPlugIns().Add();
        Module = new TSmallEQModule(nullptr); // freed by the host's effClose
        Module->SetAudioMaster(&AudioMasterCallback);
        PlugIn->VstEffect = Module->Effect();
        PlugIn->SetActive(true);
    }
    TVstHost Host;
    TVstPlugIn* PlugIn = nullptr;
    TSmallEQModule* Module = nullptr;
};

std::string FileStem(const std::string& Path)
{
    const std::size_t Slash = Path.find_last_of("/\\");
    std::string Name = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
    const std::size_t Dot = Name.find_last_of('.');
    return Dot == std::string::npos || Dot == 0 ? Name : Name.substr(0, Dot);
}

std::string FileName(const std::string& Path)
{
    const std::size_t Slash = Path.find_last_of("/\\");
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

std::string WithExtension(const std::string& Path, const std::string& Extension)
{
    const std::size_t Slash = Path.find_last_of("/\\");
    const std::size_t Dot = Path.find_last_of('.');
    const bool HasExtension = Dot != std::string::npos && (Slash == std::string::npos || Dot > Slash + 1);
    return (HasExtension ? Path.substr(0, Dot) : Path) + Extension;
}

std::string Format(const char* Pattern, double a, double b = 0.0, double c = 0.0, double d = 0.0)
{
    char Text[160];
    std::snprintf(Text, sizeof Text, Pattern, a, b, c, d);
    return Text;
}

// The eight bands and the volume as a table.
void PrintSetting(const TEqualiserSetting& S)
{
    TEqualiserModel Model({1000.0});
    Model.SetAll(S);
    std::cout << "band  frequency      gain    bandwidth            symmetry\n";
    for (int b = 0; b < kModelBands; ++b)
    {
        char Row[160];
        std::snprintf(Row, sizeof Row, "%4d  %9.1f Hz  %+6.2f dB  %4.2f (%5.2f oct)  %+5.2f\n", b + 1, S[4 * b],
                      S[4 * b + 1], S[4 * b + 2], Model.BandwidthOctaves(b), S[4 * b + 3]);
        std::cout << Row;
    }
    std::cout << Format("volume  %+.2f dB\n", S[kModelVolumeIndex]);
}

void PlotTo(const std::string& Path, const std::vector<double>& Frequencies, const std::vector<double>& Target,
            const std::vector<double>& Fitted, const std::string& Title)
{
    TBitmap32 Image;
    DrawResponsePlot(Image, Frequencies, Target, Fitted, Title);
    WritePlot(Image, Path);
}

} // namespace

std::string ProgramFileBytes(const TEqualiserSetting& Setting, const std::string& Name)
{
    THostedEqualiser E;
    for (int i = 0; i < kModelParameters; ++i)
        E.Module->SetParameter(i, Setting[i]);
    E.PlugIn->SetProgramName(Name);
    std::ostringstream Bytes(std::ios::binary);
    E.PlugIn->SavePreset(Bytes);
    return Bytes.str();
}

TEqualiserSetting ReadProgramFile(const std::string& Path, std::string& Name)
{
    THostedEqualiser E;
    E.PlugIn->LoadPreset(Path);
    TEqualiserSetting S;
    for (int i = 0; i < kModelParameters; ++i)
        S[i] = E.Module->Parameter(i);
    Name = E.PlugIn->ProgramName();
    return S;
}

namespace
{

// Fits the preset FILE as import does, prints the bands and the error, draws --plot; the fit's program
// file, with the name --name or the record's or the file's.
std::string FitProgram(const TPresetCommandLine& C, const std::string& GivenName)
{
    TImportOptions Options;
    Options.SampleRate = C.SampleRate;
    Options.ShelfCorner = C.ShelfCorner;
    Options.Preset = C.Preset;
    const auto Start = std::chrono::steady_clock::now();
    std::unique_ptr<TProgressBar> Progress;
    Options.OnProgress = [&](double Done) {
        const std::chrono::duration<double> Spent = std::chrono::steady_clock::now() - Start;
        if (!Progress && Spent.count() > kProgressAfterSeconds && Done < 1.0)
            Progress = std::make_unique<TProgressBar>("fitting", 1000, true);
        if (Progress)
            Progress->Update(static_cast<std::int64_t>(Done * 1000.0));
    };
    const TImportResult R = ImportPresetFile(C.File, Options);
    Progress.reset();
    if (!R.Ok)
        throw std::runtime_error(R.Error);
    for (const std::string& W : R.Warnings)
        std::cerr << "marvo-preset: warning: " << W << "\n";

    const std::string Name = !GivenName.empty() ? GivenName : !R.Name.empty() ? R.Name : FileStem(C.File);
    std::string Bytes = ProgramFileBytes(R.Parameters, Name);
    PrintSetting(R.Parameters);
    std::cout << Format("error over 20 Hz - 16 kHz: RMS %.3f dB, max %.3f dB\n", R.RmsDb, R.MaxDb);
    if (!C.Plot.empty())
        PlotTo(C.Plot, R.Fit.Frequencies, R.Fit.TargetDb, R.Fit.FittedDb, Name);
    return Bytes;
}

// A program file of the equaliser in any form it loads, as the parameter form of what it then holds.
std::string ProgramFileOf(const std::string& Path)
{
    THostedEqualiser E;
    try
    {
        E.PlugIn->LoadPreset(Path);
    }
    catch (const std::exception& X)
    {
        throw std::runtime_error(Path + ": " + X.what());
    }
    TEqualiserSetting S;
    for (int i = 0; i < kModelParameters; ++i)
        S[i] = E.Module->Parameter(i);
    PrintSetting(S);
    std::ostringstream Bytes(std::ios::binary);
    E.PlugIn->SavePreset(Bytes);
    return Bytes.str();
}

// A program file by its name (.fxp) or its first bytes.
bool IsProgramFile(const std::string& Path)
{
    std::string Extension = std::filesystem::path(Path).extension().string();
    for (char& C : Extension)
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    const std::vector<std::uint8_t> Bytes = ReadPresetFileBytes(Path);
    return Extension == ".fxp" || (Bytes.size() >= 4 && std::memcmp(Bytes.data(), "CcnK", 4) == 0);
}

} // namespace

int RunPresetImport(const TPresetCommandLine& C)
{
    if (C.List)
    {
        const std::vector<std::uint8_t> Bytes = ReadPresetFileBytes(C.File);
        if (!IsPlayerPresetFile(Bytes))
            throw std::runtime_error(C.File + ": not a preset library of the player (--list reads .q1 and .eqf files)");
        int Number = 1;
        for (const TPlayerPresetRecord& R : ReadPlayerPresetRecords(Bytes, C.File))
            std::cout << Number++ << "  " << R.Name << "\n";
        return 0;
    }
    const std::string Output = C.Output.empty() ? WithExtension(C.File, ".fxp") : C.Output;
    const std::string Bytes = FitProgram(C, C.Name);
    WriteFileAtomically(Output, Bytes.data(), Bytes.size());
    std::cout << "wrote " << Output << "\n";
    return 0;
}

int RunPresetPipeWire(const TPresetCommandLine& C)
{
    const std::string Program = IsProgramFile(C.File) ? ProgramFileOf(C.File) : FitProgram(C, "");
    const std::string Name = C.Name.empty() ? kDefaultDeviceName : C.Name;
    const std::string Text = FilterChainDropIn(PortValues(ProgramValues(Program)), Name, FileName(C.File));
    std::string Output = C.Output.empty() ? WithExtension(C.File, ".conf") : C.Output;
    if (C.Install)
    {
        const std::string Folder = PipeWireDropInFolder();
        std::error_code Error;
        std::filesystem::create_directories(Folder, Error);
        if (Error)
            throw std::runtime_error("cannot create '" + Folder + "': " + Error.message());
        Output = (std::filesystem::path(Folder) / kDropInFileName).string();
    }
    WriteFileAtomically(Output, Text.data(), Text.size());
    std::cout << "wrote " << Output << "\n";
    if (C.Install)
        std::cout << "restart PipeWire to use it: systemctl --user restart pipewire\n"
                  << "then choose \"" << Name << "\" as the output device\n";
    return 0;
}

int RunPresetShow(const TPresetCommandLine& C)
{
    std::string Name;
    TEqualiserSetting S;
    try
    {
        S = ReadProgramFile(C.File, Name);
    }
    catch (const std::exception& E)
    {
        throw std::runtime_error(C.File + ": " + E.what());
    }
    std::cout << "program \"" << Name << "\"\n";
    PrintSetting(S);
    if (!C.Plot.empty())
    {
        TEqualiserModel Model(LogGrid().Frequencies);
        Model.SetAll(S);
        PlotTo(C.Plot, Model.Frequencies(), {}, Model.ResponseDb(), Name);
    }
    return 0;
}
