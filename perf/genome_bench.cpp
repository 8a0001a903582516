// The crossovers of the genome kinds, one child per iteration, at n = 100
// and 1000 genes, beside a plain copy of a parent as the floor. Parents are
// random (unrelated), the hardest case for edge recombination.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "genome/bit_string_variation.h"
#include "genome/integer_vector_variation.h"
#include "genome/permutation_variation.h"
#include "genome/real_vector_variation.h"

namespace {

using zarnel::Random;

template <class Gene>
using Crossover = void (*)(std::span<const Gene>, std::span<const Gene>, std::span<Gene>, Random&);

void Permutations(benchmark::State& state, Crossover<std::uint32_t> crossover) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Random random(1);
    std::vector<std::uint32_t> p1(n), p2(n), child(n);
    zarnel::permutation::Shuffle(p1, random);
    zarnel::permutation::Shuffle(p2, random);
    for (auto _ : state) {
        crossover(p1, p2, child, random);
        benchmark::DoNotOptimize(child.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void CopyParent(std::span<const std::uint32_t> p1, std::span<const std::uint32_t>,
                std::span<std::uint32_t> child, Random&) {
    std::copy(p1.begin(), p1.end(), child.begin());
}

void Bits(benchmark::State& state, Crossover<std::uint8_t> crossover) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Random random(2);
    std::vector<std::uint8_t> p1(n), p2(n), child(n);
    zarnel::bits::RandomInit(p1, random);
    zarnel::bits::RandomInit(p2, random);
    for (auto _ : state) {
        crossover(p1, p2, child, random);
        benchmark::DoNotOptimize(child.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

enum class RealCrossover { kSbx, kBlxAlpha, kArithmetic, kIntegerUniform };

void Vectors(benchmark::State& state, RealCrossover which) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Random random(3);
    const zarnel::RealVector kind{std::vector<double>(n, -5.0), std::vector<double>(n, 5.0)};
    const zarnel::IntegerVector integerKind{std::vector<std::int64_t>(n, -5),
                                            std::vector<std::int64_t>(n, 5)};
    std::vector<double> p1(n), p2(n), child(n);
    std::vector<std::int64_t> i1(n), i2(n), integerChild(n);
    kind.Init(p1, random);
    kind.Init(p2, random);
    integerKind.Init(i1, random);
    integerKind.Init(i2, random);
    for (auto _ : state) {
        switch (which) {
            case RealCrossover::kSbx:
                zarnel::real::Sbx(p1, p2, child, kind, random, 15.0);
                break;
            case RealCrossover::kBlxAlpha:
                zarnel::real::BlxAlpha(p1, p2, child, kind, random, 0.5);
                break;
            case RealCrossover::kArithmetic:
                zarnel::real::Arithmetic(p1, p2, child, kind, random);
                break;
            case RealCrossover::kIntegerUniform:
                zarnel::integer::UniformCrossover(i1, i2, integerChild, random);
                break;
        }
        benchmark::DoNotOptimize(child.data());
        benchmark::DoNotOptimize(integerChild.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(Permutations, copy, CopyParent)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Permutations, pmx, zarnel::permutation::Pmx)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Permutations, ox, zarnel::permutation::Ox)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Permutations, cycle, zarnel::permutation::Cycle)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Permutations, edge_recombination, zarnel::permutation::EdgeRecombination)
    ->Arg(100)
    ->Arg(1000);
BENCHMARK_CAPTURE(Bits, one_point, zarnel::bits::OnePoint)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Bits, two_point, zarnel::bits::TwoPoint)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Bits, uniform, zarnel::bits::Uniform)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Vectors, sbx, RealCrossover::kSbx)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Vectors, blx_alpha, RealCrossover::kBlxAlpha)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Vectors, arithmetic, RealCrossover::kArithmetic)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(Vectors, integer_uniform, RealCrossover::kIntegerUniform)->Arg(100)->Arg(1000);

}  // namespace
