// What `deterministic yes` costs the fast set against the default mode, in
// process and to the nanosecond: the set is built as the solver builds it,
// its slave operator wrapped in a timer, and each run goes to a solution.
// The modes alternate, seed by seed, so a burst of load on a shared machine
// spreads over both. Prints one line per mode: runs, children (tournament
// steps, those of lanes taken back included), the slave threads' busy
// milliseconds (time inside the slave operator, waits between rounds
// included), milliseconds per child, and the median milliseconds of a run
// (its builds included).
//
//   fast_lanes_cost N RUNS THREADS POPULATION STEPS
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/best_individual.h"
#include "framework/parallel_ga.h"
#include "framework/thread_stats.h"
#include "nqueen/operator_set.h"

namespace {

using namespace zarnel;
using Clock = std::chrono::steady_clock;

// The slave operator with every call timed; entry j is written by slave
// thread j only and read after the engine's done events.
class TimedSlave : public CSlaveOperatorBase {
public:
    TimedSlave(CSlaveOperatorBase* inner, std::uint32_t threads) : inner_(inner), nanoseconds_(threads) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override {
        const auto start = Clock::now();
        const int status = inner_->Execute(threadIndex, threadCount);
        nanoseconds_[threadIndex].value +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        return status;
    }
    double BusyMs() const {
        double total = 0;
        for (const Slot& slot : nanoseconds_) total += static_cast<double>(slot.value) / 1e6;
        return total;
    }

private:
    struct alignas(64) Slot {
        std::int64_t value = 0;
    };
    CSlaveOperatorBase* inner_;
    std::vector<Slot> nanoseconds_;
};

struct Totals {
    std::uint64_t children = 0;
    double busyMs = 0;
    std::vector<double> runMs;
    int unsolved = 0;
};

void RunOnce(std::uint32_t n, std::uint32_t threads, std::uint32_t size, std::uint32_t steps,
             bool deterministic, std::uint32_t seed, Totals& totals) {
    const auto start = Clock::now();
    NQueenPopulation population(size, n);
    NQueenParameters parameters;
    parameters.queens = static_cast<std::int32_t>(n);
    parameters.population_size = static_cast<std::int32_t>(size);
    parameters.slave_iterations = static_cast<std::int32_t>(steps);
    parameters.slave_threads = static_cast<std::int32_t>(threads);
    parameters.mutation_rate = 0.05;
    parameters.operators = kFastOperators;
    parameters.deterministic = deterministic ? "yes" : "no";
    NQueenOperatorSet set = MakeOperatorSet(parameters, &population, NQueenStart{seed, {}});
    TimedSlave slave(set.slave.get(), threads);
    ThreadStats masterStats;
    const ThreadStatsScope scope(&masterStats);
    CParallelGA engine(set.init.get(), set.master.get(), &slave, threads);
    float best = -1.0f;
    for (int chunk = 0; chunk < 1000 && best != 0.0f; ++chunk) {
        engine.Run(100);
        best = *population.GetIndividual(BestIndividualIndex(population))->GetFitness();
    }
    for (std::uint32_t j = 0; j < threads; ++j) totals.children += engine.GetThreadStats(j).steps;
    totals.busyMs += slave.BusyMs();
    totals.runMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (best != 0.0f) ++totals.unsolved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs("usage: fast_lanes_cost N RUNS THREADS POPULATION STEPS\n", stderr);
        return 2;
    }
    const auto n = static_cast<std::uint32_t>(std::atoi(argv[1]));
    const int runs = std::atoi(argv[2]);
    const auto threads = static_cast<std::uint32_t>(std::atoi(argv[3]));
    const auto size = static_cast<std::uint32_t>(std::atoi(argv[4]));
    const auto steps = static_cast<std::uint32_t>(std::atoi(argv[5]));
    if (n < 4 || n > 65536 || runs < 1 || threads < 1 || size < 2 * threads + 1) {
        std::fputs(
            "fast_lanes_cost: N in 4 .. 65536, RUNS and THREADS at least 1, POPULATION above 2 x THREADS\n",
            stderr);
        return 2;
    }
    Totals modes[2];
    for (int run = 1; run <= runs; ++run) {
        for (const bool deterministic : {false, true})
            RunOnce(n, threads, size, steps, deterministic, static_cast<std::uint32_t>(run),
                    modes[deterministic]);
    }
    for (const bool deterministic : {false, true}) {
        Totals& t = modes[deterministic];
        std::sort(t.runMs.begin(), t.runMs.end());
        std::printf(
            "%-13s runs %d children %llu busy_ms %.1f ms_per_child %.4f median_run_ms %.2f unsolved %d\n",
            deterministic ? "deterministic" : "default", runs, static_cast<unsigned long long>(t.children),
            t.busyMs, t.busyMs / static_cast<double>(std::max<std::uint64_t>(t.children, 1)),
            t.runMs[t.runMs.size() / 2], t.unsolved);
    }
    const double ratio =
        (modes[1].busyMs / static_cast<double>(std::max<std::uint64_t>(modes[1].children, 1))) /
        (modes[0].busyMs / static_cast<double>(std::max<std::uint64_t>(modes[0].children, 1)));
    std::printf("ratio ms per child, deterministic / default: %.2f\n", ratio);
    return 0;
}
