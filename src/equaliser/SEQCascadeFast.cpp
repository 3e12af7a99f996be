#include "equaliser/SEQCascadeFast.h"

#include <cstddef>
#include <cstdint>

#include <immintrin.h>

#include "equaliser/SEQMeter.h"

namespace
{

constexpr int kSections = kCascadeSections;
// The meter (SEQMeter.h) in double.
constexpr double kMeterDecayDouble = static_cast<double>(kMeterDecay);
constexpr double kMeterInputDouble = static_cast<double>(kMeterInput);

// The cascade in lane order: [section][channel], so one 128-bit load is both channels of a section and one
// 256-bit load both channels of two neighbouring sections.
struct alignas(32) TLanes
{
    double A1[kSections][2], A2[kSections][2], B0[kSections][2], B1[kSections][2], B2[kSections][2];
    double S0[kSections][2], S1[kSections][2];
    double Volume[2];
    double Meter[2];
};

// [audio]
void LoadLanes(const TCascade& C, TLanes& L)
{
    for (int k = 0; k < kSections; ++k)
        for (int ch = 0; ch < kCascadeChannels; ++ch)
        {
            const TCascadeSection& S = C.Sections[ch][k];
            L.A1[k][ch] = S.Coefficients.A1;
            L.A2[k][ch] = S.Coefficients.A2;
            L.B0[k][ch] = S.Coefficients.B0;
            L.B1[k][ch] = S.Coefficients.B1;
            L.B2[k][ch] = S.Coefficients.B2;
            L.S0[k][ch] = S.State[0];
            L.S1[k][ch] = S.State[1];
        }
    L.Volume[0] = L.Volume[1] = C.VolumeFactor;
    L.Meter[0] = C.LevelMeter[0];
    L.Meter[1] = C.LevelMeter[1];
}

// [audio]
void StoreLanes(const TLanes& L, TCascade& C)
{
    for (int k = 0; k < kSections; ++k)
        for (int ch = 0; ch < kCascadeChannels; ++ch)
        {
            C.Sections[ch][k].State[0] = L.S0[k][ch];
            C.Sections[ch][k].State[1] = L.S1[k][ch];
        }
    C.LevelMeter[0] = static_cast<float>(L.Meter[0]);
    C.LevelMeter[1] = static_cast<float>(L.Meter[1]);
}

// ----- plain: the oracle of the wider levels and the order for planes that overlap

// [audio] Channel after channel, frame after frame, each operation one double operation.
void RunPlain(TLanes& L, const float* const* Inputs, float* const* Outputs, std::int32_t n)
{
    for (int ch = 0; ch < kCascadeChannels; ++ch)
    {
        const float* in = Inputs[ch];
        float* out = Outputs[ch];
        double m = L.Meter[ch];
        for (std::int32_t i = 0; i < n; ++i)
        {
            double y = in[i];
            for (int k = 0; k < kSections; ++k)
            {
                const double x = y;
                y = L.B0[k][ch] * x + L.S0[k][ch];
                L.S0[k][ch] = L.B1[k][ch] * x - L.A1[k][ch] * y + L.S1[k][ch];
                L.S1[k][ch] = L.B2[k][ch] * x - L.A2[k][ch] * y;
            }
            y = y * L.Volume[ch];
            m = m * kMeterDecayDouble + __builtin_fabs(y * kMeterInputDouble);
            out[i] = static_cast<float>(y);
        }
        L.Meter[ch] = m;
    }
}

// ----- two lanes (SSE2): vector k is section k of both channels

#define MARVO_SSE2 __attribute__((target("sse2"), always_inline)) inline

// [audio] Frame t of both channels as doubles.
MARVO_SSE2 __m128d LoadFrame(const float* const* in, std::int32_t t)
{
    return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(in[0] + t), _mm_load_ss(in[1] + t)));
}

// [audio] Volume, meter and output of frame f of both channels.
MARVO_SSE2 void FinishFrame(__m128d y, __m128d volume, __m128d& m, float* const* out, std::int32_t f)
{
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    y = _mm_mul_pd(y, volume);
    m = _mm_add_pd(_mm_mul_pd(m, _mm_set1_pd(kMeterDecayDouble)), _mm_and_pd(_mm_mul_pd(y, _mm_set1_pd(kMeterInputDouble)), absMask));
    const __m128 p = _mm_cvtpd_ps(y);
    _mm_store_ss(out[0] + f, p);
    _mm_store_ss(out[1] + f, _mm_shuffle_ps(p, p, 1));
}

// [audio] One step of section k on both channels; answers y.
MARVO_SSE2 __m128d Section2(const TLanes& L, int k, __m128d x, __m128d& s0, __m128d& s1)
{
    const __m128d y = _mm_add_pd(_mm_mul_pd(_mm_load_pd(L.B0[k]), x), s0);
    s0 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(_mm_load_pd(L.B1[k]), x), _mm_mul_pd(_mm_load_pd(L.A1[k]), y)), s1);
    s1 = _mm_sub_pd(_mm_mul_pd(_mm_load_pd(L.B2[k]), x), _mm_mul_pd(_mm_load_pd(L.A2[k]), y));
    return y;
}

// [audio] Wavefront step t of an n-frame block: section k works on frame t − k when that frame exists.
// Sections run from the last to the first, so each still finds its predecessor's answer of step t − 1.
template <bool Full>
MARVO_SSE2 void Step2(const TLanes& L, __m128d (&y)[kSections], __m128d (&s0)[kSections], __m128d (&s1)[kSections],
                      const float* const* in, std::int32_t t, std::int32_t n)
{
#pragma GCC unroll 8
    for (int k = kSections - 1; k >= 0; --k)
    {
        if (!Full && !(t - k >= 0 && t - k < n))
            continue;
        const __m128d x = k == 0 ? LoadFrame(in, t) : y[k - 1];
        y[k] = Section2(L, k, x, s0[k], s1[k]);
    }
}

__attribute__((target("sse2"))) void RunSSE2(TLanes& L, const float* const* in, float* const* out, std::int32_t n)
{
    __m128d y[kSections], s0[kSections], s1[kSections];
    for (int k = 0; k < kSections; ++k)
    {
        y[k] = _mm_setzero_pd();
        s0[k] = _mm_load_pd(L.S0[k]);
        s1[k] = _mm_load_pd(L.S1[k]);
    }
    const __m128d volume = _mm_load_pd(L.Volume);
    __m128d m = _mm_load_pd(L.Meter);
    constexpr std::int32_t last = kSections - 1;
    const std::int32_t steps = n + last;
    std::int32_t t = 0;
    for (; t < last; ++t)
        Step2<false>(L, y, s0, s1, in, t, n);
    for (; t < n; ++t)
    {
        Step2<true>(L, y, s0, s1, in, t, n);
        FinishFrame(y[last], volume, m, out, t - last);
    }
    for (; t < steps; ++t)
    {
        Step2<false>(L, y, s0, s1, in, t, n);
        FinishFrame(y[last], volume, m, out, t - last);
    }
    for (int k = 0; k < kSections; ++k)
    {
        _mm_store_pd(L.S0[k], s0[k]);
        _mm_store_pd(L.S1[k], s1[k]);
    }
    _mm_store_pd(L.Meter, m);
}

#undef MARVO_SSE2

// ----- four lanes (AVX2): vector j is sections 2j and 2j + 1 of both channels

#define MARVO_AVX2 __attribute__((target("avx2"), always_inline)) inline
constexpr int kPairs = kSections / 2;

// [audio] One step of sections 2j and 2j + 1 on both channels; answers y.
MARVO_AVX2 __m256d Section4(const TLanes& L, int j, __m256d x, __m256d& s0, __m256d& s1)
{
    const __m256d y = _mm256_add_pd(_mm256_mul_pd(_mm256_load_pd(L.B0[2 * j]), x), s0);
    s0 = _mm256_add_pd(
        _mm256_sub_pd(_mm256_mul_pd(_mm256_load_pd(L.B1[2 * j]), x), _mm256_mul_pd(_mm256_load_pd(L.A1[2 * j]), y)),
        s1);
    s1 = _mm256_sub_pd(_mm256_mul_pd(_mm256_load_pd(L.B2[2 * j]), x), _mm256_mul_pd(_mm256_load_pd(L.A2[2 * j]), y));
    return y;
}

// [audio] Wavefront step t as in Step2. A pair with one section outside its frames computes both and keeps
// the idle one's states (its answer only ever reaches sections that are idle too).
template <bool Full>
MARVO_AVX2 void Step4(const TLanes& L, __m256d (&y)[kPairs], __m256d (&s0)[kPairs], __m256d (&s1)[kPairs],
                      const float* const* in, std::int32_t t, std::int32_t n)
{
#pragma GCC unroll 4
    for (int j = kPairs - 1; j >= 0; --j)
    {
        const bool lowActive = Full || (t - 2 * j >= 0 && t - 2 * j < n);
        const bool highActive = Full || (t - 2 * j - 1 >= 0 && t - 2 * j - 1 < n);
        if (!lowActive && !highActive)
            continue;
        // x: the previous answers of sections 2j − 1 and 2j; section 0 takes the frame.
        const __m256d x = j == 0 ? _mm256_permute2f128_pd(
                                       _mm256_castpd128_pd256(lowActive ? LoadFrame(in, t) : _mm_setzero_pd()), y[0], 0x20)
                                 : _mm256_permute2f128_pd(y[j - 1], y[j], 0x21);
        __m256d a = s0[j], b = s1[j];
        y[j] = Section4(L, j, x, a, b);
        if (lowActive && highActive)
            s0[j] = a, s1[j] = b;
        else if (lowActive)
            s0[j] = _mm256_blend_pd(s0[j], a, 0x3), s1[j] = _mm256_blend_pd(s1[j], b, 0x3);
        else
            s0[j] = _mm256_blend_pd(s0[j], a, 0xC), s1[j] = _mm256_blend_pd(s1[j], b, 0xC);
    }
}

// [audio] Frame f of both channels leaves the last section.
MARVO_AVX2 void FinishFrame4(__m256d y, __m128d volume, __m128d& m, float* const* out, std::int32_t f)
{
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    __m128d v = _mm_mul_pd(_mm256_extractf128_pd(y, 1), volume);
    m = _mm_add_pd(_mm_mul_pd(m, _mm_set1_pd(kMeterDecayDouble)), _mm_and_pd(_mm_mul_pd(v, _mm_set1_pd(kMeterInputDouble)), absMask));
    const __m128 p = _mm_cvtpd_ps(v);
    _mm_store_ss(out[0] + f, p);
    _mm_store_ss(out[1] + f, _mm_shuffle_ps(p, p, 1));
}

__attribute__((target("avx2"))) void RunAVX2(TLanes& L, const float* const* in, float* const* out, std::int32_t n)
{
    __m256d y[kPairs], s0[kPairs], s1[kPairs];
    for (int j = 0; j < kPairs; ++j)
    {
        y[j] = _mm256_setzero_pd();
        s0[j] = _mm256_load_pd(L.S0[2 * j]);
        s1[j] = _mm256_load_pd(L.S1[2 * j]);
    }
    const __m128d volume = _mm_load_pd(L.Volume);
    __m128d m = _mm_load_pd(L.Meter);
    constexpr std::int32_t last = kSections - 1;
    const std::int32_t steps = n + last;
    std::int32_t t = 0;
    for (; t < last; ++t)
        Step4<false>(L, y, s0, s1, in, t, n);
    for (; t < n; ++t)
    {
        Step4<true>(L, y, s0, s1, in, t, n);
        FinishFrame4(y[kPairs - 1], volume, m, out, t - last);
    }
    for (; t < steps; ++t)
    {
        Step4<false>(L, y, s0, s1, in, t, n);
        FinishFrame4(y[kPairs - 1], volume, m, out, t - last);
    }
    for (int j = 0; j < kPairs; ++j)
    {
        _mm256_store_pd(L.S0[2 * j], s0[j]);
        _mm256_store_pd(L.S1[2 * j], s1[j]);
    }
    _mm_store_pd(L.Meter, m);
    _mm256_zeroupper();
}

#undef MARVO_AVX2

// ----- the caller's MXCSR

constexpr std::uint32_t kFlushToZero = 0x8000;
constexpr std::uint32_t kDenormalsAreZero = 0x0040;

// [any] Flush-to-zero, plus denormals-are-zero where the processor has it (the first SSE2 processors do
// not, and setting it there faults): FXSAVE's MXCSR_MASK tells.
std::uint32_t DenormalBits()
{
    alignas(16) unsigned char Area[512] = {};
    asm volatile("fxsave %0" : "=m"(Area) : : "memory");
    std::uint32_t Mask;
    __builtin_memcpy(&Mask, Area + 28, sizeof Mask);
    if (Mask == 0)
        Mask = 0xFFBF; // the default mask when the processor leaves the field 0
    return kFlushToZero | (Mask & kDenormalsAreZero);
}

const std::uint32_t kDenormalBits = DenormalBits();

// All exceptions masked, round to nearest: the engine's own arithmetic, whatever the caller left.
constexpr std::uint32_t kEngineMXCSR = 0x1F80;

// Loads the engine's MXCSR with flush-to-zero (and denormals-are-zero) for its lifetime and gives the caller's
// back afterwards, flags included.
class TDenormalScope
{
public:
    TDenormalScope() : FSaved(_mm_getcsr()) { _mm_setcsr(kEngineMXCSR | kDenormalBits); }
    ~TDenormalScope() { _mm_setcsr(FSaved); }
    TDenormalScope(const TDenormalScope&) = delete;
    TDenormalScope& operator=(const TDenormalScope&) = delete;

private:
    std::uint32_t FSaved;
};

// [any] Whether [a, a + n) and [b, b + n) share memory.
bool Overlaps(const float* a, const float* b, std::int32_t n)
{
    const auto pa = reinterpret_cast<std::uintptr_t>(a);
    const auto pb = reinterpret_cast<std::uintptr_t>(b);
    const std::uintptr_t bytes = static_cast<std::uintptr_t>(n) * sizeof(float);
    return pa < pb + bytes && pb < pa + bytes;
}

// [any] Whether the wavefront may run: it writes frame t − 7 of both channels after reading frame t of both,
// so an output plane may only lie exactly on its own input plane or apart from every input plane.
bool WavefrontSafe(const float* const* in, float* const* out, std::int32_t n)
{
    for (int o = 0; o < kCascadeChannels; ++o)
        for (int i = 0; i < kCascadeChannels; ++i)
            if (!(o == i && out[o] == in[i]) && Overlaps(out[o], in[i], n))
                return false;
    return true;
}

} // namespace

TFastLevel FastLevelFor(TCPUInstructions Instructions)
{
    return Instructions.Contains(isAVX2) ? flAVX2 : flSSE2;
}

// The 32-bit Windows ABI promises only a 4-byte aligned stack; the lanes need 32.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void ProcessCascadeFast(TCascade& Cascade, const float* const* Inputs, float* const* Outputs,
                        std::int32_t SampleFrames, TFastLevel Level)
{
    if (SampleFrames <= 0)
        return;
    TDenormalScope denormals;
    TLanes lanes;
    LoadLanes(Cascade, lanes);
    if (Level == flPlain || !WavefrontSafe(Inputs, Outputs, SampleFrames))
        RunPlain(lanes, Inputs, Outputs, SampleFrames);
    else if (Level == flAVX2)
        RunAVX2(lanes, Inputs, Outputs, SampleFrames);
    else
        RunSSE2(lanes, Inputs, Outputs, SampleFrames);
    StoreLanes(lanes, Cascade);
}
