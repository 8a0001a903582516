#pragma once

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "objectives/indicators.h"
#include "objectives/point_set.h"
#include "run/history.h"
#include "run/run_loop.h"
#include "run/run_record.h"
#include "solve/front.h"
#include "solve/front_figures.h"
#include "solve/generational.h"
#include "solve/island_port.h"
#include "solve/objectives_problem.h"
#include "solve/population_io.h"
#include "solve/result.h"
#include "solve/run_population.h"
#include "solve/session.h"

namespace zarnel::detail {

// The reference point a problem gives for its hypervolume, as numbers
// (empty: it gives none).
template <class Problem>
std::vector<double> ProblemReferencePoint(const Problem& problem) {
    std::vector<double> point;
    if constexpr (HasReferencePoint<Problem>) {
        for (const auto& value : problem.referencePoint()) point.push_back(static_cast<double>(value));
    }
    return point;
}

// The problem's reference front, M values per point one point after
// another (empty: it has none): a range of numbers as it is, or a range of
// points flattened.
template <class Problem>
std::vector<double> ProblemReferenceFront(const Problem& problem) {
    std::vector<double> front;
    if constexpr (HasReferenceFront<Problem>) {
        for (const auto& item : problem.referenceFront()) {
            if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(item)>>) {
                front.push_back(static_cast<double>(item));
            } else {
                for (const auto& value : item) front.push_back(static_cast<double>(value));
            }
        }
    }
    return front;
}

// More objectives than this and a progress line does not measure the
// hypervolume (WFG takes a second and more for 8 objectives), but for the
// last one and for a target or stagnation, which need it every generation.
inline constexpr std::size_t kHypervolumeEveryLine = 5;

// A run of a problem of several objectives: the generational scheme in
// RunPopulation. Every figure is measured on the distinct feasible members
// of the population's first front against the reference point.
template <class Problem, class Operators>
class GenerationalRun {
public:
    using ProblemType = Problem;
    using Kind = KindOf<Problem>;
    using Gene = GeneOf<Problem>;
    using SchemeType = Generational<Problem, Operators>;
    using Population = typename SchemeType::Population;
    using Individual = typename SchemeType::Individual;
    static constexpr std::size_t M = kObjectiveExtent<Problem>;
    using Result = FrontResult<Gene, M>;
    using Input = RunInput<Problem, Operators>;

    GenerationalRun(const Input& input, Population& population,
                    std::optional<run::RunLoop::Clock::time_point> deadline, bool endRequests,
                    const DumpText* resumed)
        : input_(input),
          population_(population),
          scheme_(input.problem, input.kind, input.operators, population,
                  Settings(input, deadline, endRequests, resumed)),
          m_(scheme_.ObjectiveCount()) {
        reference_ = ProblemReferencePoint(input.problem);
        referenceFrom_ = "problem";
        if (reference_.empty()) {
            reference_ = input.options.referencePoint;
            referenceFrom_ = "options";
        }
        if (reference_.empty() && resumed != nullptr && resumed->referencePoint.size() == m_) {
            reference_ = resumed->referencePoint;
            referenceFrom_ = "dump";
        }
        everyGeneration_ = input.plan.target || input.plan.stagnation != 0;
    }

    SchemeType& Scheme() { return scheme_; }

    // After the first population: the reference point from it when none is
    // given, and the first hypervolume when every generation needs one.
    void Started(std::uint32_t made) {
        made_ = made;
        if (reference_.empty()) referenceFrom_ = "first population";
        AfterIteration(0);
    }

    // Once per master iteration when a target or stagnation needs the
    // hypervolume: measures it, notes an improvement and the target.
    void AfterIteration(std::uint32_t total) {
        FindReference();
        if (!everyGeneration_ || measuredAt_ == total) return;
        measuredAt_ = total;
        const double volume = Hypervolume(OwnFront());
        if (volume > bestVolume_ || (std::isnan(bestVolume_) && !std::isnan(volume))) {
            bestVolume_ = volume;
            improvedAt_ = total;
        }
        if (input_.plan.target && volume >= *input_.plan.target) reached_ = true;
        lastTotal_ = total;
    }
    bool Reached() const { return reached_; }
    std::uint64_t SinceImprovement() const { return lastTotal_ - improvedAt_; }

    void Measure(Progress& progress, std::uint32_t, bool last) {
        FindReference();
        const FlatFront<Gene> all = PopulationMembers(scheme_, population_, made_);
        const FlatFront<Gene> front = FeasibleFront(all);
        progress.best = std::numeric_limits<double>::quiet_NaN();
        progress.mean = std::numeric_limits<double>::quiet_NaN();
        progress.objectives = static_cast<std::uint32_t>(m_);
        progress.frontSize = front.Size();
        progress.feasibleShare = FeasibleShare(all);
        if (m_ <= kHypervolumeEveryLine || last || everyGeneration_)
            progress.hypervolume = Hypervolume(front);
    }
    void Note(const Progress& progress, run::HistoryEntry& entry) const {
        entry.objectives = true;
        entry.frontSize = progress.frontSize;
        entry.hypervolume = progress.hypervolume;
        entry.feasibleShare = progress.feasibleShare;
    }

    // The dump: the reference point in the header, so that a resumed run
    // measures from it; each individual's objectives and violation after
    // its genes (a resume scores again).
    bool WriteDump(std::FILE* file, const DumpHeader& header) {
        const std::string title = DumpHeaderText(header, reference_);
        if (std::fwrite(title.data(), 1, title.size(), file) != title.size()) return false;
        std::string line;
        for (std::uint32_t i = 0; i < population_.size; ++i) {
            Individual* individual = population_.GetIndividual(i);
            line.clear();
            input_.kind.Write(std::span<const Gene>(individual->GetGenes(), individual->GetLength()), line);
            line += " #";
            char number[40];
            for (const double value : scheme_.Objectives(i)) {
                std::snprintf(number, sizeof number, " %.17g", value);
                line += number;
            }
            std::snprintf(number, sizeof number, " violation %.17g\n", scheme_.Violation(i));
            line += number;
            if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) return false;
        }
        return true;
    }

    void Finish(Result& result, std::uint32_t made) {
        FindReference();
        const FlatFront<Gene> all = PopulationMembers(scheme_, population_, made);
        front_ = FeasibleFront(all);
        result.feasibleShare = FeasibleShare(all);
        Report(result, front_);
    }

    // This island's front and its hypervolume (against its own reference
    // point), for island 0 and the record.
    islands::IslandFinal IslandEnd() {
        islands::IslandFinal final;
        final.figure = Hypervolume(front_);
        final.front = PackFront(front_);
        return final;
    }

    // The run's front with islands: the distinct feasible non-dominated
    // members of every island's front together, measured against island
    // 0's reference point.
    template <class Outcome>
    void TakeIslands(Result& result, Outcome& outcome, std::uint32_t) {
        FlatFront<Gene> all;
        all.objectives = m_;
        all.length = input_.kind.Length();
        for (const std::vector<unsigned char>& message : outcome.fronts) (void)UnpackFront(message, all);
        front_ = FeasibleFront(all);
        Report(result, front_);
    }

    void Record(run::RunRecord& record, const Result& result) const {
        record.direction = "minimise";
        run::ObjectivesRecord objectives;
        objectives.objectives = m_;
        objectives.constraints = scheme_.ConstraintCount();
        objectives.survival = scheme_.UsesNsga3() ? "nsga3" : "nsga2";
        objectives.directions = scheme_.Directions().size() / m_;
        objectives.referencePoint = reference_;
        objectives.referencePointFrom = referenceFrom_;
        objectives.hypervolume = result.hypervolume;
        objectives.feasibleShare = result.feasibleShare;
        objectives.referenceFront = ProblemReferenceFront(input_.problem);
        if (!objectives.referenceFront.empty() && objectives.referenceFront.size() % m_ == 0) {
            std::vector<double> points;
            for (std::size_t k = 0; k < front_.Size(); ++k) {
                const std::span<const double> values = front_.Objectives(k);
                points.insert(points.end(), values.begin(), values.end());
            }
            objectives.igdPlus = objectives::IgdPlus(objectives::PointSet(points, m_),
                                                     objectives::PointSet(objectives.referenceFront, m_));
        }
        for (std::size_t k = 0; k < front_.Size(); ++k) {
            run::FrontMemberRecord member;
            member.solution = RecordedSolution(input_.problem, front_.Genes(k));
            const std::span<const double> values = front_.Objectives(k);
            member.objectives.assign(values.begin(), values.end());
            member.violation = front_.Violation(k);
            objectives.front.push_back(std::move(member));
        }
        record.objectives = std::move(objectives);
        for (run::IslandRecord& island : record.islands) island.hypervolume = island.bestFitness;
    }

private:
    static GenerationalSettings Settings(const Input& input,
                                         std::optional<run::RunLoop::Clock::time_point> deadline,
                                         bool endRequests, const DumpText* resumed) {
        GenerationalSettings settings;
        settings.runSeed = input.plan.seed;
        settings.threads = input.plan.threads;
        settings.survival = input.options.survival == Survival::kNsga2   ? SurvivalKind::kNsga2
                            : input.options.survival == Survival::kNsga3 ? SurvivalKind::kNsga3
                                                                         : SurvivalKind::kAutomatic;
        settings.directions =
            ReferenceDirectionsOf(input.options, ObjectiveCountOf(input.problem), input.plan.population);
        settings.resumed = resumed != nullptr;
        if (resumed != nullptr) settings.firstGeneration = resumed->header.iteration;
        settings.deadline = deadline;
        settings.endRequests = endRequests;
        return settings;
    }

    // The reference point from the population, when none was given and
    // none is known yet: from the first population, or from the first one
    // after it with objectives that are numbers.
    void FindReference() {
        if (reference_.empty())
            reference_ = AutomaticReferencePoint(PopulationMembers(scheme_, population_, made_).scores, m_);
    }

    FlatFront<Gene> OwnFront() { return FeasibleFront(PopulationMembers(scheme_, population_, made_)); }

    double Hypervolume(const FlatFront<Gene>& front) const {
        return FrontHypervolume(front.scores, m_, reference_);
    }

    void Report(Result& result, const FlatFront<Gene>& front) const {
        result.front = FrontMembers<M>(input_.problem, front);
        result.referencePoint = reference_;
        result.hypervolume = Hypervolume(front);
    }

    const Input& input_;
    Population& population_;
    SchemeType scheme_;
    const std::size_t m_;
    std::uint32_t made_ = 0;
    std::vector<double> reference_;
    std::string referenceFrom_;
    FlatFront<Gene> front_;  // the population's (or the islands') front once the run ends
    // The hypervolume every generation, for a target or stagnation.
    bool everyGeneration_ = false;
    std::optional<std::uint32_t> measuredAt_;
    double bestVolume_ = std::numeric_limits<double>::quiet_NaN();
    std::uint64_t improvedAt_ = 0;
    std::uint64_t lastTotal_ = 0;
    bool reached_ = false;
};

}  // namespace zarnel::detail
