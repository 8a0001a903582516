// The peer the TSP example is measured against (perf/tsp_vs_ils.sh): iterated
// local search, run twice at once on two threads for the same wall-clock
// time, the better of the two runs kept. Each run starts from a
// nearest-neighbour tour from a random city, searched by the example's
// 2-opt + Or-opt (10 nearest neighbours, don't-look bits); then, until the
// time is up, kicks a copy of its tour with a segment double bridge (two
// adjacent runs of 1 to 50 cities trade places), searches only around the
// kick's six cities, and keeps the result when it is not longer. Prints
//
//   <instance> seed <S> seconds <T> runs <R> kicks <K> best <L>
//
// and with --tour FILE writes the best tour there, TSPLIB's city numbers
// (from 1) one a line, for an independent check of its length.
//
//   tsp_ils FILE.tsp SECONDS [SEED] [--runs R] [--tour FILE]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "examples/tsp/edge_assembly.h"
#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/split_mix.h"
#include "examples/tsp/tsplib.h"

namespace {

struct RunResult {
    std::vector<std::uint32_t> tour;
    std::int64_t length = 0;
    std::uint64_t kicks = 0;
};

RunResult IteratedLocalSearch(const tsp::LocalSearch& search, std::uint64_t seed,
                              std::chrono::steady_clock::time_point end) {
    const tsp::Instance& instance = search.GetInstance();
    const std::uint32_t n = instance.Size();
    tsp::SplitMix random{seed};
    RunResult run;
    run.tour.resize(n);
    tsp::NearestNeighbourTour(instance, search.Neighbours(), random.Below(n), run.tour);
    search.ImproveSeeded(run.tour, random());
    run.length = search.Length(run.tour);
    std::vector<std::uint32_t> trial(n), moved;
    while (std::chrono::steady_clock::now() < end) {
        std::copy(run.tour.begin(), run.tour.end(), trial.begin());
        moved.clear();
        tsp::SegmentDoubleBridge(trial, 50, random(), moved);
        search.ImproveAround(trial, moved);
        const std::int64_t length = search.Length(trial);
        if (length <= run.length) {
            run.tour.swap(trial);
            run.length = length;
        }
        ++run.kicks;
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::string tourPath;
    unsigned runs = 2;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tour") == 0 && i + 1 < argc)
            tourPath = argv[++i];
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else
            args.emplace_back(argv[i]);
    }
    if (args.size() < 2 || args.size() > 3 || runs < 1 || runs > 64) {
        std::fprintf(stderr, "usage: tsp_ils FILE.tsp SECONDS [SEED] [--runs R (1 to 64)] [--tour FILE]\n");
        return 2;
    }
    const double seconds = std::atof(args[1].c_str());
    const std::uint64_t seed = args.size() > 2 ? std::strtoull(args[2].c_str(), nullptr, 10) : 1;
    try {
        const tsp::Instance instance = tsp::ReadTsplib(args[0]);
        const tsp::NeighbourLists neighbours(instance, 10);
        const tsp::LocalSearch search(instance, neighbours);
        const auto end =
            std::chrono::steady_clock::now() +
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(seconds));
        std::vector<RunResult> results(runs);
        std::vector<std::exception_ptr> failures(runs);
        std::vector<std::thread> threads;
        for (unsigned r = 0; r < runs; ++r) {
            threads.emplace_back([&, r] {
                try {
                    tsp::SplitMix seeds{seed * 0x100000001b3ULL + r};
                    results[r] = IteratedLocalSearch(search, seeds(), end);
                } catch (...) {
                    failures[r] = std::current_exception();
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        for (const std::exception_ptr& failure : failures)
            if (failure) std::rethrow_exception(failure);
        std::uint64_t kicks = 0;
        for (const RunResult& run : results) kicks += run.kicks;
        const RunResult& best =
            *std::min_element(results.begin(), results.end(),
                              [](const RunResult& x, const RunResult& y) { return x.length < y.length; });
        if (!tourPath.empty()) {
            std::FILE* file = std::fopen(tourPath.c_str(), "w");
            if (file == nullptr) throw std::runtime_error("cannot write " + tourPath);
            for (const std::uint32_t city : best.tour) std::fprintf(file, "%u\n", city + 1);
            if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + tourPath);
        }
        std::printf("%s seed %" PRIu64 " seconds %g runs %u kicks %" PRIu64 " best %" PRId64 "\n",
                    instance.Name().c_str(), seed, seconds, runs, kicks, best.length);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tsp_ils: %s\n", error.what());
        return 1;
    }
    return 0;
}
