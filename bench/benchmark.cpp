#include "bench/benchmark.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "bench/bench_types.h"
#include "bench/best_individual.h"
#include "bench/eval_operator.h"
#include "bench/init_operator.h"
#include "bench/mutation_operator.h"
#include "bench/selection_operator.h"
#include "bench/slave_operator.h"
#include "framework/parallel_ga.h"

namespace zarnel {

namespace {

constexpr std::uint32_t kVariables = 40;
constexpr double kLowerBound = -10.0;
constexpr double kUpperBound = 10.0;
constexpr std::uint32_t kPopulationSize = 50;
constexpr std::int32_t kFunctionCode = 40004;  // Griewank's function in 40 variables
constexpr std::int32_t kFitnessFactor = 1;     // seek the maximum
constexpr std::uint32_t kRepetitions = 100;
constexpr double kMutationRate = 0.03;
constexpr std::uint32_t kSlaveThreads = 2;
constexpr std::uint32_t kIterations = 200;

// printf-style formatting onto a stream, at whatever length the values need.
void PrintLine(std::ostream& out, const char* format, auto... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    if (length <= 0) return;
    std::string line(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(line.data(), line.size(), format, values...);
    line.resize(static_cast<std::size_t>(length));
    out << line;
}

// Per slave thread, its busy milliseconds and their share per iteration.
void PrintThreadTimes(std::ostream& out, const std::uint32_t* msec, std::uint32_t threads) {
    for (std::uint32_t j = 0; j < threads; ++j) {
        PrintLine(out, "Thread No. %3i total time: %5i msec\n", static_cast<int>(j),
                  static_cast<int>(msec[j]));
        PrintLine(out, "Thread No. %3i avg   time: %5i msec\n", static_cast<int>(j),
                  static_cast<int>(msec[j] / kIterations));
    }
}

void PrintBestFitness(std::ostream& out, BenchPopulation& population) {
    const std::uint32_t best = BestIndividualIndex(population);
    PrintLine(out, "Best individual fitness: %15.10f\n", *population.GetIndividual(best)->GetFitness());
}

}  // namespace

int RunBenchmark(std::ostream& out) {
    std::array<double, kVariables> lowerBounds;
    std::array<double, kVariables> upperBounds;
    lowerBounds.fill(kLowerBound);
    upperBounds.fill(kUpperBound);

    // Declared in construction order; leaving the scope tears them down in
    // reverse: the engine (joining its threads) first, the population last.
    BenchPopulation population(kPopulationSize, kVariables);
    CDefaultEvalOperator evalOperator(&population, lowerBounds.data(), upperBounds.data(), kFunctionCode,
                                      kFitnessFactor);
    CDefaultInitOperator initOperator(&population, &evalOperator);
    CDefaultSelectionOperator selectionOperator(&population, &evalOperator);
    CDefaultSlaveOperator slaveOperator(&selectionOperator, kRepetitions);
    CDefaultMutationOperator mutationOperator(&population, &evalOperator, kMutationRate);
    CParallelGA engine(&initOperator, &mutationOperator, &slaveOperator, kSlaveThreads);

    std::int64_t masterMsec = 0;
    engine.Run(kIterations);
    const std::unique_ptr<std::uint32_t[]> firstTimes = engine.GetThreadTimes(masterMsec);
    PrintThreadTimes(out, firstTimes.get(), kSlaveThreads);
    PrintBestFitness(out, population);

    // The engine's totals keep growing; the second report shows what the
    // second run alone added.
    engine.Run(kIterations);
    const std::unique_ptr<std::uint32_t[]> totalTimes = engine.GetThreadTimes(masterMsec);
    std::array<std::uint32_t, kSlaveThreads> secondTimes;
    for (std::uint32_t j = 0; j < kSlaveThreads; ++j) secondTimes[j] = totalTimes[j] - firstTimes[j];
    PrintThreadTimes(out, secondTimes.data(), kSlaveThreads);
    PrintBestFitness(out, population);
    out.flush();
    return 0;
}

}  // namespace zarnel
