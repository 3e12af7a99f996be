#include "equaliser/SEQCascade.h"

#include <cstddef>
#include <cstdint>

#include "equaliser/SEQMeter.h"

namespace
{

// The meter (SEQMeter.h) at extended precision.
constexpr long double kMeterDecayExtended = static_cast<long double>(kMeterDecay);
constexpr long double kMeterInputExtended = static_cast<long double>(kMeterInput);

// [audio] One step of one section; the input and the answer stay at extended precision.
inline __attribute__((always_inline)) long double RunSection(TCascadeSection& S, long double x)
{
    const TBiquadCoefficients& c = S.Coefficients;
    const long double y = c.B0 * x + S.State[0];
    S.State[0] = static_cast<double>(c.B1 * x - c.A1 * y + S.State[1]);
    S.State[1] = static_cast<double>(c.B2 * x - c.A2 * y);
    return y;
}

// [audio] Volume, meter and output of one finished frame of one channel.
inline __attribute__((always_inline)) float FinishFrame(long double y, long double Volume, long double& m)
{
    y = y * Volume;
    m = m * kMeterDecayExtended + __builtin_fabsl(y * kMeterInputExtended);
    return static_cast<float>(y);
}

// [any] Whether [a, a + n) and [b, b + n) share memory.
bool Overlaps(const float* a, const float* b, std::int32_t n)
{
    const auto pa = reinterpret_cast<std::uintptr_t>(a);
    const auto pb = reinterpret_cast<std::uintptr_t>(b);
    const std::uintptr_t bytes = static_cast<std::uintptr_t>(n) * sizeof(float);
    return pa < pb + bytes && pb < pa + bytes;
}

// [audio] The plain order for one channel: per frame the eight sections one after the other.
void RunChannelReference(TCascadeSection* sections, const float* in, float* out, std::int32_t n, long double& m,
                         long double volume)
{
    for (std::int32_t i = 0; i < n; ++i)
    {
        long double y = in[i];
        for (int k = 0; k < kCascadeSections; ++k)
            y = RunSection(sections[k], y);
        out[i] = FinishFrame(y, volume, m);
    }
}

// The joint schedule is written for the x87 register stack directly: the compiler spills extended values
// to memory as 80-bit temporaries, which costs more than the whole section. Layout of the stack between
// steps: st(0)..st(3) the four frames of a band in flight, st(4) the channel's meter m. One section step on
// the value at st(0), with S pointing at the section (A1 +0, A2 +8, B0 +16, B1 +24, B2 +32, State +40, +48),
// needs three more registers:
//   [x]            fld st0; fmul B0; fadd S0          -> [y, x]
//                  fld st1; fmul B1; fld st1; fmul A1 -> [A1·y, B1·x, y, x]
//                  fsubrp (st1 − st0); fadd S1; fstp S0 (rounded to double) -> [y, x]
//                  fxch; fmul B2; fld st1; fmul A2; fsubrp; fstp S1 (rounded to double) -> [y]
// which is RunSection's arithmetic in RunSection's order. AT&T's `fsubrp %st, %st(1)` computes st(1) − st(0).
static_assert(sizeof(TCascadeSection) == 56);
static_assert(offsetof(TCascadeSection, Coefficients) == 0 && offsetof(TBiquadCoefficients, A1) == 0 &&
              offsetof(TBiquadCoefficients, A2) == 8 && offsetof(TBiquadCoefficients, B0) == 16 &&
              offsetof(TBiquadCoefficients, B1) == 24 && offsetof(TBiquadCoefficients, B2) == 32 &&
              offsetof(TCascadeSection, State) == 40);

#define MARVO_SEC(J, F) "(56*" #J "+" #F ")(%[s])"
#define MARVO_SECTION(J)                                                                                       \
    "fld %%st(0)\n\t"                                                                                          \
    "fmull " MARVO_SEC(J, 16) "\n\t"                                                                           \
    "faddl " MARVO_SEC(J, 40) "\n\t"                                                                           \
    "fld %%st(1)\n\t"                                                                                          \
    "fmull " MARVO_SEC(J, 24) "\n\t"                                                                           \
    "fld %%st(1)\n\t"                                                                                          \
    "fmull " MARVO_SEC(J, 0) "\n\t"                                                                            \
    "fsubrp %%st, %%st(1)\n\t"                                                                                 \
    "faddl " MARVO_SEC(J, 48) "\n\t"                                                                           \
    "fstpl " MARVO_SEC(J, 40) "\n\t"                                                                           \
    "fxch %%st(1)\n\t"                                                                                         \
    "fmull " MARVO_SEC(J, 32) "\n\t"                                                                           \
    "fld %%st(1)\n\t"                                                                                          \
    "fmull " MARVO_SEC(J, 8) "\n\t"                                                                            \
    "fsubrp %%st, %%st(1)\n\t"                                                                                 \
    "fstpl " MARVO_SEC(J, 48) "\n\t"
// Section J on the frame at st(F) (F = 1..3): bring it to the top, run, put it back.
#define MARVO_AT(F, J) "fxch %%st(" #F ")\n\t" MARVO_SECTION(J) "fxch %%st(" #F ")\n\t"
// Volume, meter and output of the frame at st(0), with the meter at st(K); the frame is popped.
#define MARVO_FINISH(K, K1, OFFSET)                                                                            \
    "fmull %[volume]\n\t"                                                                                      \
    "fld %%st(0)\n\t"                                                                                          \
    "fmuls %[input]\n\t"                                                                                       \
    "fabs\n\t"                                                                                                 \
    "fxch %%st(" #K1 ")\n\t"                                                                                   \
    "fmuls %[decay]\n\t"                                                                                       \
    "faddp %%st, %%st(" #K1 ")\n\t"                                                                            \
    "fstps " #OFFSET "(%[out])\n\t"

const float kMeterDecayFloat = kMeterDecay;
const float kMeterInputFloat = kMeterInput;

// [audio] One channel: bands of four frames in the skewed schedule (frame f of a band meets
// section j at step j + f, so each step has up to four independent section steps in flight), then the
// remaining frames one by one. The meter stays on the register stack for the whole channel.
void RunChannel(TCascadeSection* s, const float* in, float* out, std::int32_t bands, std::int32_t singles,
                long double& m, const double& volume)
{
    asm volatile(
        "fldt %[m]\n\t"
        "testl %[bands], %[bands]\n\t"
        "jle 2f\n"
        "1:\n\t"
        "flds 12(%[in])\n\t"
        "flds 8(%[in])\n\t"
        "flds 4(%[in])\n\t"
        "flds (%[in])\n\t"
        // step 0 .. 10
        MARVO_SECTION(0)
        MARVO_SECTION(1) MARVO_AT(1, 0)
        MARVO_SECTION(2) MARVO_AT(1, 1) MARVO_AT(2, 0)
        MARVO_SECTION(3) MARVO_AT(1, 2) MARVO_AT(2, 1) MARVO_AT(3, 0)
        MARVO_SECTION(4) MARVO_AT(1, 3) MARVO_AT(2, 2) MARVO_AT(3, 1)
        MARVO_SECTION(5) MARVO_AT(1, 4) MARVO_AT(2, 3) MARVO_AT(3, 2)
        MARVO_SECTION(6) MARVO_AT(1, 5) MARVO_AT(2, 4) MARVO_AT(3, 3)
        MARVO_SECTION(7) MARVO_AT(1, 6) MARVO_AT(2, 5) MARVO_AT(3, 4)
                         MARVO_AT(1, 7) MARVO_AT(2, 6) MARVO_AT(3, 5)
                                        MARVO_AT(2, 7) MARVO_AT(3, 6)
                                                       MARVO_AT(3, 7)
        MARVO_FINISH(4, 5, 0)
        MARVO_FINISH(3, 4, 4)
        MARVO_FINISH(2, 3, 8)
        MARVO_FINISH(1, 2, 12)
        "add $16, %[in]\n\t"
        "add $16, %[out]\n\t"
        "decl %[bands]\n\t"
        "jnz 1b\n"
        "2:\n\t"
        "testl %[singles], %[singles]\n\t"
        "jle 4f\n"
        "3:\n\t"
        "flds (%[in])\n\t"
        MARVO_SECTION(0) MARVO_SECTION(1) MARVO_SECTION(2) MARVO_SECTION(3)
        MARVO_SECTION(4) MARVO_SECTION(5) MARVO_SECTION(6) MARVO_SECTION(7)
        MARVO_FINISH(1, 2, 0)
        "add $4, %[in]\n\t"
        "add $4, %[out]\n\t"
        "decl %[singles]\n\t"
        "jnz 3b\n"
        "4:\n\t"
        "fstpt %[m]\n\t"
        : [in] "+r"(in), [out] "+r"(out), [bands] "+r"(bands), [singles] "+r"(singles), [m] "+m"(m)
        : [s] "r"(s), [volume] "m"(volume), [decay] "m"(kMeterDecayFloat), [input] "m"(kMeterInputFloat)
        : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
}

#undef MARVO_FINISH
#undef MARVO_AT
#undef MARVO_SECTION
#undef MARVO_SEC

} // namespace

void ProcessCascadeReference(TCascade& Cascade, const float* const* Inputs, float* const* Outputs,
                             std::int32_t SampleFrames)
{
    if (SampleFrames <= 0)
        return;
    for (int ch = 0; ch < kCascadeChannels; ++ch)
    {
        long double m = Cascade.LevelMeter[ch];
        RunChannelReference(Cascade.Sections[ch], Inputs[ch], Outputs[ch], SampleFrames, m, Cascade.VolumeFactor);
        Cascade.LevelMeter[ch] = static_cast<float>(m);
    }
}

void ProcessCascade(TCascade& Cascade, const float* const* Inputs, float* const* Outputs, std::int32_t SampleFrames)
{
    if (SampleFrames <= 0)
        return;
    for (int ch = 0; ch < kCascadeChannels; ++ch)
    {
        const float* in = Inputs[ch];
        float* out = Outputs[ch];
        long double m = Cascade.LevelMeter[ch];
        // A band reads its four frames before it writes them. That is the plain order unless the output plane
        // overlaps the input plane at another place than exactly over it.
        if (in != out && Overlaps(in, out, SampleFrames))
            RunChannelReference(Cascade.Sections[ch], in, out, SampleFrames, m, Cascade.VolumeFactor);
        else
            RunChannel(Cascade.Sections[ch], in, out, SampleFrames / 4, SampleFrames % 4, m, Cascade.VolumeFactor);
        Cascade.LevelMeter[ch] = static_cast<float>(m);
    }
}
