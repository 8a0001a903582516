// The classic operators with the slave threads' generators as the program
// leaves them (every slave thread starts from the same state, so all draw one
// stream) against the same operators with each slave thread seeded apart
// (run::ThreadSeeder). Prints one line per run: mode, N, wall milliseconds,
// master iterations, solved or not (within CAP seconds).
//
//   classic_streams N POPULATION STEPS THREADS RATE RUNS CAP
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "framework/best_individual.h"
#include "framework/parallel_ga.h"
#include "nqueen/eval_operator.h"
#include "nqueen/init_operator.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/selection_operator.h"
#include "nqueen/slave_operator.h"
#include "run/seed.h"
#include "run/thread_seed.h"

namespace {

using namespace zarnel;

// The classic slave operator behind a per-thread seeding.
class SeededApart : public CSlaveOperatorBase {
public:
    SeededApart(CSlaveOperatorBase* inner, std::uint64_t seed) : inner_(inner), seeder_(seed) {}
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override {
        seeder_.SeedOnce(threadIndex);
        return inner_->Execute(threadIndex, threadCount);
    }

private:
    CSlaveOperatorBase* inner_;
    run::ThreadSeeder seeder_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fputs("usage: classic_streams N POPULATION STEPS THREADS RATE RUNS CAP\n", stderr);
        return 2;
    }
    const auto n = static_cast<std::uint32_t>(std::atoi(argv[1]));
    const auto size = static_cast<std::uint32_t>(std::atoi(argv[2]));
    const auto steps = static_cast<std::uint32_t>(std::atoi(argv[3]));
    const auto threads = static_cast<std::uint32_t>(std::atoi(argv[4]));
    const double rate = std::atof(argv[5]);
    const int runs = std::atoi(argv[6]);
    const double cap = std::atof(argv[7]);
    for (int run = 0; run < runs; ++run) {
        for (const bool apart : {false, true}) {
            const auto start = std::chrono::steady_clock::now();
            NQueenPopulation population(size, n);
            CNQeenEvalOperator eval(&population);
            CNQueenInitOperator init(&population, &eval);
            CNQueenSelectionOperator selection(&population, &eval);
            CNQueenSlaveOperator slave(&selection, steps);
            SeededApart seeded(&slave, run::SeedFromClock() + static_cast<std::uint64_t>(run));
            CNQueenMutationOperator mutation(&population, &eval, rate);
            CParallelGA engine(&init, &mutation, apart ? static_cast<CSlaveOperatorBase*>(&seeded) : &slave,
                               threads);
            std::uint32_t total = 0;
            float best = -1.0f;
            double seconds = 0;
            while (best != 0.0f && seconds < cap) {
                total += engine.Run(1000);
                best = *BestIndividual(population)->GetFitness();
                seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
            std::printf("%s %u %.1f %u %s %f\n", apart ? "apart" : "shared", n, seconds * 1000.0, total,
                        best == 0.0f ? "solved" : "UNSOLVED", static_cast<double>(best));
            std::fflush(stdout);
        }
    }
    return 0;
}
