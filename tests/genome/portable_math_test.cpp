#include "genome/detail/portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "genome/random.h"

namespace {

using namespace zarnel::genome_detail;

// Distance in units in the last place between two finite doubles of one sign.
double Ulps(double a, double b) {
    return std::fabs(a - b) / (std::nextafter(std::fabs(b), INFINITY) - std::fabs(b));
}

// Within 2 ulps of the C library over the ranges the operators use (Pow,
// whose exponent's rounding the power magnifies, within 1e-13), and the
// special cases as the C library has them.
TEST(PortableMathTest, AgreesWithTheCLibraryWithinTwoUlps) {
    zarnel::Random random(41);
    for (int i = 0; i < 100000; ++i) {
        const double x = std::ldexp(0.5 + random.Uniform(), static_cast<int>(random.Below(2098)) - 1074);
        ASSERT_LE(Ulps(Log(x), std::log(x)), 2.0) << x;
        const double y = random.Uniform(-708.0, 709.0);  // results that are not subnormal
        ASSERT_LE(Ulps(Exp(y), std::exp(y)), 2.0) << y;
        const double base = random.Uniform(0.05, 2.0), power = random.Uniform(-101.0, 101.0);
        ASSERT_LE(std::fabs(Pow(base, power) / std::pow(base, power) - 1.0), 1e-13) << base << " " << power;
    }
    EXPECT_EQ(Log(1.0), 0.0);
    EXPECT_EQ(Exp(0.0), 1.0);
    EXPECT_EQ(Log(0.0), -INFINITY);
    EXPECT_TRUE(std::isnan(Log(-1.0)));
    EXPECT_EQ(Exp(-1000.0), 0.0);
    EXPECT_EQ(Exp(1000.0), INFINITY);
    EXPECT_EQ(Pow(0.0, 2.0), 0.0);
    EXPECT_EQ(Pow(0.0, -2.0), INFINITY);
    EXPECT_EQ(Pow(INFINITY, -2.0), 0.0);
}

}  // namespace
