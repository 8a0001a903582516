// The crossover's pass that keeps the parents' common genes, with the index of
// the child's values against the linear search per agreeing position, on
// parents that agree on most positions (where the search costs O(N^2)).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "nqueen/crossover_operator.h"
#include "nqueen/permutation.h"
#include "platform/random.h"

namespace {

struct Parents {
    explicit Parents(std::uint32_t n) : p1(n), p2(n), child(n), work(n), position(n) {
        platform::SeedRand(99);
        zarnel::RandomPermutation(p1.data(), n);
        p2 = p1;
        // One swap in 32 positions: the parents agree almost everywhere.
        for (std::uint32_t s = 0; s < (n / 32 > 0 ? n / 32 : 1); ++s) {
            const std::uint32_t a = platform::Rand32() % n;
            const std::uint32_t b = (a + 1) % n;
            std::swap(p2[a], p2[b]);
        }
        zarnel::RandomPermutation(child.data(), n);
    }
    std::vector<std::uint16_t> p1, p2, child, work;
    std::vector<std::uint32_t> position;
};

void BM_KeepCommonGenesIndexed(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    Parents parents(n);
    for (auto _ : state) {
        std::memcpy(parents.work.data(), parents.child.data(), n * sizeof(std::uint16_t));
        zarnel::KeepCommonGenesIndexed(parents.p1.data(), parents.p2.data(), parents.work.data(), n,
                                       parents.position.data());
        benchmark::DoNotOptimize(parents.work.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_KeepCommonGenesSearch(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    Parents parents(n);
    for (auto _ : state) {
        std::memcpy(parents.work.data(), parents.child.data(), n * sizeof(std::uint16_t));
        zarnel::KeepCommonGenes(parents.p1.data(), parents.p2.data(), parents.work.data(), n);
        benchmark::DoNotOptimize(parents.work.data());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_KeepCommonGenesIndexed)->Arg(64)->Arg(1024)->Arg(4096)->Arg(16384);
BENCHMARK(BM_KeepCommonGenesSearch)->Arg(64)->Arg(1024)->Arg(4096);

}  // namespace
