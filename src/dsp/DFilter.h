#pragma once
// The filter hierarchy: TFilter (gain, frequency, sample rate, angular frequency) → TIIRFilter (bandwidth,
// alpha) → TBiquadIIRFilter (one second-order section: coefficients, recursion, states, responses) →
// TSimplePeakFilter (bell) → TSymmetryFilter (low shelf … bell … high shelf).
//
// Parameters, coefficients and states are doubles; intermediate arithmetic runs at x87 extended precision
// (long double) and is rounded only where a value is stored, so results depend on the x87 control word
// (64-bit precision, round to nearest; see platform/FPUControl.h). Coefficients change only inside the
// setters (and SetCoefficients); the per-sample functions neither allocate nor recompute anything.
//
// A filter holds no lock: setters and processing of one filter must not overlap; the owner serialises them.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The five coefficients of H(z) = (B0 + B1·z⁻¹ + B2·z⁻²) / (1 + A1·z⁻¹ + A2·z⁻²), always handled as one set.
struct TBiquadCoefficients
{
    double A1 = 0.0;
    double A2 = 0.0;
    double B0 = 0.0;
    double B1 = 0.0;
    double B2 = 0.0;

    friend bool operator==(const TBiquadCoefficients&, const TBiquadCoefficients&) = default;
};

// A section's memory (transposed direct form II). FilterSampleInt64 reads the same storage as two int64.
using TBiquadState = std::array<double, 2>;

class TFilter
{
public:
    virtual ~TFilter() = default;

    // [any] Property read sides.
    double Gain() const { return FGainDb; }
    double GainFactor() const { return FGainFactor; }
    double Frequency() const { return FFrequency; }
    double SinW0() const { return FSinW0; }
    double W0() const { return FW0; }
    double SampleRate() const { return FSampleRate; }
    double SampleRateReciprocal() const { return FSampleRateReciprocal; }
    int Order() const { return GetOrder(); }

    // [any] W0 = 2π·Frequency/SampleRate, SinW0 = sin W0, then W0 limited to 3.1 (SinW0 keeps
    // the sine of the unlimited value).
    virtual void UpdateAngularFrequency();
    // [any] Stores the gain in dB and its factor 10^(dB/40) (through a float; 0 at or below
    // −288 dB), then recomputes the coefficients.
    virtual void SetGain(double Value);
    // [any] Stores a changed frequency (a non-positive one as 1 Hz), then always recomputes the
    // angular frequency and the coefficients.
    virtual void SetFrequency(double Value);
    // [any] Stores the rate (> 0) and its reciprocal; recomputes nothing.
    virtual void SetSampleRate(double Value);
    // [any] Write and read side of the Order property.
    virtual void SetOrder(int Value) = 0;
    virtual int GetOrder() const = 0;
    // [any] Recomputes the coefficients from the present parameters.
    virtual void UpdateCoefficients() = 0;

    // [audio] Per-sample processing (see TBiquadIIRFilter).
    virtual double FilterSample(double Input) = 0;
    virtual std::int64_t FilterSampleInt64(std::int64_t Input) = 0;
    virtual long double FilterSampleExtended(long double Input) = 0;

    // [any] Frequency responses at a frequency in Hz (see TBiquadIIRFilter).
    virtual double ResponseMagnitude(double Frequency) const = 0;
    virtual double ResponseMagnitudeDb(double Frequency) const = 0;
    virtual double ResponsePhase(double Frequency) const = 0;
    virtual double ResponseReal(double Frequency) const = 0;
    virtual double ResponseImaginary(double Frequency) const = 0;
    virtual void ResponseComplex(double Frequency, double& Real, double& Imaginary) const = 0;
    virtual void ResponseComplex(double Frequency, float& Real, float& Imaginary) const = 0;

    // [audio] States to zero.
    virtual void ClearStates() = 0;
    virtual void ClearStatesInt64() = 0;
    // [any] Gain back to 0 dB.
    virtual void ResetGain() = 0;
    // [any] Impulse response and state stack (see TIIRFilter, TBiquadIIRFilter).
    virtual void ImpulseResponse(std::span<float> Data) = 0;
    virtual void ImpulseResponse(std::span<double> Data) = 0;
    virtual void SaveStates() = 0;
    virtual void RestoreStates() = 0;

protected:
    // Selects the constructor that leaves every field zero, for classes that set up their own fields.
    struct TUninitialised
    {
    };

    // Gain 0 dB (factor 1), 44100 Hz, 1000 Hz, angular frequency computed.
    TFilter(); // [any]
    explicit TFilter(TUninitialised) {}

    double FGainDb = 0.0;
    double FGainFactor = 0.0;
    double FFrequency = 0.0;
    double FSinW0 = 0.0;
    double FW0 = 0.0;
    double FSampleRate = 0.0;
    double FSampleRateReciprocal = 0.0;
};

class TIIRFilter : public TFilter
{
public:
    // [any]
    double Bandwidth() const { return FBandwidth; }
    double Alpha() const { return FAlpha; }

    // [any] Stores the bandwidth in octaves (a non-positive one as 0.01), then recomputes alpha and
    // the coefficients.
    virtual void SetBandwidth(double Value);
    // [any] Alpha = SinW0 · sinh(ln2/2 · cos(W0/2) · Bandwidth · W0 / SinW0); 0 when SinW0 is 0.
    virtual void UpdateAlpha();

    // [any] The inherited computation followed by UpdateAlpha.
    void UpdateAngularFrequency() override;

    // [any] The response to a unit impulse from the present state, one sample per element; the
    // states and the state stack are left exactly as they were. An empty array changes nothing.
    void ImpulseResponse(std::span<float> Data) override;
    void ImpulseResponse(std::span<double> Data) override;

protected:
    // Bandwidth 1 octave and alpha on top of the TFilter defaults.
    TIIRFilter();
    explicit TIIRFilter(TUninitialised Tag) : TFilter(Tag) {}

    double FBandwidth = 0.0;
    double FAlpha = 0.0;
};

class TBiquadIIRFilter : public TIIRFilter
{
public:
    // [any] The present coefficient set.
    const TBiquadCoefficients& Coefficients() const { return FCoefficients; }
    // [any] Replaces the whole coefficient set at once (for owners that compute or hand over
    // coefficients themselves); the parameters are not touched.
    void SetCoefficients(const TBiquadCoefficients& Value) { FCoefficients = Value; }

    // [audio] The section's two states, for kernels that run the recursion themselves.
    TBiquadState& State() { return FState; }
    const TBiquadState& State() const { return FState; }
    // [any] Saved states, newest first.
    const std::vector<TBiquadState>& StateStack() const { return FStateStack; }

    // [any] Order is 2; writing it is ignored.
    void SetOrder(int Value) override;
    int GetOrder() const override;

    // [audio] One sample, transposed direct form II; y and the states rounded to double.
    double FilterSample(double Input) final;
    // [audio] The same recursion on 64-bit integers (the states reinterpreted as int64); each
    // product rounded to the nearest integer, ties to even; sums wrap around.
    std::int64_t FilterSampleInt64(std::int64_t Input) final;
    // [audio] One sample at extended precision: y is returned unrounded, so a chain of sections
    // carries the value without rounding; only the two states are stored as doubles.
    long double FilterSampleExtended(long double Input) final;

    // [any] Responses at a frequency in Hz. Magnitude is linear (not squared); Db is 10·log10 of the
    // squared magnitude. Real, imaginary part and phase describe the conjugate response H(e^(−jω)): the
    // imaginary part and the phase are positive where the true phase lags.
    double ResponseMagnitude(double Frequency) const override;
    double ResponseMagnitudeDb(double Frequency) const override;
    double ResponsePhase(double Frequency) const override;
    double ResponseReal(double Frequency) const override;
    double ResponseImaginary(double Frequency) const override;
    void ResponseComplex(double Frequency, double& Real, double& Imaginary) const override;
    void ResponseComplex(double Frequency, float& Real, float& Imaginary) const override;

    // [audio] Both states to zero (the same storage for both forms).
    void ClearStates() override;
    void ClearStatesInt64() override;
    // [any] SetGain(0).
    void ResetGain() override;
    // [any] Pushes the present state onto the stack (allocates).
    void SaveStates() override;
    // [any] Pops the newest saved state into the present one; an empty stack changes nothing.
    void RestoreStates() override;

protected:
    // Gain 0 dB (factor 1), 1000 Hz, 1 octave, 44100 Hz, states clear. The inherited set-up is deliberately
    // skipped: W0, SinW0, Alpha and the coefficients stay 0, so the section outputs silence until its
    // first parameter is set.
    TBiquadIIRFilter();

    // [any] Sums of the magnitude response: |H|² = N / D at angular frequency ω (cos ω = c).
    void MagnitudeTerms(double Frequency, long double& N, long double& D) const;
    // [any] Numerators of the real and imaginary part and the common denominator D.
    void ComplexTerms(double Frequency, long double& Real, long double& Imaginary, long double& D) const;

    TBiquadCoefficients FCoefficients;
    TBiquadState FState = {0.0, 0.0};
    std::vector<TBiquadState> FStateStack;
};

class TSimplePeakFilter : public TBiquadIIRFilter
{
public:
    TSimplePeakFilter() = default;

    // [any] Peaking section: n = G/(G+α), A2 = (G−α)/(G+α), A1 = B1 = −2·cos(W0)·n,
    // B0 = (1+α·G)·n, B2 = (1−α·G)·n.
    void UpdateCoefficients() override;
};

class TSymmetryFilter final : public TSimplePeakFilter
{
public:
    TSymmetryFilter() = default;

    // [any]
    double Symmetry() const { return FSymmetry; }
    // [any] Stores a changed symmetry (meant to lie in [−1, 1]) and recomputes the coefficients;
    // an equal value changes nothing.
    void SetSymmetry(double Value);

    // [any] Bilinear section whose symmetry S morphs a low shelf (−1) through a bell (0) to a high
    // shelf (+1): gain M/P² at 0 Hz and M at half the sample rate (M = G^(2S) for S ≥ 0, else 1; P = G^S).
    // Replaces Alpha with the value it uses, 2^|S|·tan(W0/2) / (Bandwidth·cos(W0/2)): here Bandwidth acts
    // like a quality factor, so a larger value gives a narrower band.
    void UpdateCoefficients() override;

private:
    double FSymmetry = 0.0;
};

// ---- per-sample recursion (inline: block loops call these for every section and sample) ----

inline double TBiquadIIRFilter::FilterSample(double Input)
{
    const long double x = Input;
    const TBiquadCoefficients& c = FCoefficients;
    const double y = static_cast<double>(c.B0 * x + FState[0]);
    FState[0] = static_cast<double>(c.B1 * x - c.A1 * static_cast<long double>(y) + FState[1]);
    FState[1] = static_cast<double>(c.B2 * x - c.A2 * static_cast<long double>(y));
    return y;
}

inline long double TBiquadIIRFilter::FilterSampleExtended(long double Input)
{
    const TBiquadCoefficients& c = FCoefficients;
    const long double y = c.B0 * Input + FState[0];
    FState[0] = static_cast<double>(c.B1 * Input - c.A1 * y + FState[1]);
    FState[1] = static_cast<double>(c.B2 * Input - c.A2 * y);
    return y;
}
