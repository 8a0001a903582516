#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "run/history.h"
#include "run/run_loop.h"
#include "run/run_record.h"
#include "solve/fitness_key.h"
#include "solve/island_port.h"
#include "solve/population_io.h"
#include "solve/result.h"
#include "solve/run_population.h"
#include "solve/session.h"
#include "solve/steady_state.h"

namespace zarnel::detail {

// The mean of the fitness values that are numbers.
template <class Population>
double MeanFitness(Population& population) {
    double sum = 0.0;
    std::uint64_t counted = 0;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        const double fitness = ValueOf(*population.GetIndividual(i)->GetFitness());
        if (std::isnan(fitness)) continue;
        sum += fitness;
        ++counted;
    }
    return counted == 0 ? std::nan("") : sum / static_cast<double>(counted);
}

// A run of a problem of one objective (with or without constraints): the
// steady-state scheme in RunPopulation. Fitness values leave here as the
// problem gives them (RankedFitness turns the engine's back).
template <class Problem, class Operators>
class SteadyRun {
public:
    using ProblemType = Problem;
    using Kind = KindOf<Problem>;
    using Gene = GeneOf<Problem>;
    using SchemeType = SteadyState<Problem, Operators>;
    using Population = typename SchemeType::Population;
    using Individual = typename SchemeType::Individual;
    using Result = SolveResult<Gene>;
    using Input = RunInput<Problem, Operators>;

    SteadyRun(const Input& input, Population& population,
              std::optional<run::RunLoop::Clock::time_point> deadline, bool endRequests, const DumpText*)
        : input_(input),
          population_(population),
          scheme_(input.problem, input.kind, input.operators, population,
                  Settings(input, deadline, endRequests)) {}

    SchemeType& Scheme() { return scheme_; }
    void Started(std::uint32_t) {}
    void AfterIteration(std::uint32_t) {}
    bool Reached() const { return scheme_.Reached(); }
    std::uint64_t SinceImprovement() const { return scheme_.SinceImprovement(); }

    void Measure(Progress& progress, std::uint32_t, bool) {
        const auto& best = *population_.GetIndividual(BestIndex(population_))->GetFitness();
        progress.best = Own(ValueOf(best));
        progress.mean = Own(MeanFitness(population_));
        progress.violation = ViolationIn(best);
    }
    void Note(const Progress& progress, run::HistoryEntry& entry) const {
        entry.best = progress.best;
        entry.mean = progress.mean;
        if constexpr (SchemeType::kConstrained) entry.violation = progress.violation;
    }

    bool WriteDump(std::FILE* file, const DumpHeader& header) {
        return detail::WriteDump(file, header, population_, input_.kind, Minimises<Problem>());
    }

    void Finish(Result& result, std::uint32_t made) {
        if (made != 0) {
            Individual* best = population_.GetIndividual(BestIndex(population_));
            result.genes.assign(best->GetGenes(), best->GetGenes() + input_.kind.Length());
            Take(result, *best->GetFitness());
        } else {
            result.fitness = std::numeric_limits<double>::quiet_NaN();
            if constexpr (SchemeType::kConstrained) Take(result, SchemeType::NoFitness());
        }
    }

    islands::IslandFinal IslandEnd() const { return {}; }

    template <class Outcome>
    void TakeIslands(Result& result, Outcome& outcome, std::uint32_t made) {
        // The winner's best. A winner without a number does not replace a
        // genome with none.
        if (outcome.genes.size() == input_.kind.Length() &&
            (!std::isnan(ValueOf(outcome.fitness)) || made != 0)) {
            result.genes = std::move(outcome.genes);
            Take(result, outcome.fitness);
        }
    }

    void Record(run::RunRecord& record, const Result& result) const {
        record.direction = Minimises<Problem>() ? "minimise" : "maximise";
        record.bestFitness = result.fitness;
        if constexpr (SchemeType::kConstrained) record.bestViolation = result.violation;
        if (!result.genes.empty())
            record.solution = RecordedSolution(input_.problem, std::span<const Gene>(result.genes));
        for (run::IslandRecord& island : record.islands) island.bestFitness = Own(island.bestFitness);
    }

private:
    static SchemeSettings Settings(const Input& input,
                                   std::optional<run::RunLoop::Clock::time_point> deadline,
                                   bool endRequests) {
        const RunPlan& plan = input.plan;
        SchemeSettings settings;
        settings.runSeed = plan.seed;
        settings.threads = plan.threads;
        settings.tournament = plan.tournament;
        settings.fixedSteps = plan.fixedSteps;
        if (plan.target) settings.target = Own(*plan.target);
        settings.deterministic = input.options.deterministic;
        settings.resumed = !input.options.resumeFrom.empty();
        if (plan.batch != 0) settings.batch = plan.batch;
        settings.stop = input.options.stop;
        settings.deadline = deadline;
        settings.endRequests = endRequests;
        return settings;
    }

    static double Own(double ranked) { return RankedFitness<Problem>(ranked); }

    // The result's fitness, and for a problem with constraints whether the
    // best is feasible and its violation.
    static void Take(Result& result, const typename SchemeType::Fitness& fitness) {
        result.fitness = Own(ValueOf(fitness));
        result.violation = ViolationIn(fitness);
        result.feasible = result.violation == 0.0;
    }

    const Input& input_;
    Population& population_;
    SchemeType scheme_;
};

}  // namespace zarnel::detail
