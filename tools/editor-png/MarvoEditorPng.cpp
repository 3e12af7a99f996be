// marvo-editor-png: opens the equaliser's editor in a headless host window, optionally with a program file
// loaded through the host's preset loading, and writes what the window shows, magnified by nearest-neighbour
// scaling, as a PNG. With an audio file, the editor shows the response view with the spectrum of the file's
// last second as the equaliser puts it out (or takes it in). Every failure ends as one line on standard error
// and a non-zero exit status. [editor] throughout.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "audiofile/AudioFile.h"
#include "console/ToolMain.h"
#include "equaliser/SEQGUI.h"
#include "equaliser/SEQRequests.h"
#include "graphics/Bitmap32Png.h"
#include "platform/Forms.h"
#include "platform/headless/HeadlessDriver.h"
#include "vsthost/DVSTHost.h"

namespace
{

constexpr int kDefaultScale = 4, kMaxScale = 32;
constexpr int kDefaultBand = 4;

struct TOptions
{
    bool Help = false;
    int Scale = kDefaultScale;
    int Band = kDefaultBand; // 1..8
    int Zoom = 1;            // the editor's own zoom, 1..4
    bool Response = false;   // the response view under the panel
    std::string Preset;      // empty: the initial setting
    std::string Output;
    std::string Spectrum;    // an audio file whose spectrum the response view shows; empty: none
    bool SpectrumInput = false; // the spectrum of what goes in, not of what comes out
};

std::string UsageText()
{
    return "usage: marvo-editor-png [--scale N] [--band N] [--zoom N] [--response]\n"
           "                        [--spectrum FILE [--spectrum-input]] [PRESET.fxp] OUT.png\n"
           "\n"
           "Opens the equaliser's editor in a window, with the program file PRESET.fxp loaded (without one,\n"
           "the equaliser's initial setting), and writes what the window shows (131 x 35 pixels at zoom 1,\n"
           "131 x 95 with the response view) to OUT.png.\n"
           "\n"
           "Options:\n"
           "  --scale N   each pixel becomes N x N pixels, 1.." +
           std::to_string(kMaxScale) + ", default " + std::to_string(kDefaultScale) +
           "\n"
           "  --band N    the band the selector shows, 1..8, default " +
           std::to_string(kDefaultBand) +
           "\n"
           "  --zoom N    the editor's own zoom, 1..4, default 1\n"
           "  --response  shows the response view under the panel\n"
           "  --spectrum FILE   runs the audio file FILE (" +
           std::string(AudioFileTypes()) +
           ") through the equaliser and shows the\n"
           "              response view with the spectrum of its last second behind the curve\n"
           "  --spectrum-input  that spectrum is of the file as it goes in, not as it comes out\n"
           "  -h, --help  shows this text\n"
           "\n"
           "Exit status: 0 done, 1 failed, 2 wrong command line.\n";
}

TOptions ParseCommandLine(const std::vector<std::string>& Args)
{
    TOptions O;
    O.Help = AsksForHelp(Args);
    if (O.Help)
        return O;
    TCommandLineReader R;
    R.AddCommand("", "[PRESET.fxp] OUT.png", 1, 2);
    const auto Range = [&R](const char* Name, int& Target, int High) {
        R.AddInteger(Name, Target, 1, High, "{option} '{value}': expected a whole number from 1 to " + std::to_string(High));
    };
    Range("--scale", O.Scale, kMaxScale);
    Range("--band", O.Band, TSmallEQModule::kBands);
    Range("--zoom", O.Zoom, TFmVornEQ::kMaxZoom);
    R.AddFlag("--response", O.Response);
    R.AddFile("--spectrum", O.Spectrum);
    R.AddFlag("--spectrum-input", O.SpectrumInput);
    std::vector<std::string> Positional;
    R.Read(Args, Positional);
    O.Output = Positional.back();
    if (Positional.size() == 2)
        O.Preset = Positional.front();
    if (O.SpectrumInput && O.Spectrum.empty())
        throw EUsageError("--spectrum-input needs --spectrum FILE");
    O.Response = O.Response || !O.Spectrum.empty();
    return O;
}

// Runs the file through the equaliser, the editor's tap recording, and shows the power of its last second
// averaged over the analysis frames in it (half a frame apart, the last one ending at the file's end), with no
// ballistics. The frames fall on block ends, so each is the tap's newest.
void ShowFileSpectrum(const std::string& Path, TVstPlugIn& PlugIn, TSmallEQPlugIn& Module, TFmVornEQ& Editor)
{
    const std::unique_ptr<TAudioReader> Reader = OpenAudioReader(Path);
    const TAudioFormat& F = Reader->Format();
    const std::uint32_t Frame = TSpectrumAnalyser::FrameSize(F.SampleRate);
    if (F.Frames < static_cast<std::int64_t>(Frame))
        throw std::runtime_error("'" + Path + "' is shorter than one analysis frame (" + std::to_string(Frame) +
                                 " samples)");
    PlugIn.SetSampleRate(F.SampleRate);
    const std::uint32_t Hop = Frame / 2;
    // The frames that lie in the last second (at least one).
    const std::int64_t LastSecond = std::max<std::int64_t>(F.Frames - F.SampleRate, 0);
    const std::int64_t FirstEnd = LastSecond + Frame;
    std::vector<float> Interleaved(static_cast<std::size_t>(Hop) * static_cast<std::size_t>(F.Channels));
    std::vector<float> Left(Hop), Right(Hop), Samples(Frame);
    float* Channels[2] = {Left.data(), Right.data()};
    std::uint32_t Since = Module.SpectrumTap().Recorded();
    TSpectrumAnalyser& Analyser = Editor.Spectrum();
    Analyser.Reset();
    // Blocks end where frames end: the first block takes the remainder.
    std::int64_t Done = 0;
    std::size_t Block = static_cast<std::size_t>(F.Frames % Hop);
    while (Done < F.Frames)
    {
        if (Block == 0)
            Block = Hop;
        const std::size_t Got = Reader->Read(Interleaved.data(), Block);
        if (Got == 0)
            break;
        for (std::size_t i = 0; i < Got; ++i)
        {
            const float* Sample = &Interleaved[i * static_cast<std::size_t>(F.Channels)];
            Left[i] = Sample[0];
            Right[i] = Sample[F.Channels > 1 ? 1 : 0];
        }
        PlugIn.ProcessReplacing(Channels, Channels, static_cast<std::int32_t>(Got));
        Done += static_cast<std::int64_t>(Got);
        Block = Hop;
        if (Done < FirstEnd)
            continue;
        if (!Module.SpectrumTap().CopyNewest(Samples.data(), Frame, Since))
            throw std::runtime_error("the spectrum could not be read");
        Analyser.Accumulate(Samples.data(), F.SampleRate);
    }
    Analyser.ShowAverage();
    Editor.DrawResponse();
    Editor.Invalidate();
}

// What the window shows over the editor's client area, each pixel Scale x Scale times, opaque (a window
// shows no transparency).
void ReadWindow(const TForm& Editor, int Scale, TBitmap32& Image)
{
    const int W = Editor.ClientWidth(), H = Editor.ClientHeight();
    Image.SetSize(W * Scale, H * Scale);
    for (int Y = 0; Y < Image.Height(); ++Y)
    {
        TColor32* Row = Image.ScanLine(Y);
        for (int X = 0; X < Image.Width(); ++X)
            Row[X] = 0xFF000000u | HeadlessDriver::Pixel(Editor, X / Scale, Y / Scale);
    }
}

int Run(const TOptions& O)
{
    TFormDeclaration D;
    D.Name = "EditorPngWindow";
    D.ClientWidth = TFmVornEQ::kWidth;
    D.ClientHeight = TFmVornEQ::kHeight;
    // The window outlives the host, which closes the editor in it.
    const auto Window = std::make_unique<TForm>(nullptr, D);
    Window->Show();

    TVstHost Host;
    TVstPlugIn* PlugIn = Host.VstPlugIns().Add();
    auto* Module = new TSmallEQPlugIn(nullptr); // freed by the host's effClose
    Module->SetAudioMaster(&AudioMasterCallback);
    PlugIn->VstEffect = Module->Effect();
    PlugIn->SetActive(true);
    if (!O.Preset.empty())
    {
        try
        {
            PlugIn->LoadPreset(O.Preset);
        }
        catch (const std::exception& E)
        {
            throw std::runtime_error("cannot load preset '" + O.Preset + "': " + E.what());
        }
    }

    // The tool keeps the view settings as a host that stores them would: the user's preference plays no part.
    AEffect* Effect = Module->Effect();
    const std::intptr_t Spectrum =
        O.Spectrum.empty() ? 0 : O.SpectrumInput ? kSEQViewSpectrumInput : kSEQViewSpectrumOutput;
    Effect->dispatcher(Effect, effVendorSpecific, kSEQRequestSetView, O.Zoom + Spectrum, nullptr,
                       O.Response ? 1.0f : 0.0f);
    PlugIn->ShowEdit(Window.get());
    TFmVornEQ* Editor = Module->Editor();
    if (!Editor)
        throw std::runtime_error("the equaliser opened no editor");
    Editor->SelectFilter(O.Band - 1);
    if (!O.Spectrum.empty())
        ShowFileSpectrum(O.Spectrum, *PlugIn, *Module, *Editor);
    Application().ProcessMessages(); // the paint that shows the selection

    TBitmap32 Image;
    ReadWindow(*Editor, O.Scale, Image);
    if (!SaveBitmap32ToPng(Image, O.Output))
        throw std::runtime_error("cannot write '" + O.Output + "'");
    PlugIn->CloseEdit();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return RunTool("marvo-editor-png", argc, argv, UsageText(), [](const std::vector<std::string>& Args) {
        const TOptions O = ParseCommandLine(Args);
        if (O.Help)
        {
            std::cout << UsageText();
            return 0;
        }
        return Run(O);
    });
}
