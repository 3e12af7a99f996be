// TResponseView: drawing of the response plot and the handles, and the mouse input on the handles.
// [editor] throughout.
#include "equaliser/SEQResponseView.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dsp/DMath.h"
#include "equaliser/SEQPanel.h"

namespace
{

// The plot's panel; its inside (x 17..123, y 2..50) holds the plot, whose columns are those of the panel's
// overview strip. Pixel centres lie at whole coordinates.
constexpr TRect kPlotPanel = {16, 1, 125, 52};
constexpr double kLeft = 17.0, kRight = 123.0; // 20 Hz and 20 kHz
constexpr double kTop = 2.0, kBottom = 50.0;   // +18 dB and -18 dB
constexpr double kRangeDb = 18.0;
constexpr double kLowestHz = 20.0;
constexpr double kDecades = 3.0; // 20 Hz .. 20 kHz

// A handle is a 9 x 9 cell around its centre; a press within it hits the handle.
constexpr int kHandleReach = 4;
constexpr int kLabelFontSize = 6;

constexpr TColor32 kGridColour = 0x1F000000;
constexpr TColor32 kZeroColour = 0x5F000000;
constexpr TColor32 kLabelColour = 0xFF000000;
constexpr TColor32 kCurveColour = 0xFF00207F;
constexpr TColor32 kAreaColour = 0x2F0040FF;
constexpr TColor32 kHandleFill = 0xCFFFFFFF;
constexpr TColor32 kHandleOutline = 0x7F000000;
constexpr TColor32 kSelectedFill = 0x9F000000;
// The spectrum: its levels dim behind everything, its held peaks a lighter line.
constexpr TColor32 kSpectrumColour = 0x4F2F8F4F;
constexpr TColor32 kSpectrumPeakColour = 0x9F5FBF6F;

// A wheel that widens a band whose control sits at 0 starts from here (a product never leaves 0).
constexpr long double kBandwidthFloor = 0.01L;

constexpr int kFrequencyGrid[] = {100, 1000, 10000};
constexpr const char* kFrequencyLabels[] = {"100", "1k", "10k"};
constexpr int kGainLabels[] = {12, 0, -12};

double Clamp(double Value, double Lower, double Upper)
{
    // NaN goes to Lower, so every value lands somewhere in the plot.
    if (!(Value >= Lower))
        return Lower;
    return Value > Upper ? Upper : Value;
}

// The 16.16 point of the unit-square coordinate space of polygons for the pixel-centre point (X, Y).
TFixedPoint CentreToFixed(double X, double Y)
{
    return {static_cast<TFixed>((X + 0.5) * FixedOne), static_cast<TFixed>((Y + 0.5) * FixedOne)};
}

// The texture of rows below the panel's own: the panel's noise continued over a form of the panel's width
// as tall as both, so the seam does not show.
void RenderTexture(TBitmap32& Bitmap)
{
    TBitmap32 Whole;
    Whole.SetSize(TResponseView::kWidth, kPanelHeight + TResponseView::kHeight);
    PanelTexture(Whole, 255);
    Bitmap.SetSize(TResponseView::kWidth, TResponseView::kHeight);
    for (int y = 0; y < TResponseView::kHeight; ++y)
        std::memcpy(Bitmap.ScanLine(y), Whole.ScanLine(kPanelHeight + y), sizeof(TColor32) * TResponseView::kWidth);
}

} // namespace

TResponseView::TResponseView(TSmallEQModule* Module) : FModule(Module)
{
    static_assert(kColumns == static_cast<int>(kRight - kLeft) + 1);
    for (int i = 0; i < kColumns; ++i)
        FColumnFrequency[i] = FrequencyAtX(kLeft + i);
    RenderBackground();
}

// ---------------------------------------------------------------------------------------------------------
// Mapping

double TResponseView::XOfFrequency(double Hz) const
{
    const long double Decades = Extended::Log10(static_cast<long double>(Hz) / kLowestHz) / kDecades;
    return static_cast<double>(kLeft + (kRight - kLeft) * Decades);
}

double TResponseView::FrequencyAtX(double X) const
{
    const long double Decades = kDecades * (static_cast<long double>(X) - kLeft) / (kRight - kLeft);
    return static_cast<double>(kLowestHz * Extended::Power(10.0L, Decades));
}

double TResponseView::YOfGain(double Db) const
{
    return (kTop + kBottom) * 0.5 - Db * (kBottom - kTop) / (2.0 * kRangeDb);
}

double TResponseView::GainAtY(double Y) const
{
    return ((kTop + kBottom) * 0.5 - Y) * (2.0 * kRangeDb) / (kBottom - kTop);
}

double TResponseView::YOfLevel(double Db) const
{
    const double Floor = TSpectrumAnalyser::kFloorDb;
    return kTop + (kBottom - kTop) * Clamp(Db, Floor, 0.0) / Floor;
}

std::vector<double> TResponseView::ColumnFrequencies() const
{
    return {std::begin(FColumnFrequency), std::end(FColumnFrequency)};
}

float TResponseView::Value(int Index) const
{
    return FModule ? FModule->ShownParameter(Index) : 0.0f;
}

TPoint TResponseView::HandleCentre(int Band) const
{
    const double X = Clamp(XOfFrequency(Value(ParameterIndex(Band, bpFrequency))), kLeft, kRight);
    const double Y = Clamp(YOfGain(Value(ParameterIndex(Band, bpGain))), kTop, kBottom);
    return {RoundHalfEven(X), RoundHalfEven(Y)};
}

int TResponseView::HandleAt(int X, int Y) const
{
    if (!FModule)
        return -1;
    int Nearest = -1;
    int Best = 0;
    for (int b = 0; b < TSmallEQModule::kBands; ++b)
    {
        const TPoint C = HandleCentre(b);
        const int dx = X - C.X, dy = Y - C.Y;
        if (std::abs(dx) > kHandleReach || std::abs(dy) > kHandleReach)
            continue;
        const int Distance = dx * dx + dy * dy;
        if (Nearest < 0 || Distance < Best)
        {
            Nearest = b;
            Best = Distance;
        }
    }
    return Nearest;
}

// ---------------------------------------------------------------------------------------------------------
// Drawing

void TResponseView::RenderBackground()
{
    RenderTexture(FBackground);
    DrawPanel(FBackground, kPlotPanel, {0x7FFFFFFF, 0x3F000000}); // as the overview strip's

    // Grid lines on whole pixels; LineFS leaves out the end point.
    for (int dB = -18; dB <= 18; dB += 6)
    {
        const double y = RoundHalfEven(YOfGain(dB));
        FBackground.LineFS(kLeft, y, kRight + 1.0, y, dB == 0 ? kZeroColour : kGridColour);
    }
    for (int Hz : kFrequencyGrid)
    {
        const double x = RoundHalfEven(XOfFrequency(Hz));
        FBackground.LineFS(x, kTop, x, kBottom + 1.0, kGridColour);
    }

    // Labels: frequencies centred under their lines, gains right-aligned left of the panel (or from the
    // view's edge when wider) and centred on their rows. The label font's digits start a row below the top
    // of its line box, their middle four rows down.
    FBackground.SetFontSize(kLabelFontSize);
    const int Middle = 4;
    for (int i = 0; i < 3; ++i)
    {
        const std::string Label = kFrequencyLabels[i];
        const int x = RoundHalfEven(XOfFrequency(kFrequencyGrid[i]));
        FBackground.RenderText(x - FBackground.TextWidth(Label) / 2, kPlotPanel.Bottom - 1, Label, kLabelColour);
    }
    for (int dB : kGainLabels)
    {
        const std::string Label = dB > 0 ? "+" + std::to_string(dB) : std::to_string(dB);
        const int y = RoundHalfEven(YOfGain(dB));
        const int x = std::max(0, kPlotPanel.Left - FBackground.TextWidth(Label));
        FBackground.RenderText(x, y - Middle, Label, kLabelColour);
    }
}

void TResponseView::DrawCurve(TBitmap32& Bitmap)
{
    double Y[kColumns];
    {
        const long double Volume = Value(kVolumeParameter);
        TSmallEQModule::TFilterReadLock Lock(*FModule);
        for (int i = 0; i < kColumns; ++i)
        {
            const double f = FColumnFrequency[i];
            long double g = 1.0L;
            for (int b = 0; b < TSmallEQModule::kBands; ++b)
                if (const TSymmetryFilter* Filter = FModule->Filter(b))
                    g *= Filter->ResponseMagnitude(f);
            const long double Db = 20.0L * Extended::Log10(g) + Volume;
            Y[i] = Clamp(YOfGain(static_cast<double>(Db)), kTop, kBottom);
        }
    }
    // The area between the curve and the 0 dB line, then the curve over it.
    const double Zero = YOfGain(0.0);
    TArrayOfFixedPoint Area;
    Area.reserve(kColumns + 2);
    for (int i = 0; i < kColumns; ++i)
        Area.push_back(CentreToFixed(kLeft + i, Y[i]));
    Area.push_back(CentreToFixed(kRight, Zero));
    Area.push_back(CentreToFixed(kLeft, Zero));
    Bitmap.PolygonTS(Area, kAreaColour, TPolyFillMode::pfAlternate);
    // Each segment leaves out its end point; the last column is a step of its own.
    for (int i = 0; i + 1 < kColumns; ++i)
        Bitmap.LineFS(kLeft + i, Y[i], kLeft + i + 1, Y[i + 1], kCurveColour);
    Bitmap.LineFS(kRight, Y[kColumns - 1], kRight + 1.0, Y[kColumns - 1], kCurveColour);
}

// The levels as an area down to the plot's bottom, the peaks as a line over it, on the same columns as the
// curve.
void TResponseView::DrawSpectrum(TBitmap32& Bitmap, const TSpectrumAnalyser& Spectrum) const
{
    if (Spectrum.Columns() != static_cast<std::size_t>(kColumns))
        return;
    const std::vector<double>& Levels = Spectrum.Shown();
    const std::vector<double>& Peaks = Spectrum.Peaks();
    TArrayOfFixedPoint Area;
    Area.reserve(kColumns + 2);
    for (int i = 0; i < kColumns; ++i)
        Area.push_back(CentreToFixed(kLeft + i, YOfLevel(Levels[static_cast<std::size_t>(i)])));
    Area.push_back(CentreToFixed(kRight, kBottom));
    Area.push_back(CentreToFixed(kLeft, kBottom));
    Bitmap.PolygonTS(Area, kSpectrumColour, TPolyFillMode::pfAlternate);
    for (int i = 0; i + 1 < kColumns; ++i)
    {
        const auto c = static_cast<std::size_t>(i);
        if (Peaks[c] <= TSpectrumAnalyser::kFloorDb && Peaks[c + 1] <= TSpectrumAnalyser::kFloorDb)
            continue; // silence draws nothing
        Bitmap.LineFS(kLeft + i, YOfLevel(Peaks[c]), kLeft + i + 1, YOfLevel(Peaks[c + 1]), kSpectrumPeakColour);
    }
}

void TResponseView::DrawHandle(TBitmap32& Bitmap, int Band, bool Selected)
{
    const TPoint C = HandleCentre(Band);
    const TArrayOfFixedPoint Cell =
        PanelOutline({C.X - kHandleReach, C.Y - kHandleReach, C.X + kHandleReach + 1, C.Y + kHandleReach + 1});
    const std::string Label = std::to_string(Band + 1);
    const int x = C.X - (Bitmap.TextWidth(Label) - 1) / 2;
    const int y = C.Y - kHandleReach - 1;
    if (Selected)
    {
        Bitmap.PolygonTS(Cell, kSelectedFill, TPolyFillMode::pfAlternate);
        Bitmap.RenderText(x, y, Label, 0xFFFFFFFF);
        return;
    }
    Bitmap.PolygonTS(Cell, kHandleFill, TPolyFillMode::pfAlternate);
    Bitmap.PolylineTS(Cell, kHandleOutline, true);
    Bitmap.RenderText(x, y, Label, 0xFF000000);
}

void TResponseView::Draw(TBitmap32& Bitmap, int Selected, const TSpectrumAnalyser* Spectrum)
{
    Bitmap.Assign(FBackground);
    if (Spectrum)
        DrawSpectrum(Bitmap, *Spectrum);
    if (!FModule)
        return;
    DrawCurve(Bitmap);
    Bitmap.SetFontSize(kLabelFontSize);
    // The lower index lies on top where handles overlap, as a press there picks it; the selected one above all.
    for (int b = TSmallEQModule::kBands - 1; b >= 0; --b)
        if (b != Selected)
            DrawHandle(Bitmap, b, false);
    if (Selected >= 0 && Selected < TSmallEQModule::kBands)
        DrawHandle(Bitmap, Selected, true);
}

// ---------------------------------------------------------------------------------------------------------
// Mouse

int TResponseView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const int Band = HandleAt(X, Y);
    if (Band < 0)
        return -1;
    if (Shift & ssShift)
        FModule->SetParameterAutomated(ParameterIndex(Band, bpGain), 0.0f);
    else if (Button == TMouseButton::mbLeft)
    {
        FDragBand = Band;
        FLastX = X;
        FLastY = Y;
    }
    return Band;
}

bool TResponseView::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FDragBand < 0 || !(Shift & ssLeft))
        return false;
    const int dx = X - FLastX, dy = Y - FLastY;
    FLastX = X;
    FLastY = Y;
    const long double Step = (Shift & ssCtrl) ? 0.1L : 1.0L;
    const int b = FDragBand;
    if (dx != 0)
    {
        const long double Decades = Step * kDecades * dx / (kRight - kLeft);
        const long double f = static_cast<long double>(Value(ParameterIndex(b, bpFrequency))) * Extended::Power(10.0L, Decades);
        FModule->SetParameterAutomated(ParameterIndex(b, bpFrequency), static_cast<float>(f));
    }
    if (dy != 0)
    {
        const long double g = Value(ParameterIndex(b, bpGain)) - Step * dy * (2.0 * kRangeDb) / (kBottom - kTop);
        FModule->SetParameterAutomated(ParameterIndex(b, bpGain), static_cast<float>(g));
    }
    return dx != 0 || dy != 0;
}

void TResponseView::MouseUp()
{
    FDragBand = -1;
}

int TResponseView::MouseWheel(TShiftState Shift, int WheelDelta, int X, int Y)
{
    const int Band = HandleAt(X, Y);
    if (Band < 0 || WheelDelta == 0)
        return Band;
    const long double Notches = WheelDelta / 120.0L;
    const long double Exponent = -((Shift & ssCtrl) ? 0.01L : 0.1L) * Notches;
    long double Control = Value(ParameterIndex(Band, bpBandwidth));
    if (Exponent > 0.0L && Control < kBandwidthFloor)
        Control = kBandwidthFloor;
    FModule->SetParameterAutomated(ParameterIndex(Band, bpBandwidth), static_cast<float>(Control * Extended::Exp2(Exponent)));
    return Band;
}
