#include "presets/PresetFit.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <Eigen/Core>
#include <unsupported/Eigen/LevenbergMarquardt>

#include "dsp/DMath.h"
#include "equaliser/SmallEQModule.h"
#include "equaliser/SEQParameters.h"
#include "platform/FPUControl.h"
#include "presets/PresetResponse.h"

namespace
{

using TVector = Eigen::VectorXd;

// Bandwidth controls of the narrowest and widest start, kept off the ends so the transform can move them.
constexpr double kStartControlLowest = 0.02;
constexpr double kStartControlHighest = 0.98;
// Shelves start just inside symmetry ∓1.
constexpr double kStartShelfSymmetry = 0.97;
// Finite-difference step, as a share of a parameter's range in the fit's coordinates.
constexpr double kDifferenceStep = 1e-4;
// Iteration budgets: every start briefly, the best few to the end, then a few re-seeded bands.
constexpr int kShortEvaluations = 20;
constexpr int kLongEvaluations = 100;
constexpr int kBestStarts = 2;
constexpr int kReseeds = 2;
constexpr int kMaximumStarts = 8;
// dB the volume goes below the file's peak level when the fitted curve would rise above it.
constexpr double kHeadroomMargin = 1e-5;


long double Ln1000()
{
    static const long double Value = Extended::Ln(1000.0L);
    return Value;
}

// ---- the fit's coordinates: parameter Index in its range as lo + (hi − lo)·(1 + sin u)/2; the frequency's
// range is 0..1 in log-frequency (20·1000^x Hz).

double RangeLow(int Index)
{
    return KindOfParameter(Index) == bpFrequency && Index != kModelVolumeIndex ? 0.0 : ParameterRange(Index).Lowest;
}

double RangeHigh(int Index)
{
    return KindOfParameter(Index) == bpFrequency && Index != kModelVolumeIndex ? 1.0 : ParameterRange(Index).Highest;
}

bool IsFrequency(int Index)
{
    return Index != kModelVolumeIndex && Index % 4 == 0;
}

// x (range coordinate) → the parameter's value in real units.
float ValueOf(int Index, long double x)
{
    if (IsFrequency(Index))
        return static_cast<float>(20.0L * Extended::Exp(x * Ln1000()));
    return static_cast<float>(x);
}

long double CoordinateOf(int Index, double Value)
{
    if (IsFrequency(Index))
        return Extended::Ln(Value / 20.0L) / Ln1000();
    return Value;
}

long double XOfU(int Index, double u)
{
    const long double lo = RangeLow(Index), hi = RangeHigh(Index);
    return lo + (hi - lo) * (1.0L + Extended::Sin(u)) * 0.5L;
}

double UOfValue(int Index, double Value)
{
    const long double lo = RangeLow(Index), hi = RangeHigh(Index);
    long double t = 2.0L * (CoordinateOf(Index, Value) - lo) / (hi - lo) - 1.0L;
    t = std::clamp(t, -1.0L, 1.0L);
    return static_cast<double>(Extended::ArcTan2(t, Extended::Sqrt(1.0L - t * t)));
}

TVector UOfSetting(const TEqualiserSetting& S)
{
    TVector u(kModelParameters);
    for (int i = 0; i < kModelParameters; ++i)
        u[i] = UOfValue(i, S[i]);
    return u;
}

TEqualiserSetting SettingOfU(const TVector& u)
{
    TEqualiserSetting S;
    for (int i = 0; i < kModelParameters; ++i)
        S[i] = ValueOf(i, XOfU(i, u[i]));
    return S;
}

// ---- the problem as Eigen's optimiser sees it: residuals w·(model − target) over the grid.

class TFitProblem : public Eigen::DenseFunctor<double>
{
public:
    TFitProblem(TEqualiserModel& Model, const std::vector<double>& Target, const std::vector<double>& Weights,
                const std::function<void()>& Tick)
        : Eigen::DenseFunctor<double>(kModelParameters, static_cast<int>(Target.size())), FModel(Model),
          FTarget(Target), FWeights(Weights), FTick(Tick)
    {
    }

    void Apply(const TVector& u)
    {
        FModel.SetAll(SettingOfU(u));
    }

    void Residuals(TVector& r) const
    {
        const std::vector<double> Db = FModel.ResponseDb();
        r.resize(static_cast<Eigen::Index>(Db.size()));
        for (std::size_t i = 0; i < Db.size(); ++i)
            r[static_cast<Eigen::Index>(i)] = FWeights[i] * (Db[i] - FTarget[i]);
    }

    int operator()(const TVector& u, TVector& r)
    {
        Apply(u);
        Residuals(r);
        return 0;
    }

    int df(const TVector& u, JacobianType& J)
    {
        Apply(u);
        if (FTick)
            FTick();
        const Eigen::Index n = static_cast<Eigen::Index>(FTarget.size());
        J.resize(n, kModelParameters);
        std::vector<double> Tried;
        for (int j = 0; j < kModelParameters; ++j)
        {
            const long double lo = RangeLow(j), hi = RangeHigh(j);
            const long double x = XOfU(j, u[j]);
            const long double h = kDifferenceStep * (hi - lo);
            const float Now = FModel.Parameter(j);
            const double VolumeNow = FModel.VolumeDb();
            const float Step = FModel.TryParameter(j, ValueOf(j, x + h <= hi ? x + h : x - h), Tried);
            const std::vector<double>* Base = j == kModelVolumeIndex ? nullptr : &FModel.BandDb(BandOfParameter(j));
            // d(model)/du = d(model)/dx · dx/du, with dx the step the stored floats actually took.
            const long double dx = CoordinateOf(j, Step) - CoordinateOf(j, Now);
            const long double dxdu = (hi - lo) * 0.5L * Extended::Cos(u[j]);
            for (Eigen::Index i = 0; i < n; ++i)
            {
                const std::size_t k = static_cast<std::size_t>(i);
                const long double d = dx != 0.0L ? (Tried[k] - (Base ? (*Base)[k] : VolumeNow)) / dx : 0.0L;
                J(i, j) = static_cast<double>(FWeights[k] * d * dxdu);
            }
        }
        return 0;
    }

private:
    TEqualiserModel& FModel;
    const std::vector<double>& FTarget;
    const std::vector<double>& FWeights;
    const std::function<void()>& FTick;
};

double Cost(TFitProblem& Problem, const TVector& u)
{
    TVector r;
    Problem(u, r);
    return r.squaredNorm();
}

// Runs the optimiser from u for at most Evaluations evaluations; u becomes the end point.
double Optimise(TFitProblem& Problem, TVector& u, int Evaluations)
{
    Eigen::LevenbergMarquardt<TFitProblem> LM(Problem);
    LM.setMaxfev(Evaluations);
    LM.setXtol(1e-10);
    LM.setFtol(1e-12);
    LM.minimize(u);
    return Cost(Problem, u);
}

// ---- starts

// How much of the response a filter shapes: its gain times a width (shelves count as wide).
double Strength(const TPresetFilter& F)
{
    if (F.FilterType != TPresetFilterType::pftPeak)
        return std::fabs(F.GainDb) * 3.0;
    const double Width = F.Q > 0.0 ? 1.0 / F.Q : F.Octaves > 0.0 ? 0.7 * F.Octaves : 1.0;
    return std::fabs(F.GainDb) * std::min(Width, 3.0);
}

// The quality factor a cookbook section's bandwidth corresponds to.
long double QualityOf(const TPresetFilter& F)
{
    if (F.Q > 0.0)
        return F.Q;
    if (F.Octaves > 0.0)
    {
        const long double p = Extended::Exp2(F.Octaves);
        return Extended::Sqrt(p) / (p - 1.0L);
    }
    const long double A = Extended::Power(10.0L, std::fabs(F.GainDb) / 40.0L);
    return 1.0L / Extended::Sqrt((A + 1.0L / A) * (1.0L / F.Slope - 1.0L) + 2.0L);
}

// The band setting closest to a cookbook section: same frequency and gain; a bell's Q maps to the
// symmetry section's Bandwidth·cos(w/2), a shelf also carries the factor 2^|S| of its ends.
void PlaceBand(TEqualiserSetting& S, int Band, const TPresetFilter& F)
{
    const TParameterRange Frequencies = ParameterRange(ParameterIndex(Band, bpFrequency)),
                         Gains = ParameterRange(ParameterIndex(Band, bpGain));
    const double Frequency = std::clamp<double>(F.Frequency, Frequencies.Lowest, Frequencies.Highest);
    const double Symmetry = F.FilterType == TPresetFilterType::pftLowShelf    ? -kStartShelfSymmetry
                            : F.FilterType == TPresetFilterType::pftHighShelf ? kStartShelfSymmetry
                                                                              : 0.0;
    const long double HalfW = Extended::Pi * Frequency / kFitSampleRate;
    long double Bandwidth = QualityOf(F) / Extended::Cos(HalfW);
    if (Symmetry != 0.0)
        Bandwidth *= 2.0L;
    // The equaliser's own bandwidth curve places the start; the fitted response always comes from the module.
    const long double Control = TSmallEQModule::BandwidthControlOf(Bandwidth);
    S[ParameterIndex(Band, bpFrequency)] = static_cast<float>(Frequency);
    // Gains start half a decibel inside their limits.
    S[ParameterIndex(Band, bpGain)] = static_cast<float>(std::clamp<double>(F.GainDb, Gains.Lowest + 0.5, Gains.Highest - 0.5));
    S[ParameterIndex(Band, bpBandwidth)] = static_cast<float>(std::clamp(static_cast<double>(Control), kStartControlLowest, kStartControlHighest));
    S[ParameterIndex(Band, bpSymmetry)] = static_cast<float>(Symmetry);
}

TEqualiserSetting StartFrom(const std::vector<TPresetFilter>& Chosen, double PreampDb)
{
    TEqualiserSetting S{};
    for (int b = 0; b < kModelBands; ++b)
    {
        if (b < static_cast<int>(Chosen.size()))
            PlaceBand(S, b, Chosen[b]);
        else
        {
            // A spare band: flat, spread over the range, free to take any shape.
            S[ParameterIndex(b, bpFrequency)] = static_cast<float>(20.0L * Extended::Exp(Ln1000() * (b + 0.5L) / kModelBands));
            S[ParameterIndex(b, bpGain)] = 0.5f;
            S[ParameterIndex(b, bpBandwidth)] = 0.5f;
            S[ParameterIndex(b, bpSymmetry)] = 0.0f;
        }
    }
    const TParameterRange V = ParameterRange(kModelVolumeIndex);
    S[kModelVolumeIndex] = static_cast<float>(std::clamp(PreampDb, V.Lowest + 0.5, V.Highest - 0.5));
    return S;
}

// A graphic curve only: bands spread evenly, each at the curve's value there, shelves at both ends; three
// spreads.
std::vector<TEqualiserSetting> GraphicStarts(const std::vector<double>& Frequencies, const std::vector<double>& Target,
                                             double Level)
{
    std::vector<TEqualiserSetting> Result;
    for (const double Offset : {0.5, 0.25, 0.75})
    {
        std::vector<TPresetFilter> Bands;
        for (int b = 0; b < kModelBands; ++b)
        {
            TPresetFilter F;
            F.Frequency = static_cast<double>(20.0L * Extended::Exp(Ln1000() * (b + Offset) / kModelBands));
            std::size_t Nearest = 0;
            while (Nearest + 1 < Frequencies.size() && Frequencies[Nearest] < F.Frequency)
                ++Nearest;
            F.GainDb = Target[Nearest] - Level;
            F.Q = 0.9;
            F.FilterType = b == 0 ? TPresetFilterType::pftLowShelf
                           : b == kModelBands - 1 ? TPresetFilterType::pftHighShelf
                                                  : TPresetFilterType::pftPeak;
            Bands.push_back(F);
        }
        Result.push_back(StartFrom(Bands, Level));
    }
    return Result;
}

// The start with the two filters closest in log-frequency as one band (a sum of both gains), the weakest
// left out.
TEqualiserSetting MergedStart(const std::vector<TPresetFilter>& Sorted, double Level)
{
    std::vector<TPresetFilter> ByFrequency = Sorted;
    std::stable_sort(ByFrequency.begin(), ByFrequency.end(),
                     [](const TPresetFilter& a, const TPresetFilter& b) { return a.Frequency < b.Frequency; });
    std::size_t Closest = 0;
    double Gap = 1e300;
    for (std::size_t i = 0; i + 1 < ByFrequency.size(); ++i)
    {
        const double g = ByFrequency[i + 1].Frequency / ByFrequency[i].Frequency;
        if (g < Gap)
        {
            Gap = g;
            Closest = i;
        }
    }
    TPresetFilter Merged = ByFrequency[Closest];
    Merged.GainDb += ByFrequency[Closest + 1].GainDb;
    Merged.Frequency = static_cast<double>(Extended::Sqrt(static_cast<long double>(Merged.Frequency) *
                                                          ByFrequency[Closest + 1].Frequency));
    std::vector<TPresetFilter> Rest = {Merged};
    for (std::size_t i = 0; i < ByFrequency.size(); ++i)
        if (i != Closest && i != Closest + 1)
            Rest.push_back(ByFrequency[i]);
    std::stable_sort(Rest.begin() + 1, Rest.end(),
                     [](const TPresetFilter& a, const TPresetFilter& b) { return Strength(a) > Strength(b); });
    Rest.resize(std::min<std::size_t>(Rest.size(), kModelBands));
    return StartFrom(Rest, Level);
}

// Starts from the file's filters: the strongest eight; then the same with each pair of the weaker ones left
// out instead; then the two neighbours closest in frequency merged into one band.
std::vector<TEqualiserSetting> Starts(const TPresetSource& Source, const std::vector<double>& Frequencies,
                                      const std::vector<double>& Target)
{
    std::vector<TEqualiserSetting> Result;
    std::vector<TPresetFilter> Sorted = Source.Filters;
    std::stable_sort(Sorted.begin(), Sorted.end(),
                     [](const TPresetFilter& a, const TPresetFilter& b) { return Strength(a) > Strength(b); });
    const double Level = Source.PreampDb;

    if (Sorted.empty())
        return GraphicStarts(Frequencies, Target, Level);

    const int Count = static_cast<int>(Sorted.size());
    Result.push_back(StartFrom({Sorted.begin(), Sorted.begin() + std::min(Count, kModelBands)}, Level));
    if (Count <= kModelBands)
        return Result;

    // Which filters to leave out: every choice among the weakest few (leaving out the weakest ones is the start
    // above).
    const int Extra = Count - kModelBands;
    const int First = std::max(0, Count - (Extra + 2));
    std::vector<int> Pick(static_cast<std::size_t>(Extra));
    std::vector<int> Weakest(static_cast<std::size_t>(Extra));
    std::iota(Weakest.begin(), Weakest.end(), kModelBands);
    std::function<void(int, int)> Choose = [&](int From, int k) {
        if (static_cast<int>(Result.size()) >= kMaximumStarts)
            return;
        if (k == Extra)
        {
            if (Pick == Weakest)
                return;
            std::vector<TPresetFilter> Kept;
            for (int i = 0; i < Count; ++i)
                if (std::find(Pick.begin(), Pick.end(), i) == Pick.end())
                    Kept.push_back(Sorted[static_cast<std::size_t>(i)]);
            Result.push_back(StartFrom(Kept, Level));
            return;
        }
        for (int i = From; i < Count; ++i)
        {
            Pick[static_cast<std::size_t>(k)] = i;
            Choose(i + 1, k + 1);
        }
    };
    Choose(First, 0);

    Result.push_back(MergedStart(Sorted, Level));
    return Result;
}

// The band that shapes the response least: the smallest largest |dB| over the grid.
int WeakestBand(const TEqualiserModel& Model)
{
    int Weakest = 0;
    double Least = 1e300;
    for (int b = 0; b < kModelBands; ++b)
    {
        double Most = 0.0;
        for (const double d : Model.BandDb(b))
            Most = std::max(Most, std::fabs(d));
        if (Most < Least)
        {
            Least = Most;
            Weakest = b;
        }
    }
    return Weakest;
}

} // namespace

void FitErrors(const std::vector<double>& Frequencies, const std::vector<double>& Target,
               const std::vector<double>& Fitted, double& RmsDb, double& MaxDb)
{
    long double Sum = 0.0L;
    double Max = 0.0;
    int Count = 0;
    for (std::size_t i = 0; i < Frequencies.size(); ++i)
    {
        if (Frequencies[i] > kWeightedTop)
            continue;
        const double e = Fitted[i] - Target[i];
        Sum += static_cast<long double>(e) * e;
        Max = std::max(Max, std::fabs(e));
        ++Count;
    }
    RmsDb = Count ? static_cast<double>(Extended::Sqrt(Sum / Count)) : 0.0;
    MaxDb = Max;
}

namespace
{

struct TCandidate
{
    TVector U;
    double Cost;
};

// Every start briefly, the best few to the end; the best of those.
TCandidate BestStart(TFitProblem& Problem, const std::vector<TEqualiserSetting>& StartList)
{
    std::vector<TCandidate> Candidates;
    for (const TEqualiserSetting& S : StartList)
    {
        TVector u = UOfSetting(S);
        const double c = Optimise(Problem, u, kShortEvaluations);
        Candidates.push_back({u, c});
    }
    std::stable_sort(Candidates.begin(), Candidates.end(),
                     [](const TCandidate& a, const TCandidate& b) { return a.Cost < b.Cost; });
    Candidates.resize(std::min<std::size_t>(Candidates.size(), kBestStarts));
    for (TCandidate& C : Candidates)
        C.Cost = Optimise(Problem, C.U, kLongEvaluations);
    return *std::min_element(Candidates.begin(), Candidates.end(),
                             [](const TCandidate& a, const TCandidate& b) { return a.Cost < b.Cost; });
}

// Re-seed: the band that does least moves to where the error is largest and takes that error on; Best
// becomes the result when it is better.
void Reseed(TFitProblem& Problem, TEqualiserModel& Model, const TResponseGrid& Grid,
            const std::vector<double>& Target, TCandidate& Best)
{
    for (int r = 0; r < kReseeds; ++r)
    {
        Problem.Apply(Best.U);
        const std::vector<double> Db = Model.ResponseDb();
        std::size_t Worst = 0;
        double WorstError = 0.0;
        for (std::size_t i = 0; i < Db.size(); ++i)
        {
            const double e = Grid.Weights[i] * (Target[i] - Db[i]);
            if (std::fabs(e) > std::fabs(WorstError))
            {
                WorstError = e;
                Worst = i;
            }
        }
        const int Band = WeakestBand(Model);
        TEqualiserSetting S = Model.All();
        TPresetFilter F;
        F.Frequency = Grid.Frequencies[Worst];
        F.GainDb = WorstError;
        F.Q = 2.0;
        PlaceBand(S, Band, F);
        TVector u = UOfSetting(S);
        const double c = Optimise(Problem, u, kLongEvaluations);
        if (c < Best.Cost)
            Best = {u, c};
    }
}

// The model's setting as a program file gives it back, with the headroom the file's preamp keeps: the
// fitted curve's highest point may not lie above the target's.
void SettleWithHeadroom(TEqualiserModel& Model, const std::vector<double>& Target, std::vector<std::string>& Warnings)
{
    Model.SettleAsStored();
    const double TargetPeak = *std::max_element(Target.begin(), Target.end());
    for (int Round = 0; Round < 64; ++Round)
    {
        const std::vector<double> Db = Model.ResponseDb();
        const double Excess = *std::max_element(Db.begin(), Db.end()) - TargetPeak;
        if (Excess <= 0.0)
            break;
        const float Volume = Model.Parameter(kModelVolumeIndex);
        if (Volume <= ParameterRange(kModelVolumeIndex).Lowest)
        {
            Warnings.push_back("the volume cannot go low enough to keep the file's headroom");
            break;
        }
        // A little more than the excess, so that the value a program file stores lies below it too.
        Model.SetParameter(kModelVolumeIndex, static_cast<float>(Volume - (Excess + kHeadroomMargin)));
        Model.SettleAsStored();
    }
}

// The warnings about what the bands and the volume cannot reach.
void WarnOfLimits(const TPresetSource& Source, TFitResult& Result)
{
    for (int b = 0; b < kModelBands; ++b)
        if (std::fabs(Result.Setting[ParameterIndex(b, bpGain)]) >= ParameterRange(ParameterIndex(b, bpGain)).Highest)
        {
            Result.Warnings.push_back("band " + std::to_string(b + 1) +
                                      " is at its gain limit: the file asks for more than the bands reach");
            break;
        }
    if (Source.PreampDb < ParameterRange(kModelVolumeIndex).Lowest ||
        Source.PreampDb > ParameterRange(kModelVolumeIndex).Highest)
        Result.Warnings.push_back("the preamp lies beyond the volume's −15..+6 dB; fitted as closely as it allows");
}

} // namespace

TFitResult FitToBands(const TPresetSource& Source, const TFitOptions& Options)
{
    TFPUControlScope FPU;
    TFitResult Result;
    const TResponseGrid Grid = LogGrid();
    Result.Frequencies = Grid.Frequencies;
    Result.TargetDb = TargetResponseDb(Source, Grid.Frequencies, Options.FileSampleRate);
    const std::vector<double>& Target = Result.TargetDb;

    TEqualiserModel Model(Grid.Frequencies, kFitSampleRate);
    const std::vector<TEqualiserSetting> StartList = Starts(Source, Grid.Frequencies, Target);

    // Progress in optimiser steps against the planned budget.
    const double Planned = static_cast<double>(StartList.size()) * kShortEvaluations * 0.9 +
                           (kBestStarts + kReseeds) * kLongEvaluations * 0.75;
    int Steps = 0;
    const std::function<void()> Tick = [&] {
        ++Steps;
        if (Options.Cancelled && Options.Cancelled())
            throw EFitCancelled();
        if (Options.OnProgress && Steps % 8 == 0)
            Options.OnProgress(std::min(0.99, Steps / Planned));
    };
    TFitProblem Problem(Model, Target, Grid.Weights, Tick);
    TCandidate Best = BestStart(Problem, StartList);
    Reseed(Problem, Model, Grid, Target, Best);

    Problem.Apply(Best.U);
    SettleWithHeadroom(Model, Target, Result.Warnings);
    Result.Setting = Model.All();
    Result.FittedDb = Model.ResponseDb();
    FitErrors(Result.Frequencies, Target, Result.FittedDb, Result.RmsDb, Result.MaxDb);
    WarnOfLimits(Source, Result);
    if (Options.OnProgress)
        Options.OnProgress(1.0);
    return Result;
}
