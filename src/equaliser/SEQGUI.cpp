// TFmVornEQ: the read-out texts, the window events and every drawing operation of the editor panel.
#include "equaliser/SEQGUI.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "dsp/DDSPBase.h"
#include "dsp/DMath.h"
#include "platform/System.h"
#include "vstplugin/DVSTWindowThread.h"

namespace
{

constexpr int kSelectorWidth = 16;

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Texts

std::string FixedTwoDecimals(double Value, const std::string& Separator)
{
    char Buffer[64];
    const auto [End, Error] = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed, 2);
    if (Error != std::errc())
        return "";
    std::string Text(Buffer, End);
    // A value that rounds to zero shows no sign ("-0.00" would read as a negative setting).
    if (Text.front() == '-' && Text.find_first_not_of("-0.") == std::string::npos)
        Text.erase(0, 1);
    if (const auto Dot = Text.find('.'); Dot != std::string::npos)
        Text.replace(Dot, 1, Separator);
    return Text;
}

std::string NoteText(float Frequency)
{
    static const char* const Names[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"};
    const float n = static_cast<float>(12.0L * Extended::Ln(static_cast<long double>(Frequency) / 440.0L) *
                                           Extended::Log2E + 69.0L);
    const int k = RoundHalfEven(n);
    const int Name = ((k % 12) + 12) % 12;
    const int Octave = (k >= 0 ? k / 12 : (k - 11) / 12) - 1;
    std::string Text = std::string(Names[Name]) + std::to_string(Octave);
    const std::string Cents = std::to_string(RoundHalfEven((static_cast<long double>(k) - n) * 100.0L));
    if (Text.size() + Cents.size() <= 6)
        Text.resize(7 - Cents.size(), ' ');
    return Text + Cents;
}

std::string TFmVornEQ::FrequencyText() const
{
    const float f = Value(ParameterIndex(FSelectedFilter, bpFrequency));
    if (MINote->Checked())
        return NoteText(f);
    const std::string Separator = DecimalSeparator();
    if (f >= 1000.0f)
        return FixedTwoDecimals(static_cast<double>(f) / 1000.0, Separator) + " kHz";
    return FixedTwoDecimals(f, Separator) + " Hz";
}

std::string TFmVornEQ::GainText() const
{
    return FixedTwoDecimals(Value(ParameterIndex(FSelectedFilter, bpGain)), DecimalSeparator()) + " dB";
}

std::string TFmVornEQ::BandwidthText() const
{
    return FixedTwoDecimals(Value(ParameterIndex(FSelectedFilter, bpBandwidth)), DecimalSeparator()) + " Oct";
}

std::string TFmVornEQ::SymmetryText() const
{
    return FixedTwoDecimals(Value(ParameterIndex(FSelectedFilter, bpSymmetry)), DecimalSeparator());
}

// ---------------------------------------------------------------------------------------------------------
// TSmallEQPlugIn

// [host-main]
TSmallEQPlugIn::TSmallEQPlugIn(TComponent* AOwner) : TSmallEQModule(AOwner)
{
    InstallWindowThreadPolicy(&RunInWindowThread);
    LoadEnginePreference();
    FEditorViewSettings.SpectrumTap = &SpectrumTap();
    // [editor] The editor goes: the tap it showed records no more.
    OnEditClose = [this, ModuleClose = std::move(OnEditClose)](TComponent* Sender) {
        if (TSpectrumTap* Tap = FEditorViewSettings.SpectrumTap)
            Tap->SetSource(spsOff);
        if (ModuleClose)
            ModuleClose(Sender);
    };
    OnVendorSpecific = [this, ModuleRequests = std::move(OnVendorSpecific)](
                           TComponent* Sender, std::int32_t Index, std::intptr_t Value, void* Ptr,
                           float Opt) -> std::int32_t {
        if (const std::optional<std::int32_t> Answer = ViewRequest(Index, Value, Ptr, Opt))
            return *Answer;
        return ModuleRequests ? ModuleRequests(Sender, Index, Value, Ptr, Opt) : 0;
    };
}

// [editor]
TEditorWindow* TSmallEQPlugIn::NewEditor()
{
    return new TFmVornEQ(nullptr, this);
}

// [host-main] or [editor]
std::optional<std::int32_t> TSmallEQPlugIn::ViewRequest(std::int32_t Index, std::intptr_t Value, void* Ptr,
                                                        float Opt)
{
    const bool HostScale = Index == kHostScaleIndex && Value == kHostScaleValue;
    if (!HostScale && Index != kSEQRequestSetView && Index != kSEQRequestGetView &&
        Index != kSEQRequestSetSpectrumTap)
        return std::nullopt;
    const bool SetView = Index == kSEQRequestSetView;
    const bool Fast = SetView && (Value & kSEQViewFastProcessing) != 0;
    const std::intptr_t SpectrumFlags = SetView ? Value & (kSEQViewSpectrumOutput | kSEQViewSpectrumInput) : 0;
    if (SetView)
        Value &= ~(kSEQViewFastProcessing | kSEQViewSpectrumOutput | kSEQViewSpectrumInput);
    if (SetView && (Value < 0 || Value > 4 || SpectrumFlags == (kSEQViewSpectrumOutput | kSEQViewSpectrumInput)))
        return 0;
    std::int32_t Answer = 1;
    auto* Tap = static_cast<TSpectrumTap*>(Ptr);
    // The view's settings belong to the editor's thread while an editor is open, which then follows them
    // at once; without one they are the host's (no window thread is started for them).
    const auto Apply = [&] {
        TEditorViewSettings& V = FEditorViewSettings;
        if (Index == kSEQRequestGetView)
        {
            Answer = V.ChosenZoom + (V.ResponseShown ? static_cast<std::int32_t>(kSEQViewResponseShown) : 0) +
                     (FastProcessing() ? static_cast<std::int32_t>(kSEQViewFastProcessing) : 0) +
                     static_cast<std::int32_t>(V.Spectrum == spsOutput  ? kSEQViewSpectrumOutput
                                               : V.Spectrum == spsInput ? kSEQViewSpectrumInput
                                                                        : 0);
            return;
        }
        if (Index == kSEQRequestSetSpectrumTap)
            V.SpectrumTap = Tap; // the editor switches the one it showed off
        else if (HostScale)
            V.HostScale = std::isfinite(Opt) && Opt > 0.0f ? Opt : 0.0;
        else
        {
            V.ChosenZoom = static_cast<int>(Value);
            V.ResponseShown = Opt >= 0.5f;
            V.HostKeepsView = V.Loaded = true;
            V.Spectrum = SpectrumFlags == kSEQViewSpectrumOutput  ? spsOutput
                         : SpectrumFlags == kSEQViewSpectrumInput ? spsInput
                                                                  : spsOff;
            SetFastProcessing(Fast);
        }
        if (TSmallEQView* View = AttachedView())
            View->ViewSettingsChanged();
    };
    if (AttachedView())
        RunOnWindowThread(Apply);
    else
        Apply();
    return Answer;
}

// ---------------------------------------------------------------------------------------------------------
// Window events

void TFmVornEQ::FormPaint(TComponent* /*Sender*/)
{
    if (!FImport)
    {
        PaintZoomed(FDisplayBitmap);
        return;
    }
    FProgressBitmap.Assign(FDisplayBitmap);
    DrawImportProgress(FProgressBitmap);
    PaintZoomed(FProgressBitmap);
}

void TFmVornEQ::PaintZoomed(const TBitmap32& Panel)
{
    if (FZoom == 1 && !FResponseShown)
    {
        Panel.DrawTo(*this);
        return;
    }
    // Every panel pixel becomes a Zoom x Zoom block; the response view's rows follow the panel's.
    const int Z = FZoom;
    const int Rows = Panel.Height() + (FResponseShown ? FResponseBitmap.Height() : 0);
    FZoomedBitmap.SetSize(Panel.Width() * Z, Rows * Z);
    for (int y = 0; y < Rows; ++y)
    {
        const bool InPanel = y < Panel.Height();
        const TBitmap32& Source = InPanel ? Panel : FResponseBitmap;
        const int SourceRow = InPanel ? y : y - Panel.Height();
        if (SourceRow >= Source.Height())
            continue;
        const TColor32* From = Source.ScanLine(SourceRow);
        const int Width = std::min(Source.Width(), Panel.Width());
        TColor32* To = FZoomedBitmap.ScanLine(y * Z);
        for (int x = 0; x < Width; ++x)
            std::fill_n(To + x * Z, Z, From[x]);
        for (int k = 1; k < Z; ++k)
            std::copy_n(To, FZoomedBitmap.Width(), FZoomedBitmap.ScanLine(y * Z + k));
    }
    FZoomedBitmap.DrawTo(*this);
}

void TFmVornEQ::FormResize(TComponent* /*Sender*/)
{
    RenderBackground(255);
    FormPaint(this);
}

void TFmVornEQ::GUITimerTimer(TComponent* /*Sender*/)
{
    DrawMeter();
    Invalidate();
}

// ---------------------------------------------------------------------------------------------------------
// Drawing

float TFmVornEQ::Value(int Index) const
{
    return FModule ? FModule->ShownParameter(Index) : 0.0f;
}

void TFmVornEQ::RenderBackground(int Alpha)
{
    FBackgroundBitmap.SetSize(kWidth, kHeight); // the panel's own pixels, whatever the zoom
    PanelTexture(FBackgroundBitmap, Alpha);
    DrawPanel(FBackgroundBitmap, FFrequencyRect, {0xAFF7F7FF, 0x3F000008});
    DrawPanel(FBackgroundBitmap, FGainRect, {0xAFFFF7EF, 0x3F080000});
    DrawPanel(FBackgroundBitmap, FSymmetryRect, {0xAFFFFFF7, 0x3F080800});
    DrawPanel(FBackgroundBitmap, FBandwidthRect, {0xAFF7FFFF, 0x3F000800});
    DrawPanel(FBackgroundBitmap, FOverviewRect, {0x7FFFFFFF, 0x3F000000});
    DrawPanel(FBackgroundBitmap, FMeterRect, {0x7FFFFFFF, 0x3F000000});
    FDisplayBitmap.Assign(FBackgroundBitmap);
    DrawFilterSelector();
    DrawFrequency();
    DrawBandwidth();
    DrawSymmetry();
    DrawGain();
    DrawOverview();
    DrawMeter();
}

void TFmVornEQ::DrawResponse()
{
    if (!FResponseShown || FDisplayBitmap.Empty())
        return;
    FResponse.Draw(FResponseBitmap, FSelectedFilter, FSpectrumTap ? &FSpectrum : nullptr);
}

void TFmVornEQ::DrawFilterSelector()
{
    if (FDisplayBitmap.Empty())
        return;
    FDisplayBitmap.CopyRect(FBackgroundBitmap, {0, 0, kSelectorWidth, FDisplayBitmap.Height()});
    FDisplayBitmap.SetFontSize(6);
    for (int i = 0; i < 8; ++i)
    {
        const int Column = i / 4;
        const int Left = 7 * Column, Top = 8 * std::abs(i - 7 * Column);
        const int Right = Left + 8, Bottom = Top + 9;
        const std::string Label = std::to_string(i + 1);
        if (i != FSelectedFilter)
        {
            FDisplayBitmap.RenderText(Left + 1 + Column, Top, Label, 0xFF000000);
            continue;
        }
        // The dark cell lies one row below the label's line box.
        const TArrayOfFixedPoint Cell = PanelOutline({Left, Top + 1, Right, Bottom + 1});
        FDisplayBitmap.PolygonTS(Cell, 0x9F000000, TPolyFillMode::pfAlternate);
        FDisplayBitmap.RenderText(Left + 1, Top, Label, 0xFFFFFFFF);
    }
}

void TFmVornEQ::DrawReadOut(const TRect& R, const std::string& Text)
{
    if (FDisplayBitmap.Empty())
        return;
    FDisplayBitmap.SetFontSize(8);
    FDisplayBitmap.CopyRect(FBackgroundBitmap, R);
    const int Width = FDisplayBitmap.TextWidth(Text);
    FDisplayBitmap.RenderText((R.Left + R.Right - Width) / 2, R.Top, Text, 0xFF000000);
}

void TFmVornEQ::DrawFrequency()
{
    DrawReadOut(FFrequencyRect, FrequencyText());
}

void TFmVornEQ::DrawGain()
{
    DrawReadOut(FGainRect, GainText());
}

void TFmVornEQ::DrawBandwidth()
{
    DrawReadOut(FBandwidthRect, BandwidthText());
}

void TFmVornEQ::DrawSymmetry()
{
    DrawReadOut(FSymmetryRect, SymmetryText());
}

void TFmVornEQ::DrawOverview()
{
    if (FDisplayBitmap.Empty())
        return;
    DrawResponse(); // the view shows what the strip shows
    const TRect& R = FOverviewRect;
    FDisplayBitmap.CopyRect(FBackgroundBitmap, R);
    if (MIOff->Checked() || !FModule)
        return;
    const int n = R.Width() - 3;
    TSmallEQModule::TFilterReadLock Lock(*FModule);
    for (int i = 0; i <= n; ++i)
    {
        const double f = static_cast<double>(NormalisedToFrequency(static_cast<float>(i) / static_cast<float>(n)));
        double g = 1.0;
        for (int b = 0; b < TSmallEQModule::kBands; ++b)
            g *= FModule->Filter(b)->ResponseMagnitude(f);
        const TColor32 Colour = g > 2.0 ? HSLtoRGB(0.0, 1.0, (g - 2.0) / 16.0 + 0.5)
                                        : HSLtoRGB(0.7 * (1.0 - g / 2.0), 1.0, 0.1 * g + 0.3);
        FDisplayBitmap.SetPixelS(R.Left + 1 + i, R.Top + 1, Colour);
    }
}

void TFmVornEQ::DrawMeter()
{
    if (FDisplayBitmap.Empty())
        return;
    const TRect& R = FMeterRect;
    FDisplayBitmap.CopyRect(FBackgroundBitmap, R);
    if (!MIMeterOff->Checked() && FModule)
    {
        const int S = R.Bottom + R.Top - 4;
        for (int Channel = 0; Channel < 2; ++Channel)
        {
            const float v = Limit(FModule->LevelDb(Channel), -48.0f, 6.0f);
            const int d = RoundHalfEven(((static_cast<long double>(v) - 6.0L) / 54.0L + 1.0L) * S);
            for (int y = R.Bottom - 2; y >= R.Bottom - 3 - d; --y)
                FDisplayBitmap.SetPixelTS(R.Left + 1 + Channel, y, FMeterGradient[R.Bottom - 2 - y]);
        }
    }
    const double V = Value(kVolumeParameter);
    const double y = (R.Bottom + R.Top - 1) * 0.5 - V / 30.0 * (R.Bottom - R.Top - 1);
    FDisplayBitmap.LineFS(R.Left + 1, y, R.Right - 1, y, 0xAF000000);
}

void TFmVornEQ::DrawParts(unsigned Parts)
{
    if (Parts & vpFrequency)
        DrawFrequency();
    if (Parts & vpGain)
        DrawGain();
    if (Parts & vpBandwidth)
        DrawBandwidth();
    if (Parts & vpSymmetry)
        DrawSymmetry();
    if (Parts & vpMeter)
        DrawMeter();
    if (Parts & vpOverview)
        DrawOverview();
}
