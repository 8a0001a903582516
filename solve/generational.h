#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <optional>
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
#include "platform/console.h"
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
    // While the first population is made: the time limit, and whether end
    // requests (platform::EndRequested) stop it too.
    std::optional<std::chrono::steady_clock::time_point> deadline;
    bool endRequests = false;
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
//
// The number of objectives M and of constraints K are the problem's at run
// time (ObjectiveCountOf, ConstraintCountOf): objectives and violations are
// kept beside the individuals, M + 1 numbers per slot of the population and
// of the children, and each individual's own fitness is its place in the
// last ranking as one number, higher better (RankingKey), which is what
// islands choose their migrants by. A slot that was never scored (a first
// population cut short) has NaN objectives and ranks last.
template <class Problem, class Operators>
class Generational {
public:
    using Kind = KindOf<Problem>;
    using Gene = typename Kind::Gene;
    using Individual = CIndividual<Gene, double>;
    using Population = CPopulation<Individual>;

    // Throws std::invalid_argument for a population of fewer than 2
    // individuals, a problem of fewer than 2 objectives, and NSGA-III
    // directions that are empty or not whole points of M values.
    Generational(const Problem& problem, const Kind& kind, const Operators& operators, Population& population,
                 const GenerationalSettings& settings)
        : problem_(problem),
          kind_(kind),
          operators_(operators),
          population_(population),
          settings_(settings),
          n_(population.size),
          m_(ObjectiveCountOf(problem)),
          k_(ConstraintCountOf(problem)),
          children_(population.size, population.size != 0 ? population.GetIndividual(0)->GetLength() : 0),
          generation_(settings.firstGeneration),
          init_(*this),
          slave_(*this),
          masterOperator_(*this) {
        if (n_ < 2) throw std::invalid_argument("the generational scheme needs at least 2 individuals");
        if (m_ < 2) throw std::invalid_argument("the generational scheme needs at least 2 objectives");
        nsga3_ = settings_.survival == SurvivalKind::kNsga3 ||
                 (settings_.survival == SurvivalKind::kAutomatic && m_ > 3);
        if (nsga3_) {
            directions_ =
                settings_.directions.empty() ? objectives::DefaultDirections(m_, n_) : settings_.directions;
            const objectives::PointSet check(directions_, m_);  // whole points, or it throws
            if (check.Size() == 0)
                throw std::invalid_argument("NSGA-III needs at least one reference direction");
        }
        pairs_.resize(2 * std::size_t{n_});
        rank_.assign(n_, 0);
        crowding_.assign(n_, 0.0);
        merged_.resize(2 * std::size_t{n_} * m_);
        violations_.resize(2 * std::size_t{n_});
        // Unscored: NaN objectives, an infinite violation.
        scores_.assign(std::size_t{n_} * (m_ + 1), std::numeric_limits<double>::quiet_NaN());
        childScores_.assign(scores_.size(), std::numeric_limits<double>::quiet_NaN());
        for (std::uint32_t i = 0; i < n_; ++i) {
            Row(scores_, i)[m_] = std::numeric_limits<double>::infinity();
            Row(childScores_, i)[m_] = std::numeric_limits<double>::infinity();
            population_.GetIndividual(i)->SetFitness(-std::numeric_limits<double>::infinity());
        }
        const std::uint32_t scratches = std::max<std::uint32_t>(settings_.threads, 1) + 1;
        constraints_.assign(std::size_t{scratches} * k_, 0.0);
        if constexpr (kBatches) {
            chunkGenes_.resize(scratches);
            chunkValues_.resize(scratches);
            // About four chunks per thread and phase: few calls, and threads
            // that finish early still find work.
            const std::uint32_t parts = 4 * std::max<std::uint32_t>(settings_.threads, 1);
            chunk_ = std::max<std::uint32_t>(1, (n_ + parts - 1) / parts);
        }
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
    // Ends the run as a failure of the problem's code: an exception from a
    // callback of the caller's. Any thread.
    void Fail(std::exception_ptr failure) { failure_.Note(std::move(failure)); }
    // The time limit or an end request came while the first population was
    // made; it holds the individuals 0 … FirstPopulationMade() − 1 only.
    bool Interrupted() const { return interrupted_.load(std::memory_order_relaxed); }
    std::uint32_t FirstPopulationMade() const { return std::min(next_.load(std::memory_order_relaxed), n_); }
    bool UsesNsga3() const { return nsga3_; }
    // NSGA-III's reference directions (empty for NSGA-II).
    std::span<const double> Directions() const { return directions_; }
    std::size_t ObjectiveCount() const { return m_; }
    std::size_t ConstraintCount() const { return k_; }
    // The objectives and the total violation of individual i, as last scored.
    std::span<const double> Objectives(std::uint32_t i) const {
        return std::span<const double>(scores_).subspan(std::size_t{i} * (m_ + 1), m_);
    }
    double Violation(std::uint32_t i) const { return scores_[std::size_t{i} * (m_ + 1) + m_]; }
    // The generation the next slave phase breeds (firstGeneration + master
    // passes).
    std::uint64_t Generation() const { return generation_; }
    // The front of individual i of the population as the last master pass
    // ranked it (0: the first; infeasible individuals rank after every
    // feasible one).
    std::uint32_t Rank(std::uint32_t i) const { return rank_[i]; }
    // The indices, increasing, of the feasible individuals of the first
    // front of the population as it is now (sorted afresh, so migrants that
    // came after the last ranking count): the run's answer.
    std::vector<std::uint32_t> Front() {
        Gather(n_);
        const objectives::PointSet points(std::span<const double>(merged_).first(std::size_t{n_} * m_), m_);
        const objectives::Fronts fronts =
            objectives::NonDominatedSort(points, std::span<const double>(violations_).first(n_));
        std::vector<std::uint32_t> front;
        for (std::uint32_t i = 0; i < n_; ++i) {
            if (fronts.rank[i] == 0 && objectives::RankViolation(Objectives(i), Violation(i)) == 0.0)
                front.push_back(i);
        }
        return front;
    }
    // Scores an individual that came from elsewhere (another island), on the
    // master thread between phases; an exception from the problem becomes
    // the run's failure. It keeps the fitness it came with until the next
    // master pass ranks it with the others.
    void ScoreMigrant(Individual& individual) {
        try {
            const auto i = static_cast<std::uint32_t>(&individual - population_.GetIndividual(0));
            Score(individual, Row(scores_, i), MasterScratch());
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
    // is left or a failure stops the phase. While the first population is
    // made, the time limit and end requests are looked at before each slot
    // is taken, so that a first population that takes long stops in time;
    // the slots taken by then are finished, and they are those below the
    // counter.
    int Work(std::uint32_t threadIndex = 0) {
        try {
            for (;;) {
                if (failure_.Failed()) return kStop;
                // The master pass still ranks a first population cut short
                // (and then ends the run).
                if (phase_ == Phase::kFirst) {
                    if (interrupted_.load(std::memory_order_relaxed)) return kDone;
                    if (FirstPopulationDue()) {
                        interrupted_.store(true, std::memory_order_relaxed);
                        return kDone;
                    }
                }
                if constexpr (kBatches) {
                    const std::uint32_t first = next_.fetch_add(chunk_, std::memory_order_relaxed);
                    if (first >= n_) return kDone;
                    WorkChunk(first, std::min(first + chunk_, n_), threadIndex);
                    continue;
                }
                const std::uint32_t i = next_.fetch_add(1, std::memory_order_relaxed);
                if (i >= n_) return kDone;
                if (phase_ == Phase::kFirst) {
                    MakeFirst(i, threadIndex);
                } else {
                    Breed(i, threadIndex);
                }
            }
        } catch (...) {
            failure_.Note(std::current_exception());
            return kStop;
        }
    }

    // The time limit has passed, or an end request came.
    bool FirstPopulationDue() const {
        if (settings_.endRequests && platform::EndRequested()) return true;
        return settings_.deadline && std::chrono::steady_clock::now() >= *settings_.deadline;
    }

    void MakeFirst(std::uint32_t i, std::uint32_t threadIndex) {
        MakeGenes(i);
        Score(*population_.GetIndividual(i), Row(scores_, i), Scratch(threadIndex));
    }

    void MakeGenes(std::uint32_t i) {
        if (settings_.resumed) return;
        Individual& individual = *population_.GetIndividual(i);
        Random random = Random::Stream(settings_.runSeed, kInitStreams + i);
        const std::span<Gene> genes(individual.GetGenes(), individual.GetLength());
        kind_.Init(genes, random);
        ImproveAndCheck(problem_, kind_, genes, random);
    }

    void Breed(std::uint32_t i, std::uint32_t threadIndex) {
        BreedGenes(i);
        Score(*children_.GetIndividual(i), Row(childScores_, i), Scratch(threadIndex));
        CountStep();
    }

    void BreedGenes(std::uint32_t i) {
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
        ImproveAndCheck(problem_, kind_, genes, random);
    }

    // Slots [first, end) of a phase of a problem that scores in batches: every
    // genome made or bred as one at a time would be (each slot's streams are
    // its own), then all scored in one call each for the objectives and the
    // constraints, which give what the one-genome calls give. A call that
    // throws leaves its rows unscored, as Score does.
    void WorkChunk(std::uint32_t first, std::uint32_t end, std::uint32_t threadIndex) {
        const bool breeding = phase_ == Phase::kBreed;
        Population& individuals = breeding ? children_ : population_;
        std::vector<double>& table = breeding ? childScores_ : scores_;
        const std::size_t count = end - first;
        std::vector<Gene>& genes = chunkGenes_[threadIndex];
        std::vector<double>& values = chunkValues_[threadIndex];
        genes.clear();
        for (std::uint32_t i = first; i < end; ++i) {
            if (breeding) {
                BreedGenes(i);
            } else {
                MakeGenes(i);
            }
            Individual& individual = *individuals.GetIndividual(i);
            genes.insert(genes.end(), individual.GetGenes(), individual.GetGenes() + individual.GetLength());
            CountEvaluation();
            const std::span<double> row = Row(table, i);
            std::fill(row.begin(), row.end(), std::numeric_limits<double>::quiet_NaN());
            row[m_] = std::numeric_limits<double>::infinity();
        }
        values.resize(count * std::max(m_, k_));
        problem_.batchObjectives(std::span<const Gene>(genes), std::span<double>(values).first(count * m_));
        for (std::size_t j = 0; j < count; ++j) {
            const std::span<const double> objectives = std::span<const double>(values).subspan(j * m_, m_);
            std::copy(objectives.begin(), objectives.end(), Row(table, first + j).begin());
        }
        if (k_ != 0)
            problem_.batchConstraints(std::span<const Gene>(genes),
                                      std::span<double>(values).first(count * k_));
        for (std::size_t j = 0; j < count; ++j) {
            Row(table, first + j)[m_] =
                k_ == 0 ? 0.0
                        : objectives::TotalViolation(std::span<const double>(values).subspan(j * k_, k_));
            if (breeding) CountStep();
        }
    }

    // Row i of a score table: M objectives, then the violation.
    std::span<double> Row(std::vector<double>& table, std::uint32_t i) {
        return std::span<double>(table).subspan(std::size_t{i} * (m_ + 1), m_ + 1);
    }
    // K values of constraint scratch for slave thread j (the master's own
    // inline phase uses 0), and for the master between phases.
    std::span<double> Scratch(std::uint32_t threadIndex) {
        return std::span<double>(constraints_).subspan(std::size_t{threadIndex} * k_, k_);
    }
    std::span<double> MasterScratch() {
        return std::span<double>(constraints_).subspan(constraints_.size() - k_, k_);
    }

    // Counted before the call: a problem that throws was still tried. The
    // row is NaN until the objectives return.
    void Score(Individual& individual, std::span<double> row, std::span<double> scratch) {
        CountEvaluation();
        std::fill(row.begin(), row.end(), std::numeric_limits<double>::quiet_NaN());
        row[m_] = std::numeric_limits<double>::infinity();
        const std::span<const Gene> genes(individual.GetGenes(), individual.GetLength());
        WriteObjectives(problem_, genes, row.first(m_));
        row[m_] = ViolationOf(problem_, genes, scratch);
    }

    int MasterPass() {
        if (settings_.threads == 0) Work();
        if (failure_.Failed()) return kStop;
        if (phase_ == Phase::kBreed) Survive();
        RankPopulation();
        // A first population cut short is ranked as it is, and the run ends.
        if (interrupted_.load(std::memory_order_relaxed)) return kStop;
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
            const std::span<double> row = k < n_ ? Row(scores_, k) : Row(childScores_, k - n_);
            std::copy(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(m_),
                      merged_.begin() + static_cast<std::ptrdiff_t>(std::size_t{k} * m_));
            violations_[k] = row[m_];
        }
    }

    objectives::Survivors Select(std::uint32_t count) {
        const objectives::PointSet points(std::span<const double>(merged_).first(std::size_t{count} * m_),
                                          m_);
        const std::span<const double> violations = std::span<const double>(violations_).first(count);
        if (!nsga3_) return objectives::SurviveNsga2(points, violations, n_);
        Random random = Stream(kSurvivalStreams);
        return objectives::SurviveNsga3(points, violations, n_, objectives::PointSet(directions_, m_),
                                        random);
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
            population_.GetIndividual(i)->SetFitness(RankingKey(rank_[i], crowding_[i]));
        }
    }

    // A rank and a crowding distance as one number that orders as the
    // tournaments do: the lower rank first, then the larger distance.
    static double RankingKey(std::uint32_t rank, double crowding) {
        const double spread = std::isnan(crowding) ? 0.0 : crowding;
        return -static_cast<double>(rank) - 0.5 / (1.0 + spread);
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
            const std::uint32_t place = holes[hole++];
            Individual& parent = *population_.GetIndividual(place);
            Individual& child = *children_.GetIndividual(k - n_);
            std::swap(parent.genes, child.genes);
            const std::span<double> from = Row(childScores_, k - n_);
            std::copy(from.begin(), from.end(), Row(scores_, place).begin());
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
    const std::size_t m_;  // objectives
    const std::size_t k_;  // constraints
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
    // The scores of the population and of the children, M + 1 per slot
    // (Row): a slot's row is written by the thread that took the slot during
    // a phase, read by the master after it.
    std::vector<double> scores_;
    std::vector<double> childScores_;
    // Constraint scratch, K per slave thread and one more for the master.
    std::vector<double> constraints_;
    // A problem that scores in batches (BatchesObjectives): the slots a
    // thread takes at once, and per thread the genes and the values of its
    // chunk (entry j is slave thread j's alone, as Scratch's).
    static constexpr bool kBatches = BatchesObjectives<Problem>;
    std::uint32_t chunk_ = 1;
    std::vector<std::vector<Gene>> chunkGenes_;
    std::vector<std::vector<double>> chunkValues_;

    // The next slot of a phase; reset by the master between phases, but
    // after a first population cut short, whose slots below it are the ones
    // made. A counter only: relaxed.
    std::atomic<std::uint32_t> next_{0};
    // Set by any thread during the first phase, read by the others only to
    // end their phase early and by the master after it: relaxed.
    std::atomic<bool> interrupted_{false};
    FirstFailure failure_;

    SchemeCall<Generational, &Generational::Start> init_;
    SchemeSlaveCall<Generational, &Generational::Work> slave_;
    SchemeCall<Generational, &Generational::MasterPass> masterOperator_;
};

}  // namespace zarnel::detail
