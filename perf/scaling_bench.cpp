// Tournament steps per second of the whole engine on N-Queens with 64 queens
// and 1000 steps per slave thread and master iteration, with 1, 2, 4 and 8
// slave threads. Every measured run makes the same number of steps (kSteps),
// split over the threads, from the same starting population, with the real
// tournament step and mutation pass; both are wrapped so that a solution found
// on the way does not end the run early, so each run makes exactly kSteps
// steps. Building the population and the engine is outside the timing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "framework/parallel_ga.h"
#include "nqueen/eval_operator.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/permutation.h"
#include "nqueen/selection_operator.h"
#include "nqueen/slave_operator.h"
#include "platform/random.h"

namespace {

constexpr std::uint32_t kQueens = 64;
constexpr std::uint32_t kPopulation = 1000;
constexpr std::uint32_t kSlaveIterations = 1000;
constexpr double kMutationRate = 0.05;
constexpr std::uint32_t kSteps = 32000;  // per measured run, over all threads

// Runs an operator and reports a found solution as an ordinary success.
class IgnoreStop : public zarnel::COperatorBase {
public:
    explicit IgnoreStop(zarnel::COperatorBase* inner) : op(inner) {}
    int Execute() override {
        const int status = op->Execute();
        return status == zarnel::kStop ? zarnel::kDone : status;
    }
    zarnel::COperatorBase* op;
};

// A diagnostic, not the program's behaviour: the slave operator with each
// slave thread's generator seeded by its index on its first call, so that the
// threads stop drawing the same index sequence.
class DistinctSeeds : public zarnel::CSlaveOperatorBase {
public:
    explicit DistinctSeeds(zarnel::CSlaveOperatorBase* inner) : op(inner) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override {
        thread_local bool seeded = false;
        if (!seeded) {
            platform::SeedRand(1 + 7919 * threadIndex);
            seeded = true;
        }
        return op->Execute(threadIndex, threadCount);
    }
    zarnel::CSlaveOperatorBase* op;
};

// The initialisation with a fixed seed, so that every run starts alike.
class FixedInit : public zarnel::COperatorBase {
public:
    FixedInit(zarnel::NQueenPopulation* pop, zarnel::CNQeenEvalOperator* eval)
        : population(pop), evalOp(eval) {}
    int Execute() override {
        platform::SeedRand(2026);
        for (std::uint32_t i = 0; i < population->size; ++i) {
            zarnel::RandomPermutation(population->GetIndividual(i)->GetGenes(), kQueens);
        }
        evalOp->Execute();
        return zarnel::kDone;
    }
    zarnel::NQueenPopulation* population;
    zarnel::CNQeenEvalOperator* evalOp;
};

void EngineSteps(benchmark::State& state, bool distinctSeeds) {
    const auto threads = static_cast<std::uint32_t>(state.range(0));
    const std::uint32_t iterations = kSteps / (threads * kSlaveIterations);
    for (auto _ : state) {
        state.PauseTiming();
        {
            zarnel::NQueenPopulation population(kPopulation, kQueens);
            zarnel::CNQeenEvalOperator eval(&population);
            FixedInit init(&population, &eval);
            zarnel::CNQueenSelectionOperator selection(&population, &eval);
            IgnoreStop step(&selection);
            zarnel::CNQueenSlaveOperator slave(&step, kSlaveIterations);
            DistinctSeeds seeded(&slave);
            zarnel::CNQueenMutationOperator mutation(&population, &eval, kMutationRate);
            IgnoreStop master(&mutation);
            zarnel::CParallelGA engine(
                &init, &master, distinctSeeds ? static_cast<zarnel::CSlaveOperatorBase*>(&seeded) : &slave,
                threads);
            state.ResumeTiming();
            const std::uint32_t done = engine.Run(iterations);
            state.PauseTiming();
            if (done != iterations) state.SkipWithError("the run ended early");
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(iterations) * threads *
                            kSlaveIterations);
}

// The machine's own limit for the same work: each thread runs its share of
// the steps on a private population with private operators, with no engine,
// no shared flags and no shared individuals, started and joined once.
void BM_PrivateSteps(benchmark::State& state) {
    const auto threads = static_cast<std::uint32_t>(state.range(0));
    const std::uint32_t share = kSteps / threads;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<zarnel::NQueenPopulation>> populations;
        for (std::uint32_t t = 0; t < threads; ++t) {
            populations.push_back(std::make_unique<zarnel::NQueenPopulation>(kPopulation, kQueens));
            zarnel::CNQeenEvalOperator eval(populations.back().get());
            FixedInit(populations.back().get(), &eval).Execute();
        }
        state.ResumeTiming();
        std::vector<std::thread> workers;
        for (std::uint32_t t = 0; t < threads; ++t) {
            workers.emplace_back([&populations, t, share] {
                zarnel::CNQeenEvalOperator eval(populations[t].get());
                zarnel::CNQueenSelectionOperator selection(populations[t].get(), &eval);
                for (std::uint32_t s = 0; s < share; ++s) benchmark::DoNotOptimize(selection.Execute());
            });
        }
        for (std::thread& worker : workers) worker.join();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(share) * threads);
}

void BM_EngineSteps(benchmark::State& state) { EngineSteps(state, false); }
void BM_EngineStepsDistinctSeeds(benchmark::State& state) { EngineSteps(state, true); }

BENCHMARK(BM_EngineSteps)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrivateSteps)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineStepsDistinctSeeds)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
