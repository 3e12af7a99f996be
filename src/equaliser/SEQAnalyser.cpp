// TSpectrumAnalyser: the FFT (Eigen's, kissfft underneath: header-only, builds wherever Eigen does), the
// 1/6-octave bands of the plot's columns and the ballistics. [editor] throughout.
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include <unsupported/Eigen/FFT>

#include "equaliser/SEQAnalysis.h"

namespace
{

constexpr std::uint32_t kSmallestFrame = 256;
// Half of a 1/6-octave band, as a factor.
const double kHalfBand = std::exp2(1.0 / 12.0);

} // namespace

// The transform of one frame size and what goes with it: the Hann window, the power normalisation and each
// column's bins with their weights.
struct TSpectrumAnalyser::TTransform
{
    struct TBand
    {
        std::uint32_t First = 0; // the first bin
        std::vector<double> Weights; // the share of each bin from First on inside the band
    };

    std::uint32_t Size = 0;
    double Rate = 0.0;
    std::vector<double> Window;
    double Scale = 0.0; // 1 / (ENBW in bins · (sum of window)^2 / 4)
    std::vector<TBand> Bands;
    Eigen::FFT<double> Fft;
    std::vector<double> Windowed;
    std::vector<std::complex<double>> Bins;

    void Prepare(std::uint32_t NewSize, double NewRate, const std::vector<double>& Frequencies)
    {
        if (NewSize == Size && NewRate == Rate)
            return;
        Size = NewSize;
        Rate = NewRate;
        Window.resize(Size);
        double Sum = 0.0, SumOfSquares = 0.0;
        for (std::uint32_t n = 0; n < Size; ++n)
        {
            // The periodic Hann window: its bins are exactly three wide.
            Window[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / Size);
            Sum += Window[n];
            SumOfSquares += Window[n] * Window[n];
        }
        const double NoiseBandwidth = Size * SumOfSquares / (Sum * Sum);
        Scale = 1.0 / (NoiseBandwidth * Sum * Sum / 4.0);
        Bands.assign(Frequencies.size(), {});
        const double BinsPerHz = Size / Rate;
        const double Nyquist = Size / 2.0;
        for (std::size_t c = 0; c < Frequencies.size(); ++c)
        {
            // Bin k covers k - 1/2 .. k + 1/2.
            const double Low = std::clamp(Frequencies[c] / kHalfBand * BinsPerHz, 0.5, Nyquist);
            const double High = std::clamp(Frequencies[c] * kHalfBand * BinsPerHz, 0.5, Nyquist);
            TBand& B = Bands[c];
            if (!(High > Low))
                continue;
            B.First = static_cast<std::uint32_t>(std::floor(Low + 0.5));
            const auto Last = static_cast<std::uint32_t>(std::min(std::ceil(High - 0.5), Nyquist));
            for (std::uint32_t k = B.First; k <= Last; ++k)
                B.Weights.push_back(std::max(0.0, std::min(High, k + 0.5) - std::max(Low, k - 0.5)));
        }
        Windowed.resize(Size);
    }
};

TSpectrumAnalyser::TSpectrumAnalyser(std::vector<double> ColumnFrequencies)
    : FFrequencies(std::move(ColumnFrequencies)), FTransform(std::make_unique<TTransform>())
{
    Reset();
}

TSpectrumAnalyser::~TSpectrumAnalyser() = default;

std::uint32_t TSpectrumAnalyser::FrameSize(double SampleRate)
{
    std::uint32_t Size = kSmallestFrame;
    while (Size < kLargestFrame && Size < SampleRate / 6.0)
        Size *= 2;
    return Size;
}

void TSpectrumAnalyser::ColumnPowers(const float* Frame, double SampleRate, std::vector<double>& Powers)
{
    TTransform& T = *FTransform;
    T.Prepare(FrameSize(SampleRate), SampleRate, FFrequencies);
    for (std::uint32_t n = 0; n < T.Size; ++n)
        T.Windowed[n] = T.Window[n] * Frame[n];
    T.Fft.SetFlag(Eigen::FFT<double>::HalfSpectrum);
    T.Fft.fwd(T.Bins, T.Windowed);
    Powers.assign(FFrequencies.size(), 0.0);
    for (std::size_t c = 0; c < T.Bands.size(); ++c)
    {
        const auto& B = T.Bands[c];
        double Power = 0.0;
        for (std::size_t i = 0; i < B.Weights.size() && B.First + i < T.Bins.size(); ++i)
            Power += B.Weights[i] * std::norm(T.Bins[B.First + i]);
        Powers[c] = Power * T.Scale;
    }
}

double TSpectrumAnalyser::PowerDb(double Power)
{
    return Power > 0.0 ? std::max(kFloorDb, 10.0 * std::log10(Power)) : kFloorDb;
}

void TSpectrumAnalyser::Update(const std::vector<double>& LevelsDb, double Elapsed)
{
    Elapsed = std::isfinite(Elapsed) ? std::max(0.0, Elapsed) : 0.0;
    const double Fall = kFallDbPerSecond * Elapsed;
    for (std::size_t c = 0; c < FShown.size() && c < LevelsDb.size(); ++c)
    {
        const double Level = std::isfinite(LevelsDb[c]) ? std::max(kFloorDb, LevelsDb[c]) : kFloorDb;
        FShown[c] = std::max(Level, FShown[c] - Fall);
        // The hold runs out within this interval: the peak falls for the part of it after that.
        FHeld[c] += Elapsed;
        if (FHeld[c] > kHoldSeconds)
            FPeaks[c] = std::max(kFloorDb, FPeaks[c] - kFallDbPerSecond * std::min(Elapsed, FHeld[c] - kHoldSeconds));
        if (Level >= FPeaks[c])
        {
            FPeaks[c] = Level;
            FHeld[c] = 0.0;
        }
    }
}

void TSpectrumAnalyser::Accumulate(const float* Frame, double SampleRate)
{
    ColumnPowers(Frame, SampleRate, FPowers);
    for (std::size_t c = 0; c < FSum.size(); ++c)
        FSum[c] += FPowers[c];
    ++FAccumulated;
}

void TSpectrumAnalyser::ShowAverage()
{
    for (std::size_t c = 0; c < FSum.size(); ++c)
        FShown[c] = FPeaks[c] = PowerDb(FAccumulated > 0 ? FSum[c] / FAccumulated : 0.0);
}

void TSpectrumAnalyser::Reset()
{
    FSum.assign(FFrequencies.size(), 0.0);
    FAccumulated = 0;
    FShown.assign(FFrequencies.size(), kFloorDb);
    FPeaks.assign(FFrequencies.size(), kFloorDb);
    FHeld.assign(FFrequencies.size(), 0.0);
}
