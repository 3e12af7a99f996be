#pragma once
// The equaliser's level meter, the one every place that shows a level uses: the editor's bars (in the
// player, in SmallEQ, in the LV2 and VST 3 hosts) and the LV2 plug-in's level ports.
//
// What it measures: the mean rectified output of each channel after the volume, the signal the listener
// hears. Its ballistics: a one-pole average updated every frame, m <- 0.999 m + |0.001 y|, so it rises and
// falls with a time constant of 1000 frames (22.7 ms at 44.1 kHz, 99 % of a step in 4600 frames). It is shown
// in dB as 20 log10(m + 1e-20). A sine of peak amplitude A reads 20 log10(2A/pi), 3.92 dB under its peak;
// a peak meter with a slow release would read the peak, but would show a click as loud as a tone and could
// never agree with the bars the listener has always seen in the player.
//
// The filters update the meter inside their loops (SEQCascade.cpp at extended precision, SEQCascadeFast.cpp
// in double); TLevelFollower applies the same rule to a signal the filters do not make (the LV2 plug-in's
// output while it fades to or from its bypass).

#include <cmath>
#include <cstdint>

// The update's constants are 32-bit floats (0.99900001287..., 0.00100000004749...), widened where they are used.
inline constexpr float kMeterDecay = 0.999f;
inline constexpr float kMeterInput = 0.001f;

// The level of silence in dB: 20 log10(1e-20).
inline constexpr float kMeterSilenceDb = -400.0f;

// The meter rule applied to plain float blocks, in double.
struct TLevelFollower
{
    double Level = 0.0; // m, linear

    // [audio] Follows Frames frames of Signal.
    void Follow(const float* Signal, std::uint32_t Frames)
    {
        double m = Level;
        for (std::uint32_t i = 0; i < Frames; ++i)
            m = m * static_cast<double>(kMeterDecay) + std::fabs(static_cast<double>(Signal[i]) * kMeterInput);
        Level = m;
    }

    // [any] The level in dB as the meter shows it.
    float Db() const { return static_cast<float>(20.0 * std::log10(Level + 1e-20)); }
};
