// The engine's cost per iteration with operators that return at once, against
// a bare fork-join of the same number of threads (woken together through one
// barrier, awaited together through another) in the same binary.
#include <benchmark/benchmark.h>

#include <barrier>
#include <cstdint>
#include <thread>
#include <vector>

#include "framework/parallel_ga.h"

namespace {

class NoOp : public zarnel::COperatorBase {
public:
    int Execute() override { return zarnel::kDone; }
};

class NoOpSlave : public zarnel::CSlaveOperatorBase {
public:
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t, std::uint32_t) override { return zarnel::kDone; }
};

constexpr std::uint32_t kChunk = 1000;

void BM_EngineIteration(benchmark::State& state) {
    const auto threads = static_cast<std::uint32_t>(state.range(0));
    NoOp init;
    NoOp master;
    NoOpSlave slave;
    zarnel::CParallelGA engine(&init, &master, &slave, threads);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.Run(kChunk));
    }
    state.SetItemsProcessed(state.iterations() * kChunk);
}

void BM_BareForkJoin(benchmark::State& state) {
    const auto threads = static_cast<std::ptrdiff_t>(state.range(0));
    std::barrier start(threads + 1);
    std::barrier done(threads + 1);
    bool quit = false;  // written before the last start barrier, read after it
    std::vector<std::thread> workers;
    for (std::ptrdiff_t t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (;;) {
                start.arrive_and_wait();
                if (quit) return;
                done.arrive_and_wait();
            }
        });
    }
    for (auto _ : state) {
        for (std::uint32_t i = 0; i < kChunk; ++i) {
            start.arrive_and_wait();
            done.arrive_and_wait();
        }
    }
    quit = true;
    start.arrive_and_wait();
    for (auto& worker : workers) worker.join();
    state.SetItemsProcessed(state.iterations() * kChunk);
}

BENCHMARK(BM_EngineIteration)->Arg(1)->Arg(2)->Arg(8)->UseRealTime();
BENCHMARK(BM_BareForkJoin)->Arg(1)->Arg(2)->Arg(8)->UseRealTime();

}  // namespace
