// A travelling salesman on Zarnel: the tour is a permutation of the cities, its fitness its
// length, minimised. The memetic GA (the default) breeds with operators of its own
// (tour_operators.h): edge assembly crossover into the tour a child replaces
// (edge_assembly.h), a segment double bridge when its two tours are the same,
// and 2-opt + Or-opt (local_search.h) only around the edges the child did not
// inherit; the first population are nearest-neighbour tours searched whole.
// --plain leaves the improvement out and uses Zarnel's own permutation
// operators, which makes a plain GA. Usage:
//   tsp <file.tsp> [--seed S] [--threads K] [--population P] [--time-limit T]
//       [--max-iterations I] [--target L] [--json F] [--plain] [--help]
//       [--islands K --migration-interval M --migrants N] [--mpi [--islands-per-process K]]
//       [--ablate LIST]
// --population 0 (the default) sizes the population from the cities
// (PopulationFor); --ablate leaves parts of the memetic GA out, for the
// measurements in docs/performance.md. Prints progress, then "best length
// <L>" as its last line; status 0, 2 for bad input, 1 when the record
// could not be written. With --mpi, run under mpirun, every process is one
// island (or K, on threads of their own) and process 0 prints.
#include <zarnel/solve/flags.h>
#include <zarnel/solve/solve.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#ifdef ZARNEL_TSP_MPI
#include <zarnel/islands/mpi_session.h>
#include <zarnel/islands/mpi_transport.h>
#endif

#include "edge_assembly.h"
#include "local_search.h"
#include "tour_operators.h"
#include "tour_problem.h"
#include "tsplib.h"

namespace {

using tsp::ImprovedTour;
using tsp::PopulationFor;
using tsp::Tour;

template <class Problem, class Operators = zarnel::OperatorsOf<zarnel::Permutation>>
int Run(const Problem& problem, const zarnel::SolveOptions& options, bool speaks,
        const Operators& operators = {}) {
    try {
        const auto result = zarnel::Solve(problem, options, operators);
        if (speaks) std::printf("best length %.0f\n", result.fitness);
        return result.recordError.empty() ? 0 : 1;
    } catch (const zarnel::SolveError& error) {
        std::fprintf(stderr, "tsp: %s\n", error.what());
        return 2;
    }
}

// Reads --ablate's list into the settings; false (with a message) for a
// word it does not know.
bool Ablate(const std::string& list, tsp::TourOperators::Settings& settings, tsp::TourImprover& improver) {
    for (std::size_t at = 0; at < list.size();) {
        std::size_t end = list.find(',', at);
        if (end == std::string::npos) end = list.size();
        const std::string word = list.substr(at, end - at);
        at = end + 1;
        if (word == "whole_search") {
            improver.wholeSearch = true;
        } else if (word == "no_kick") {
            settings.kick = false;
        } else if (word == "random_start") {
            improver.nearestStart = false;
        } else if (word == "one_try") {
            settings.tries = 1;
        } else if (word == "best_base") {
            settings.baseReplaced = false;
        } else if (word == "edge_recombination") {
            // Zarnel's own permutation operators (edge recombination and
            // inversion) and a whole search of every child from where it stands.
            improver.wholeSearch = true;
            improver.nearestStart = false;
        } else {
            std::fprintf(
                stderr,
                "tsp: --ablate: '%s' is none of whole_search, no_kick, random_start, one_try, best_base, "
                "edge_recombination\n",
                word.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    // 0: sized from the number of cities (PopulationFor), unless --plain.
    options.population = 0;
    std::string file;
    std::string ablate;
    bool plain = false;
    bool mpi = false;
    std::uint32_t perProcess = 1;
    zarnel::Flags flags("tsp: the shortest tour through the cities of a TSPLIB file (--target is a length)");
    flags.Standard(options)
        .Positional("file", "A TSPLIB file: EUC_2D, CEIL_2D, ATT, GEO or an EXPLICIT FULL_MATRIX", file)
        .Add("--plain", "A plain GA: no 2-opt + Or-opt on the children", plain)
        .Add("--ablate",
             "For measurements: leave out parts of the memetic GA, a comma-separated list of whole_search, "
             "no_kick, random_start, one_try, best_base, edge_recombination",
             ablate)
        .Add("--islands",
             "Populations on a ring, each of --population individuals with its share of --threads",
             options.islands)
        .Add("--migration-interval", "Master iterations between two migrations of the islands",
             options.migrationInterval)
        .Add("--migrants", "Individuals each island sends to the next at a migration", options.migrants)
        .Add("--mpi", "Islands over MPI: run under mpirun, one island per process", mpi)
        .Add("--islands-per-process",
             "With --mpi: islands of each process (1 to 256), on threads of their own", perProcess);
    if (const auto status = flags.Parse(argc, argv)) return *status;
    if (perProcess < 1 || perProcess > 256 || (perProcess != 1 && !mpi)) {
        std::fprintf(stderr, "tsp: --islands-per-process %u: %s\n", static_cast<unsigned>(perProcess),
                     mpi ? "must be 1 to 256" : "needs --mpi (without it, --islands gives islands)");
        return 2;
    }
    bool speaks = true;
#ifdef ZARNEL_TSP_MPI
    std::optional<zarnel::islands::MpiSession> session;
    std::optional<zarnel::islands::MpiIslands> network;
    if (mpi) {
        try {
            session.emplace(&argc, &argv);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tsp: cannot start MPI: %s\n", error.what());
            return 2;
        }
        network.emplace(*session, perProcess);
        options.network = &*network;
        // Process 0 prints progress, the answer and the record.
        speaks = session->Rank() == 0;
        if (!speaks) options.quiet = true;
    }
#else
    if (mpi) {
        std::fprintf(stderr, "tsp: --mpi: this program was built without MPI (Zarnel's component islands)\n");
        return 2;
    }
#endif

    tsp::Instance instance;
    try {
        instance = tsp::ReadTsplib(file);
    } catch (const tsp::FormatError& error) {
        std::fprintf(stderr, "tsp: %s\n", error.what());
        return 2;
    }
    const tsp::NeighbourLists neighbours(instance, 10);
    const tsp::LocalSearch search(instance, neighbours);
    if (plain) {
        if (options.population == 0) options.population = 50;
        return Run(Tour{&search}, options, speaks);
    }
    const tsp::EdgeAssembly crossover(instance, neighbours);
    ImprovedTour problem{{&search}, {&search}};
    tsp::TourOperators::Settings settings;
    if (!Ablate(ablate, settings, problem.improver)) return 2;
    if (options.population == 0) options.population = PopulationFor(instance.Size(), options.threads);
    if (ablate.find("edge_recombination") != std::string::npos) return Run(problem, options, speaks);
    return Run(problem, options, speaks, tsp::TourOperators(crossover, settings));
}
