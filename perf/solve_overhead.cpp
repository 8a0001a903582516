// What Solve costs over the engine: the same steady-state steps (claim three,
// breed the best two into the worst with the genome's operators, improve,
// score; a master pass that finds the best) run once through zarnel::Solve
// and once by operator classes written by hand on CParallelGA, with the same
// population, threads and steps per phase. Rounds alternate; prints the time
// per child of each and their ratio (Solve / by hand), median over rounds.
//
//   solve_overhead [rounds] [threads]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/tsplib.h"
#include "framework/best_individual.h"
#include "framework/claim_guard.h"
#include "framework/parallel_ga.h"
#include "genome/genome.h"
#include "perf/solve_problems.h"
#include "solve/solve.h"

namespace {

using perf::Knapsack;
using perf::Tour;

// The scheme written by hand on the engine, as a user of Zarnel 0.2 would.
template <class Problem>
class ByHand {
public:
    using Kind = zarnel::KindOf<Problem>;
    using Gene = typename Kind::Gene;
    using Individual = zarnel::CIndividual<Gene, double>;
    using Population = zarnel::CPopulation<Individual>;

    struct Init : zarnel::COperatorBase {
        ByHand* run;
        int Execute() override {
            zarnel::Random random(1);
            for (std::uint32_t i = 0; i < run->population.size; ++i) {
                Individual* x = run->population.GetIndividual(i);
                const std::span<Gene> genes(x->GetGenes(), x->GetLength());
                run->kind.Init(genes, random);
                if constexpr (zarnel::HasImprove<Problem>) run->problem.improve(genes, random);
                x->SetFitness(run->problem.fitness(genes));
            }
            return zarnel::kDone;
        }
    };
    struct Slave : zarnel::CSlaveOperatorBase {
        ByHand* run;
        using zarnel::CSlaveOperatorBase::Execute;
        int Execute(std::uint32_t thread, std::uint32_t) override {
            zarnel::Random& random = run->random[thread];
            for (std::uint32_t s = 0; s < run->steps; ++s) {
                zarnel::ClaimGuard<Population> claims[3];
                zarnel::ClaimDistinct(run->population, claims, 3,
                                      [&] { return random.Below(run->population.size); });
                Individual* x[3] = {claims[0].Get(), claims[1].Get(), claims[2].Get()};
                std::sort(x, x + 3,
                          [](Individual* a, Individual* b) { return *a->GetFitness() > *b->GetFitness(); });
                const std::span<const Gene> parents[2] = {{x[0]->GetGenes(), x[0]->GetLength()},
                                                          {x[1]->GetGenes(), x[1]->GetLength()}};
                const std::span<Gene> child(x[2]->GetGenes(), x[2]->GetLength());
                run->operators.Breed(run->kind, parents, child, random);
                if constexpr (zarnel::HasImprove<Problem>) run->problem.improve(child, random);
                x[2]->SetFitness(run->problem.fitness(child));
            }
            return zarnel::kDone;
        }
    };
    struct Master : zarnel::COperatorBase {
        ByHand* run;
        int Execute() override {
            run->best = *zarnel::BestIndividual(run->population)->GetFitness();
            return zarnel::kDone;
        }
    };

    ByHand(const Problem& p, std::uint32_t size, std::uint32_t threads, std::uint32_t stepsPerPhase)
        : problem(p), kind(p.genome()), population(size, kind.Length()), steps(stepsPerPhase) {
        for (std::uint32_t j = 0; j < threads; ++j) random.push_back(zarnel::Random::Stream(1, j));
        init.run = this;
        slave.run = this;
        master.run = this;
    }

    const Problem& problem;
    Kind kind;
    zarnel::OperatorsOf<Kind> operators;
    Population population;
    std::uint32_t steps;
    std::vector<zarnel::Random> random;
    double best = 0;
    Init init;
    Slave slave;
    Master master;
};

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Nanoseconds per child through Solve and by hand, one run each.
template <class Problem>
std::pair<double, double> Round(const Problem& problem, std::uint32_t population, std::uint32_t threads,
                                std::uint32_t steps, std::uint32_t iterations) {
    zarnel::SolveOptions options;
    options.threads = threads;
    options.population = population;
    options.seed = 1;
    options.quiet = true;
    options.stepsPerPhase = steps;
    options.maxIterations = iterations;
    options.handleSignals = false;
    // From the end of the first iteration to the end of the run: the first
    // population (made in parallel by Solve, serially by hand) is left out.
    options.progressEvery = 1;
    zarnel::Progress first, last;
    options.progress = [&](const zarnel::Progress& progress) {
        if (progress.iteration == 1) first = progress;
        last = progress;
    };
    zarnel::Solve(problem, options);
    const double throughSolve =
        (last.seconds - first.seconds) * 1e9 / static_cast<double>(last.evaluations - first.evaluations);

    ByHand<Problem> byHand(problem, population, threads, steps);
    zarnel::CParallelGA engine(&byHand.init, &byHand.master, &byHand.slave, threads);
    engine.Run(1);
    const auto start = std::chrono::steady_clock::now();
    engine.Run(iterations - 1);
    const double children = static_cast<double>(iterations - 1) * steps * threads;
    return {throughSolve, Seconds(start) * 1e9 / children};
}

template <class Problem>
void Measure(const char* name, const Problem& problem, int rounds, std::uint32_t threads,
             std::uint32_t population, std::uint32_t steps, std::uint32_t iterations) {
    std::vector<double> solve, hand, ratio;
    for (int r = 0; r < rounds; ++r) {
        const auto [s, h] = Round(problem, population, threads, steps, iterations);
        solve.push_back(s);
        hand.push_back(h);
        ratio.push_back(s / h);
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("%-10s threads %u: Solve %9.0f ns/child, by hand %9.0f ns/child, ratio %.3f (rounds: ", name,
                threads, median(solve), median(hand), median(ratio));
    for (double x : ratio) std::printf("%.3f ", x);
    std::printf(")\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const std::uint32_t threads = argc > 2 ? static_cast<std::uint32_t>(std::atoi(argv[2])) : 2;
    Measure("knapsack", Knapsack{}, rounds, threads, 60, 2000, 400);
    const tsp::Instance instance = tsp::ReadTsplib(ZARNEL_TSP_DATA "/pcb442.tsp");
    const tsp::NeighbourLists neighbours(instance, 10);
    const tsp::LocalSearch search(instance, neighbours);
    Measure("tsp pcb442", Tour{&search}, rounds, threads, 50, 20, 100);
}
