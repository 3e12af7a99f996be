#include "dsp/DDSPBase.h"

#include "dsp/DMath.h"

#include <bit>
#include <cstdint>
#include <limits>

#include <emmintrin.h>

float SoftSaturateExtended(float x)
{
    const float a = std::bit_cast<float>(std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFFu);
    const float b = static_cast<float>((3.0L + a) * a + 6.0L);
    // Beyond about 1.8e19 b overflows and the quotient would be inf/inf = NaN (a huge positive sample would
    // come out as negative full scale); the curve has reached ±1 long before.
    if (b == std::numeric_limits<float>::infinity())
        return x < 0.0f ? -1.0f : 1.0f;
    return static_cast<float>((static_cast<long double>(x) * b) / (static_cast<long double>(a) * b + 12.0L));
}

namespace
{

// [any] All ones in each lane whose 32 bits are the low half of a double that lies near a float rounding
// tie (DDSPBaseDetail::NearFloatTie).
inline __m128i NearFloatTies(__m128i LowHalves)
{
    using namespace DDSPBaseDetail;
    const __m128i Dropped = _mm_and_si128(LowHalves, _mm_set1_epi32((1 << 29) - 1));
    // Dropped − (tie − guard) lies in [0, 2·guard] exactly near a tie; flipping the sign bits makes the
    // signed comparison an unsigned one.
    const __m128i SignBit = _mm_set1_epi32(std::numeric_limits<std::int32_t>::min());
    const __m128i t = _mm_sub_epi32(Dropped, _mm_set1_epi32(static_cast<std::int32_t>((1u << 28) - kTieGuard)));
    return _mm_cmplt_epi32(_mm_xor_si128(t, SignBit),
                           _mm_xor_si128(_mm_set1_epi32(static_cast<std::int32_t>(2 * kTieGuard + 1)), SignBit));
}

// [any] SoftSaturate's double path for the two floats in the low lanes of x (a = |x|): the results in
// the low lanes; Ties gets all ones in some lane where a result could differ from the extended one.
inline __m128 SoftSaturatePair(__m128 x, __m128 a, __m128i& Ties)
{
    const __m128d ad = _mm_cvtps_pd(a);
    const __m128d bd = _mm_add_pd(_mm_mul_pd(_mm_add_pd(_mm_set1_pd(3.0), ad), ad), _mm_set1_pd(6.0));
    const __m128d b = _mm_cvtps_pd(_mm_cvtpd_ps(bd));
    const __m128d q = _mm_div_pd(_mm_mul_pd(_mm_cvtps_pd(x), b), _mm_add_pd(_mm_mul_pd(ad, b), _mm_set1_pd(12.0)));
    // The low halves of bd and q, side by side.
    Ties = NearFloatTies(_mm_castps_si128(
        _mm_shuffle_ps(_mm_castpd_ps(bd), _mm_castpd_ps(q), _MM_SHUFFLE(2, 0, 2, 0))));
    return _mm_cvtpd_ps(q);
}

} // namespace

void SoftSaturateBlock(const float* In, float* Out, std::size_t Count)
{
    using namespace DDSPBaseDetail;
    const __m128 AbsMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128i Upper = _mm_set1_epi32(std::bit_cast<std::int32_t>(kDoubleUpper));
    std::size_t i = 0;
    for (; i + 4 <= Count; i += 4)
    {
        const __m128 x = _mm_loadu_ps(In + i);
        const __m128 a = _mm_and_ps(x, AbsMask);
        __m128i LowTies, HighTies;
        const __m128 Low = SoftSaturatePair(x, a, LowTies);
        const __m128 High = SoftSaturatePair(_mm_movehl_ps(x, x), _mm_movehl_ps(a, a), HighTies);
        // Magnitudes beyond the double path, infinities and NaNs take SoftSaturate's own way. Below
        // kDoubleLower the double path gives x/2 exactly (b = 6, denominator 12), as SoftSaturate does.
        const __m128i Odd = _mm_or_si128(_mm_cmpgt_epi32(_mm_castps_si128(a), Upper),
                                         _mm_or_si128(LowTies, HighTies));
        if (_mm_movemask_epi8(Odd) == 0) [[likely]]
            _mm_storeu_ps(Out + i, _mm_movelh_ps(Low, High));
        else
            for (std::size_t k = i; k < i + 4; ++k)
                Out[k] = SoftSaturate(In[k]);
    }
    for (; i < Count; ++i)
        Out[i] = SoftSaturate(In[i]);
}

long double NormalisedToFrequency(float x)
{
    // 6.907755279 ≈ ln 1000, as stored.
    return 20.0L * Extended::Exp(6.907755279L * x);
}

void SinCos(double Angle, double& SinValue, double& CosValue)
{
    long double s, c;
    Extended::SinCos(Angle, s, c);
    SinValue = static_cast<double>(s);
    CosValue = static_cast<double>(c);
}
