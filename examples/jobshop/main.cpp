// A job shop on Zarnel: the genome is an operation sequence (a permutation with repetition: job j
// once per operation, its k-th occurrence its k-th operation), its cost the makespan of the
// schedule it stands for, and every child is improved by a tabu search on the critical blocks
// (local_search.h) before it is scored. Usage:
//   jobshop <instance file> [--seed S] [--threads K] [--population P] [--time-limit T]
//           [--target M] [--json F] [--deterministic] [--search tabu|descent|none] [--patience I]
//           [--crossover jox|gox|ppx] [--mutation swap|insertion|inversion]
// Prints progress with the makespan as it is, then "best makespan <M>" as its last line.
#include <zarnel/solve/flags.h>
#include <zarnel/solve/solve.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "instance.h"
#include "local_search.h"
#include "shop.h"

namespace {

// The problem without local search: an operation sequence and its makespan.
struct JobShop {
    const jobshop::LocalSearch* search;
    zarnel::PermutationWithRepetition genome() const {
        return zarnel::PermutationWithRepetition::Uniform(search->GetShop().Jobs(),
                                                          search->GetShop().Steps());
    }
    // The makespan is a cost: the run minimises it, and shows it as it is.
    static constexpr bool minimise = true;
    double fitness(std::span<const std::uint32_t> genes) const {
        return static_cast<double>(jobshop::Makespan(search->GetShop(), genes));
    }
    std::string name() const { return "jobshop " + search->GetShop().GetInstance().name; }
    // The record shows the schedule: every operation's start time, job by job.
    std::vector<std::int64_t> decode(std::span<const std::uint32_t> genes) const {
        return jobshop::StartTimes(search->GetShop(), genes);
    }
};

// The same with every child improved: a memetic GA.
struct ImprovedJobShop : JobShop {
    void improve(std::span<std::uint32_t> genes, zarnel::Random& random) const {
        search->Improve(genes, random);
    }
};

template <class Problem>
int Run(const Problem& problem, const zarnel::SolveOptions& options,
        const zarnel::PermutationWithRepetitionOperators& operators) {
    try {
        const auto result = zarnel::Solve(problem, options, operators);
        std::printf("best makespan %.0f\n", result.fitness);
        return result.recordError.empty() ? 0 : 1;
    } catch (const zarnel::SolveError& error) {
        std::fprintf(stderr, "jobshop: %s\n", error.what());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    options.population = 30;
    std::string file, method = "tabu", crossover = "jox", mutation = "swap";
    jobshop::SearchSettings settings;
    zarnel::Flags flags("jobshop: the shortest schedule of a job shop (--target is a makespan)");
    flags.Standard(options)
        .Positional("file", "An instance: OR-Library's form (jobshop1.txt) or Taillard's", file)
        .Add("--search", "How each child is improved: tabu (N7 tabu search), descent (N5) or none", method)
        .Add("--patience", "Tabu search: iterations without a better makespan before it stops",
             settings.patience)
        .Add("--crossover", "jox (job order), gox (generalised order) or ppx (precedence preserving)",
             crossover)
        .Add("--mutation", "swap, insertion or inversion", mutation);
    if (const auto status = flags.Parse(argc, argv)) return *status;
    if (method == "tabu") {
        settings.method = jobshop::SearchSettings::Method::kTabu;
    } else if (method == "descent") {
        settings.method = jobshop::SearchSettings::Method::kDescent;
    } else if (method == "none") {
        settings.method = jobshop::SearchSettings::Method::kNone;
    } else {
        std::fprintf(stderr, "jobshop: --search '%s': expected tabu, descent or none\n", method.c_str());
        return 2;
    }
    using Operators = zarnel::PermutationWithRepetitionOperators;
    Operators operators;
    if (crossover == "gox") {
        operators.crossover = Operators::Crossover::kGox;
    } else if (crossover == "ppx") {
        operators.crossover = Operators::Crossover::kPpx;
    } else if (crossover != "jox") {
        std::fprintf(stderr, "jobshop: --crossover '%s': expected jox, gox or ppx\n", crossover.c_str());
        return 2;
    }
    if (mutation == "insertion") {
        operators.mutation = Operators::Mutation::kInsertion;
    } else if (mutation == "inversion") {
        operators.mutation = Operators::Mutation::kInversion;
    } else if (mutation != "swap") {
        std::fprintf(stderr, "jobshop: --mutation '%s': expected swap, insertion or inversion\n",
                     mutation.c_str());
        return 2;
    }
    if (settings.patience < 1) {
        std::fprintf(stderr, "jobshop: --patience 0: must be at least 1\n");
        return 2;
    }

    // The standard progress line, with the makespan named.
    if (!options.quiet) {
        options.progress = [](const zarnel::Progress& progress) {
            std::printf(
                "iteration %" PRIu64 ": best makespan %.10g, mean %.10g, %" PRIu64 " evaluations, %.1f s\n",
                progress.iteration, progress.best, progress.mean, progress.evaluations, progress.seconds);
            std::fflush(stdout);
        };
    }

    std::optional<jobshop::Shop> shop;
    try {
        shop.emplace(jobshop::ReadInstance(file));
    } catch (const jobshop::FormatError& error) {
        std::fprintf(stderr, "jobshop: %s\n", error.what());
        return 2;
    }
    const jobshop::LocalSearch search(*shop, settings);
    if (settings.method == jobshop::SearchSettings::Method::kNone)
        return Run(JobShop{&search}, options, operators);
    return Run(ImprovedJobShop{{&search}}, options, operators);
}
