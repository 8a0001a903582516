// A travelling salesman on Zarnel: the tour is a permutation of the cities, its fitness minus
// its length, and every child is improved by 2-opt + Or-opt (local_search.h) before it is
// scored; --plain leaves that out, which makes a plain GA. Usage:
//   tsp <file.tsp> [--seed S] [--threads K] [--population P] [--time-limit T]
//       [--max-iterations I] [--target L] [--json F] [--plain] [--help]
// Prints progress, then "best length <L>" as its last line.
#include <zarnel/solve/flags.h>
#include <zarnel/solve/solve.h>

#include <cstdio>
#include <string>
#include <vector>

#include "local_search.h"
#include "tsplib.h"

namespace {

// The plain problem: a tour and its length.
struct Tour {
    const tsp::LocalSearch* search;
    zarnel::Permutation genome() const { return {search->GetInstance().Size()}; }
    double fitness(std::span<const std::uint32_t> tour) const {
        return -static_cast<double>(search->Length(tour));
    }
    std::string name() const { return "tsp " + search->GetInstance().Name(); }
    // The record shows the tour as TSPLIB numbers its cities, from 1.
    std::vector<std::int64_t> decode(std::span<const std::uint32_t> tour) const {
        std::vector<std::int64_t> cities;
        for (const std::uint32_t city : tour) cities.push_back(city + 1);
        return cities;
    }
};

// The same with every child improved: a memetic GA.
struct ImprovedTour : Tour {
    void improve(std::span<std::uint32_t> tour, zarnel::Random& random) const {
        search->Improve(tour, random);
    }
};

template <class Problem>
int Run(const Problem& problem, const zarnel::SolveOptions& options) {
    try {
        const auto result = zarnel::Solve(problem, options);
        std::printf("best length %.0f\n", -result.fitness);
        return 0;
    } catch (const zarnel::SolveError& error) {
        std::fprintf(stderr, "tsp: %s\n", error.what());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    options.population = 50;
    std::string file;
    bool plain = false;
    zarnel::Flags flags("tsp: the shortest tour through the cities of a TSPLIB file (--target is a length)");
    flags.Standard(options)
        .Positional("file", "A TSPLIB file: EUC_2D, CEIL_2D, ATT, GEO or an EXPLICIT FULL_MATRIX", file)
        .Add("--plain", "A plain GA: no 2-opt + Or-opt on the children", plain);
    if (const auto status = flags.Parse(argc, argv)) return *status;
    // A target length L is the fitness -L.
    if (options.target) options.target = -*options.target;

    tsp::Instance instance;
    try {
        instance = tsp::ReadTsplib(file);
    } catch (const tsp::FormatError& error) {
        std::fprintf(stderr, "tsp: %s\n", error.what());
        return 2;
    }
    const tsp::NeighbourLists neighbours(instance, 10);
    const tsp::LocalSearch search(instance, neighbours);
    return plain ? Run(Tour{&search}, options) : Run(ImprovedTour{{&search}}, options);
}
