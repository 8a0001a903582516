// Runs the fast operator set in process with one ingredient switched off at a
// time (or all on), to solution, and prints one line per run: variant, N,
// threads, wall and processor milliseconds, tournament steps and evaluations. Every
// solution is checked against the full evaluation.
//
//   fast_ablation N RUNS THREADS POPULATION STEPS RATE [VARIANT...]
//
// Variants: all, no-build, no-crossover, no-swap, no-improve, no-spread.
// Runs of the variants are interleaved, so a burst of load on a shared
// machine spreads over all of them.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "framework/best_individual.h"
#include "framework/parallel_ga.h"
#include "nqueen/eval_operator.h"
#include "nqueen/fast_operators.h"
#include "run/seed.h"

namespace {

using namespace zarnel;

// A variant is "all", an ingredient switched off ("no-build", ...) or one
// setting changed ("share=0.1", "tries=16", "per-queen=0.5", "minimum=64",
// "build-tries=4", "clash=0"); several are joined with "+".
bool Variant(const std::string& name, FastOptions& options) {
    std::size_t begin = 0;
    while (begin <= name.size()) {
        const std::size_t end = std::min(name.find('+', begin), name.size());
        const std::string part = name.substr(begin, end - begin);
        const std::size_t equals = part.find('=');
        const std::string key = part.substr(0, equals);
        const double value = equals == std::string::npos ? 0.0 : std::atof(part.c_str() + equals + 1);
        if (part == "all") {
        } else if (part == "no-build") {
            options.buildBoards = false;
        } else if (part == "no-crossover") {
            options.crossover = false;
        } else if (part == "no-swap") {
            options.childSwap = false;
        } else if (part == "no-improve") {
            options.improve = false;
        } else if (part == "no-spread") {
            options.spreadBest = false;
        } else if (key == "share") {
            options.secondParentShare = value;
        } else if (key == "tries") {
            options.repairTries = static_cast<std::uint32_t>(value);
        } else if (key == "per-queen") {
            options.repairPerQueen = value;
        } else if (key == "minimum") {
            options.repairMinimum = static_cast<std::uint64_t>(value);
        } else if (key == "clash") {
            options.clashFactor = value;
        } else if (key == "build-tries") {
            options.buildTries = static_cast<std::uint32_t>(value);
        } else {
            return false;
        }
        begin = end + 1;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fputs("usage: fast_ablation N RUNS THREADS POPULATION STEPS RATE [VARIANT...]\n", stderr);
        return 2;
    }
    const auto n = static_cast<std::uint32_t>(std::atoi(argv[1]));
    const int runs = std::atoi(argv[2]);
    const auto threads = static_cast<std::uint32_t>(std::atoi(argv[3]));
    const auto size = static_cast<std::uint32_t>(std::atoi(argv[4]));
    const auto steps = static_cast<std::uint32_t>(std::atoi(argv[5]));
    const double rate = std::atof(argv[6]);
    std::vector<std::string> variants;
    for (int a = 7; a < argc; ++a) variants.emplace_back(argv[a]);
    if (variants.empty()) variants.emplace_back("all");
    // Ten minutes of master iterations at most, so a stalled variant ends.
    const std::uint32_t kCapSeconds = 600;
    for (int run = 0; run < runs; ++run) {
        for (const std::string& name : variants) {
            FastOptions options;
            if (!Variant(name, options)) {
                std::fprintf(stderr, "unknown variant %s\n", name.c_str());
                return 2;
            }
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpuStart = std::clock();
            const std::uint64_t seed = run::SeedFromClock() + static_cast<std::uint64_t>(run);
            NQueenPopulation population(size, n);
            const auto work = MakeFastWork(threads, seed, n);
            std::vector<FastWork*> slaves;
            for (std::uint32_t j = 0; j < threads; ++j) slaves.push_back(work[j].get());
            CNQueenFastInitOperator init(
                &population, slaves.empty() ? std::vector<FastWork*>{work.back().get()} : slaves, options);
            CNQueenFastSlaveOperator slave(&population, steps, slaves, options);
            CNQueenFastMasterOperator pass(&population, work.back().get(), rate, options);
            ThreadStats masterStats;
            ThreadStatsScope scope(&masterStats);
            CParallelGA engine(&init, &pass, &slave, threads);
            float fitness = -1.0f;
            NQueenIndividual* best = nullptr;
            double seconds = 0;
            while (fitness != 0.0f && seconds < kCapSeconds) {
                engine.Run(1000);
                best = BestIndividual(population);
                fitness = *best->GetFitness();
                seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
            ThreadStats total = masterStats;
            for (std::uint32_t j = 0; j < threads; ++j) total += engine.GetThreadStats(j);
            const bool valid = fitness == 0.0f && NQueenFitnessReference(best->GetGenes(), n) == 0.0f;
            const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            std::printf("%s %u %u %.1f %.1f %llu %llu %s\n", name.c_str(), n, threads, seconds * 1000.0,
                        cpuMs, static_cast<unsigned long long>(total.steps),
                        static_cast<unsigned long long>(total.evaluations), valid ? "solved" : "UNSOLVED");
            std::fflush(stdout);
        }
    }
    return 0;
}
