#include "genome/detail/portable_math.h"

#include <cmath>
#include <limits>

namespace zarnel::genome_detail {

namespace {

// ln 2 split so that k * kLn2High is exact for the k that occur here.
constexpr double kLn2High = 6.93147180369123816490e-01;  // 0x3FE62E42FEE00000
constexpr double kLn2Low = 1.90821492927058770002e-10;   // ln 2 - kLn2High
constexpr double kLn2 = 0.6931471805599453094;
constexpr double kSqrtHalf = 0.70710678118654752440;

}  // namespace

double Log(double x) {
    if (std::isnan(x) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0) return -std::numeric_limits<double>::infinity();
    if (std::isinf(x)) return x;
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)) (frexp is exact), and
    // ln m = 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.1716: the series
    // s + s^3/3 + ... has converged to below 1e-18 after s^23.
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < kSqrtHalf) {
        m *= 2.0;
        --e;
    }
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double series = 1.0 / 23.0;
    for (int k = 21; k >= 1; k -= 2) series = 1.0 / k + s2 * series;
    const double lnM = 2.0 * s * series;
    return e * kLn2High + (e * kLn2Low + lnM);
}

double Exp(double x) {
    if (std::isnan(x)) return x;
    if (x > 709.79) return std::numeric_limits<double>::infinity();
    if (x < -745.2) return 0.0;
    // x = k ln 2 + r with |r| <= ln 2 / 2; e^r by its Taylor series to r^16
    // (the rest is below 1e-18), then scaled by 2^k exactly (ldexp).
    const double k = std::floor(x / kLn2 + 0.5);
    const double r = (x - k * kLn2High) - k * kLn2Low;
    double series = 1.0;
    for (int n = 16; n >= 1; --n) series = 1.0 + r * series / n;
    // Two steps, so that 2^k for k near -1075 does not underflow on its own.
    const int half = static_cast<int>(k) / 2;
    return std::ldexp(std::ldexp(series, half), static_cast<int>(k) - half);
}

double Pow(double x, double y) {
    if (std::isnan(x) || std::isnan(y) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (y == 0.0) return 1.0;
    if (x == 0.0) return y > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    return Exp(y * Log(x));
}

}  // namespace zarnel::genome_detail
