// N-Queens Evaluate against the plainest fast code computing the same
// fitness: counters in storage allocated once outside the loop, the same
// counting pass and the same sum of quotients, called directly. Both score the
// same set of random permutations in the same order.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "nqueen/eval_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/permutation.h"
#include "platform/random.h"

namespace {

constexpr std::uint32_t kBoards = 64;

// kBoards random permutations of n rows, the same for every benchmark.
std::vector<std::uint16_t> Boards(std::uint32_t n) {
    platform::SeedRand(12345);
    std::vector<std::uint16_t> genes(static_cast<std::size_t>(kBoards) * n);
    for (std::uint32_t b = 0; b < kBoards; ++b) zarnel::RandomPermutation(genes.data() + b * n, n);
    return genes;
}

std::uint32_t Excess(std::uint32_t queens) { return queens >= 2 ? queens - 1 : 0u; }

// The fitness with caller-owned counters of 2 * (2n - 1) entries.
float PlainFitness(const std::uint16_t* genes, std::uint32_t n, std::uint32_t* counters) {
    const std::uint32_t diagonals = 2 * n - 1;
    std::uint32_t* sums = counters;
    std::uint32_t* differences = counters + diagonals;
    std::memset(counters, 0, 2 * sizeof(std::uint32_t) * diagonals);
    for (std::uint32_t i = 0; i < n; ++i) {
        ++sums[genes[i] + i];
        ++differences[genes[i] + (n - 1) - i];
    }
    double sum = 0.0;
    for (std::uint32_t k = 0; k < n; ++k) {
        sum += static_cast<double>(Excess(sums[k]) + Excess(differences[k])) / static_cast<double>(k + 1);
    }
    for (std::uint32_t k = n; k < diagonals; ++k) {
        sum += static_cast<double>(Excess(sums[k]) + Excess(differences[k])) /
               static_cast<double>(diagonals - k);
    }
    return static_cast<float>(-sum);
}

void BM_NQueenEvaluate(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<std::uint16_t> boards = Boards(n);
    zarnel::NQueenPopulation population(kBoards, n);
    for (std::uint32_t b = 0; b < kBoards; ++b) {
        std::memcpy(population.GetIndividual(b)->GetGenes(), boards.data() + b * n,
                    n * sizeof(std::uint16_t));
    }
    zarnel::CNQeenEvalOperator eval(&population);
    // Checked once: the operator stores exactly the plain fitness.
    std::vector<std::uint32_t> counters(2 * (2 * static_cast<std::size_t>(n) - 1));
    for (std::uint32_t b = 0; b < kBoards; ++b) {
        eval.Evaluate(population.GetIndividual(b));
        const float plain = PlainFitness(boards.data() + b * n, n, counters.data());
        if (std::memcmp(population.GetIndividual(b)->GetFitness(), &plain, sizeof plain) != 0) {
            state.SkipWithError("Evaluate differs from the plain fitness");
            return;
        }
    }
    std::uint32_t b = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(eval.Evaluate(population.GetIndividual(b)));
        b = (b + 1) % kBoards;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_NQueenPlain(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<std::uint16_t> boards = Boards(n);
    std::vector<std::uint32_t> counters(2 * (2 * static_cast<std::size_t>(n) - 1));
    std::uint32_t b = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlainFitness(boards.data() + b * n, n, counters.data()));
        b = (b + 1) % kBoards;
    }
    state.SetItemsProcessed(state.iterations());
}

// The straightforward form with two counter arrays allocated per call, for
// comparison.
void BM_NQueenAllocating(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<std::uint16_t> boards = Boards(n);
    std::uint32_t b = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(zarnel::NQueenFitnessReference(boards.data() + b * n, n));
        b = (b + 1) % kBoards;
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_NQueenEvaluate)->Arg(8)->Arg(64)->Arg(1024)->Arg(16384);
BENCHMARK(BM_NQueenPlain)->Arg(8)->Arg(64)->Arg(1024)->Arg(16384);
BENCHMARK(BM_NQueenAllocating)->Arg(8)->Arg(64)->Arg(1024)->Arg(16384);

}  // namespace
