#pragma once
// The equaliser set-up both timing programs measure: a module with non-zero gains and mixed symmetries on
// every band, and a bare cascade with the same coefficients.
#include <chrono>

#include "equaliser/SEQCascade.h"
#include "equaliser/SmallEQModule.h"
#include "vstplugin/DVSTVersionHost.h"

// [any] A new module (TSmallEQModule or a subclass) with every band active; the caller closes it through
// effClose.
template <class TModule = TSmallEQModule>
TModule* NewActiveModule()
{
    auto* m = new TModule(nullptr);
    m->SetAudioMaster(&VersionOnlyHost);
    const float gains[8] = {6, -4, 3, -6, 5, -3, 4, -5};
    const float symmetries[8] = {-1, -0.5f, 0.3f, 0, -0.2f, 0.6f, 0.5f, 1};
    for (int b = 0; b < 8; ++b)
    {
        m->SetParameterAutomated(4 * b + 1, gains[b]);
        m->SetParameterAutomated(4 * b + 3, symmetries[b]);
    }
    return m;
}

// [any] Cascade takes the coefficients of every filter of m.
inline void CopyCoefficients(TSmallEQModule& m, TCascade& Cascade)
{
    for (int ch = 0; ch < 2; ++ch)
        for (int b = 0; b < 8; ++b)
            Cascade.Sections[ch][b].Coefficients = m.Filters[ch][b]->Coefficients();
}

// [any] Runs Block (Frames frames each) until about Seconds have passed; answers frames per second.
template <class F>
double FramesPerSecond(F&& Block, int Frames, double Seconds)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    long long frames = 0;
    double elapsed = 0.0;
    do
    {
        for (int i = 0; i < 16; ++i)
            Block();
        frames += 16LL * Frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < Seconds);
    return static_cast<double>(frames) / elapsed;
}
