// The spectrum behind the response curve: the tap the audio thread feeds, the levels the analysis reads
// from known signals, and the ballistics.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include <unsupported/Eigen/FFT>

#include "SEQTestHost.h"
#include "equaliser/SEQResponseView.h"
#include "equaliser/SEQAnalysis.h"
#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTVersionHost.h"

namespace
{

std::vector<float> Sine(double Frequency, double Amplitude, double Rate, std::size_t Length)
{
    std::vector<float> S(Length);
    for (std::size_t n = 0; n < Length; ++n)
        S[n] = static_cast<float>(Amplitude * std::sin(2.0 * std::numbers::pi * Frequency * n / Rate));
    return S;
}

// The plot's columns, as the editor analyses them.
TSpectrumAnalyser PlotAnalyser()
{
    return TSpectrumAnalyser(TResponseView(nullptr).ColumnFrequencies());
}

std::size_t ColumnOf(const TSpectrumAnalyser& A, double Frequency)
{
    std::size_t Best = 0;
    for (std::size_t c = 1; c < A.Columns(); ++c)
        if (std::abs(std::log(A.ColumnFrequencies()[c] / Frequency)) <
            std::abs(std::log(A.ColumnFrequencies()[Best] / Frequency)))
            Best = c;
    return Best;
}

// Signal through a fresh equaliser (Setup applied first) while its tap records Source; the analysis averaged
// over the frames of the whole signal, half a frame apart.
std::vector<double> AveragedThroughModule(const std::vector<float>& Signal, TSpectrumSource Source,
                                          const std::function<void(const THostView&)>& Setup)
{
    TFPUControlScope FPU;
    auto* Module = new TSmallEQModule(nullptr);
    Module->SetAudioMaster(&VersionOnlyHost);
    const THostView Host{Module->Effect()};
    Host.Dispatch(effOpen);
    Host.Dispatch(effMainsChanged, 0, 1);
    Setup(Host);
    TSpectrumTap& Tap = Module->SpectrumTap();
    Tap.SetSource(Source);
    TSpectrumAnalyser A = PlotAnalyser();
    const std::uint32_t Frame = TSpectrumAnalyser::FrameSize(Tap.SampleRate()), Hop = Frame / 2;
    std::vector<float> Samples(Frame);
    std::uint32_t Since = Tap.Recorded();
    for (std::size_t Start = 0; Start + Hop <= Signal.size(); Start += Hop)
    {
        std::vector<float> L(Signal.begin() + static_cast<std::ptrdiff_t>(Start),
                             Signal.begin() + static_cast<std::ptrdiff_t>(Start + Hop));
        std::vector<float> R = L;
        Host.Process(L, R);
        if (Start + Hop >= Frame && Tap.CopyNewest(Samples.data(), Frame, Since))
            A.Accumulate(Samples.data(), Tap.SampleRate());
    }
    A.ShowAverage();
    Host.Dispatch(effClose);
    return A.Shown();
}

TEST(SEQSpectrumTap, RecordsTheMonoMixOfTheChosenSourceOnlyNewestFirstAfterSilence)
{
    TSpectrumTap Tap;
    const float L[4] = {1.0f, 0.5f, -1.0f, 0.25f}, R[4] = {0.0f, 0.5f, 1.0f, 0.75f};
    Tap.Record(spsOutput, L, R, 4);
    EXPECT_EQ(Tap.Recorded(), 0u) << "off: nothing";
    Tap.SetSource(spsOutput);
    const std::uint32_t Since = Tap.Recorded();
    Tap.Record(spsInput, L, R, 4);
    Tap.Record(spsOutput, L, R, 4);
    EXPECT_EQ(Tap.Recorded(), 4u) << "only the chosen source";
    std::vector<float> Out(6, 9.0f);
    std::uint32_t From = Since;
    ASSERT_TRUE(Tap.CopyNewest(Out.data(), 6, From));
    EXPECT_EQ(Out, (std::vector<float>{0.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.5f})) << "silence before Since";
    EXPECT_EQ(From, Since) << "fewer than asked came after it";

    // A block longer than the ring keeps its newest samples; the copy's start moves up to them.
    std::vector<float> Long(TSpectrumTap::kCapacity + 100);
    for (std::size_t i = 0; i < Long.size(); ++i)
        Long[i] = static_cast<float>(i);
    Tap.Record(spsOutput, Long.data(), Long.data(), static_cast<std::int32_t>(Long.size()));
    ASSERT_TRUE(Tap.CopyNewest(Out.data(), 3, From));
    EXPECT_EQ(Out[0], Long[Long.size() - 3]);
    EXPECT_EQ(Out[2], Long.back());
    EXPECT_EQ(From, Tap.Recorded() - 3);
    EXPECT_FALSE(Tap.CopyNewest(Out.data(), TSpectrumTap::kCapacity, From)) << "more than half the ring";
}

// A sine of -12 dBFS reads -12 dB in its column whether it falls on a bin or between two, at every rate.
TEST(SEQSpectrumAnalyser, ASineReadsItsAmplitudeInItsColumn)
{
    const struct
    {
        double Rate, Frequency;
    } Cases[] = {{44100.0, 1000.0}, {44100.0, 44100.0 * 186 / 8192}, {48000.0, 1000.0}, {96000.0, 1000.0},
                 {44100.0, 5000.0}};
    TSpectrumAnalyser A = PlotAnalyser();
    for (const auto& C : Cases)
    {
        SCOPED_TRACE(::testing::Message() << C.Frequency << " Hz at " << C.Rate);
        const std::uint32_t Size = TSpectrumAnalyser::FrameSize(C.Rate);
        const double BinWidth = C.Rate / Size;
        EXPECT_TRUE(BinWidth > 5.0 && BinWidth < 6.0) << BinWidth;
        std::vector<double> Powers;
        A.ColumnPowers(Sine(C.Frequency, std::pow(10.0, -12.0 / 20.0), C.Rate, Size).data(), C.Rate, Powers);
        EXPECT_NEAR(TSpectrumAnalyser::PowerDb(Powers[ColumnOf(A, C.Frequency)]), -12.0, 1.0);
        EXPECT_EQ(TSpectrumAnalyser::PowerDb(Powers[ColumnOf(A, 100.0)]), TSpectrumAnalyser::kFloorDb)
            << "far from the sine: the floor";
    }
}

// Pink noise made exactly so (random phases, amplitude 1/sqrt(f), one inverse FFT), then averaged over the
// frames of six seconds: flat within 1.5 dB from 50 Hz to 15 kHz.
TEST(SEQSpectrumAnalyser, PinkNoiseReadsFlat)
{
    constexpr double Rate = 44100.0;
    constexpr std::size_t Length = 1 << 18;
    std::mt19937 Random(7);
    std::uniform_real_distribution<double> Phase(0.0, 2.0 * std::numbers::pi);
    std::vector<std::complex<double>> Bins(Length / 2 + 1);
    for (std::size_t k = 1; k < Bins.size(); ++k)
        if (const double f = k * Rate / Length; f >= 20.0)
            Bins[k] = std::polar(1.0 / std::sqrt(f), Phase(Random));
    Eigen::FFT<double> Fft;
    Fft.SetFlag(Eigen::FFT<double>::HalfSpectrum);
    std::vector<double> Noise;
    Fft.inv(Noise, Bins, Length);
    double Peak = 0.0;
    for (double x : Noise)
        Peak = std::max(Peak, std::abs(x));
    std::vector<float> Signal(Length);
    for (std::size_t n = 0; n < Length; ++n)
        Signal[n] = static_cast<float>(0.5 * Noise[n] / Peak);

    TSpectrumAnalyser A = PlotAnalyser();
    const std::uint32_t Frame = TSpectrumAnalyser::FrameSize(Rate);
    for (std::size_t Start = 0; Start + Frame <= Length; Start += Frame / 2)
        A.Accumulate(Signal.data() + Start, Rate);
    A.ShowAverage();
    const double Reference = A.Shown()[ColumnOf(A, 1000.0)];
    for (std::size_t c = ColumnOf(A, 50.0); c <= ColumnOf(A, 15000.0); ++c)
        EXPECT_NEAR(A.Shown()[c], Reference, 1.5) << A.ColumnFrequencies()[c] << " Hz";
}

// White noise through a +12 dB bell at 1 kHz: the output's spectrum shows the bell over the input's, the
// input's does not (both from the same noise).
TEST(SEQSpectrumAnalyser, ABellShowsInTheOutputSpectrumOnly)
{
    std::mt19937 Random(3);
    std::uniform_real_distribution<float> U(-0.25f, 0.25f);
    std::vector<float> Noise(2 * 44100);
    for (float& x : Noise)
        x = U(Random);
    const auto Bell = [](const THostView& H) { H.E->setParameter(H.E, 13, 0.9f); }; // band 4's gain, +12 dB
    const std::vector<double> In = AveragedThroughModule(Noise, spsInput, Bell);
    const std::vector<double> Out = AveragedThroughModule(Noise, spsOutput, Bell);
    const TSpectrumAnalyser A = PlotAnalyser();
    EXPECT_NEAR(Out[ColumnOf(A, 1000.0)] - In[ColumnOf(A, 1000.0)], 12.0, 1.0);
    for (double f : {100.0, 10000.0})
        EXPECT_NEAR(Out[ColumnOf(A, f)] - In[ColumnOf(A, f)], 0.0, 1.0) << f << " Hz";
    // White noise rises 3 dB per octave over 1/6-octave bands: the input shows that slope, nothing more.
    EXPECT_NEAR(In[ColumnOf(A, 1000.0)] - In[ColumnOf(A, 250.0)], 6.0, 1.5);
}

// The shown level rises at once and falls 20 dB/s; the peak holds for a second, then falls as fast.
TEST(SEQSpectrumAnalyser, BallisticsFollowTheTimesPassed)
{
    TSpectrumAnalyser A({1000.0});
    const struct
    {
        double Level, Elapsed, Shown, Peak;
    } Steps[] = {
        {-10.0, 0.04, -10.0, -10.0},  // a rise shows at once
        {-60.0, 0.5, -20.0, -10.0},   // falls 10 dB in half a second; the peak holds
        {-60.0, 0.6, -32.0, -12.0},   // held 1.1 s: the peak fell for the last 0.1 s
        {-60.0, 1.0, -52.0, -32.0},
        {-40.0, 0.1, -40.0, -34.0},   // below the falling peak: it goes on falling
        {-20.0, 0.1, -20.0, -20.0},   // above it: a new peak, held again
        {-200.0, 5.0, -90.0, -90.0},  // nothing below the floor
    };
    for (const auto& S : Steps)
    {
        A.Update({S.Level}, S.Elapsed);
        EXPECT_NEAR(A.Shown()[0], S.Shown, 1e-9) << S.Level << " after " << S.Elapsed;
        EXPECT_NEAR(A.Peaks()[0], S.Peak, 1e-9) << S.Level << " after " << S.Elapsed;
    }
    A.Update({std::nan("")}, std::nan(""));
    EXPECT_EQ(A.Shown()[0], TSpectrumAnalyser::kFloorDb) << "no number: the floor, no time";
}

// The tap changes nothing of the audio: the same bits with it recording either source as with it off.
TEST(SEQSpectrumTap, RecordingLeavesTheOutputBitForBit)
{
    std::mt19937 Random(11);
    std::uniform_real_distribution<float> U(-1.0f, 1.0f);
    std::vector<float> Noise(4096);
    for (float& x : Noise)
        x = U(Random);
    std::vector<float> Reference;
    for (TSpectrumSource Source : {spsOff, spsOutput, spsInput})
    {
        TFPUControlScope FPU;
        auto* Module = new TSmallEQModule(nullptr);
        Module->SetAudioMaster(&VersionOnlyHost);
        const THostView Host{Module->Effect()};
        Host.Dispatch(effOpen);
        Host.E->setParameter(Host.E, 13, 0.9f);
        Module->SpectrumTap().SetSource(Source);
        std::vector<float> L = Noise, R = Noise;
        Host.Process(L, R);
        Host.Dispatch(effClose);
        if (Source == spsOff)
            Reference = L;
        else
            EXPECT_EQ(std::memcmp(L.data(), Reference.data(), L.size() * sizeof(float)), 0) << Source;
    }
}

} // namespace
