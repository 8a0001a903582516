#include "genome/detail/portable_math.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace zarnel::genome_detail {

namespace {

// ln 2 split so that k * kLn2High is exact for the k that occur here.
constexpr double kLn2High = 6.93147180369123816490e-01;  // 0x3FE62E42FEE00000
constexpr double kLn2Low = 1.90821492927058770002e-10;   // ln 2 - kLn2High
constexpr double kInverseLn2 = 1.4426950408889634074;
constexpr double kSqrtHalf = 0.70710678118654752440;

// 1 / (2j + 1) for j = 0 .. 11 and 1 / n! for n = 0 .. 14, each one IEEE
// division (the compiler rounds them as the hardware would).
constexpr auto kOddReciprocals = [] {
    std::array<double, 12> table{};
    for (int j = 0; j < 12; ++j) table[j] = 1.0 / (2 * j + 1);
    return table;
}();
constexpr auto kFactorialReciprocals = [] {
    std::array<double, 15> table{};
    table[0] = 1.0;
    for (int n = 1; n < 15; ++n) table[n] = table[n - 1] / n;
    return table;
}();

// c[0] + c[1] z + ... + c[N-1] z^(N-1) by Estrin's scheme: pairs, then
// pairs of pairs with z^2, z^4, ..., so that the chain of dependent
// operations is log2(N) long rather than N (Horner's).
template <std::size_t N>
double Polynomial(const std::array<double, N>& c, double z) {
    std::array<double, (N + 1) / 2> level{};
    for (std::size_t i = 0; i < N / 2; ++i) level[i] = c[2 * i] + c[2 * i + 1] * z;
    if constexpr (N % 2 == 1) level[N / 2] = c[N - 1];
    if constexpr (N <= 2) {
        return level[0];
    } else {
        return Polynomial(level, z * z);
    }
}

// 2^k for -1022 <= k <= 1023, built from its bits.
double PowerOfTwo(int k) { return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52); }

}  // namespace

double Log(double x) {
    if (std::isnan(x) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0) return -std::numeric_limits<double>::infinity();
    if (std::isinf(x)) return x;
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)), read off the bits (a
    // subnormal x is first scaled up by 2^54, exactly), and ln m = 2 atanh(s)
    // with s = (m - 1) / (m + 1), |s| < 0.1716: the series s + s^3/3 + ...
    // has converged to below 1e-18 after s^23.
    int e = 0;
    if (x < 0x1p-1022) {
        x *= 0x1p54;
        e = -54;
    }
    const auto bits = std::bit_cast<std::uint64_t>(x);
    e += static_cast<int>(bits >> 52) - 1022;
    double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FE0000000000000ull);  // [0.5, 1)
    if (m < kSqrtHalf) {
        m *= 2.0;
        --e;
    }
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    const double lnM = 2.0 * s * Polynomial(kOddReciprocals, s2);
    return e * kLn2High + (e * kLn2Low + lnM);
}

double Exp(double x) {
    if (std::isnan(x)) return x;
    if (x > 709.79) return std::numeric_limits<double>::infinity();
    if (x < -745.2) return 0.0;
    // x = k ln 2 + r with |r| <= ln 2 / 2 (k rounded half away from zero);
    // e^r by its Taylor series to r^14 (the rest is below 1e-17), then scaled
    // by 2^k.
    const double k = static_cast<double>(static_cast<int>(x * kInverseLn2 + (x < 0.0 ? -0.5 : 0.5)));
    const double r = (x - k * kLn2High) - k * kLn2Low;
    const double series = Polynomial(kFactorialReciprocals, r);
    // In two factors, each a normal power of 2, for k from -1075 to 1024: the
    // first product is exact, the second rounds once (only a subnormal or
    // infinite result rounds at all).
    const int half = static_cast<int>(k) / 2;
    return series * PowerOfTwo(half) * PowerOfTwo(static_cast<int>(k) - half);
}

double Pow(double x, double y) {
    if (std::isnan(x) || std::isnan(y) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (y == 0.0) return 1.0;
    if (x == 0.0) return y > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    return Exp(y * Log(x));
}

}  // namespace zarnel::genome_detail
