// TFmVornEQ: mouse handling, band selection and the pop-up menus. [editor] throughout.
#include <cmath>
#include <cstdlib>

#include "dsp/DDSPBase.h"
#include "dsp/DMath.h"
#include "equaliser/SEQGUI.h"
#include "equaliser/SmallEQModule.h"
#include "platform/System.h"

namespace
{

// A Shift-click resets a frequency to a round value of the editor's own (bands 3 and 4 start at 500 and
// 1000.01 Hz); every other parameter to the value it starts with.
constexpr float kDefaultFrequency[8] = {31.5f, 100.0f, 320.0f, 1000.0f, 2000.0f, 4000.0f, 8000.0f, 16000.0f};

bool Contains(const TRect& R, int X, int Y)
{
    return R.Left <= X && X < R.Right && R.Top <= Y && Y < R.Bottom;
}

TPoint Centre(const TRect& R)
{
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
}

// The selector cell under (X, Y) of the left (X < 8) or right column.
int SelectorCell(int X, int Y)
{
    const int Row = RoundHalfEven((static_cast<long double>(Y) - 4.0L) / 8.0L);
    const int Cell = X < 8 ? Row : 7 - Row;
    return Cell < 0 ? 0 : Cell > 7 ? 7 : Cell;
}

// The frequency at horizontal position X of the overview strip R.
float OverviewFrequency(const TRect& R, int X)
{
    return static_cast<float>(NormalisedToFrequency(static_cast<float>(X - R.Left) / static_cast<float>(R.Width())));
}

void PopupAtPointer(TPopupMenu* Menu)
{
    const TPoint P = GetPointerPos();
    Menu->Popup(P.X, P.Y);
}

} // namespace

void TFmVornEQ::Write(int Index, float NewValue)
{
    if (FModule)
        FModule->SetParameterAutomated(Index, NewValue);
}

void TFmVornEQ::StartDrag(const TRect& R)
{
    Application().SetCursor(TCursor::crNone);
    FCursorHidden = true;
    const TPoint C = PanelToScreen(Centre(R));
    SetPointerPos(C.X, C.Y);
}

void TFmVornEQ::SelectFilter(int Index)
{
    if (Index == FSelectedFilter)
        return;
    FSelectedFilter = Index;
    DrawFrequency();
    DrawBandwidth();
    DrawSymmetry();
    DrawFilterSelector();
    DrawGain();
    DrawResponse();
    Invalidate();
}

int TFmVornEQ::NearestBand(double Frequency) const
{
    int Nearest = 0;
    double Best = 0.0;
    TSmallEQModule::TFilterReadLock Lock(*FModule);
    for (int Band = 0; Band < TSmallEQModule::kBands; ++Band)
    {
        const double Distance = std::fabs(FModule->Filter(Band)->Frequency() - Frequency);
        if (Band == 0 || Distance < Best)
        {
            Nearest = Band;
            Best = Distance;
        }
    }
    return Nearest;
}

void TFmVornEQ::FormMouseDown(TComponent* /*Sender*/, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FImport)
        return; // the import's result replaces the whole setting: no edits meanwhile
    if (FResponseShown && Y >= kHeight)
    {
        ResponseMouseDown(Button, Shift, X, Y - kHeight);
        return;
    }
    const int b = FSelectedFilter;
    const bool Right = Button == TMouseButton::mbRight;
    if (X < 16)
    {
        const int n = SelectorCell(X, Y);
        if ((Shift & ssCtrl) && FModule)
        {
            if (Right)
                FModule->StoreSnapshot(n);
            else
                FModule->SelectSnapshot(n);
        }
        else if (!(Shift & ssCtrl))
        {
            if (Right)
                PopupAtPointer(PUFilterNr);
            else
                SelectFilter(n);
        }
        return;
    }
    const auto Initial = [this](int Index) { return FModule ? FModule->ParameterDescription(Index).Default : 0.0f; };
    const auto ResetOrDrag = [&](const TRect& R, int Index, float Default) {
        if (Shift & ssShift)
        {
            Write(Index, Default);
            Invalidate();
        }
        else
            StartDrag(R);
    };
    if (Contains(FFrequencyRect, X, Y))
    {
        if (Shift & ssShift)
            ResetOrDrag(FFrequencyRect, ParameterIndex(b, bpFrequency), kDefaultFrequency[b]);
        else if (Right)
            PopupAtPointer(PUFreqDisplay);
        else
            StartDrag(FFrequencyRect);
    }
    else if (Contains(FGainRect, X, Y))
        ResetOrDrag(FGainRect, ParameterIndex(b, bpGain), Initial(ParameterIndex(b, bpGain)));
    else if (Contains(FBandwidthRect, X, Y))
        ResetOrDrag(FBandwidthRect, ParameterIndex(b, bpBandwidth), Initial(ParameterIndex(b, bpBandwidth)));
    else if (Contains(FSymmetryRect, X, Y))
        ResetOrDrag(FSymmetryRect, ParameterIndex(b, bpSymmetry), Initial(ParameterIndex(b, bpSymmetry)));
    else if (Contains(FMeterRect, X, Y))
    {
        if (Shift & ssRight)
        {
            CheckViewItems(); // the engine may have been switched from outside
            PopupAtPointer(PUMeter);
        }
        else
            ResetOrDrag(FMeterRect, kVolumeParameter, Initial(kVolumeParameter));
    }
    else if (Contains(FOverviewRect, X, Y))
    {
        if (Shift & ssRight)
            PopupAtPointer(PUOverview);
        else if (FModule)
            SelectFilter(NearestBand(OverviewFrequency(FOverviewRect, X)));
    }
}

void TFmVornEQ::FormMouseMove(TComponent* /*Sender*/, TShiftState Shift, int X, int Y)
{
    if (!(Shift & ssLeft) || !FModule)
        return;
    if (FResponse.Dragging())
    {
        // A handle's drag keeps the pointer where the listener moves it, over the panel too.
        if (FResponse.MouseMove(Shift, X, Y - kHeight))
        {
            DrawFrequency();
            DrawOverview();
            Invalidate();
        }
        return;
    }
    const TRect* Panels[] = {&FFrequencyRect, &FGainRect, &FBandwidthRect, &FSymmetryRect, &FMeterRect, &FOverviewRect};
    const TRect* Panel = nullptr;
    for (const TRect* R : Panels)
        if (Contains(*R, X, Y))
        {
            Panel = R;
            break;
        }
    if (!Panel)
        return;

    // The pointer warp below produces a move of its own; it must not count as the user's.
    TMouseMoveEvent Handler = std::move(OnMouseMove);
    OnMouseMove = nullptr;

    const bool Fine = (Shift & ssCtrl) != 0;
    const int b = FSelectedFilter;
    const TPoint C = Centre(*Panel);
    const long double dx = X - C.X, dy = Y - C.Y;
    const auto Current = [&](int Index) { return static_cast<long double>(Value(Index)); };
    // The new value: scaled by 2^Octaves, or moved by Delta.
    const auto Scale = [&](int Index, long double Octaves) {
        Write(Index, static_cast<float>(Current(Index) * Extended::Exp2(Octaves)));
    };
    const auto Move = [&](int Index, long double Delta) { Write(Index, static_cast<float>(Current(Index) + Delta)); };
    TPoint Back = C;
    if (Panel == &FFrequencyRect)
        Scale(ParameterIndex(b, bpFrequency), (Fine ? 0.001L : 0.01L) * dx);
    else if (Panel == &FGainRect)
        Move(ParameterIndex(b, bpGain), (Fine ? 0.01L : 0.1L) * -dy);
    else if (Panel == &FBandwidthRect)
        Scale(ParameterIndex(b, bpBandwidth), (Fine ? 0.001L : 0.01L) * dy);
    else if (Panel == &FSymmetryRect)
        Move(ParameterIndex(b, bpSymmetry), (Fine ? 0.001L : 0.01L) * dx);
    else if (Panel == &FMeterRect)
        Move(kVolumeParameter, (Fine ? 0.01L : 0.1L) * -dy);
    else
    {
        Move(ParameterIndex(b, bpGain), (Fine ? 0.05L : 0.2L) * -dy);
        Write(ParameterIndex(b, bpFrequency), OverviewFrequency(FOverviewRect, X));
        Back.X = X;
    }
    const TPoint Screen = PanelToScreen(Back);
    SetPointerPos(Screen.X, Screen.Y);

    if (Panel == &FOverviewRect)
        DrawFrequency();
    if (Panel == &FFrequencyRect || Panel == &FBandwidthRect || Panel == &FMeterRect || Panel == &FOverviewRect)
        DrawOverview();
    Invalidate();
    const std::shared_ptr<bool> Alive = FAlive;
    Application().ProcessMessages();
    if (*Alive)
        OnMouseMove = std::move(Handler);
}

void TFmVornEQ::FormMouseUp(TComponent* /*Sender*/, TMouseButton /*Button*/, TShiftState /*Shift*/, int /*X*/, int /*Y*/)
{
    Application().SetCursor(TCursor::crDefault);
    FCursorHidden = false;
    FResponse.MouseUp();
}

bool TFmVornEQ::ResponseMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == TMouseButton::mbRight && !(Shift & ssShift))
    {
        PopupAtPointer(PUOverview); // where "Show response" is
        return true;
    }
    const int Band = FResponse.MouseDown(Button, Shift, X, Y);
    if (Band < 0)
        return false;
    SelectFilter(Band);
    DrawOverview();
    Invalidate();
    return true;
}

void TFmVornEQ::FormMouseWheel(TComponent* /*Sender*/, TShiftState Shift, int WheelDelta, int X, int Y)
{
    if (FImport)
        return;
    if (!FResponseShown || Y < kHeight)
        return;
    const int Band = FResponse.MouseWheel(Shift, WheelDelta, X, Y - kHeight);
    if (Band < 0)
        return;
    SelectFilter(Band);
    DrawBandwidth();
    DrawOverview();
    Invalidate();
}

// ---------------------------------------------------------------------------------------------------------
// Menus

void TFmVornEQ::MIFilterNrClick(TComponent* Sender)
{
    auto* Item = static_cast<TMenuItem*>(Sender);
    SelectFilter(Item->Tag());
    Item->SetChecked(true);
}

void TFmVornEQ::MIOverviewClick(TComponent* /*Sender*/)
{
    DrawOverview();
    Invalidate();
}

void TFmVornEQ::MIMeterClick(TComponent* Sender)
{
    static_cast<TMenuItem*>(Sender)->SetChecked(true);
    GUITimer->SetEnabled(!MIMeterOff->Checked());
}
