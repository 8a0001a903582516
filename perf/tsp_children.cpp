// Children per CPU-second of the TSP example's breeding, on one thread and
// without the engine: a population of locally optimal tours (nearest-
// neighbour tours searched whole), then, until the CPU time is up, a child
// bred as the example breeds it (edge assembly crossover with a tour as the
// base and another as the donor, a segment double bridge when that gives the
// base back), searched around its new edges (the positions of its cities
// read in one pass and kept in step by the search, as the example does),
// measured, and put in nothing's place: the population stays as it was, so
// that every child crosses two distinct local optima, as in a run before it
// converges. Prints
//
//   <instance> population <P> children <C> cpu_seconds <S> children_per_cpu_second <R> mean <M>
//
// (mean: the children's mean length, to see that the work is the same
// before and after a change of speed).
//
//   tsp_children FILE.tsp [CPU_SECONDS] [SEED] [POPULATION]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <vector>

#include "examples/tsp/edge_assembly.h"
#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/split_mix.h"
#include "examples/tsp/tsplib.h"

namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tsp_children FILE.tsp [CPU_SECONDS] [SEED] [POPULATION]\n");
        return 2;
    }
    try {
        const double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
        const std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
        const std::uint32_t population = argc > 4 ? static_cast<std::uint32_t>(std::atoi(argv[4])) : 30;
        const tsp::Instance instance = tsp::ReadTsplib(argv[1]);
        const tsp::NeighbourLists neighbours(instance, 10);
        const tsp::LocalSearch search(instance, neighbours);
        const tsp::EdgeAssembly crossover(instance, neighbours);
        const std::uint32_t n = instance.Size();
        tsp::SplitMix random{seed};
        std::vector<std::vector<std::uint32_t>> tours(population, std::vector<std::uint32_t>(n));
        for (auto& tour : tours) {
            tsp::NearestNeighbourTour(instance, neighbours, random.Below(n), tour);
            search.ImproveSeeded(tour, random());
        }
        std::vector<std::uint32_t> child(n), fresh, position(n);
        std::uint64_t children = 0;
        double sum = 0;
        const double start = ThreadCpuSeconds();
        double spent = 0;
        while ((spent = ThreadCpuSeconds() - start) < seconds) {
            for (int i = 0; i < 64; ++i, ++children) {
                const std::uint32_t base = random.Below(population);
                const std::uint32_t donor = (base + 1 + random.Below(population - 1)) % population;
                fresh.clear();
                const auto outcome = crossover.Breed(tours[base], tours[donor], child, random(), 10, fresh);
                if (!outcome.changed) tsp::SegmentDoubleBridge(child, 50, random(), fresh);
                for (std::uint32_t p = 0; p < n; ++p) position[child[p]] = p;
                search.ImproveAround(child, position, fresh);
                sum += static_cast<double>(search.Length(child));
            }
        }
        std::printf(
            "%s population %u children %llu cpu_seconds %.2f children_per_cpu_second %.0f mean %.1f\n",
            instance.Name().c_str(), population, static_cast<unsigned long long>(children), spent,
            static_cast<double>(children) / spent, sum / static_cast<double>(children));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tsp_children: %s\n", error.what());
        return 2;
    }
    return 0;
}
