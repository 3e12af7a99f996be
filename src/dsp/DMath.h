#pragma once
// Elementary functions at x87 extended precision, computed with basic arithmetic only.
//
// Every function that affects audio or filter coefficients is computed here so that the i686 and x86-64
// builds give bit-identical results: the C maths libraries of the two targets differ in the last bits, and
// the x87 transcendental instructions (fsin, fptan, f2xm1, fyl2x, fpatan, ...) are microcoded differently
// on different processors and emulators. So these functions use only `long double` addition, subtraction,
// multiplication, division, square root, comparisons, exact scaling by powers of two and integer
// conversions, each of which IEEE 754 defines to the last bit. `long double` is the x87 80-bit type on both
// targets. Arguments are reduced exactly (Cody–Waite with constants split into exactly multipliable parts),
// and the reduced values go through fixed polynomials evaluated in a fixed order. Accuracy is about one
// unit in the last place of the 64-bit mantissa across the ranges the filters use.
//
// Results depend on the calling thread's x87 control word; 64-bit precision and round to nearest are
// expected (platform/FPUControl.h). Infinities, zero and negative logarithm arguments are answered before
// any arithmetic that would raise an invalid-operation or zero-divide exception; what remains is genuine
// overflow and underflow, and the invalid-operation flag of ordered comparisons with a NaN argument
// (masked under the expected control word).
// All functions are [any].

#if !defined(__i386__) && !defined(__x86_64__)
#error "DMath needs the x87 unit (i686 or x86-64)"
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace Extended {

inline constexpr long double Pi = 3.141592653589793238462643383279502884L;
inline constexpr long double Log2E = 1.442695040888963407359924681001892137L;
inline constexpr long double Ln2 = 0.693147180559945309417232121458176568L;

namespace Detail {
// ln 2 split for argument reduction: the high part has 32 significant bits, so n·Ln2High is exact for any
// integral |n| < 2^32; the low part carries the rest.
inline constexpr long double Ln2High = 0.69314718036912381649017333984375L;
inline constexpr long double Ln2Low = 1.908214929270587816144265680755001343603e-10L;
// ln 2 minus its rounded value Ln2.
inline constexpr long double Ln2Error = -0xD.871319FF0342543p-70L;

// π/2 in three parts; the first two have 32 significant bits each, so n·PiHalf1 and n·PiHalf2 are exact for
// integral |n| < 2^32. Their sum matches π/2 to about 2^-135.
inline constexpr long double PiHalf1 = 0xC.90FDAA200000000p-3L;
inline constexpr long double PiHalf2 = 0x8.5A308D300000000p-37L;
inline constexpr long double PiHalf3 = 0x9.8CC51701B839A25p-72L;
inline constexpr long double TwoOverPi = 0xA.2F9836E4E44152Ap-4L;
inline constexpr long double PiHalf = 0xC.90FDAA22168C235p-3L;
inline constexpr long double PiQuarter = 0xC.90FDAA22168C235p-4L;
inline constexpr long double ThreePiQuarter = 0x9.6CBE3F9990E91A8p-2L;
inline constexpr long double PiSixth = 0x8.60A91C16B9B2C23p-4L;
inline constexpr long double TwoPi = 0xC.90FDAA22168C235p-1L;

// 1/ln 10 as a rounded value and its rounding error.
inline constexpr long double InvLn10 = 0xD.E5BD8A937287195p-5L;
inline constexpr long double InvLn10Low = 0xD.56EAABEB4CF70C9p-71L;

inline constexpr long double Sqrt2 = 0xB.504F333F9DE6484p-3L;
inline constexpr long double Sqrt3 = 0xD.DB3D742C265539Ep-3L;
// tan(π/12) = 2 − √3.
inline constexpr long double TanPi12 = 0x8.930A2F4F66AB18Ap-5L;

// Angles at least this large are first reduced modulo the rounded value of 2π (see ReduceAngle).
inline constexpr long double LargeAngle = 0x1p30L;
// e^x and 2^x over- or underflow far inside this bound; it keeps the integral part of the exponent
// representable and n·Ln2High exact.
inline constexpr long double ExponentLimit = 20000.0L;
} // namespace Detail

inline constexpr long double Infinity = std::numeric_limits<long double>::infinity();
inline constexpr long double NaN = std::numeric_limits<long double>::quiet_NaN();

// [any] True for every value except NaN and the infinities.
inline bool IsFinite(long double x)
{
    return x >= -std::numeric_limits<long double>::max() && x <= std::numeric_limits<long double>::max();
}

namespace Detail {

// The x87 extended format as stored in memory (little endian): 64-bit significand with an explicit integer
// bit, then sign and 15-bit biased exponent. The rest of a 12- or 16-byte long double is padding.
struct TExtendedBits
{
    std::uint64_t Significand;
    std::uint16_t SignExponent;
};
constexpr int ExponentBias = 16383;

// [any]
inline TExtendedBits BitsOf(long double x)
{
    TExtendedBits b;
    std::memcpy(&b.Significand, &x, 8);
    std::memcpy(&b.SignExponent, reinterpret_cast<const unsigned char*>(&x) + 8, 2);
    return b;
}

// [any]
inline long double FromBits(TExtendedBits b)
{
    long double x = 0.0L;
    std::memcpy(&x, &b.Significand, 8);
    std::memcpy(reinterpret_cast<unsigned char*>(&x) + 8, &b.SignExponent, 2);
    return x;
}

// [any] True for negative values, −0 and NaNs with the sign bit set.
inline bool SignBit(long double x)
{
    return (BitsOf(x).SignExponent & 0x8000u) != 0;
}

// [any] |x|.
inline long double Abs(long double x)
{
    return x < 0.0L ? -x : x;
}

// [any] The nearest integer to x, ties to even, by adding and removing 2^63 (whose neighbours are one
// apart). Values of 2^63 or more in magnitude, infinities and NaN are returned unchanged.
inline long double RoundToIntegral(long double x)
{
    const long double a = Abs(x);
    if (!(a < 0x1p63L))
        return x;
    const long double r = (a + 0x1p63L) - 0x1p63L;
    return x < 0.0L ? -r : r;
}

// [any] x · 2^n for an integral n (exact unless the result over- or underflows).
inline long double Scale(long double x, long double n)
{
    asm("fscale" : "=t"(x) : "0"(x), "u"(n));
    return x;
}

// A value as an unevaluated sum High + Low with |Low| at most half an ulp of High.
struct TDoubleExtended
{
    long double High, Low;
};

// [any] a + b exactly as a rounded sum and its error.
inline TDoubleExtended TwoSum(long double a, long double b)
{
    const long double s = a + b;
    const long double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// [any] a · b exactly as a rounded product and its error (Dekker); |a|, |b| below about 2^16350.
inline TDoubleExtended TwoProduct(long double a, long double b)
{
    constexpr long double Splitter = 0x1p32L + 1.0L;
    const long double p = a * b;
    const long double ca = Splitter * a;
    const long double ah = ca - (ca - a);
    const long double al = a - ah;
    const long double cb = Splitter * b;
    const long double bh = cb - (cb - b);
    const long double bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

// [any] c[0] + c[1]·z + ... + c[N−1]·z^(N−1) by Horner's scheme.
template <std::size_t N>
inline long double Polynomial(long double z, const long double (&c)[N])
{
    long double p = c[N - 1];
    for (std::size_t i = N - 1; i-- > 0;)
        p = p * z + c[i];
    return p;
}

// 1/k! for k = 2 ... 16: e^r − 1 = r + r²·Σ r^(k−2)/k! to below 2^-66 relative for |r| <= 0.36.
inline constexpr long double ExpCoefficients[] = {
    1.0L / 2.0L, 1.0L / 6.0L, 1.0L / 24.0L, 1.0L / 120.0L, 1.0L / 720.0L, 1.0L / 5040.0L,
    1.0L / 40320.0L, 1.0L / 362880.0L, 1.0L / 3628800.0L, 1.0L / 39916800.0L, 1.0L / 479001600.0L,
    1.0L / 6227020800.0L, 1.0L / 87178291200.0L, 1.0L / 1307674368000.0L, 1.0L / 20922789888000.0L,
};

// [any] e^r − 1 for |r| <= about ln2/2.
inline long double ExpMinusOneKernel(long double r)
{
    return r + r * (r * Polynomial(r, ExpCoefficients));
}

// [any] e^r − 1 for r = High + Low − n·ln 2, where n is the integer nearest to High·log2 e and
// |High| is within ExponentLimit; r is formed as a double-extended value.
inline long double ExpMinusOneReduced(long double High, long double Low, long double& n)
{
    n = RoundToIntegral(High * Log2E);
    // n·Ln2High has at most 47 significant bits and lies within ln2 of High: the difference is exact.
    const long double a = High - n * Ln2High;
    const TDoubleExtended r = TwoSum(a, Low - n * Ln2Low);
    return ExpMinusOneKernel(r.High) + r.Low;
}

// [any] e^r as above: e^(High + Low) = e^r · 2^n.
inline long double ExpReduced(long double High, long double Low, long double& n)
{
    return 1.0L + ExpMinusOneReduced(High, Low, n);
}

// [any] e^(High + Low) with overflow to +∞ and underflow to 0.
inline long double ExpDoubleExtended(long double High, long double Low)
{
    if (High != High)
        return High;
    if (High > ExponentLimit)
        return Scale(1.0L, 2.0L * ExponentLimit);
    if (High < -ExponentLimit)
        return Scale(1.0L, -2.0L * ExponentLimit);
    long double n;
    const long double e = ExpReduced(High, Low, n);
    return Scale(e, n);
}

// 2/(2j+1) for j = 1 ... 12: ln((1+s)/(1−s)) = 2s + s·Σ 2 s^(2j)/(2j+1), truncated below 2^-66 relative for
// |s| <= 0.172.
inline constexpr long double LogCoefficients[] = {
    2.0L / 3.0L, 2.0L / 5.0L, 2.0L / 7.0L, 2.0L / 9.0L, 2.0L / 11.0L, 2.0L / 13.0L,
    2.0L / 15.0L, 2.0L / 17.0L, 2.0L / 19.0L, 2.0L / 21.0L, 2.0L / 23.0L, 2.0L / 25.0L,
};

// [any] ln x as a double-extended value for a finite x > 0, accurate to about 2^-66 relative.
inline TDoubleExtended LnDoubleExtended(long double x)
{
    long double k = 0.0L;
    TExtendedBits b = BitsOf(x);
    if ((b.SignExponent & 0x7FFFu) == 0) { // subnormal: make it normal, exactly
        x *= 0x1p64L;
        k = -64.0L;
        b = BitsOf(x);
    }
    k += static_cast<long double>(static_cast<int>(b.SignExponent & 0x7FFFu) - ExponentBias);
    b.SignExponent = ExponentBias; // x = m · 2^k with m in [1, 2)
    long double m = FromBits(b);
    if (m > Sqrt2) {
        m *= 0.5L;
        k += 1.0L;
    }
    // ln(1 + f) = f − (f²/2 − s·(f²/2 + R)) with s = f/(2 + f) and R = Σ 2 s^(2j)/(2j+1): f is exact, the
    // rest is a small correction.
    const long double f = m - 1.0L;
    const long double s = f / (2.0L + f);
    const long double z = s * s;
    const long double R = z * Polynomial(z, LogCoefficients);
    const long double hfsq = 0.5L * f * f;
    const long double correction = hfsq - s * (hfsq + R);
    const TDoubleExtended h = TwoSum(k * Ln2High, f);
    const long double low = (h.Low + k * Ln2Low) - correction;
    const long double high = h.High + low;
    return {high, low - (high - h.High)};
}

// sin r = r + r·Σ (−1)^j r^(2j)/(2j+1)! for j = 1 ... 10, truncated below 2^-68 relative for |r| <= π/4.
inline constexpr long double SinCoefficients[] = {
    -1.0L / 6.0L, 1.0L / 120.0L, -1.0L / 5040.0L, 1.0L / 362880.0L, -1.0L / 39916800.0L,
    1.0L / 6227020800.0L, -1.0L / 1307674368000.0L, 1.0L / 355687428096000.0L,
    -1.0L / 121645100408832000.0L, 1.0L / 51090942171709440000.0L,
};

// cos r = 1 − r²/2 + r⁴·Σ (−1)^j r^(2j−4)/(2j)! for j = 2 ... 11, truncated below 2^-70 for |r| <= π/4.
inline constexpr long double CosCoefficients[] = {
    1.0L / 24.0L, -1.0L / 720.0L, 1.0L / 40320.0L, -1.0L / 3628800.0L, 1.0L / 479001600.0L,
    -1.0L / 87178291200.0L, 1.0L / 20922789888000.0L, -1.0L / 6402373705728000.0L,
    1.0L / 2432902008176640000.0L, -1.0L / 1124000727777607680000.0L,
};

// [any] A finite x minus the multiple of 2π (its rounded extended value) nearest to it, exactly:
// binary long division with exact subtractions (each remainder is at least half the subtrahend).
inline long double ReduceAngle(long double x)
{
    long double a = Abs(x);
    long double d = TwoPi;
    while (a >= 2.0L * d)
        d *= 2.0L;
    for (; d >= TwoPi; d *= 0.5L)
        if (a >= d)
            a -= d;
    if (a > 0.5L * TwoPi)
        a -= TwoPi;
    return x < 0.0L ? -a : a;
}

// sin and cos of an angle reduced to |High + Low| <= about π/4, and the quadrant it came from.
struct TSinCos
{
    long double Sin, Cos;
};

// [any] sin and cos of x, without applying the quadrant: the values for x − Quadrant·π/2. NaN for
// non-finite x.
inline TSinCos SinCosReduced(long double x, unsigned& Quadrant)
{
    Quadrant = 0;
    if (!IsFinite(x))
        return {NaN, NaN};
    long double high = x, low = 0.0L;
    if (!(Abs(x) <= PiQuarter)) {
        if (!(Abs(x) < LargeAngle))
            x = ReduceAngle(x);
        const long double n = RoundToIntegral(x * TwoOverPi);
        Quadrant = static_cast<unsigned>(static_cast<std::int64_t>(n)) & 3u;
        const long double r1 = x - n * PiHalf1; // exact for |n| < 2^32
        const TDoubleExtended r = TwoSum(r1, -(n * PiHalf2));
        const TDoubleExtended t = TwoSum(r.High, r.Low - n * PiHalf3);
        high = t.High;
        low = t.Low;
    }
    const long double z = high * high;
    const long double sinHigh = high + high * (z * Polynomial(z, SinCoefficients));
    const long double hz = 0.5L * z;
    const long double w = 1.0L - hz;
    const long double cosHigh = w + (((1.0L - w) - hz) + z * z * Polynomial(z, CosCoefficients));
    // sin(h + l) ≈ sin h + l·cos h, cos(h + l) ≈ cos h − l·sin h for |l| <= ulp(h).
    return {sinHigh + low * cosHigh, cosHigh - low * sinHigh};
}

// (−1)^j/(2j+1) for j = 1 ... 15: atan u = u + u·Σ (−1)^j u^(2j)/(2j+1), truncated below 2^-66 relative for
// |u| <= tan(π/12).
inline constexpr long double ArcTanCoefficients[] = {
    -1.0L / 3.0L, 1.0L / 5.0L, -1.0L / 7.0L, 1.0L / 9.0L, -1.0L / 11.0L, 1.0L / 13.0L, -1.0L / 15.0L,
    1.0L / 17.0L, -1.0L / 19.0L, 1.0L / 21.0L, -1.0L / 23.0L, 1.0L / 25.0L, -1.0L / 27.0L, 1.0L / 29.0L,
    -1.0L / 31.0L,
};

// [any] atan t for 0 <= t <= 1.
inline long double ArcTanUnit(long double t)
{
    long double base = 0.0L;
    if (t > TanPi12) {
        // atan t = π/6 + atan((t√3 − 1)/(t + √3)).
        t = (t * Sqrt3 - 1.0L) / (t + Sqrt3);
        base = PiSixth;
    }
    const long double z = t * t;
    return base + (t + t * (z * Polynomial(z, ArcTanCoefficients)));
}

} // namespace Detail

// [any] sin x. Angles of 2^30 and more are first reduced modulo the rounded value of 2π.
inline long double Sin(long double x)
{
    unsigned q;
    const Detail::TSinCos v = Detail::SinCosReduced(x, q);
    switch (q) {
    case 0: return v.Sin;
    case 1: return v.Cos;
    case 2: return -v.Sin;
    default: return -v.Cos;
    }
}

// [any] cos x.
inline long double Cos(long double x)
{
    unsigned q;
    const Detail::TSinCos v = Detail::SinCosReduced(x, q);
    switch (q) {
    case 0: return v.Cos;
    case 1: return -v.Sin;
    case 2: return -v.Cos;
    default: return v.Sin;
    }
}

// [any] sin x and cos x from one evaluation; the same values as Sin(x) and Cos(x).
inline void SinCos(long double x, long double& SinValue, long double& CosValue)
{
    unsigned q;
    const Detail::TSinCos v = Detail::SinCosReduced(x, q);
    switch (q) {
    case 0: SinValue = v.Sin; CosValue = v.Cos; break;
    case 1: SinValue = v.Cos; CosValue = -v.Sin; break;
    case 2: SinValue = -v.Sin; CosValue = -v.Cos; break;
    default: SinValue = -v.Cos; CosValue = v.Sin; break;
    }
}

// [any] tan x. The reduced cosine is at least 0.7, so even quadrants never divide by zero; odd
// quadrants divide by the reduced sine, which is zero only for x = 0.
inline long double Tan(long double x)
{
    unsigned q;
    const Detail::TSinCos v = Detail::SinCosReduced(x, q);
    return (q & 1u) == 0 ? v.Sin / v.Cos : -v.Cos / v.Sin;
}

// [any] 2^x; +∞ on overflow, 0 on underflow.
inline long double Exp2(long double x)
{
    if (x != x)
        return x;
    if (x > Detail::ExponentLimit)
        x = Detail::ExponentLimit;
    else if (x < -Detail::ExponentLimit)
        x = -Detail::ExponentLimit;
    // 2^x = 2^n · e^(f·ln 2) with f = x − n exact and f·ln 2 formed without rounding error.
    const long double n = Detail::RoundToIntegral(x);
    const long double f = x - n;
    const Detail::TDoubleExtended t = Detail::TwoProduct(f, Ln2);
    long double m;
    const long double e = Detail::ExpReduced(t.High, t.Low + f * Detail::Ln2Error, m);
    return Detail::Scale(e, n + m);
}

// [any] e^x; +∞ on overflow, 0 on underflow.
inline long double Exp(long double x)
{
    return Detail::ExpDoubleExtended(x, 0.0L);
}

// [any] e^x − 1, accurate for small x.
inline long double ExpMinusOne(long double x)
{
    const long double a = Detail::Abs(x);
    if (a <= 0.5L * Ln2)
        return Detail::ExpMinusOneKernel(x);
    if (!(a <= 44.0L)) // beyond 2^63 or below −1 + 2^-64: e^x − 1 loses nothing; also NaN
        return Exp(x) - 1.0L;
    // e^x − 1 = 2^n·(e^r − 1) + (2^n − 1), the second term exact for |n| <= 64.
    long double n;
    const long double e = Detail::ExpMinusOneReduced(x, 0.0L, n);
    return Detail::Scale(e, n) + (Detail::Scale(1.0L, n) - 1.0L);
}

// [any] y · log2 x for x > 0 (no checks).
inline long double YLog2X(long double y, long double x)
{
    const Detail::TDoubleExtended l = Detail::LnDoubleExtended(x);
    return y * ((l.High + l.Low) * Log2E);
}

// [any] Natural logarithm; −∞ for 0, NaN for negative x.
inline long double Ln(long double x)
{
    if (!(x > 0.0L))
        return x == 0.0L ? -Infinity : NaN;
    if (x == Infinity)
        return x;
    const Detail::TDoubleExtended l = Detail::LnDoubleExtended(x);
    return l.High + l.Low;
}

// [any] Base-10 logarithm; −∞ for 0, NaN for negative x.
inline long double Log10(long double x)
{
    if (!(x > 0.0L))
        return x == 0.0L ? -Infinity : NaN;
    if (x == Infinity)
        return x;
    const Detail::TDoubleExtended l = Detail::LnDoubleExtended(x);
    const Detail::TDoubleExtended p = Detail::TwoProduct(l.High, Detail::InvLn10);
    return p.High + (p.Low + (l.High * Detail::InvLn10Low + l.Low * Detail::InvLn10));
}

// [any] Hyperbolic sine, accurate near 0.
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

// [any] Base^Exponent for real operands. Base^0 = 1 (even for NaN), 1^y = 1, 0^y = 0 for y > 0 and
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
    if (Base == 0.0L) {
        r = Exponent > 0.0L ? 0.0L : Infinity;
    } else if (Base == Infinity) {
        r = Exponent > 0.0L ? Infinity : 0.0L;
    } else {
        // e^(Exponent · ln Base) with the product formed exactly from ln Base as a double-extended value; the
        // relative error grows with |Exponent| as about |Exponent|·2^-68.
        const Detail::TDoubleExtended l = Detail::LnDoubleExtended(Base);
        const long double high = Exponent * l.High;
        if (!(Detail::Abs(high) <= Detail::ExponentLimit)) {
            r = Exp(high);
        } else {
            const Detail::TDoubleExtended p = Detail::TwoProduct(Exponent, l.High);
            r = Detail::ExpDoubleExtended(p.High, p.Low + Exponent * l.Low);
        }
    }
    return negate ? -r : r;
}

// [any] Square root (fsqrt is correctly rounded); NaN for negative x.
inline long double Sqrt(long double x)
{
    if (x < 0.0L)
        return NaN;
    asm("fsqrt" : "=t"(x) : "0"(x));
    return x;
}

// [any] The angle of the point (x, y) in [−π, π], with the signs of zero and the infinities as in
// IEEE 754 atan2: (±0, +0) → ±0, (±0, −0) → ±π, (±∞, ±∞) → ±π/4 or ±3π/4.
inline long double ArcTan2(long double y, long double x)
{
    if (x != x || y != y)
        return x + y;
    const long double ax = Detail::Abs(x);
    const long double ay = Detail::Abs(y);
    long double a;
    if (ay == 0.0L)
        a = 0.0L;
    else if (ax == Infinity)
        a = ay == Infinity ? Detail::PiQuarter : 0.0L;
    else if (ay == Infinity || ax == 0.0L)
        a = Detail::PiHalf;
    else if (ay <= ax)
        a = Detail::ArcTanUnit(ay / ax);
    else
        a = Detail::PiHalf - Detail::ArcTanUnit(ax / ay);
    if (Detail::SignBit(x))
        a = (ax == Infinity && ay == Infinity) ? Detail::ThreePiQuarter : Pi - a;
    return Detail::SignBit(y) ? -a : a;
}

// [any] x rounded to the nearest 64-bit integer, ties to even (under the expected control word).
// Values outside the int64 range and NaN give the integer indefinite value, INT64_MIN.
inline std::int64_t RoundToInt64(long double x)
{
    std::int64_t r;
    asm("fistpll %0" : "=m"(r) : "t"(x) : "st");
    return r;
}

} // namespace Extended
