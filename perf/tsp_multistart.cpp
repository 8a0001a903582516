// The baseline a TSP genetic algorithm must beat: restart the example's
// 2-opt + Or-opt local search (examples/tsp) from uniformly random tours for a
// fixed time and keep the best tour. Prints one line:
//
//   <instance> seed <S> seconds <T> restarts <R> best <L> [gap <G>%]
//
//   tsp_multistart FILE.tsp SECONDS [SEED] [OPTIMUM] [--cpu]
//
// With --cpu the time is the processor time of the thread, so that runs on a
// loaded machine still get the work of SECONDS seconds on a quiet one.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <numeric>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/split_mix.h"
#include "examples/tsp/tsplib.h"

namespace {

double Seconds(bool cpu) {
    if (cpu) {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    bool cpu = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cpu") == 0)
            cpu = true;
        else
            args.emplace_back(argv[i]);
    }
    if (args.size() < 2 || args.size() > 4) {
        std::fprintf(stderr, "usage: tsp_multistart FILE.tsp SECONDS [SEED] [OPTIMUM] [--cpu]\n");
        return 2;
    }
    const double seconds = std::atof(args[1].c_str());
    const std::uint64_t seed = args.size() > 2 ? std::strtoull(args[2].c_str(), nullptr, 10) : 1;
    const double optimum = args.size() > 3 ? std::atof(args[3].c_str()) : 0.0;
    try {
        const tsp::Instance instance = tsp::ReadTsplib(args[0]);
        const tsp::NeighbourLists neighbours(instance, 10);
        const tsp::LocalSearch search(instance, neighbours);
        tsp::SplitMix random{seed};
        const std::uint32_t n = instance.Size();
        std::vector<std::uint32_t> tour(n);
        std::int64_t best = INT64_MAX;
        std::int64_t restarts = 0;
        const double start = Seconds(cpu);
        do {
            std::iota(tour.begin(), tour.end(), 0u);
            for (std::uint32_t i = n - 1; i > 0; --i) std::swap(tour[i], tour[random.Below(i + 1)]);
            search.Improve(std::span<std::uint32_t>(tour), random);
            best = std::min(best, search.Length(tour));
            ++restarts;
        } while (Seconds(cpu) - start < seconds);
        std::printf("%s seed %" PRIu64 " seconds %g restarts %" PRId64 " best %" PRId64,
                    instance.Name().c_str(), seed, seconds, restarts, best);
        if (optimum > 0) std::printf(" gap %.3f%%", 100.0 * (static_cast<double>(best) - optimum) / optimum);
        std::printf("\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
