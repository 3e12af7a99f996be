// TFmVornEQ: the zoom, the response view's place under the panel, the spectrum behind it, and where the
// choices are kept. [editor] throughout.
#include <algorithm>
#include <cmath>

#include "equaliser/SEQGUI.h"
#include "platform/Registry.h"

namespace
{

// The user's own preference, where the platform keeps settings (Win32: the registry; elsewhere a file per key
// in the user's settings folder). Not used while a host keeps the view settings itself.
constexpr const char* kPreferenceKey = "Software\\Zentrova\\Marvo\\SmallEQ";
constexpr const char* kZoomValue = "Zoom";
constexpr const char* kResponseValue = "Response";
constexpr const char* kSpectrumValue = "Spectrum"; // a TSpectrumSource
// Written only once the listener chose an engine: without it each format starts with its own default.
constexpr const char* kFastProcessingValue = "FastProcessing";

int LimitZoom(long Zoom)
{
    return static_cast<int>(std::clamp<long>(Zoom, 1, TFmVornEQ::kMaxZoom));
}

// A scale factor rounded to the nearest whole zoom; 0 for none.
int ZoomOfScale(double Scale)
{
    return std::isfinite(Scale) && Scale > 0.0 ? LimitZoom(std::lround(Scale)) : 0;
}

} // namespace

int TFmVornEQ::PanelHeight() const
{
    return kHeight + (FResponseShown ? TResponseView::kHeight : 0);
}

int TFmVornEQ::PanelCoordinate(int WindowCoordinate) const
{
    const int Z = FZoom;
    return WindowCoordinate >= 0 ? WindowCoordinate / Z : -((-WindowCoordinate + Z - 1) / Z);
}

TPoint TFmVornEQ::PanelToScreen(TPoint P) const
{
    return ClientToScreen({P.X * FZoom + FZoom / 2, P.Y * FZoom + FZoom / 2});
}

int TFmVornEQ::StartingZoom() const
{
    if (FModule)
    {
        const TSmallEQPlugIn::TEditorViewSettings& V = FModule->EditorViewSettings();
        if (V.ChosenZoom > 0)
            return LimitZoom(V.ChosenZoom);
        if (const int Host = ZoomOfScale(V.HostScale))
            return Host;
    }
    return std::max(1, ZoomOfScale(DisplayScale()));
}

void TFmVornEQ::LoadViewPreference()
{
    TSmallEQPlugIn::TEditorViewSettings& V = FModule->EditorViewSettings();
    if (V.Loaded || V.HostKeepsView)
        return;
    V.Loaded = true;
    try
    {
        TRegistry Registry;
        if (!Registry.OpenKeyReadOnly(kPreferenceKey))
            return;
        if (Registry.ValueExists(kZoomValue))
        {
            const std::int32_t Zoom = Registry.ReadInteger(kZoomValue);
            V.ChosenZoom = Zoom >= 1 && Zoom <= kMaxZoom ? Zoom : 0;
        }
        if (Registry.ValueExists(kResponseValue))
            V.ResponseShown = Registry.ReadInteger(kResponseValue) != 0;
        if (Registry.ValueExists(kSpectrumValue))
        {
            const std::int32_t Spectrum = Registry.ReadInteger(kSpectrumValue);
            V.Spectrum = Spectrum == spsOutput || Spectrum == spsInput ? static_cast<TSpectrumSource>(Spectrum) : spsOff;
        }
    }
    catch (...)
    {
        // An unreadable preference is no preference.
    }
}

void TSmallEQPlugIn::LoadEnginePreference()
{
    try
    {
        TRegistry Registry;
        if (!Registry.OpenKeyReadOnly(kPreferenceKey) || !Registry.ValueExists(kFastProcessingValue))
            return;
        SetFastProcessing(Registry.ReadInteger(kFastProcessingValue) != 0);
        FEditorViewSettings.EngineChosen = true;
    }
    catch (...)
    {
        // An unreadable preference is no preference.
    }
}

void TFmVornEQ::StoreViewPreference()
{
    if (!FModule || FModule->EditorViewSettings().HostKeepsView)
        return;
    const TSmallEQPlugIn::TEditorViewSettings& V = FModule->EditorViewSettings();
    try
    {
        TRegistry Registry;
        if (!Registry.OpenKey(kPreferenceKey, true))
            return;
        if (V.ChosenZoom > 0)
            Registry.WriteInteger(kZoomValue, V.ChosenZoom);
        Registry.WriteInteger(kResponseValue, V.ResponseShown ? 1 : 0);
        Registry.WriteInteger(kSpectrumValue, V.Spectrum);
        if (V.EngineChosen)
            Registry.WriteInteger(kFastProcessingValue, FModule->FastProcessing() ? 1 : 0);
    }
    catch (...)
    {
        // A preference that cannot be kept is lost; the editor shows the choice all the same.
    }
}

void TFmVornEQ::CheckViewItems()
{
    for (TMenuItem* Item : MIZoom->Items())
        Item->SetChecked(Item->Tag() == FZoom);
    MIShowResponse->SetChecked(FResponseShown);
    MIFastProcessing->SetChecked(FModule && FModule->FastProcessing());
    const TSpectrumSource Spectrum = FModule ? FModule->EditorViewSettings().Spectrum : spsOff;
    const bool Reachable = FModule && FModule->EditorViewSettings().SpectrumTap;
    for (TMenuItem* Item : {MISpectrumOff, MISpectrumOutput, MISpectrumInput})
    {
        Item->SetChecked(Item->Tag() == Spectrum);
        Item->SetEnabled(Reachable);
    }
}

void TFmVornEQ::FollowSpectrum()
{
    TSpectrumTap* Tap = FModule ? FModule->EditorViewSettings().SpectrumTap : nullptr;
    const TSpectrumSource Wanted = Tap && FResponseShown ? FModule->EditorViewSettings().Spectrum : spsOff;
    if (Wanted == spsOff)
        Tap = nullptr;
    if (Tap == FSpectrumTap && Wanted == FSpectrumSource)
        return;
    if (FSpectrumTap)
        FSpectrumTap->SetSource(spsOff);
    FSpectrumTap = Tap;
    FSpectrumSource = Wanted;
    FSpectrum.Reset();
    if (!Tap)
        return;
    // What the tap holds from before is not this source's.
    FTapSince = FTapSeen = Tap->Recorded();
    FSpectrumTick = std::chrono::steady_clock::now();
    Tap->SetSource(Wanted);
}

bool TFmVornEQ::ShowSpectrum(double Elapsed)
{
    if (!FSpectrumTap)
        return false;
    const std::uint32_t Size = TSpectrumAnalyser::FrameSize(FSpectrumTap->SampleRate());
    FSpectrumFrame.resize(Size);
    const std::uint32_t Recorded = FSpectrumTap->Recorded();
    if (Recorded == FTapSeen)
    {
        // Nothing played since the last frame: the levels fall.
        FSpectrumLevels.assign(FSpectrum.Columns(), TSpectrumAnalyser::kFloorDb);
    }
    else
    {
        if (!FSpectrumTap->CopyNewest(FSpectrumFrame.data(), Size, FTapSince))
            return false;
        FSpectrum.ColumnPowers(FSpectrumFrame.data(), FSpectrumTap->SampleRate(), FSpectrumLevels);
        for (double& Level : FSpectrumLevels)
            Level = TSpectrumAnalyser::PowerDb(Level);
    }
    FTapSeen = Recorded;
    FSpectrum.Update(FSpectrumLevels, Elapsed);
    DrawResponse();
    Invalidate();
    return true;
}

void TFmVornEQ::SetView(int Zoom, bool ResponseShown)
{
    FZoom = LimitZoom(Zoom);
    FResponseShown = ResponseShown;
    int Width = kWidth * FZoom, Height = PanelHeight() * FZoom;
    if (FModule && FAcceptedWidth > 0 && (Width != ClientWidth() || Height != ClientHeight()))
    {
        if (FModule->HostSizeWindow(Width, Height))
        {
            FAcceptedWidth = Width;
            FAcceptedHeight = Height;
        }
        else
        {
            while (FZoom > 1 && (kWidth * FZoom > FAcceptedWidth || PanelHeight() * FZoom > FAcceptedHeight))
                --FZoom;
            Width = kWidth * FZoom;
            Height = PanelHeight() * FZoom;
        }
    }
    else if (FAcceptedWidth == 0)
    {
        // Opening: the host sizes its window from this size.
        FAcceptedWidth = Width;
        FAcceptedHeight = Height;
    }
    CheckViewItems();
    FollowSpectrum();
    if (Width == ClientWidth() && Height == ClientHeight())
    {
        DrawResponse();
        Invalidate();
        return;
    }
    SetClientWidth(Width);
    SetClientHeight(Height); // OnResize draws everything anew
}

void TFmVornEQ::ViewSettingsChanged()
{
    if (!FModule)
        return;
    SetView(StartingZoom(), FModule->EditorViewSettings().ResponseShown);
}

void TFmVornEQ::MIZoomClick(TComponent* Sender)
{
    const int Zoom = static_cast<TMenuItem*>(Sender)->Tag();
    if (FModule)
        FModule->EditorViewSettings().ChosenZoom = Zoom;
    SetView(Zoom, FResponseShown);
    StoreViewPreference();
}

void TFmVornEQ::MIShowResponseClick(TComponent* /*Sender*/)
{
    if (FModule)
        FModule->EditorViewSettings().ResponseShown = !FResponseShown;
    SetView(FZoom, !FResponseShown);
    StoreViewPreference();
}

void TFmVornEQ::MISpectrumClick(TComponent* Sender)
{
    if (!FModule)
        return;
    FModule->EditorViewSettings().Spectrum = static_cast<TSpectrumSource>(static_cast<TMenuItem*>(Sender)->Tag());
    CheckViewItems();
    FollowSpectrum();
    DrawResponse();
    Invalidate();
    StoreViewPreference();
}

void TFmVornEQ::MIFastProcessingClick(TComponent* /*Sender*/)
{
    if (!FModule)
        return;
    FModule->SetFastProcessing(!FModule->FastProcessing());
    FModule->EditorViewSettings().EngineChosen = true;
    CheckViewItems();
    StoreViewPreference();
}
