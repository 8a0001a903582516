// Which crossover and mutation settings the generational scheme should take
// by default for problems of several objectives: each candidate runs every
// suite problem of several objectives at its budget over the same seeds, on
// the engine with one slave thread (the scheme gives the same front at any
// thread count), and the medians of the hypervolume and IGD+ are printed
// side by side.
//
//   moo_operators [SEEDS] [--nsga3] [PROBLEM...]   SEEDS default 5; problems default all;
//                                                  --nsga3: NSGA-III at any number of objectives
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/suites/suite.h"
#include "framework/parallel_ga.h"
#include "genome/real_vector_operators.h"
#include "objectives/indicators.h"
#include "solve/front.h"
#include "solve/generational.h"

namespace {

using namespace zarnel;

struct Candidate {
    const char* name;
    RealVectorOperators operators;
};

std::vector<Candidate> Candidates() {
    RealVectorOperators library;  // the steady-state scheme's defaults
    RealVectorOperators deb = library;
    deb.sbxEta = 20.0;
    RealVectorOperators nsga3 = library;
    nsga3.sbxEta = 30.0;
    nsga3.crossoverRate = 1.0;
    RealVectorOperators pagmo = library;
    pagmo.sbxEta = 10.0;
    pagmo.polynomialEta = 50.0;
    pagmo.crossoverRate = 0.95;
    pagmo.mutationRate = 0.01;
    return {{"sbx15 pm20 pc0.9 (library)", library},
            {"sbx20 pm20 pc0.9 (Deb)", deb},
            {"sbx30 pm20 pc1.0 (NSGA-III)", nsga3},
            {"sbx10 pm50 pc0.95 m0.01 (pagmo2)", pagmo}};
}

template <class Problem>
std::pair<double, double> RunOnce(const Problem& problem, const suites::Budget& budget,
                                  const RealVectorOperators& operators, std::uint64_t seed, bool nsga3) {
    constexpr std::size_t M = kObjectiveCount<Problem>;
    using Scheme = detail::Generational<Problem, RealVectorOperators>;
    const RealVector kind = problem.genome();
    typename Scheme::Population population(budget.population, kind.Length());
    detail::GenerationalSettings settings;
    settings.runSeed = seed;
    settings.threads = 1;
    if (nsga3) settings.survival = detail::SurvivalKind::kNsga3;
    Scheme scheme(problem, kind, operators, population, settings);
    {
        CParallelGA engine(scheme.InitOperator(), scheme.MasterOperator(), scheme.SlaveOperator(), 1);
        engine.Run(static_cast<std::uint32_t>(budget.evaluations / budget.population));
    }
    std::vector<double> values;
    for (const std::uint32_t i : scheme.Front()) {
        const std::span<const double> objectives = scheme.Objectives(i);
        values.insert(values.end(), objectives.begin(), objectives.end());
    }
    const objectives::PointSet points(values, M);
    const std::vector<double> reference = problem.referenceFront();
    return {objectives::Hypervolume(points, problem.referencePoint()),
            objectives::IgdPlus(points, objectives::PointSet(reference, M))};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    const int seeds = argc > 1 ? std::atoi(argv[1]) : 5;
    std::vector<std::string> wanted(argv + std::min(argc, 2), argv + argc);
    const bool nsga3 = !wanted.empty() && wanted[0] == "--nsga3";
    if (nsga3) wanted.erase(wanted.begin());
    const std::vector<Candidate> candidates = Candidates();
    std::printf("| problem |");
    for (const Candidate& candidate : candidates) std::printf(" %s HV / IGD+ |", candidate.name);
    std::printf("\n|---|");
    for (std::size_t c = 0; c < candidates.size(); ++c) std::printf("---:|");
    std::printf("\n");
    suites::ForEachProblem([&](const auto& problem, const suites::Budget& budget) {
        if constexpr (requires { problem.referenceFront(); }) {
            if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), problem.name()) == wanted.end())
                return;
            std::printf("| %s |", problem.name().c_str());
            for (const Candidate& candidate : candidates) {
                std::vector<double> hv, igd;
                for (int seed = 1; seed <= seeds; ++seed) {
                    const auto [volume, distance] =
                        RunOnce(problem, budget, candidate.operators, seed, nsga3);
                    hv.push_back(volume);
                    igd.push_back(distance);
                }
                std::printf(" %.6f / %.6f |", Median(hv), Median(igd));
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    });
}
