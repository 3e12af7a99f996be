#pragma once
// Transcendental functions at x87 extended precision.
//
// Every function that affects audio or filter coefficients is computed here, by the processor's own x87
// instructions, so that the i686 and x86-64 builds give bit-identical results: the C maths libraries of the
// two targets differ in the last bits. `long double` is the x87 80-bit type on both targets.
//
// Results depend on the calling thread's x87 control word; 64-bit precision and round to nearest are
// expected (platform/FPUControl.h). Infinities, zero and negative logarithm arguments and trigonometric
// arguments beyond 2^63 are handled before they reach an instruction that would raise an invalid-operation
// or zero-divide exception; what remains is genuine overflow and underflow, and the invalid-operation flag
// of ordered comparisons with a NaN argument (masked under the expected control word).
// All functions are [any thread].

#if !defined(__i386__) && !defined(__x86_64__)
#error "DMath needs the x87 unit (i686 or x86-64)"
#endif

#include <cstdint>
#include <limits>

namespace Extended {

inline constexpr long double Pi = 3.141592653589793238462643383279502884L;
inline constexpr long double Log2E = 1.442695040888963407359924681001892137L;
inline constexpr long double Ln2 = 0.693147180559945309417232121458176568L;

namespace Detail {
// ln 2 split for argument reduction: the high part has 32 significant bits, so n·Ln2High is exact for any
// n that Exp meets; the low part carries the rest.
inline constexpr long double Ln2High = 0.69314718036912381649017333984375L;
inline constexpr long double Ln2Low = 1.908214929270587816144265680755001343603e-10L;
} // namespace Detail

inline constexpr long double Infinity = std::numeric_limits<long double>::infinity();
inline constexpr long double NaN = std::numeric_limits<long double>::quiet_NaN();

// [any thread] True for every value except NaN and the infinities.
inline bool IsFinite(long double x)
{
    return x >= -std::numeric_limits<long double>::max() && x <= std::numeric_limits<long double>::max();
}

namespace Detail {

// fsin, fcos, fsincos and fptan accept |x| < 2^63 only.
inline bool InTrigRange(long double x)
{
    return x > -0x1p63L && x < 0x1p63L;
}

// [any thread] A finite x reduced by multiples of 2π (the rounded extended value) into [−π, π].
inline long double ReduceAngle(long double x)
{
    const long double TwoPi = 2.0L * Pi;
    asm("1:\n\t"
        "fprem1\n\t"
        "fnstsw %%ax\n\t"
        "testw $0x400, %%ax\n\t"
        "jnz 1b"
        : "=t"(x)
        : "0"(x), "u"(TwoPi)
        : "ax", "cc");
    return x;
}

// [any thread] A trigonometric argument brought into the instructions' range; NaN for non-finite x.
inline long double TrigArgument(long double x)
{
    if (InTrigRange(x))
        return x;
    if (!IsFinite(x))
        return NaN;
    return ReduceAngle(x);
}

// [any thread] The nearest integer to x, ties to even (under the expected control word).
inline long double RoundToIntegral(long double x)
{
    asm("frndint" : "=t"(x) : "0"(x));
    return x;
}

// [any thread] 2^x − 1 for |x| <= 1.
inline long double TwoPowerMinusOne(long double x)
{
    asm("f2xm1" : "=t"(x) : "0"(x));
    return x;
}

// [any thread] x · 2^n for an integral n.
inline long double Scale(long double x, long double n)
{
    asm("fscale" : "=t"(x) : "0"(x), "u"(n));
    return x;
}

} // namespace Detail

// [any thread] sin x.
inline long double Sin(long double x)
{
    x = Detail::TrigArgument(x);
    asm("fsin" : "=t"(x) : "0"(x));
    return x;
}

// [any thread] cos x.
inline long double Cos(long double x)
{
    x = Detail::TrigArgument(x);
    asm("fcos" : "=t"(x) : "0"(x));
    return x;
}

// [any thread] sin x and cos x from one evaluation.
inline void SinCos(long double x, long double& SinValue, long double& CosValue)
{
    x = Detail::TrigArgument(x);
    asm("fsincos" : "=t"(CosValue), "=u"(SinValue) : "0"(x));
}

// [any thread] tan x.
inline long double Tan(long double x)
{
    x = Detail::TrigArgument(x);
    asm("fptan\n\t"
        "fstp %%st(0)"
        : "=t"(x)
        : "0"(x));
    return x;
}

// [any thread] 2^x; +∞ on overflow, 0 on underflow.
inline long double Exp2(long double x)
{
    if (x != x)
        return x;
    // Far beyond the extended range either way; keeps the integral part representable for fscale.
    if (x > 20000.0L)
        x = 20000.0L;
    else if (x < -20000.0L)
        x = -20000.0L;
    const long double n = Detail::RoundToIntegral(x);
    return Detail::Scale(Detail::TwoPowerMinusOne(x - n) + 1.0L, n);
}

// [any thread] e^x; +∞ on overflow, 0 on underflow.
inline long double Exp(long double x)
{
    if (x != x)
        return x;
    if (x > 20000.0L)
        x = 20000.0L;
    else if (x < -20000.0L)
        x = -20000.0L;
    // e^x = 2^n · e^r with r = x − n·ln 2 reduced exactly enough that large x keep full precision.
    const long double n = Detail::RoundToIntegral(x * Log2E);
    const long double r = (x - n * Detail::Ln2High) - n * Detail::Ln2Low;
    return Detail::Scale(Detail::TwoPowerMinusOne(r * Log2E) + 1.0L, n);
}

// [any thread] e^x − 1, accurate for small x.
inline long double ExpMinusOne(long double x)
{
    const long double t = x * Log2E;
    if (t >= -1.0L && t <= 1.0L)
        return Detail::TwoPowerMinusOne(t);
    return Exp(x) - 1.0L;
}

// [any thread] y · log2 x for x > 0 (no checks).
inline long double YLog2X(long double y, long double x)
{
    asm("fyl2x" : "=t"(x) : "0"(x), "u"(y) : "st(1)");
    return x;
}

// [any thread] Natural logarithm; −∞ for 0, NaN for negative x.
inline long double Ln(long double x)
{
    if (!(x > 0.0L))
        return x == 0.0L ? -Infinity : NaN;
    if (x == Infinity)
        return x;
    asm("fldln2\n\t"
        "fxch\n\t"
        "fyl2x"
        : "=t"(x)
        : "0"(x));
    return x;
}

// [any thread] Base-10 logarithm; −∞ for 0, NaN for negative x.
inline long double Log10(long double x)
{
    if (!(x > 0.0L))
        return x == 0.0L ? -Infinity : NaN;
    if (x == Infinity)
        return x;
    asm("fldlg2\n\t"
        "fxch\n\t"
        "fyl2x"
        : "=t"(x)
        : "0"(x));
    return x;
}

// [any thread] Hyperbolic sine, accurate near 0.
inline long double Sinh(long double x)
{
    if (x != x)
        return x;
    const bool negative = x < 0.0L;
    const long double a = negative ? -x : x;
    long double r;
    if (a > 11000.0L) {
        r = Exp(a - Ln2); // e^a / 2 without overflowing early
    } else {
        const long double e = ExpMinusOne(a);
        r = 0.5L * (e + e / (e + 1.0L));
    }
    return negative ? -r : r;
}

// [any thread] Base^Exponent for real operands. Base^0 = 1 (even for NaN), 1^y = 1, 0^y = 0 for y > 0 and
// +∞ for y < 0; a negative base gives a result only for an integral exponent, otherwise NaN.
inline long double Power(long double Base, long double Exponent)
{
    if (Exponent == 0.0L || Base == 1.0L)
        return 1.0L;
    if (Base != Base || Exponent != Exponent)
        return NaN;
    bool negate = false;
    if (Base < 0.0L) {
        if (!IsFinite(Exponent) || Detail::RoundToIntegral(Exponent) != Exponent)
            return NaN;
        const long double half = Exponent * 0.5L;
        negate = Detail::RoundToIntegral(half) != half;
        Base = -Base;
    }
    long double r;
    if (Base == 0.0L)
        r = Exponent > 0.0L ? 0.0L : Infinity;
    else if (Base == Infinity)
        r = Exponent > 0.0L ? Infinity : 0.0L;
    else
        r = Exp2(YLog2X(Exponent, Base));
    return negate ? -r : r;
}

// [any thread] Square root; NaN for negative x.
inline long double Sqrt(long double x)
{
    if (x < 0.0L)
        return NaN;
    asm("fsqrt" : "=t"(x) : "0"(x));
    return x;
}

// [any thread] The angle of the point (x, y) in (−π, π].
inline long double ArcTan2(long double y, long double x)
{
    asm("fpatan" : "=t"(x) : "0"(x), "u"(y) : "st(1)");
    return x;
}

// [any thread] x rounded to the nearest 64-bit integer, ties to even (under the expected control word).
// Values outside the int64 range and NaN give the integer indefinite value, INT64_MIN.
inline std::int64_t RoundToInt64(long double x)
{
    std::int64_t r;
    asm("fistpll %0" : "=m"(r) : "t"(x) : "st");
    return r;
}

} // namespace Extended
