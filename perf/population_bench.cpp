// TryLock/Unlock pairs per second on one population, from one thread and from
// several threads at once.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "framework/individual.h"
#include "framework/population.h"

namespace {

using Population = zarnel::CPopulation<zarnel::CIndividual<std::uint16_t, float>>;

Population& SharedPopulation() {
    static Population population(1000, 1);
    return population;
}

void BM_ClaimRelease(benchmark::State& state) {
    Population& population = SharedPopulation();
    auto index = static_cast<std::uint32_t>(state.thread_index() * 97);
    for (auto _ : state) {
        index = (index * 1103515245u + 12345u) % population.size;
        if (population.TryLock(index) != 0) population.Unlock(index);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ClaimRelease)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace
