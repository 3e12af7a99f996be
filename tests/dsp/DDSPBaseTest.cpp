#include "dsp/DDSPBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Limit, NaNGivesTheLowerBound)
{
    EXPECT_EQ(Limit(std::numeric_limits<float>::quiet_NaN(), -1.0f, 1.0f), -1.0f);
    EXPECT_EQ(Limit(2.0f, -1.0f, 1.0f), 1.0f);
    EXPECT_EQ(Limit(-2.0f, -1.0f, 1.0f), -1.0f);
    EXPECT_EQ(Limit(0.25f, -1.0f, 1.0f), 0.25f);
}

TEST(SoftSaturate, IsOddWithHalfSlopeAtZeroAndTendsToOne)
{
    EXPECT_EQ(SoftSaturate(0.0f), 0.0f);
    EXPECT_NEAR(SoftSaturate(1e-3f) / 1e-3f, 0.5f, 1e-3f);
    for (float x : {0.1f, 0.5f, 1.0f, 3.0f, 100.0f})
        EXPECT_EQ(SoftSaturate(-x), -SoftSaturate(x));
    EXPECT_NEAR(SoftSaturate(1e6f), 1.0f, 1e-5f);
}
