#pragma once
// The response a preset asks for, in dB on a log-spaced frequency grid: the cookbook (RBJ) sections' magnitude
// at the file's sample rate, the graphic curve and the preamp. Computed with the project's own elementary
// functions (dsp/DMath.h), so every build gives the same values bit for bit. All functions are [any].
#include <vector>

#include "presets/PresetFormats.h"

// The frequencies a fit compares, log-spaced from 20 Hz to 20 kHz, and each point's weight in the fit: 1 up to
// kWeightedTop, a small weight above it.
struct TResponseGrid
{
    std::vector<double> Frequencies;
    std::vector<double> Weights;
};

inline constexpr double kGridLowest = 20.0;
inline constexpr double kGridHighest = 20000.0;
inline constexpr double kWeightedTop = 16000.0;
inline constexpr int kDefaultGridPoints = 400;

// Points (>= 2) frequencies from kGridLowest to kGridHighest, equally spaced in log-frequency.
TResponseGrid LogGrid(int Points = kDefaultGridPoints);

// The magnitude in dB of one cookbook section at Frequency for a design at SampleRate.
double CookbookMagnitudeDb(const TPresetFilter& Filter, double Frequency, double SampleRate);

// The graphic curve at Frequency: linear in log-frequency between points, the ends held; 0 without points.
double GraphicGainDb(const std::vector<TGraphicPoint>& Points, double Frequency);

// The whole response Source asks for at each of Frequencies: preamp + sections + graphic curve.
std::vector<double> TargetResponseDb(const TPresetSource& Source, const std::vector<double>& Frequencies,
                                     double SampleRate);
