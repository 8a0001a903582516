// One N-Queens tournament step (three claims, ranking, crossover, scoring of
// the child) at growing board sizes, on a converged population (every
// individual a few swaps away from one permutation, so parents agree on most
// positions) and on a random one. The population is put back to its starting
// state, outside the timing, every kRestoreEvery steps, so that every size is
// measured on the same kind of population.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "nqueen/eval_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/permutation.h"
#include "nqueen/selection_operator.h"
#include "platform/random.h"

namespace {

constexpr std::uint32_t kPopulation = 100;
constexpr std::uint32_t kRestoreEvery = kPopulation;

// Genes of the starting population: random permutations, or, when converged,
// one random permutation with n / 32 (at least one) random swaps per
// individual.
std::vector<std::uint16_t> StartingGenes(std::uint32_t n, bool converged) {
    platform::SeedRand(4242);
    std::vector<std::uint16_t> genes(static_cast<std::size_t>(kPopulation) * n);
    std::vector<std::uint16_t> base(n);
    zarnel::RandomPermutation(base.data(), n);
    const std::uint32_t swaps = n / 32 > 0 ? n / 32 : 1;
    for (std::uint32_t p = 0; p < kPopulation; ++p) {
        std::uint16_t* g = genes.data() + static_cast<std::size_t>(p) * n;
        if (!converged) {
            zarnel::RandomPermutation(g, n);
            continue;
        }
        std::memcpy(g, base.data(), n * sizeof(std::uint16_t));
        for (std::uint32_t s = 0; s < swaps; ++s) {
            const std::uint32_t a = platform::Rand32() % n;
            std::uint32_t b;
            do {
                b = platform::Rand32() % n;
            } while (b == a);
            std::swap(g[a], g[b]);
        }
    }
    return genes;
}

void Restore(zarnel::NQueenPopulation& population, zarnel::CNQeenEvalOperator& eval,
             const std::vector<std::uint16_t>& genes, std::uint32_t n) {
    for (std::uint32_t p = 0; p < kPopulation; ++p) {
        std::memcpy(population.GetIndividual(p)->GetGenes(), genes.data() + static_cast<std::size_t>(p) * n,
                    n * sizeof(std::uint16_t));
    }
    eval.Execute();
}

void BM_TournamentStep(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    const bool converged = state.range(1) != 0;
    const std::vector<std::uint16_t> genes = StartingGenes(n, converged);
    zarnel::NQueenPopulation population(kPopulation, n);
    zarnel::CNQeenEvalOperator eval(&population);
    zarnel::CNQueenSelectionOperator selection(&population, &eval);
    Restore(population, eval, genes, n);
    platform::SeedRand(1);
    std::uint32_t steps = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(selection.Execute());
        if (++steps == kRestoreEvery) {
            state.PauseTiming();
            Restore(population, eval, genes, n);
            steps = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(converged ? "converged" : "random");
}

BENCHMARK(BM_TournamentStep)->ArgsProduct({{64, 1024, 16384}, {1, 0}})->ArgNames({"N", "converged"});

}  // namespace
