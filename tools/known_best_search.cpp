// Works out the largest value of each of ZarnelBench's nineteen test
// functions over the points that the classic bit-string decoding can give
// on [-10, 10] (bench/decoding_grid.h), for the table in bench/known_best.cpp,
// by a method for each function that cannot miss a better point:
//
//   exhaustive   one variable: every one of the 2^32 grid points
//   bounded      every term of a sum at its own bound at one point: the
//                value there is the largest (2000, 2002, 2003, 40000,
//                40001, 40005)
//   separable    a sum of one term per variable, accumulated one term at a
//                time (40002, 40003; 2001 with a margin): every grid point
//                of one term is scored; the sum is largest with every term
//                at its largest, as rounded addition is monotone
//   radial       2004 depends on r = y^2 + x^2 alone: a branch and bound
//                over the doubles r finds the largest value that any r can
//                give, then a grid point is sought whose r gives it
//   structured   40004 (Griewank) is a sum plus a product: each value of
//                the product's logarithm gives a separable problem, solved
//                variable by variable; an upper bound by chords of exp
//                shows how far any other point could be above
//
// Every function is also searched from seeds: the best points of five
// ZarnelBench --operators real runs (seed 1, as --all runs them) and of
// every point file given (pagmo_bench --points), each refined on the grid by
// a pattern search over single genes. A seed above a method's value means
// the method is wrong, and the tool says so and exits with status 1.
//
//   cmake --build --preset release --target known_best_search
//   nice build/release/tools/known_best_search [--threads T] [--points FILE]... [--function CODE]
//
// About 25 minutes on two cores (the exhaustive scans). Prints one line per
// function: code, value (17 digits), method, the point (one gene per
// variable, or one for all), and the best seed's value.
#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_options.h"
#include "bench/decoding_grid.h"
#include "bench/known_best.h"
#include "bench/real_benchmark.h"
#include "bench/test_function.h"
#include "run/thread_seed.h"

namespace {

using zarnel::GridPoint;
using zarnel::TestFunction;
using zarnel::TestFunctionVariableCount;

constexpr double kLower = -10.0;
constexpr double kUpper = 10.0;
constexpr std::uint64_t kGenes = std::uint64_t{1} << 32;
constexpr std::uint32_t kTopGene = 0xFFFFFFFFu;

unsigned threadCount = std::max(1u, std::thread::hardware_concurrency());

// A point on the grid with its value; a NaN counts below every number.
struct Found {
    double value = -std::numeric_limits<double>::infinity();
    std::vector<std::uint32_t> genes;
    std::string method;
};

double Key(double value) { return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value; }

double Score(std::int32_t code, const std::vector<std::uint32_t>& genes) {
    std::vector<double> x(genes.size());
    for (std::size_t i = 0; i < genes.size(); ++i) x[i] = GridPoint(genes[i], kLower, kUpper);
    return TestFunction(code, x.data());
}

// The best gene of a one-variable score over all 2^32 genes, shared among the
// threads; among equal values the lowest gene. Also returns how many genes
// reach it and the best value of the genes outside `exclude` (a margin).
struct Scan {
    double best = -std::numeric_limits<double>::infinity();
    std::uint32_t gene = 0;
    std::uint64_t ties = 0;
    double bestOutside = -std::numeric_limits<double>::infinity();
};

Scan ScanAllGenes(const std::function<double(double)>& score,
                  const std::function<bool(std::uint32_t)>& exclude = nullptr) {
    std::vector<Scan> parts(threadCount);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threadCount; ++t) {
        workers.emplace_back([&, t] {
            Scan scan;
            const std::uint64_t from = kGenes * t / threadCount, to = kGenes * (t + 1) / threadCount;
            for (std::uint64_t g = from; g < to; ++g) {
                const auto gene = static_cast<std::uint32_t>(g);
                const double value = Key(score(GridPoint(gene, kLower, kUpper)));
                if (value > scan.best) {
                    scan.best = value;
                    scan.gene = gene;
                    scan.ties = 1;
                } else if (value == scan.best) {
                    ++scan.ties;
                }
                if (exclude && !exclude(gene)) scan.bestOutside = std::max(scan.bestOutside, value);
            }
            parts[t] = scan;
        });
    }
    for (std::thread& worker : workers) worker.join();
    Scan all;
    for (const Scan& part : parts) {
        if (part.best > all.best) {
            all.best = part.best;
            all.gene = part.gene;
            all.ties = part.ties;
        } else if (part.best == all.best) {
            all.ties += part.ties;
        }
        all.bestOutside = std::max(all.bestOutside, part.bestOutside);
    }
    return all;
}

Found Exhaustive(std::int32_t code) {
    const Scan scan = ScanAllGenes([code](double x) { return TestFunction(code, &x); });
    return {scan.best, {scan.gene}, "exhaustive"};
}

// Every variable at `gene`.
Found AllAt(std::int32_t code, std::uint32_t gene, const std::string& method) {
    const std::vector<std::uint32_t> genes(TestFunctionVariableCount(code), gene);
    return {Score(code, genes), genes, method};
}

// 40002 and 40003: the one-variable member of the same family (code
// -1002, -1003: 10 + t and 0 - p, one term) over every gene; the sum of
// forty is largest with every term at its best.
Found Separable(std::int32_t code) {
    const std::int32_t single = -(1000 + code % 1000);
    const Scan scan = ScanAllGenes([single](double x) { return TestFunction(single, &x); });
    std::printf("# %d: best single term at gene %" PRIu32 " (%" PRIu64 " genes reach it)\n", code, scan.gene,
                scan.ties);
    Found found = AllAt(code, scan.gene, "separable");
    return found;
}

// 2001, egg crate: 25 sin^2 t + t^2 per variable. Its best over the grid is
// at t = +-10; every other gene is far enough below that no rounding of the
// sum can make up for it, so the best is at a corner.
Found EggCrate() {
    const auto exclude = [](std::uint32_t gene) { return gene == 0 || gene == kTopGene; };
    const Scan scan = ScanAllGenes(
        [](double t) {
            const double point[2] = {t, 0.0};
            return TestFunction(2001, point);
        },
        exclude);
    std::printf("# 2001: best term %.17g at gene %" PRIu32 ", best elsewhere %.17g (margin %.3g)\n",
                scan.best, scan.gene, scan.bestOutside, scan.best - scan.bestOutside);
    if (!(scan.best - scan.bestOutside > 1e-9)) {
        std::printf("# 2001: the margin is too small for the corner argument\n");
        return {};
    }
    Found best;
    for (const std::uint32_t x : {0u, kTopGene})
        for (const std::uint32_t y : {0u, kTopGene}) {
            const double value = Score(2001, {x, y});
            if (value > best.value) best = {value, {x, y}, "separable"};
        }
    return best;
}

// 2004, Schaffer F7, as a function of r = y^2 + x^2 (the double the
// function computes first).
double SchafferOfR(double r) {
    return (std::pow(std::sin(std::pow(r, 0.1) * 50.0), 2) + 1.0) * std::pow(r, 0.25);
}

// Its slope, for the bound below.
double SchafferSlope(double r) {
    const double u = std::pow(r, 0.1) * 50.0;
    const double du = 5.0 * std::pow(r, -0.9);
    const double s = std::sin(u);
    return 2.0 * s * std::cos(u) * du * std::pow(r, 0.25) + (s * s + 1.0) * 0.25 * std::pow(r, -0.75);
}

Found Radial() {
    // Below r = 100 the value is at most 2 * 100^0.25 < 6.33, under the
    // value at r ~ 164.5 (about 7.16). On [100, 200] the second derivative
    // is below 0.06 in size, so on an interval of width w around c the
    // value is at most H(c) + |H'(c)| w / 2 + 0.06 w^2 / 8, plus the
    // rounding of H (taken as 1e-13 either way).
    constexpr double kCurvature = 0.06;
    constexpr double kRounding = 1e-13;
    double best = 0.0;
    for (double r = 100.0; r <= 200.0; r += 1e-4) best = std::max(best, SchafferOfR(r));
    std::vector<std::pair<double, double>> open{{100.0, 200.0}};
    std::vector<double> bestR;
    double bestValue = best;
    std::uint64_t enumerated = 0;
    while (!open.empty()) {
        const auto [a, b] = open.back();
        open.pop_back();
        const double c = 0.5 * (a + b), w = b - a;
        const double bound =
            SchafferOfR(c) + std::fabs(SchafferSlope(c)) * w / 2 + kCurvature * w * w / 8 + 2 * kRounding;
        if (bound < bestValue) continue;
        // Few enough doubles: every one of them.
        if (w < 1e-8 || std::nextafter(a, 300.0) >= b) {
            for (double r = a; r <= b; r = std::nextafter(r, 300.0)) {
                ++enumerated;
                const double value = SchafferOfR(r);
                if (value > bestValue) {
                    bestValue = value;
                    bestR.clear();
                }
                if (value == bestValue) bestR.push_back(r);
            }
            continue;
        }
        open.push_back({a, c});
        open.push_back({c, b});
    }
    std::printf("# 2004: largest value of any double r %.17g, reached by %zu values of r near %.17g (%" PRIu64
                " enumerated)\n",
                bestValue, bestR.size(), bestR.empty() ? 0.0 : bestR.front(), enumerated);
    std::sort(bestR.begin(), bestR.end());
    // A grid point whose r is one of them: y from x, its nearest genes.
    Found found;
    const double target = bestR[bestR.size() / 2];
    for (std::uint32_t xg = 0x80000000u; xg < 0xF0000000u && found.value < bestValue; xg += 997) {
        const double x = GridPoint(xg, kLower, kUpper);
        if (x * x > target) break;
        const std::uint32_t centre = zarnel::NearestGene(std::sqrt(target - x * x), kLower, kUpper);
        for (std::uint32_t yg = centre - 2; yg != centre + 3; ++yg) {
            const double value = Score(2004, {xg, yg});
            if (Key(value) > found.value) found = {value, {xg, yg}, "radial"};
        }
    }
    if (found.value < bestValue)
        std::printf("# 2004: no grid point found that reaches it; best found %.17g\n", found.value);
    return found;
}

// 40004, Griewank: 1 + sum a_i - prod c_i with a_i = 0.00025 v_i^2 and
// c_i = cos(v_i / sqrt(i)). A point above 2 needs a negative product (an odd
// number of negative c_i), and then its value is 1 + sum a_i + e^B with
// B = sum b_i, b_i = log|c_i|. For a product of size M = e^B the best is to
// choose every v_i for the largest a_i + M b_i, under that parity (a dynamic
// programme over the variables with an odd and an even state); the point is
// then refined. Over M from 0.005 to 1. The bound: on an interval of B the
// chord of exp lies above it, so no point whose B falls there is above
// 1 + offset + max (sum a_i + slope sum b_i) under the parity: separable
// again. Below B = -2, e^B < 0.14 and the value is below 2.14. The largest
// a + slope b of a variable lies on the upper hull of its points (b, a),
// sampled every 1e-5 on [0, 10] (the terms are even in v).
using Hull = std::vector<std::array<double, 3>>;  // (b, a, v), b rising

Hull UpperHull(std::vector<std::array<double, 3>> points) {
    std::sort(points.begin(), points.end());
    Hull hull;
    for (const auto& p : points) {
        while (hull.size() >= 2) {
            const auto& o = hull[hull.size() - 2];
            const auto& q = hull.back();
            const double cross = (q[0] - o[0]) * (p[1] - o[1]) - (q[1] - o[1]) * (p[0] - o[0]);
            if (cross < 0.0) break;
            hull.pop_back();
        }
        hull.push_back(p);
    }
    return hull;
}

// The hull's point with the largest a + slope b.
const std::array<double, 3>& Support(const Hull& hull, double slope) {
    std::size_t best = 0;
    for (std::size_t j = 1; j < hull.size(); ++j) {
        if (hull[j][1] + slope * hull[j][0] > hull[best][1] + slope * hull[best][0]) best = j;
    }
    return hull[best];
}

// The largest sum of a + slope b over the variables with an odd number of
// negative cosines, and the v of each variable that gives it.
double OddBest(const std::vector<Hull>& positive, const std::vector<Hull>& negative, double slope,
               std::vector<double>* v) {
    const std::size_t n = positive.size();
    const double none = -std::numeric_limits<double>::infinity();
    std::vector<std::array<double, 2>> state(n + 1, {none, none});  // [even, odd]
    std::vector<std::array<bool, 2>> tookNegative(n);
    state[0] = {0.0, none};
    for (std::size_t i = 0; i < n; ++i) {
        const auto& p = Support(positive[i], slope);
        const auto& q = Support(negative[i], slope);
        const double gp = p[1] + slope * p[0], gq = q[1] + slope * q[0];
        for (int parity = 0; parity < 2; ++parity) {
            const double stay = state[i][parity] + gp, cross = state[i][1 - parity] + gq;
            tookNegative[i][parity] = cross > stay;
            state[i + 1][parity] = std::max(stay, cross);
        }
    }
    if (v != nullptr) {
        v->assign(n, 0.0);
        int parity = 1;
        for (std::size_t i = n; i-- > 0;) {
            const bool negativeHere = tookNegative[i][parity];
            (*v)[i] = (negativeHere ? Support(negative[i], slope) : Support(positive[i], slope))[2];
            if (negativeHere) parity = 1 - parity;
        }
    }
    return state[n][1];
}

Found Griewank() {
    constexpr int kN = 40;
    constexpr int kSamples = 1000000;
    std::vector<Hull> positive, negative;
    for (int i = 0; i < kN; ++i) {
        const double root = std::sqrt(static_cast<double>(i + 1));
        std::vector<std::array<double, 3>> up, down;
        for (int k = 0; k <= kSamples; ++k) {
            const double v = 10.0 * k / kSamples;
            const double c = std::cos(v / root);
            if (c == 0.0) continue;
            (c > 0.0 ? up : down).push_back({std::log(std::fabs(c)), 0.00025 * v * v, v});
        }
        positive.push_back(UpperHull(up));
        negative.push_back(UpperHull(down));
    }

    double bound = 2.14;
    constexpr double kStep = 1e-3;
    for (int k = 0; k < static_cast<int>(2.0 / kStep); ++k) {
        const double lo = -2.0 + k * kStep, hi = lo + kStep;
        const double slope = (std::exp(hi) - std::exp(lo)) / kStep;
        bound =
            std::max(bound, 1.0 + std::exp(lo) - slope * lo + OddBest(positive, negative, slope, nullptr));
    }

    const auto fitness = [](const std::vector<double>& v) { return TestFunction(40004, v.data()); };
    double bestValue = -std::numeric_limits<double>::infinity();
    std::vector<double> bestPoint;
    for (double m = 0.005; m <= 1.0; m += 0.005) {
        std::vector<double> v;
        OddBest(positive, negative, m, &v);
        // Refined: each variable in turn by a shrinking step.
        double value = fitness(v);
        for (double step = 1e-3; step > 1e-13; step *= 0.5) {
            for (bool moved = true; moved;) {
                moved = false;
                for (double& x : v) {
                    for (const double d : {step, -step}) {
                        const double old = x;
                        x = std::clamp(x + d, kLower, kUpper);
                        const double trial = fitness(v);
                        if (trial > value) {
                            value = trial;
                            moved = true;
                            break;
                        }
                        x = old;
                    }
                }
            }
        }
        if (value > bestValue) {
            bestValue = value;
            bestPoint = v;
        }
    }
    Found best;
    for (const double x : bestPoint) best.genes.push_back(zarnel::NearestGene(x, kLower, kUpper));
    best.value = Score(40004, best.genes);
    best.method = "structured";
    std::printf("# 40004: found %.17g; no point is above %.17g (bound by chords, sampled terms)\n",
                best.value, bound);
    return best;
}

// A pattern search on the grid: each gene in turn moves by +-2^k (k from 31
// down to 0), keeping a move that raises the value, until no move of any
// size does.
Found RefineOnGrid(std::int32_t code, std::vector<std::uint32_t> genes) {
    double value = Key(Score(code, genes));
    for (bool moved = true; moved;) {
        moved = false;
        for (int k = 31; k >= 0; --k) {
            const std::uint64_t step = std::uint64_t{1} << k;
            for (std::uint32_t& gene : genes) {
                for (int direction : {1, -1}) {
                    const std::int64_t to =
                        static_cast<std::int64_t>(gene) + direction * static_cast<std::int64_t>(step);
                    if (to < 0 || to > static_cast<std::int64_t>(kTopGene)) continue;
                    const std::uint32_t old = gene;
                    gene = static_cast<std::uint32_t>(to);
                    const double trial = Key(Score(code, genes));
                    if (trial > value) {
                        value = trial;
                        moved = true;
                        break;
                    }
                    gene = old;
                }
            }
        }
    }
    return {value, genes, "seed"};
}

std::string PointText(const std::vector<std::uint32_t>& genes) {
    std::string text;
    if (std::all_of(genes.begin(), genes.end(), [&](std::uint32_t g) { return g == genes[0]; })) {
        text.append("all ").append(std::to_string(genes[0]));
        return text;
    }
    for (const std::uint32_t g : genes) {
        if (!text.empty()) text.push_back(' ');
        text.append(std::to_string(g));
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::int32_t, std::vector<std::vector<std::uint32_t>>> seeds;
    std::vector<std::int32_t> codes = zarnel::AllBenchFunctions();
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--function" && i + 1 < argc) {
            codes = {static_cast<std::int32_t>(std::atoi(argv[++i]))};
        } else if (flag == "--threads" && i + 1 < argc) {
            threadCount = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        } else if (flag == "--points" && i + 1 < argc) {
            std::ifstream in(argv[++i]);
            if (!in) {
                std::fprintf(stderr, "known_best_search: cannot read %s\n", argv[i]);
                return 2;
            }
            std::string line;
            while (std::getline(in, line)) {
                std::istringstream fields(line);
                std::int32_t code = 0;
                if (!(fields >> code) || TestFunctionVariableCount(code) == 0) continue;
                std::vector<std::uint32_t> genes;
                for (std::uint32_t gene = 0; fields >> gene;) genes.push_back(gene);
                if (genes.size() == TestFunctionVariableCount(code)) seeds[code].push_back(genes);
            }
        } else {
            std::fprintf(stderr,
                         "Usage: known_best_search [--function CODE] [--threads T] [--points FILE]...\n");
            return 2;
        }
    }

    int status = 0;
    for (const std::int32_t code : codes) {
        // The seeds of ZarnelBench --operators real: five runs as --all makes them.
        zarnel::BenchOptions options;
        options.operators = zarnel::BenchOperators::kReal;
        for (std::uint32_t r = 0; r < 5; ++r) {
            std::vector<std::uint32_t> genes;
            zarnel::RunRealOnce(options, code, zarnel::run::ThreadSeeder::StreamSeed(1, r),
                                zarnel::ClassicEvaluations(options, code), &genes);
            seeds[code].push_back(genes);
        }
        Found seeded;
        for (const std::vector<std::uint32_t>& seed : seeds[code]) {
            const Found refined = RefineOnGrid(code, seed);
            if (refined.value > seeded.value) seeded = refined;
        }

        Found method;
        const std::uint32_t n = TestFunctionVariableCount(code);
        if (n == 1) {
            method = Exhaustive(code);
        } else if (code == 2000 || code == 2002 || code == 40005) {
            method = AllAt(code, 0, "bounded");  // every variable at -10
        } else if (code == 40000 || code == 40001) {
            method = AllAt(code, kTopGene, "bounded");  // every variable at +10
        } else if (code == 2003) {
            // sin^2 <= 1: 1.5 at most, reached where the seeds reach it.
            method = seeded;
            method.method = seeded.value == 1.5 ? "bounded" : "seeded";
        } else if (code == 40002 || code == 40003) {
            method = Separable(code);
        } else if (code == 2001) {
            method = EggCrate();
        } else if (code == 2004) {
            method = Radial();
        } else if (code == 40004) {
            method = Griewank();
        }
        // A method that works on real numbers (radial, structured) leaves
        // its point to be refined on the grid; the others give the grid's
        // best already, and a refinement above it would prove them wrong.
        const Found refined = RefineOnGrid(code, method.genes);
        if (refined.value > method.value) {
            if (method.method == "radial" || method.method == "structured") {
                method.value = refined.value;
                method.genes = refined.genes;
            } else {
                std::printf("# %d: refining the %s point reaches %.17g: that method is wrong here\n", code,
                            method.method.c_str(), refined.value);
                status = 1;
            }
        }
        if (seeded.value > method.value) {
            std::printf("# %d: a seed reaches %.17g, above the %s value %.17g: that method is wrong here\n",
                        code, seeded.value, method.method.c_str(), method.value);
            status = 1;
        }
        const double table = zarnel::KnownBest(code).value_or(std::nan(""));
        std::printf("%6d %.17g %-10s seeds %.17g table %.17g%s | %s\n", code, method.value,
                    method.method.c_str(), seeded.value, table, table == method.value ? "" : " CHANGED",
                    PointText(method.genes).c_str());
        std::fflush(stdout);
    }
    return status;
}
