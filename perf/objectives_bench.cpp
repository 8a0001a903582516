// The library for several objectives at the sizes a run meets and beyond:
// non-dominated sorting against Deb's O(M N^2) sort on the same random
// points (uniform in the unit cube, so fronts are many and mixed), and the
// exact hypervolume of points of a sphere's front (all mutually
// non-dominated, the hardest case for it).
//
//   build/release/perf/objectives_perf --benchmark_filter=Sort
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "genome/random.h"
#include "objectives/indicators.h"
#include "objectives/nondominated_sort.h"

namespace {

using namespace zarnel::objectives;

std::vector<double> UniformPoints(std::size_t n, std::size_t m) {
    zarnel::Random random(2025);
    std::vector<double> values(n * m);
    for (double& value : values) value = random.Uniform();
    return values;
}

// Points of the positive orthant of the unit sphere: |f| = 1, f >= 0.
std::vector<double> SpherePoints(std::size_t n, std::size_t m) {
    zarnel::Random random(2026);
    std::vector<double> values(n * m);
    for (std::size_t i = 0; i < n; ++i) {
        double norm = 0.0;
        for (std::size_t j = 0; j < m; ++j) {
            values[i * m + j] = std::fabs(random.Normal());
            norm += values[i * m + j] * values[i * m + j];
        }
        for (std::size_t j = 0; j < m; ++j) values[i * m + j] /= std::sqrt(norm);
    }
    return values;
}

template <Fronts (*kSort)(const PointSet&)>
void Sort(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto m = static_cast<std::size_t>(state.range(1));
    const std::vector<double> values = UniformPoints(n, m);
    const PointSet points(values, m);
    std::size_t fronts = 0;
    for (auto _ : state) {
        const Fronts result = kSort(points);
        fronts = result.Count();
        benchmark::DoNotOptimize(result.rank.data());
    }
    state.counters["fronts"] = static_cast<double>(fronts);
}

constexpr Fronts (*kFast)(const PointSet&) = &NonDominatedSort;
void SortFast(benchmark::State& state) { Sort<kFast>(state); }
void SortQuadratic(benchmark::State& state) { Sort<&NonDominatedSortQuadratic>(state); }

void SortSizes(benchmark::internal::Benchmark* bench) {
    for (const int m : {2, 3, 5}) {
        for (const int n : {1000, 10000}) bench->Args({n, m});
    }
    bench->ArgNames({"N", "M"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(SortFast)->Apply(SortSizes);
BENCHMARK(SortQuadratic)->Apply(SortSizes);

void HypervolumeOfSphere(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto m = static_cast<std::size_t>(state.range(1));
    const std::vector<double> values = SpherePoints(n, m);
    const std::vector<double> reference(m, 1.1);
    double volume = 0.0;
    for (auto _ : state) benchmark::DoNotOptimize(volume = Hypervolume(PointSet(values, m), reference));
    state.counters["volume"] = volume;
}
BENCHMARK(HypervolumeOfSphere)
    ->Args({100, 2})
    ->Args({10000, 2})
    ->Args({92, 3})
    ->Args({10000, 3})
    ->Args({212, 5})
    ->Args({156, 8})
    ->ArgNames({"N", "M"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
