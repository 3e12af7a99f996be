#pragma once
// TResponseView: the response view that the editor shows under its panel when the listener asks for it. It
// draws the overall response of the eight bands and the volume as a curve in dB over log frequency
// (20 Hz to 20 kHz, +-18 dB shown, grid lines at 100 Hz, 1 kHz, 10 kHz and every 6 dB) with a numbered
// handle per band at its frequency and gain, and it turns mouse input on a handle into parameter writes
// through SetParameterAutomated: a drag moves the band's frequency (horizontal, log scale) and gain
// (vertical), finer with Ctrl; Shift-click resets the gain to 0 dB; the wheel changes the bandwidth.
//
// Coordinates are view pixels, (0, 0) at the view's top left, before the editor's zoom; the editor places
// the view under its panel and hands it the mouse there. [editor] throughout.
#include <vector>

#include "equaliser/SEQAnalysis.h"
#include "equaliser/SmallEQModule.h"
#include "graphics/Bitmap32.h"
#include "platform/Forms.h"

class TResponseView
{
public:
    static constexpr int kWidth = 131;
    static constexpr int kHeight = 60;

    // Without a module the view draws its grid only and ignores the mouse.
    explicit TResponseView(TSmallEQModule* Module);

    // Draws the whole view into Bitmap, which it sizes to kWidth x kHeight: background, grid, labels, the
    // spectrum when given (its levels as a dim area, its peaks as a line; 0 dBFS at the plot's top, the floor
    // at its bottom), the curve, the handles, band Selected (0..7) highlighted.
    void Draw(TBitmap32& Bitmap, int Selected, const TSpectrumAnalyser* Spectrum = nullptr);

    // The mapping between the plot and the values it shows (pixel centres at whole numbers + 0.5 are the
    // implementer's choice; these are the ones the handles and the drag use).
    double XOfFrequency(double Hz) const;
    double FrequencyAtX(double X) const;
    double YOfGain(double Db) const;
    double GainAtY(double Y) const;
    // The spectrum's scale: Y of a level in dBFS, the floor and below at the plot's bottom.
    double YOfLevel(double Db) const;
    // The frequency of each column of the plot, left to right (the spectrum's columns).
    std::vector<double> ColumnFrequencies() const;
    // The centre of band Band's handle as drawn now.
    TPoint HandleCentre(int Band) const;
    // The band whose handle is under (X, Y), the nearest when handles overlap (the lower index on a tie);
    // -1 for none.
    int HandleAt(int X, int Y) const;

    // A press: answers the band whose handle is under (X, Y), or -1 (then nothing happened). The left button
    // without Shift starts a drag of that band; Shift resets its gain to 0 dB instead.
    int MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    // A move with the left button held while a drag runs: moves the band by the motion since the last
    // position (a tenth of it with Ctrl). Answers whether it wrote a parameter.
    bool MouseMove(TShiftState Shift, int X, int Y);
    // Any release ends the drag.
    void MouseUp();
    bool Dragging() const { return FDragBand >= 0; }
    // The wheel over a handle: the band's bandwidth, narrower away from the user (a band whose control is 0
    // widens from 0.01). Answers the band, or -1.
    int MouseWheel(TShiftState Shift, int WheelDelta, int X, int Y);

private:
    // The texture, the plot's panel, the grid and the labels: what does not change.
    void RenderBackground();
    void DrawCurve(TBitmap32& Bitmap);
    void DrawSpectrum(TBitmap32& Bitmap, const TSpectrumAnalyser& Spectrum) const;
    void DrawHandle(TBitmap32& Bitmap, int Band, bool Selected);
    // The parameter as the module last showed it; 0 without a module.
    float Value(int Index) const;

    TSmallEQModule* FModule = nullptr;
    TBitmap32 FBackground;
    // The frequency of each of the plot's columns, left to right.
    static constexpr int kColumns = 107;
    double FColumnFrequency[kColumns] = {};
    int FDragBand = -1;
    int FLastX = 0, FLastY = 0;
};
