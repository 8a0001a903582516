// Griewank-40 Evaluate (decode plus function) against a plain loop doing the
// same arithmetic on a stack array, both on the same random bit strings.
#include <benchmark/benchmark.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "platform/random.h"

namespace {

constexpr std::uint32_t kVariables = 40;
constexpr std::uint32_t kStrings = 64;
constexpr std::int32_t kGriewank40 = 40004;
constexpr double kGeneScale = std::bit_cast<double>(std::uint64_t{0x3DF0000000100000});

struct Setup {
    Setup() : population(kStrings, kVariables) {
        lower.fill(-10.0);
        upper.fill(10.0);
        platform::SeedRand(777);
        for (std::uint32_t s = 0; s < kStrings; ++s) {
            std::uint32_t* genes = population.GetIndividual(s)->GetGenes();
            for (std::uint32_t i = 0; i < kVariables; ++i) genes[i] = platform::Rand32();
        }
    }
    std::array<double, kVariables> lower;
    std::array<double, kVariables> upper;
    zarnel::BenchPopulation population;
};

// Decode and Griewank's function, written out for 40 variables.
double PlainGriewank(const std::uint32_t* genes, const double* lower, const double* upper) {
    double x[kVariables];
    for (std::uint32_t i = 0; i < kVariables; ++i) {
        x[i] = lower[i] + (static_cast<double>(genes[i]) * (upper[i] - lower[i])) * kGeneScale;
    }
    double s = 1.0;
    for (std::uint32_t i = 0; i < kVariables; ++i) s = s + (x[i] * x[i]) * 0.00025;
    double p = 1.0;
    for (std::uint32_t i = 0; i < kVariables; ++i)
        p = p * std::cos(x[i] / std::sqrt(static_cast<double>(i + 1)));
    return 1.0 * (s - p);
}

void BM_GriewankEvaluate(benchmark::State& state) {
    Setup setup;
    zarnel::CDefaultEvalOperator eval(&setup.population, setup.lower.data(), setup.upper.data(), kGriewank40,
                                      1);
    for (std::uint32_t s = 0; s < kStrings; ++s) {
        zarnel::BenchIndividual* individual = setup.population.GetIndividual(s);
        eval.Evaluate(individual);
        const double plain = PlainGriewank(individual->GetGenes(), setup.lower.data(), setup.upper.data());
        if (std::memcmp(individual->GetFitness(), &plain, sizeof plain) != 0) {
            state.SkipWithError("Evaluate differs from the plain loop");
            return;
        }
    }
    std::uint32_t s = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(eval.Evaluate(setup.population.GetIndividual(s)));
        s = (s + 1) % kStrings;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GriewankPlain(benchmark::State& state) {
    Setup setup;
    std::uint32_t s = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlainGriewank(setup.population.GetIndividual(s)->GetGenes(),
                                               setup.lower.data(), setup.upper.data()));
        s = (s + 1) % kStrings;
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_GriewankEvaluate);
BENCHMARK(BM_GriewankPlain);

}  // namespace
