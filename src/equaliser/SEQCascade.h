#pragma once
// The equaliser's block kernel: two channels, each a cascade of eight second-order sections in transposed
// direct form II at extended precision, followed by the output volume and the level meter.
//
// Per channel and frame: y = input; for each section in order
//     y  = B0·x + S0                 (extended, kept unrounded between sections)
//     S0 = B1·x − A1·y + S1          (stored as double)
//     S1 = B2·x − A2·y               (stored as double)
// then y = y·VolumeFactor, m = m·0.999f + |y·0.001f| at extended precision, output = y rounded to float.
// Both kernels below compute exactly these operations in exactly this order per section; they differ only
// in the order in which independent sections and channels are scheduled, so their results are identical bit
// for bit. They need the x87 control word at 64-bit precision (kDefaultFPUControlWord) for the documented
// results; any control word gives the same results from both.
#include <cstdint>

#include "dsp/DFilter.h"

inline constexpr int kCascadeChannels = 2;
inline constexpr int kCascadeSections = 8;

// One section as the kernel runs it: its coefficients and its two state values.
struct TCascadeSection
{
    TBiquadCoefficients Coefficients;
    double State[2] = {0.0, 0.0};
};

// Everything one block needs besides the sample planes. Owned by the playback thread while a block runs.
struct TCascade
{
    TCascadeSection Sections[kCascadeChannels][kCascadeSections];
    double VolumeFactor = 1.0;
    float LevelMeter[kCascadeChannels] = {0.0f, 0.0f};
};

// [audio] The plain schedule: channel 0 then channel 1, per frame the eight sections one after the
// other. `Inputs[c]` and `Outputs[c]` may be the same memory. SampleFrames <= 0 processes nothing.
void ProcessCascadeReference(TCascade& Cascade, const float* const* Inputs, float* const* Outputs,
                             std::int32_t SampleFrames);

// [audio] Same results as ProcessCascadeReference, bit for bit, faster: each channel runs in bands
// of four frames whose sections are skewed (section k works on frame n+1 while section k+1 works on frame n),
// so up to four independent section steps are in flight instead of one long chain; each band fills and
// drains inside the block, so no latency is added. Written for the x87 register stack, because compiled
// code spills the extended values in flight to memory. A channel whose output plane overlaps its input
// plane other than exactly falls back to the plain order.
void ProcessCascade(TCascade& Cascade, const float* const* Inputs, float* const* Outputs,
                    std::int32_t SampleFrames);
