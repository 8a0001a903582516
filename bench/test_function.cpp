#include "bench/test_function.h"

#include <cmath>
#include <limits>
#include <string>

namespace zarnel {

namespace {

constexpr double kTenPi = 31.41592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;

constexpr std::uint32_t kLastOneVariable = 7;
constexpr std::uint32_t kLastTwoVariable = 4;
constexpr std::uint32_t kLastNVariable = 5;

// A code split into its group and its index; the sign stays with the group.
struct CodeParts {
    std::int32_t group;
    std::uint32_t index;
};

CodeParts SplitCode(std::int32_t code) {
    // The magnitude of -2^31 does not fit in 32 bits.
    if (code == std::numeric_limits<std::int32_t>::min()) throw OperatorException();
    const auto magnitude = static_cast<std::uint32_t>(code < 0 ? -code : code);
    return {code / 1000, magnitude % 1000};
}

std::uint32_t Magnitude(std::int32_t group) { return static_cast<std::uint32_t>(group < 0 ? -group : group); }

// Every expression below keeps the evaluation order, the use of pow and the
// constants exactly as they are, so that results agree to the last bit; the
// library is built without floating-point contraction for the same reason.

double OneVariable(std::uint32_t index, double x) {
    switch (index) {
        case 0:
            return std::sin(x * kTenPi) * x + 1.0;
        case 1:
            return std::sin((x * x) * kTenPi) / x;
        case 2:
            return (std::sin((x * x) * kTenPi) * x) * x;
        case 3:
            return std::pow(x, std::sin(x));
        case 4:
            return std::cos(std::tan(x)) * x;
        case 5:
            return std::cos(std::tan(std::pow(x, 0.5))) * x;
        case 6: {
            const double a = kHalfPi - std::atan(x);
            return std::sin((a * 30.0) / x) * x;
        }
        default: {
            // Divides by d twice, not once by d squared.
            const double s = std::sin(x);
            const double d = (x * x) * 0.001 + 1.0;
            return 0.5 - ((s * s - 0.5) / d) / d;
        }
    }
}

double TwoVariable(std::uint32_t index, double x, double y) {
    switch (index) {
        case 0:
            // Strictly left to right.
            return std::pow(x, 4) * 10.0 - ((y * x) * x) * 20.0 + (y * y) * 10.0 + x * x - (x + x) + 5.0;
        case 1:
            return ((std::sin(x) * std::sin(x) + std::sin(y) * std::sin(y)) * 25.0 + y * y) + x * x;
        case 2: {
            const double a = x * x - y;
            const double b = 1.0 - x;
            return b * b + (a * a) * 100.0;
        }
        case 3: {
            const double r = y * y + x * x;
            const double d = std::pow(r * 0.001 + 1.0, 2);
            const double q = (std::sqrt(r) - 0.5) / d;
            return std::pow(std::sin(q), 2) + 0.5;
        }
        default: {
            const double r = y * y + x * x;
            return (std::pow(std::sin(std::pow(r, 0.1) * 50.0), 2) + 1.0) * std::pow(r, 0.25);
        }
    }
}

double NVariable(std::uint32_t index, std::uint32_t n, const double* v) {
    switch (index) {
        case 0: {
            double s = 0.0;
            for (std::uint32_t i = 0; i < n; ++i) s = s + v[i] * v[i];
            return s;
        }
        case 1: {
            double s = 25.0;
            for (std::uint32_t i = 0; i < n; ++i) s = std::floor(v[i]) + s;
            return s;
        }
        case 2: {
            // n is at most 2147483, so 10 * n fits.
            double s = static_cast<double>(10 * n);
            for (std::uint32_t i = 0; i < n; ++i) s = s + (v[i] * v[i] - std::cos(v[i] * kTwoPi));
            return s;
        }
        case 3: {
            double s = 0.0;
            for (std::uint32_t i = 0; i < n; ++i) s = s - std::sin(std::sqrt(std::fabs(v[i]))) * v[i];
            return s;
        }
        case 4: {
            double s = 1.0;
            for (std::uint32_t i = 0; i < n; ++i) s = s + (v[i] * v[i]) * 0.00025;
            double p = 1.0;
            for (std::uint32_t i = 0; i < n; ++i)
                p = p * std::cos(v[i] / std::sqrt(static_cast<double>(i + 1)));
            return s - p;
        }
        default: {
            double s = 0.0;
            for (std::uint32_t i = 0; i + 1 < n; ++i) {
                s = (std::pow(v[i + 1] - v[i] * v[i], 2) * 100.0 + std::pow(1.0 - v[i], 2)) + s;
            }
            return s;
        }
    }
}

// Names by index, in the order of the switches above.
constexpr const char* kOneVariableNames[] = {"x sin(10 pi x) + 1",
                                             "sin(10 pi x^2) / x",
                                             "x^2 sin(10 pi x^2)",
                                             "x^sin(x)",
                                             "x cos(tan x)",
                                             "x cos(tan sqrt(x))",
                                             "x sin(30 (pi/2 - atan x) / x)",
                                             "0.5 - (sin^2 x - 0.5) / (1 + 0.001 x^2)^2"};
constexpr const char* kTwoVariableNames[] = {"10 (x^2 - y)^2 + (x - 1)^2 + 4", "egg crate", "Rosenbrock",
                                             "sin^2((sqrt r - 0.5) / (1 + 0.001 r)^2) + 0.5", "Schaffer F7"};
constexpr const char* kNVariableNames[] = {"sphere",   "step",     "Rastrigin",
                                           "Schwefel", "Griewank", "Rosenbrock"};

}  // namespace

double TestFunction(std::int32_t code, const double* v) {
    const CodeParts parts = SplitCode(code);
    if (parts.group == 1) {
        if (parts.index > kLastOneVariable) throw OperatorException();
        return OneVariable(parts.index, v[0]);
    }
    if (parts.group == 2) {
        if (parts.index > kLastTwoVariable) throw OperatorException();
        return TwoVariable(parts.index, v[0], v[1]);
    }
    if (parts.index > kLastNVariable) throw OperatorException();
    return NVariable(parts.index, Magnitude(parts.group), v);
}

std::uint32_t TestFunctionVariableCount(std::int32_t code) {
    if (code == std::numeric_limits<std::int32_t>::min()) return 0;
    const CodeParts parts = SplitCode(code);
    if (parts.group == 1) return parts.index > kLastOneVariable ? 0 : 1;
    if (parts.group == 2) return parts.index > kLastTwoVariable ? 0 : 2;
    return parts.index > kLastNVariable ? 0 : Magnitude(parts.group);
}

std::string TestFunctionName(std::int32_t code) {
    const std::uint32_t variables = TestFunctionVariableCount(code);
    if (variables == 0 && code / 1000 != 0) return {};
    const CodeParts parts = SplitCode(code);
    if (parts.group == 1) return kOneVariableNames[parts.index];
    if (parts.group == 2) return kTwoVariableNames[parts.index];
    if (parts.index > kLastNVariable) return {};
    return std::string(kNVariableNames[parts.index]) + ", " + std::to_string(variables) +
           (variables == 1 ? " variable" : " variables");
}

}  // namespace zarnel
