#pragma once
// Audio measurements through the smallest host.
#include <cmath>
#include <algorithm>
#include <complex>
#include <cstddef>
#include <vector>

#include "support/TestHost.h"

// The magnitude of the transfer at Frequency from an impulse response (a plain DFT at one frequency).
inline double MagnitudeAt(const std::vector<float>& Impulse, double Frequency, double SampleRate)
{
    const long double w = 2.0L * 3.141592653589793238L * Frequency / SampleRate;
    long double re = 0.0L, im = 0.0L;
    for (std::size_t n = 0; n < Impulse.size(); ++n)
    {
        re += Impulse[n] * std::cos(w * static_cast<long double>(n));
        im -= Impulse[n] * std::sin(w * static_cast<long double>(n));
    }
    return static_cast<double>(std::sqrt(re * re + im * im));
}

// The impulse response of both channels over Length frames, processed in blocks of BlockSize.
inline void ImpulseResponses(const THostView& Host, std::size_t Length, std::size_t BlockSize,
                             std::vector<float>& Left, std::vector<float>& Right)
{
    Left.assign(Length, 0.0f);
    Right.assign(Length, 0.0f);
    Left[0] = Right[0] = 1.0f;
    for (std::size_t start = 0; start < Length; start += BlockSize)
    {
        const std::size_t n = std::min(BlockSize, Length - start);
        float* planes[2] = {Left.data() + start, Right.data() + start};
        Host.E->processReplacing(Host.E, planes, planes, static_cast<VstInt32>(n));
    }
}
