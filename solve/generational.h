#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <exception>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "framework/individual.h"
#include "framework/operator.h"
#include "framework/population.h"
#include "framework/thread_stats.h"
#include "genome/random.h"
#include "objectives/dominance.h"
#include "objectives/point_set.h"
#include "objectives/reference_directions.h"
#include "objectives/survival.h"
#include "run/seed.h"
#include "solve/objectives_problem.h"
#include "solve/problem.h"
#include "solve/scheme_parts.h"

namespace zarnel::detail {

// How survivors are chosen: NSGA-II's crowding distance or NSGA-III's
// reference directions. Automatic: NSGA-II for up to 3 objectives, NSGA-III
// above, where crowding distance no longer spreads a front.
enum class SurvivalKind { kAutomatic, kNsga2, kNsga3 };

// What one run of the generational scheme is given, fixed for the run.
struct GenerationalSettings {
    std::uint64_t runSeed = 0;
    std::uint32_t threads = 0;  // slave threads; 0: the master breeds and scores itself
    SurvivalKind survival = SurvivalKind::kAutomatic;
    // NSGA-III's reference directions, point after point (M values each, on
    // the unit simplex); empty: objectives::DefaultDirections(M, population).
    std::vector<double> directions;
    // A new population is made by the kind's Init and the problem's improve;
    // a resumed one (its genes already in place) is only scored.
    bool resumed = false;
    // The generation the run starts at: 0 for a new run; for a resumed one,
    // the generations the dumped population had lived, so that the run goes
    // on with the streams it would have drawn.
    std::uint64_t firstGeneration = 0;
};

// The generational scheme of NSGA-II and NSGA-III on the master–slave engine,
// for a problem of several objectives (and constraints). Every generation the
// slave threads breed one child per slot of a second population of the same
// size, improve it when the problem can and score it; the master then sorts
// parents and children together under the feasibility rules, keeps as many
// as the population holds (SurviveNsga2 or SurviveNsga3) and runs the binary
// tournaments that pick the parents of the next children.
//
// The same front bit for bit at every thread count, by construction: child i
// of generation g is bred from the parents the master chose for slot i, with
// a generator stream derived from (run seed, g, i) alone, whichever thread
// takes the slot, and every draw of selection (tournaments, NSGA-III's ties)
// comes from streams of (run seed, g) in a fixed order; sorting orders ties
// by index. As the tournaments rank the population by itself, a population
// and its generation are the whole state of a run: resumed from them, a run
// goes on bit for bit as the one that wrote them.
//
// Owns the children, the generators and the ranking; points to the problem,
// kind, operators and population, which the caller keeps alive for the
// scheme's life. The three operators it hands to the engine follow the
// engine's rules: Init on the constructing thread, the slave operator on
// every slave thread at once, the master operator on the thread that calls
// Run while the slave threads wait. Everything the master writes (the parent
// pairs, the phase, the slot counter's reset, the ranking) is written while
// the slave threads wait and read by them after their start event, which
// orders it. During a slave phase each slot belongs to the one thread whose
// fetch_add drew its index; parents are only read. The slot counter and the
// failure (FirstFailure) are the only data shared while threads work.
template <class Problem, class Operators>
class Generational {
public:
    static constexpr std::size_t M = kObjectiveCount<Problem>;
    using Kind = KindOf<Problem>;
    using Gene = typename Kind::Gene;
    using Individual = CIndividual<Gene, Scores<M>>;
    using Population = CPopulation<Individual>;

    // Throws std::invalid_argument for a population of fewer than 2
    // individuals, and for NSGA-III directions that are empty, not whole
    // points of M values, or more than the population can niche.
    Generational(const Problem& problem, const Kind& kind, const Operators& operators, Population& population,
                 const GenerationalSettings& settings)
        : problem_(problem),
          kind_(kind),
          operators_(operators),
          population_(population),
          settings_(settings),
          n_(population.size),
          children_(population.size, population.size != 0 ? population.GetIndividual(0)->GetLength() : 0),
          generation_(settings.firstGeneration),
          init_(*this),
          slave_(*this),
          masterOperator_(*this) {
        if (n_ < 2) throw std::invalid_argument("the generational scheme needs at least 2 individuals");
        nsga3_ = settings_.survival == SurvivalKind::kNsga3 ||
                 (settings_.survival == SurvivalKind::kAutomatic && M > 3);
        if (nsga3_) {
            directions_ =
                settings_.directions.empty() ? objectives::DefaultDirections(M, n_) : settings_.directions;
            const objectives::PointSet check(directions_, M);  // whole points, or it throws
            if (check.Size() == 0)
                throw std::invalid_argument("NSGA-III needs at least one reference direction");
        }
        pairs_.resize(2 * std::size_t{n_});
        rank_.assign(n_, 0);
        crowding_.assign(n_, 0.0);
        merged_.resize(2 * std::size_t{n_} * M);
        violations_.resize(2 * std::size_t{n_});
    }

    Generational(const Generational&) = delete;
    Generational& operator=(const Generational&) = delete;

    COperatorBase* InitOperator() { return &init_; }
    CSlaveOperatorBase* SlaveOperator() { return &slave_; }
    COperatorBase* MasterOperator() { return &masterOperator_; }

    // Between Run calls only (the slave threads wait).
    bool Failed() const { return failure_.Failed(); }
    // The first exception that left the problem's code, if any.
    std::exception_ptr Failure() const { return failure_.Get(); }
    bool UsesNsga3() const { return nsga3_; }
    // The generation the next slave phase breeds (firstGeneration + master
    // passes).
    std::uint64_t Generation() const { return generation_; }
    // The front of individual i of the population as the last master pass
    // ranked it (0: the first; infeasible individuals rank after every
    // feasible one).
    std::uint32_t Rank(std::uint32_t i) const { return rank_[i]; }
    // The indices, increasing, of the feasible individuals of the first
    // front: the run's answer.
    std::vector<std::uint32_t> Front() const {
        std::vector<std::uint32_t> front;
        for (std::uint32_t i = 0; i < n_; ++i) {
            const Scores<M>& scores = *population_.GetIndividual(i)->GetFitness();
            if (rank_[i] == 0 && objectives::RankViolation(scores.objectives, scores.violation) == 0.0)
                front.push_back(i);
        }
        return front;
    }
    // Scores an individual that came from elsewhere (another island), on the
    // master thread between phases; an exception from the problem becomes
    // the run's failure. The next master pass ranks it with the others.
    void ScoreMigrant(Individual& individual) {
        try {
            Score(individual);
        } catch (...) {
            failure_.Note(std::current_exception());
        }
    }

private:
    // Generator streams of a run, each a function of the run seed, the
    // generation and a slot alone: the survival's and the tournaments' of
    // each generation, one per individual of the first population, one per
    // child slot of each generation.
    static constexpr std::uint64_t kSurvivalStreams = std::uint64_t{1} << 32;
    static constexpr std::uint64_t kTournamentStreams = std::uint64_t{2} << 32;
    static constexpr std::uint64_t kInitStreams = std::uint64_t{3} << 32;
    static constexpr std::uint64_t kGenerationStreams = std::uint64_t{5} << 32;

    enum class Phase { kFirst, kBreed };

    // The initialisation: the work itself is the first slave phase, shared
    // by the threads.
    int Start() {
        phase_ = Phase::kFirst;
        next_.store(0, std::memory_order_relaxed);
        return kDone;
    }

    // A slave thread's share of a phase: slots taken one at a time until none
    // is left or a failure stops the phase.
    int Work(std::uint32_t = 0) {
        try {
            for (;;) {
                if (failure_.Failed()) return kStop;
                const std::uint32_t i = next_.fetch_add(1, std::memory_order_relaxed);
                if (i >= n_) return kDone;
                if (phase_ == Phase::kFirst) {
                    MakeFirst(i);
                } else {
                    Breed(i);
                }
            }
        } catch (...) {
            failure_.Note(std::current_exception());
            return kStop;
        }
    }

    void MakeFirst(std::uint32_t i) {
        Individual& individual = *population_.GetIndividual(i);
        if (!settings_.resumed) {
            Random random = Random::Stream(settings_.runSeed, kInitStreams + i);
            const std::span<Gene> genes(individual.GetGenes(), individual.GetLength());
            kind_.Init(genes, random);
            if constexpr (HasImprove<Problem>) problem_.improve(genes, random);
        }
        Score(individual);
    }

    void Breed(std::uint32_t i) {
        Random random(
            run::DeriveSeed(run::DeriveSeed(settings_.runSeed, kGenerationStreams + generation_), i));
        Individual& first = *population_.GetIndividual(pairs_[2 * std::size_t{i}]);
        Individual& second = *population_.GetIndividual(pairs_[2 * std::size_t{i} + 1]);
        const std::span<const Gene> parents[2] = {
            std::span<const Gene>(first.GetGenes(), first.GetLength()),
            std::span<const Gene>(second.GetGenes(), second.GetLength())};
        Individual& child = *children_.GetIndividual(i);
        const std::span<Gene> genes(child.GetGenes(), child.GetLength());
        operators_.Breed(kind_, std::span<const std::span<const Gene>>(parents, 2), genes, random);
        if constexpr (HasImprove<Problem>) problem_.improve(genes, random);
        Score(child);
        CountStep();
    }

    void Score(Individual& individual) {
        const std::span<const Gene> genes(individual.GetGenes(), individual.GetLength());
        Scores<M> scores;
        scores.objectives = problem_.objectives(genes);
        if constexpr (HasConstraints<Problem>)
            scores.violation = objectives::TotalViolation(problem_.constraints(genes));
        individual.SetFitness(scores);
        CountEvaluation();
    }

    int MasterPass() {
        if (settings_.threads == 0) Work();
        if (failure_.Failed()) return kStop;
        if (phase_ == Phase::kBreed) Survive();
        RankPopulation();
        ChooseParents();
        ++generation_;
        phase_ = Phase::kBreed;
        next_.store(0, std::memory_order_relaxed);
        return kDone;
    }

    // The generator of one of the master's tasks in this generation.
    Random Stream(std::uint64_t task) const {
        return Random(run::DeriveSeed(run::DeriveSeed(settings_.runSeed, task), generation_));
    }

    // Copies the objectives and violations of `count` individuals (parents,
    // then children when count is 2N) into the merged arrays.
    void Gather(std::uint32_t count) {
        for (std::uint32_t k = 0; k < count; ++k) {
            Individual& individual =
                k < n_ ? *population_.GetIndividual(k) : *children_.GetIndividual(k - n_);
            const Scores<M>& scores = *individual.GetFitness();
            std::copy(scores.objectives.begin(), scores.objectives.end(),
                      merged_.begin() + std::size_t{k} * M);
            violations_[k] = scores.violation;
        }
    }

    objectives::Survivors Select(std::uint32_t count) {
        const objectives::PointSet points(std::span<const double>(merged_).first(std::size_t{count} * M), M);
        const std::span<const double> violations = std::span<const double>(violations_).first(count);
        if (!nsga3_) return objectives::SurviveNsga2(points, violations, n_);
        Random random = Stream(kSurvivalStreams);
        return objectives::SurviveNsga3(points, violations, n_, objectives::PointSet(directions_, M), random);
    }

    // The ranking of the population for the tournaments, as a survival of all
    // of it gives it (its own fronts and crowding distances): a function of
    // the population alone, so that a run resumed from a dump of it goes on
    // as the run that wrote the dump did.
    void RankPopulation() {
        Gather(n_);
        const objectives::Survivors ranked = Select(n_);
        for (std::uint32_t i = 0; i < n_; ++i) {
            rank_[i] = ranked.fronts.rank[i];
            crowding_[i] = ranked.crowding[i];
        }
    }

    // Parents and children sorted together; the survivors become the
    // population: surviving parents keep their places, surviving children
    // move into the places of the parents that did not survive, in index
    // order.
    void Survive() {
        Gather(2 * n_);
        const objectives::Survivors survivors = Select(2 * n_);
        std::vector<std::uint32_t> holes;
        std::vector<bool> kept(n_, false);
        for (const std::uint32_t k : survivors.kept) {
            if (k < n_) kept[k] = true;
        }
        for (std::uint32_t i = 0; i < n_; ++i) {
            if (!kept[i]) holes.push_back(i);
        }
        std::size_t hole = 0;
        for (const std::uint32_t k : survivors.kept) {
            if (k < n_) continue;
            Individual& parent = *population_.GetIndividual(holes[hole++]);
            Individual& child = *children_.GetIndividual(k - n_);
            std::swap(parent.genes, child.genes);
            std::swap(parent.fitness, child.fitness);
        }
    }

    // Binary tournaments on the generation's stream, two per child slot:
    // the lower rank wins (feasibility first, then the front), then the
    // larger crowding distance (NSGA-II), then a coin.
    void ChooseParents() {
        Random random = Stream(kTournamentStreams);
        for (std::size_t slot = 0; slot < pairs_.size(); ++slot) {
            const std::uint32_t a = random.Below(n_);
            std::uint32_t b = random.Below(n_ - 1);
            if (b >= a) ++b;
            pairs_[slot] = objectives::Tournament(rank_, crowding_, a, b, random);
        }
    }

    const Problem& problem_;
    const Kind& kind_;
    const Operators& operators_;
    Population& population_;
    GenerationalSettings settings_;
    const std::uint32_t n_;
    Population children_;
    bool nsga3_ = false;
    std::vector<double> directions_;

    // Written by the master between phases, read by the slave threads during
    // them.
    Phase phase_ = Phase::kFirst;
    std::uint64_t generation_ = 0;
    std::vector<std::uint32_t> pairs_;  // the parents of child slot i: entries 2i and 2i + 1
    // Master only: the ranking of the population for the tournaments, and
    // the merged objectives and violations of parents and children.
    std::vector<std::uint32_t> rank_;
    std::vector<double> crowding_;
    std::vector<double> merged_;
    std::vector<double> violations_;

    // The next slot of a phase; reset by the master between phases. A
    // counter only: relaxed.
    std::atomic<std::uint32_t> next_{0};
    FirstFailure failure_;

    SchemeCall<Generational, &Generational::Start> init_;
    SchemeSlaveCall<Generational, &Generational::Work> slave_;
    SchemeCall<Generational, &Generational::MasterPass> masterOperator_;
};

}  // namespace zarnel::detail
