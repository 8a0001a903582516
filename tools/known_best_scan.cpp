// Works out the largest value of each of ZarnelBench's nineteen test
// functions over the points that the bit-string decoding can give on
// [-10, 10] (x = -10 + gene * 20 * 2^-32, gene a 32-bit value), for the
// known-best table in bench/known_best.cpp. A one-off tool, not built by
// default:
//
//   g++ -std=c++20 -O2 -ffp-contract=off -I. tools/known_best_scan.cpp bench/test_function.cpp -o /tmp/scan
//   /tmp/scan
//
// One-variable functions: every 2^12-th gene, then the best twenty points
// refined down to single genes. Two-variable functions: a 2^11 x 2^11 grid,
// refined the same way. Functions of 40 variables: the scan runs along the
// diagonal (all variables equal), which holds the maximum: the sums are
// separable in identical terms, and the Rosenbrock and Griewank maxima lie at
// the corner -10 in every variable.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench/test_function.h"

namespace {

const double kScale = std::bit_cast<double>(std::uint64_t{0x3DF0000000100000});
double Decode(std::uint64_t gene) { return -10.0 + (static_cast<double>(gene) * 20.0) * kScale; }

struct Point {
    double value;
    std::uint64_t a, b;
};

double Eval(std::int32_t code, std::uint64_t a, std::uint64_t b) {
    std::vector<double> v(40, Decode(a));
    if (code / 1000 == 2) v[1] = Decode(b);
    const double value = zarnel::TestFunction(code, v.data());
    return std::isnan(value) ? -INFINITY : value;
}

double Scan(std::int32_t code) {
    const bool two = code / 1000 == 2;
    const std::uint64_t kTop = std::uint64_t{1} << 32;
    std::uint64_t step = two ? (std::uint64_t{1} << 21) : (std::uint64_t{1} << 12);
    std::vector<Point> points;
    for (std::uint64_t a = 0; a < kTop; a += step) {
        for (std::uint64_t b = 0; b < (two ? kTop : 1); b += step) points.push_back({Eval(code, a, b), a, b});
    }
    for (;;) {
        std::partial_sort(points.begin(), points.begin() + 20, points.end(),
                          [](const Point& x, const Point& y) { return x.value > y.value; });
        points.resize(20);
        if (step == 1) return points[0].value;
        const std::uint64_t fine = std::max<std::uint64_t>(step / (two ? 64 : 512), 1);
        std::vector<Point> next;
        for (const Point& p : points) {
            const auto range = [&](std::uint64_t c) {
                const std::uint64_t low = c > 2 * step ? c - 2 * step : 0;
                const std::uint64_t high = std::min(c + 2 * step, kTop - 1);
                return std::pair{low, high};
            };
            const auto [alow, ahigh] = range(p.a);
            const auto [blow, bhigh] = two ? range(p.b) : std::pair{std::uint64_t{0}, std::uint64_t{0}};
            for (std::uint64_t a = alow; a <= ahigh; a += fine)
                for (std::uint64_t b = blow; b <= bhigh; b += fine) next.push_back({Eval(code, a, b), a, b});
        }
        points = std::move(next);
        step = fine;
    }
}

}  // namespace

int main() {
    std::vector<std::int32_t> codes;
    for (int i = 0; i <= 7; ++i) codes.push_back(1000 + i);
    for (int i = 0; i <= 4; ++i) codes.push_back(2000 + i);
    for (int i = 0; i <= 5; ++i) codes.push_back(40000 + i);
    for (const std::int32_t code : codes) std::printf("%6d %.17g\n", code, Scan(code));
}
