// The suites' problems through pagmo2's algorithms, for the side-by-side
// comparison: nsga2, moead and nspso on the problems of several objectives,
// gaco, ihs and cstrs_self_adaptive around sade on those of one. ZDT, DTLZ
// and CEC 2006 are pagmo2's own classes (tests/bench/suites_pagmo_test.cpp
// checks that they are the suites' definitions); BNH, SRN, CONSTR and
// C2-DTLZ2 and the two engineering problems, which pagmo2 lacks, are the
// suites' structs; since pagmo2's multi-objective algorithms refuse
// constraints, those of several objectives are seen through pagmo2's
// unconstrain meta-problem (Kuri's death penalty). CEC 2006's equality
// constraints get pagmo2's tolerance 1e-4, the competition's.
//
//   pagmo_moo --problem zdt1 --algorithm nsga2 --seed 3 --out run.txt
//             [--evaluations N] [--population N]
//
// Writes the final population to --out: comment lines with the problem,
// algorithm, seed, evaluations made and seconds, then one line per
// individual: its decision vector and, where pagmo2's fitness holds the
// objectives themselves, those (perf/score_front checks them). Evaluations
// and population default to the suite's budget; moead on three or more
// objectives takes the largest population of its weight grid that fits.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pagmo/algorithm.hpp>
#include <pagmo/algorithms/cstrs_self_adaptive.hpp>
#include <pagmo/algorithms/gaco.hpp>
#include <pagmo/algorithms/ihs.hpp>
#include <pagmo/algorithms/moead.hpp>
#include <pagmo/algorithms/nsga2.hpp>
#include <pagmo/algorithms/nspso.hpp>
#include <pagmo/algorithms/sade.hpp>
#include <pagmo/population.hpp>
#include <pagmo/problem.hpp>
#include <pagmo/problems/cec2006.hpp>
#include <pagmo/problems/dtlz.hpp>
#include <pagmo/problems/unconstrain.hpp>
#include <pagmo/problems/zdt.hpp>
#include <string>
#include <vector>

#include "bench/suites/suite.h"
#include "objectives/reference_directions.h"

namespace {

using namespace zarnel;

// A suite struct as a pagmo2 problem: its objectives (or its cost, the
// fitness of a problem that minimises), then its constraints as
// inequalities.
template <class Problem>
struct Adapted {
    Problem problem;
    pagmo::vector_double fitness(const pagmo::vector_double& x) const {
        pagmo::vector_double out;
        if constexpr (requires { problem.objectives(x); }) {
            const auto f = problem.objectives(x);
            out.assign(f.begin(), f.end());
        } else {
            out.push_back(problem.fitness(x));
        }
        const auto c = problem.constraints(x);
        out.insert(out.end(), c.begin(), c.end());
        return out;
    }
    std::pair<pagmo::vector_double, pagmo::vector_double> get_bounds() const {
        const RealVector kind = problem.genome();
        return {kind.lower, kind.upper};
    }
    pagmo::vector_double::size_type get_nobj() const {
        if constexpr (requires { problem.referencePoint(); }) {
            return problem.referencePoint().size();
        } else {
            return 1;
        }
    }
    pagmo::vector_double::size_type get_nic() const {
        return problem.constraints(problem.genome().lower).size();
    }
};

struct Setup {
    std::string problem, algorithm, out;
    unsigned seed = 1;
    std::uint64_t evaluations = 0;
    std::uint32_t population = 0;
};

// pagmo2's problem for a suite problem, and how many of its fitness values
// are the objectives themselves (0: penalised, not comparable).
template <class Problem>
std::pair<pagmo::problem, std::size_t> PeerProblem(const Problem& problem) {
    const std::string name = problem.name();
    if constexpr (requires { problem.bestKnown(); }) {
        if (name.starts_with("g")) {
            pagmo::problem peer{pagmo::cec2006(static_cast<unsigned>(std::stoi(name.substr(1))))};
            pagmo::vector_double tolerance(peer.get_nc(), 0.0);
            for (std::size_t i = 0; i < peer.get_nec(); ++i) tolerance[i] = 1e-4;
            peer.set_c_tol(tolerance);
            return {std::move(peer), 1};
        }
        return {pagmo::problem(Adapted<Problem>{problem}), 1};
    } else {
        const std::size_t m = problem.referencePoint().size();
        const unsigned n = problem.genome().Length();
        if (name.starts_with("zdt"))
            return {pagmo::problem(pagmo::zdt(static_cast<unsigned>(name[3] - '0'), n)), 2};
        if (name.starts_with("dtlz"))
            return {pagmo::problem(pagmo::dtlz(static_cast<unsigned>(name[4] - '0'), n, m)), m};
        if constexpr (requires(std::span<const double> x) { problem.constraints(x); }) {
            return {pagmo::problem(pagmo::unconstrain(Adapted<Problem>{problem}, "kuri")), 0};
        }
        throw std::invalid_argument(name + " has no pagmo2 counterpart");
    }
}

// The largest population moead's weight grid of m objectives has within n.
std::uint32_t GridPopulation(std::size_t m, std::uint32_t n) {
    if (m == 2) return n;
    std::size_t divisions = 1;
    while (objectives::DasDennisCount(m, divisions + 1) != 0 &&
           objectives::DasDennisCount(m, divisions + 1) <= n)
        ++divisions;
    return static_cast<std::uint32_t>(objectives::DasDennisCount(m, divisions));
}

pagmo::algorithm Algorithm(const Setup& setup, std::uint32_t population, bool several) {
    const auto generations = [&](std::uint64_t perGeneration) {
        return static_cast<unsigned>((setup.evaluations - population) / perGeneration);
    };
    if (setup.algorithm == "nsga2")
        return pagmo::algorithm(pagmo::nsga2(generations(population), 0.95, 10., 0.01, 50., setup.seed));
    if (setup.algorithm == "moead") {
        return pagmo::algorithm(pagmo::moead(generations(population), "grid", "tchebycheff", 20u, 1.0, 0.5,
                                             20., 0.9, 2u, true, setup.seed));
    }
    if (setup.algorithm == "nspso") {
        return pagmo::algorithm(pagmo::nspso(generations(population), 0.6, 2.0, 2.0, 1.0, 0.5, 60u,
                                             "crowding distance", false, setup.seed));
    }
    if (several) throw std::invalid_argument("use nsga2, moead or nspso for several objectives");
    if (setup.algorithm == "gaco") {
        const unsigned gens = generations(population);
        return pagmo::algorithm(pagmo::gaco(gens, std::min(63u, population), 1.0, 0., 0.01, 1u, 7u, gens,
                                            gens, 0., false, setup.seed));
    }
    if (setup.algorithm == "ihs")
        return pagmo::algorithm(pagmo::ihs(generations(1), 0.85, 0.35, 0.99, 1e-5, 1., setup.seed));
    if (setup.algorithm == "sade") {
        // One generation of sade per iteration; the iterations are counted
        // out against the evaluations below.
        return pagmo::algorithm(
            pagmo::cstrs_self_adaptive(1u, pagmo::sade(1u, 2u, 1u, 0., 0., false, setup.seed), setup.seed));
    }
    throw std::invalid_argument("no algorithm " + setup.algorithm +
                                " (nsga2, moead, nspso, gaco, ihs, sade)");
}

template <class Problem>
int Run(const Problem& problem, const suites::Budget& budget, Setup setup) {
    auto [peer, shown] = PeerProblem(problem);
    const bool several = peer.get_nobj() > 1 || shown == 0;
    if (setup.evaluations == 0) setup.evaluations = budget.evaluations;
    std::uint32_t population = setup.population != 0 ? setup.population : budget.population;
    if (setup.algorithm == "moead") population = GridPopulation(peer.get_nobj(), population);
    const pagmo::algorithm algorithm = Algorithm(setup, population, several && peer.get_nobj() > 1);
    const auto start = std::chrono::steady_clock::now();
    pagmo::population individuals(peer, population, setup.seed);
    if (setup.algorithm == "sade") {
        while (individuals.get_problem().get_fevals() < setup.evaluations)
            individuals = algorithm.evolve(individuals);
    } else {
        individuals = algorithm.evolve(individuals);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::FILE* out = std::fopen(setup.out.c_str(), "w");
    if (out == nullptr) {
        std::perror(setup.out.c_str());
        return 1;
    }
    std::fprintf(out,
                 "# problem %s\n# algorithm pagmo2 %s\n# seed %u\n# population %u\n# evaluations %llu\n# "
                 "seconds %.3f\n",
                 problem.name().c_str(), setup.algorithm.c_str(), setup.seed, population,
                 static_cast<unsigned long long>(individuals.get_problem().get_fevals()), seconds);
    for (std::size_t i = 0; i < individuals.size(); ++i) {
        for (const double x : individuals.get_x()[i]) std::fprintf(out, "%.17g ", x);
        for (std::size_t j = 0; j < shown; ++j) std::fprintf(out, "%.17g ", individuals.get_f()[i][j]);
        std::fprintf(out, "\n");
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Setup setup;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i], value = argv[i + 1];
        if (flag == "--problem") {
            setup.problem = value;
        } else if (flag == "--algorithm") {
            setup.algorithm = value;
        } else if (flag == "--seed") {
            setup.seed = static_cast<unsigned>(std::stoul(value));
        } else if (flag == "--evaluations") {
            setup.evaluations = std::stoull(value);
        } else if (flag == "--population") {
            setup.population = static_cast<std::uint32_t>(std::stoul(value));
        } else if (flag == "--out") {
            setup.out = value;
        } else {
            std::fprintf(stderr, "pagmo_moo: unknown flag %s\n", flag.c_str());
            return 2;
        }
    }
    if (setup.problem.empty() || setup.algorithm.empty() || setup.out.empty() || argc % 2 == 0) {
        std::fprintf(stderr,
                     "usage: pagmo_moo --problem NAME --algorithm NAME --seed N --out FILE "
                     "[--evaluations N] [--population N]\n");
        return 2;
    }
    int status = 2;
    try {
        if (!suites::VisitProblem(setup.problem, [&](const auto& problem, const suites::Budget& budget) {
                status = Run(problem, budget, setup);
            })) {
            std::fprintf(stderr, "pagmo_moo: no problem named %s\n", setup.problem.c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pagmo_moo: %s\n", error.what());
        return 2;
    }
    return status;
}
