#include "bench/test_function.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using zarnel::OperatorException;
using zarnel::TestFunction;
using zarnel::TestFunctionName;

constexpr double kTenPi = 31.41592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;

std::vector<double> Filled(std::size_t n, double value) { return std::vector<double>(n, value); }

// Values stated exactly for the listed codes and points.
TEST(TestFunctionTest, KnownValuesAreExact) {
    EXPECT_EQ(TestFunction(40004, Filled(40, 0.0).data()), 0.0);
    EXPECT_EQ(TestFunction(40002, Filled(40, 0.0).data()), 360.0);
    EXPECT_EQ(TestFunction(40005, Filled(40, 0.0).data()), 39.0);
    EXPECT_EQ(TestFunction(40005, Filled(40, 1.0).data()), 0.0);
    EXPECT_EQ(TestFunction(3001, Filled(3, -0.5).data()), 22.0);
    const double zero = 0.0;
    EXPECT_EQ(TestFunction(1000, &zero), 1.0);
    EXPECT_EQ(TestFunction(1007, &zero), 1.0);
    const double ones[2] = {1.0, 1.0};
    EXPECT_EQ(TestFunction(2000, ones), 4.0);
    EXPECT_EQ(TestFunction(2002, ones), 0.0);
    const double origin[2] = {0.0, 0.0};
    EXPECT_EQ(TestFunction(2001, origin), 0.0);
    EXPECT_EQ(TestFunction(2004, origin), 0.0);
    EXPECT_EQ(TestFunction(2003, origin), std::sin(0.5) * std::sin(0.5) + 0.5);
    const double onCircle[2] = {0.5, 0.0};
    EXPECT_EQ(TestFunction(2003, onCircle), 0.5);
}

TEST(TestFunctionTest, UndefinedOperationsGiveNaNInsteadOfThrowing) {
    const double zero = 0.0;
    EXPECT_TRUE(std::isnan(TestFunction(1001, &zero)));
    EXPECT_TRUE(std::isnan(TestFunction(1006, &zero)));
    for (double x : {-0.25, -1.0, -7.5}) EXPECT_TRUE(std::isnan(TestFunction(1005, &x))) << x;
}

// Codes -999 to 999 name the n-variable functions with n = 0: they read no
// variable at all, so a null pointer is fine.
TEST(TestFunctionTest, CodesWithNoVariablesGiveTheEmptyLoopValues) {
    const double expected[6] = {0.0, 25.0, 0.0, 0.0, 0.0, 0.0};
    for (std::int32_t index = 0; index <= 5; ++index) {
        EXPECT_EQ(TestFunction(index, nullptr), expected[index]) << index;
        EXPECT_EQ(TestFunction(-index, nullptr), expected[index]) << -index;
    }
}

TEST(TestFunctionTest, NegativeCodesAreNVariableFunctionsOfTheGroupsMagnitude) {
    const double x = -3.25;
    EXPECT_EQ(TestFunction(-1000, &x), x * x);
    EXPECT_EQ(TestFunction(-1005, &x), 0.0);  // Rosenbrock in one variable has no pair
    const double pair[2] = {0.75, -0.5};
    EXPECT_EQ(TestFunction(-2004, pair),
              (1.0 + (0.75 * 0.75) * 0.00025 + (0.5 * 0.5) * 0.00025) -
                  std::cos(0.75 / std::sqrt(1.0)) * std::cos(-0.5 / std::sqrt(2.0)));
    std::vector<double> v(40);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = 9.5 - 0.47 * static_cast<double>(i);
    EXPECT_EQ(TestFunction(-40004, v.data()), TestFunction(40004, v.data()));
    EXPECT_NE(TestFunction(-40004, v.data()), 0.0);
}

TEST(TestFunctionTest, IndicesOutsideTheirFamilyThrow) {
    std::vector<double> v(64, 0.5);
    for (std::int32_t code :
         {1008, 1500, 1999, 2005, 2500, 2999, 6, 500, 999, -6, -500, -999, -1999, -2006, 40006, 40500, 40999,
          std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_THROW(TestFunction(code, v.data()), OperatorException) << code;
    }
}

TEST(TestFunctionTest, TheLastIndexOfEachFamilyIsAccepted) {
    std::vector<double> v(64, 0.5);
    for (std::int32_t code : {1007, 2004, 5, -5, 40005, -2005}) {
        EXPECT_NO_THROW(TestFunction(code, v.data())) << code;
    }
}

TEST(TestFunctionTest, VariableCountFollowsTheCode) {
    using zarnel::TestFunctionVariableCount;
    EXPECT_EQ(TestFunctionVariableCount(1003), 1u);
    EXPECT_EQ(TestFunctionVariableCount(2004), 2u);
    EXPECT_EQ(TestFunctionVariableCount(40004), 40u);
    EXPECT_EQ(TestFunctionVariableCount(-3001), 3u);
    EXPECT_EQ(TestFunctionVariableCount(-2001), 2u);
    EXPECT_EQ(TestFunctionVariableCount(4), 0u);
    EXPECT_EQ(TestFunctionVariableCount(1008), 0u);
    EXPECT_EQ(TestFunctionVariableCount(40006), 0u);
    EXPECT_EQ(TestFunctionVariableCount(std::numeric_limits<std::int32_t>::min()), 0u);
}

// Each function at a point where the value is not trivial, against the
// stated order of operations written out here independently. A wrong
// dispatch or a changed order of operations changes at least the last bits.
TEST(TestFunctionTest, OneVariableFunctionsFollowTheirStatedOrder) {
    const double x = 2.9;
    const double expected[8] = {
        std::sin(x * kTenPi) * x + 1.0,
        std::sin((x * x) * kTenPi) / x,
        (std::sin((x * x) * kTenPi) * x) * x,
        std::pow(x, std::sin(x)),
        std::cos(std::tan(x)) * x,
        std::cos(std::tan(std::pow(x, 0.5))) * x,
        std::sin(((kHalfPi - std::atan(x)) * 30.0) / x) * x,
        0.5 - ((std::sin(x) * std::sin(x) - 0.5) / ((x * x) * 0.001 + 1.0)) / ((x * x) * 0.001 + 1.0),
    };
    for (std::int32_t i = 0; i < 8; ++i) EXPECT_EQ(TestFunction(1000 + i, &x), expected[i]) << 1000 + i;
}

TEST(TestFunctionTest, TwoVariableFunctionsFollowTheirStatedOrder) {
    const double x = 1.3;
    const double y = 1.9;
    const double v[2] = {x, y};
    const double r = y * y + x * x;
    const double expected[5] = {
        ((((std::pow(x, 4) * 10.0 - ((y * x) * x) * 20.0) + (y * y) * 10.0) + x * x) - (x + x)) + 5.0,
        ((std::sin(x) * std::sin(x) + std::sin(y) * std::sin(y)) * 25.0 + y * y) + x * x,
        (1.0 - x) * (1.0 - x) + ((x * x - y) * (x * x - y)) * 100.0,
        std::pow(std::sin((std::sqrt(r) - 0.5) / std::pow(r * 0.001 + 1.0, 2)), 2) + 0.5,
        (std::pow(std::sin(std::pow(r, 0.1) * 50.0), 2) + 1.0) * std::pow(r, 0.25),
    };
    for (std::int32_t i = 0; i < 5; ++i) EXPECT_EQ(TestFunction(2000 + i, v), expected[i]) << 2000 + i;
}

TEST(TestFunctionTest, NVariableFunctionsFollowTheirStatedOrder) {
    const double v[3] = {1.7, -3.3, 2.9};
    double sphere = 0.0, step = 25.0, rastrigin = 30.0, schwefel = 0.0, sum = 1.0, product = 1.0, rosen = 0.0;
    for (int i = 0; i < 3; ++i) {
        sphere = sphere + v[i] * v[i];
        step = std::floor(v[i]) + step;
        rastrigin = rastrigin + (v[i] * v[i] - std::cos(v[i] * kTwoPi));
        schwefel = schwefel - std::sin(std::sqrt(std::fabs(v[i]))) * v[i];
        sum = sum + (v[i] * v[i]) * 0.00025;
        product = product * std::cos(v[i] / std::sqrt(static_cast<double>(i + 1)));
        if (i < 2) rosen = (std::pow(v[i + 1] - v[i] * v[i], 2) * 100.0 + std::pow(1.0 - v[i], 2)) + rosen;
    }
    const double expected[6] = {sphere, step, rastrigin, schwefel, sum - product, rosen};
    for (std::int32_t i = 0; i < 6; ++i) EXPECT_EQ(TestFunction(3000 + i, v), expected[i]) << 3000 + i;
    EXPECT_EQ(expected[1], 24.0);
}

// The points above are chosen so that the obvious rewrites of the formulas
// give different doubles; these checks show that the comparisons would see it.
TEST(TestFunctionTest, RewrittenFormulasWouldBeCaught) {
    const double x = 2.9;
    const double s = std::sin(x);
    const double d = (x * x) * 0.001 + 1.0;
    EXPECT_NE(TestFunction(1007, &x), 0.5 - (s * s - 0.5) / (d * d));

    const double v[2] = {1.3, 1.9};
    const double a = v[0] * v[0] - v[1];
    EXPECT_NE(TestFunction(2000, v), 10.0 * a * a + (v[0] - 1.0) * (v[0] - 1.0) + 4.0);

    const double w[2] = {0.7, 0.3};
    const double r = 0.3 * 0.3 + 0.7 * 0.7;
    EXPECT_NE(TestFunction(2004, w),
              (std::pow(std::sin(std::pow(r, 0.1) * 50.0), 2) + 1.0) * std::sqrt(std::sqrt(r)));

    const double u[2] = {1.3, 0.3};
    EXPECT_NE(TestFunction(2000, u), u[0] * u[0] * u[0] * u[0] * 10.0 - ((u[1] * u[0]) * u[0]) * 20.0 +
                                         (u[1] * u[1]) * 10.0 + u[0] * u[0] - (u[0] + u[0]) + 5.0);

    // Griewank: each square is multiplied by 0.00025, not divided by 4000.
    const double big = 151.0;
    EXPECT_EQ(TestFunction(-1004, &big), (1.0 + (big * big) * 0.00025) - std::cos(big / std::sqrt(1.0)));
    EXPECT_NE(TestFunction(-1004, &big), (1.0 + (big * big) / 4000.0) - std::cos(big / std::sqrt(1.0)));

    // Griewank: the squares are scaled one by one, not as one sum.
    const double g[2] = {3.5, -7.25};
    const double product = std::cos(3.5 / std::sqrt(1.0)) * std::cos(-7.25 / std::sqrt(2.0));
    EXPECT_NE(TestFunction(-2004, g), 1.0 + (3.5 * 3.5 + 7.25 * 7.25) * 0.00025 - product);
    EXPECT_EQ(TestFunction(-2004, g), (1.0 + (3.5 * 3.5) * 0.00025 + (7.25 * 7.25) * 0.00025) - product);
}

// A name is given exactly for the codes that compute a value, and a negative
// group names its function by the variables it reads.
TEST(TestFunctionTest, NamesExactlyTheCodesThatComputeAValue) {
    const std::vector<double> v = Filled(1000, 0.5);
    for (const std::int32_t code : {std::numeric_limits<std::int32_t>::min(),
                                    -1000006,
                                    -40006,
                                    -40004,
                                    -2005,
                                    -1000,
                                    -6,
                                    -5,
                                    0,
                                    5,
                                    6,
                                    999,
                                    1000,
                                    1007,
                                    1008,
                                    2004,
                                    2005,
                                    3005,
                                    3006,
                                    40004,
                                    1000005}) {
        SCOPED_TRACE(code);
        bool computes = true;
        try {
            TestFunction(code, v.data());
        } catch (const OperatorException&) {
            computes = false;
        }
        EXPECT_EQ(TestFunctionName(code).empty(), !computes);
    }
    EXPECT_EQ(TestFunctionName(-1000), "sphere, 1 variable");
    EXPECT_EQ(TestFunctionName(-2004), "Griewank, 2 variables");
    EXPECT_EQ(TestFunctionName(2004), "Schaffer F7");
    EXPECT_EQ(TestFunctionName(40005), "Rosenbrock, 40 variables");
}

}  // namespace
