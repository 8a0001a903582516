#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <mutex>
#include <numeric>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/claim_guard.h"
#include "framework/individual.h"
#include "framework/operator.h"
#include "framework/population.h"
#include "framework/thread_stats.h"
#include "genome/random.h"
#include "platform/console.h"
#include "solve/fitness_key.h"
#include "solve/lanes.h"
#include "solve/objectives_problem.h"
#include "solve/phase_sizer.h"
#include "solve/population_io.h"
#include "solve/problem.h"
#include "solve/result.h"
#include "solve/scheme_parts.h"
#include "solve/step_share.h"

namespace zarnel::detail {

// The fitness the engine ranks by, higher better: the problem's own, or
// minus it for a problem that minimises. It is its own inverse, so it also
// turns a ranked fitness back into the problem's value.
template <class Problem>
double RankedFitness(double fitness) {
    if constexpr (Minimises<Problem>()) {
        return -fitness;
    } else {
        return fitness;
    }
}

// What one run of the scheme is given, fixed for the run.
struct SchemeSettings {
    std::uint64_t runSeed = 0;
    std::uint32_t threads = 0;     // slave threads; 0: the master runs the steps
    std::uint32_t tournament = 3;  // individuals claimed per step
    std::uint32_t fixedSteps = 0;  // steps per phase (per lane when deterministic); 0: sized
    std::optional<double> target;  // as a ranked fitness (RankedFitness)
    bool deterministic = false;
    // A new population is made by the kind's Init and the problem's improve;
    // a resumed one is only scored.
    bool resumed = false;
    // While the first population is made: the time limit, and whether end
    // requests (platform::EndRequested) stop it too.
    std::optional<std::chrono::steady_clock::time_point> deadline;
    bool endRequests = false;
    // A stop the program asked for (SolveOptions::stop): it stops the first
    // population as an end request does.
    std::stop_token stop;
    // Children per batchFitness call, for a problem that has one (RunPlan::batch).
    std::uint32_t batch = 1;
};

// The lanes of a deterministic run: a count that depends on the population
// and the tournament size, never on the threads, so every thread count
// divides the same work the same way.
using lanes::LaneCount;

// The steady-state scheme of one run on the master–slave engine. Each
// tournament step claims `tournament` individuals, breeds one child from the
// best two (and the rest, for operators that use more) into the worst one,
// improves it when the problem can (the kind's Check then vouches for the
// genome), and scores it. The population's best, as
// the last master pass found it, is never the one replaced. The master pass
// finds the best, notes improvements, sizes the next slave phase and stops the
// run on the target.
//
// Two ways to share the steps among the slave threads:
//   - default: every thread claims individuals anywhere in the population
//     through the busy flags, with a generator stream of its own; which
//     individuals meet depends on timing, so a seed repeats a run only with
//     one slave thread. With two or more slave threads the phase's steps
//     (the steps per thread times the threads) are handed out as the threads
//     come free (StepShare), so a thread whose children take long does fewer
//     of them instead of keeping the others waiting at the phase's end. A
//     phase sized from its cost (no fixed step count) also looks at the
//     clock about every millisecond of steps, and ends early once the time
//     limit has passed or an end request or a stop has come, so that a
//     phase grown long by the sizer does not delay them.
//   - deterministic: a fixed number of lanes (LaneCount), each with its own
//     stream; before every slave phase the master deals the population out
//     into one disjoint slice per lane, from its own stream. A lane's steps
//     touch only its slice, and threads take whole lanes, so the result is
//     the same for every thread count.
//
// Owns the generators and the slices; points to the problem, kind,
// operators and population, which the caller keeps alive for the scheme's
// life. The three operators it hands to the engine follow the engine's
// rules: Init on the constructing thread, the slave operator on every slave
// thread at once, the master operator on the thread that calls Run while the
// slave threads wait. Everything the master writes for a phase (the step
// count, the protected index, the slices, the lane counter) is written while
// the slave threads wait and read by them after their start event, which
// orders it; the stop, interruption and failure flags and the step share's
// counter are the only data written during a phase.
//
// Every fitness is kept as RankedFitness, higher better; an individual's
// fitness is NaN from the moment its genes change until its fitness returns,
// so a fitness or improve that throws leaves no stale number behind. A
// problem with constraints keeps each fitness with its total violation
// (ConstrainedFitness) and ranks by the feasibility rules (FeasibilityKey)
// wherever individuals are compared: in the tournaments, so in who is
// replaced, and in the protected best.
//
// A problem with batchFitness is scored in batches: a thread breeds up to
// `batch` children, each by a tournament step as above, before it scores
// them all in one call. A child waiting for its score stays out of every
// other step: in the default mode its claim is kept until it is scored (the
// parents' claims are given back at once), in the deterministic mode it
// leaves its lane's slice until then. Every batch is scored before the
// slave phase ends, so the master pass sees every fitness. The first
// population is scored in batches of the same size. A deterministic thread
// takes a group of lanes at once and breeds the batch of each in turn, so a
// call scores the children of all its lanes; which lanes share a call
// depends on the threads, what each lane does does not.
template <class Problem, class Operators>
class SteadyState {
public:
    using Kind = KindOf<Problem>;
    using Gene = typename Kind::Gene;
    static constexpr bool kConstrained = ConstrainedProblem<Problem>;
    using Fitness = std::conditional_t<kConstrained, ConstrainedFitness, double>;
    using Individual = CIndividual<Gene, Fitness>;
    using Population = CPopulation<Individual>;
    static constexpr std::uint32_t kMaxTournament = 16;
    static constexpr bool kBatches = HasBatchFitness<Problem>;

    SteadyState(const Problem& problem, const Kind& kind, const Operators& operators, Population& population,
                const SchemeSettings& settings)
        : problem_(problem),
          kind_(kind),
          operators_(operators),
          population_(population),
          settings_(settings),
          constraints_(ConstraintCountOf(problem)),
          master_(Random::Stream(settings.runSeed, kMasterStream)),
          init_(*this),
          slave_(*this),
          masterOperator_(*this) {
        for (std::uint32_t i = 0; i < population.size; ++i)
            population.GetIndividual(i)->SetFitness(NoFitness());
        const std::uint32_t generators = std::max<std::uint32_t>(settings.threads, 1);
        for (std::uint32_t j = 0; j < generators; ++j)
            threadRandom_.push_back(Random::Stream(settings.runSeed, j));
        workSeconds_.assign(generators, 0.0);
        if constexpr (kBatches) batches_.resize(generators);
        if (settings_.deterministic) {
            const std::uint32_t lanes = LaneCount(population.size, settings.tournament);
            for (std::uint32_t l = 0; l < lanes; ++l)
                laneRandom_.push_back(Random::Stream(settings.runSeed, kLaneStreams + l));
            order_.resize(population.size);
            laneBegin_.resize(lanes + 1);
        }
        steps_ = settings_.fixedSteps != 0 ? settings_.fixedSteps : DefaultSteps();
        shared_ = !settings_.deterministic && settings_.threads >= 2;
        sized_ = !settings_.deterministic && settings_.fixedSteps == 0;
    }

    SteadyState(const SteadyState&) = delete;
    SteadyState& operator=(const SteadyState&) = delete;

    COperatorBase* InitOperator() { return &init_; }
    CSlaveOperatorBase* SlaveOperator() { return &slave_; }
    COperatorBase* MasterOperator() { return &masterOperator_; }

    // Between Run calls only (the slave threads wait).
    bool Reached() const { return reached_.load(std::memory_order_relaxed); }
    bool Failed() const { return failed_.load(std::memory_order_relaxed); }
    // The time limit or an end request came while the first population was
    // made; it holds the individuals 0 … FirstPopulationMade() − 1 only.
    bool Interrupted() const { return interrupted_.load(std::memory_order_relaxed); }
    std::uint32_t FirstPopulationMade() const {
        return std::min(nextInit_.load(std::memory_order_relaxed), population_.size);
    }
    // Ends the run as a failure of the problem's code: an exception from a
    // callback of the caller's. Any thread.
    void Fail(std::exception_ptr failure) { NoteFailure(std::move(failure)); }
    // The first exception that left the problem's code, if any.
    std::exception_ptr Failure() const {
        const std::lock_guard<std::mutex> lock(failureMutex_);
        return failure_;
    }
    std::uint32_t BestIndex() const { return best_; }
    // Scores an individual that came from another island, on the master
    // thread between phases; an exception from the fitness becomes the run's
    // failure, as on a slave thread.
    void ScoreMigrant(Individual& individual) {
        try {
            individual.SetFitness(NoFitness());
            Score(individual);
        } catch (...) {
            NoteFailure(std::current_exception());
        }
    }
    // Master passes since the best last improved.
    std::uint64_t SinceImprovement() const { return passes_ - improvedAt_; }
    std::uint32_t StepsPerPhase() const { return steps_; }
    // The fitness of an individual whose genes are not scored yet.
    static Fitness NoFitness() {
        constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
        if constexpr (kConstrained) {
            return Constrained(kNaN, kNaN);
        } else {
            return kNaN;
        }
    }
    std::uint32_t Lanes() const { return static_cast<std::uint32_t>(laneRandom_.size()); }

private:
    // Generator streams of a run, apart from the slave threads' 0 … threads−1.
    static constexpr std::uint64_t kMasterStream = std::uint64_t{1} << 32;
    static constexpr std::uint64_t kLaneStreams = std::uint64_t{2} << 32;
    static constexpr std::uint64_t kInitStreams = std::uint64_t{3} << 32;
    using Key = decltype(KeyOf(std::declval<Fitness>()));

    // The children of one batch, bred and waiting for their score, the
    // claims that keep them out of every other step (default mode) and the
    // call's arrays. Entry j of batches_ is slave thread j's alone.
    struct Batch {
        std::vector<Individual*> children;
        std::vector<ClaimGuard<Population>> claims;
        std::vector<Gene> genomes;
        std::vector<double> fitness;
        std::vector<double> constraints;  // K per child, for a problem that batches them
        // Forgets the children and gives their claims back.
        void Clear() {
            children.clear();
            claims.clear();
        }
    };
    // Empties a batch however its scope ends, so a step or a call that throws
    // leaves no claim behind.
    class BatchScope {
    public:
        explicit BatchScope(Batch& batch) : batch_(batch) {}
        BatchScope(const BatchScope&) = delete;
        BatchScope& operator=(const BatchScope&) = delete;
        ~BatchScope() { batch_.Clear(); }

    private:
        Batch& batch_;
    };

    class InitPass final : public COperatorBase {
    public:
        explicit InitPass(SteadyState& scheme) : scheme_(scheme) {}
        // The work itself is the first slave phase (Prepare), shared by the
        // threads; here only the slices for it are dealt.
        int Execute() override {
            scheme_.initPending_ = true;
            scheme_.nextInit_.store(0, std::memory_order_relaxed);
            return kDone;
        }

    private:
        SteadyState& scheme_;
    };

    class SlavePhase final : public CSlaveOperatorBase {
    public:
        explicit SlavePhase(SteadyState& scheme) : scheme_(scheme) {}
        using CSlaveOperatorBase::Execute;
        int Execute(std::uint32_t threadIndex, std::uint32_t) override { return scheme_.Phase(threadIndex); }

    private:
        SteadyState& scheme_;
    };

    class MasterPassOperator final : public COperatorBase {
    public:
        explicit MasterPassOperator(SteadyState& scheme) : scheme_(scheme) {}
        int Execute() override { return scheme_.MasterPass(); }

    private:
        SteadyState& scheme_;
    };

    std::uint32_t DefaultSteps() const {
        if (!settings_.deterministic) return 1;  // the sizer grows it from the measured cost
        const std::uint32_t slice = population_.size / Lanes();
        return std::max<std::uint32_t>(1, slice / 2);
    }

    // One slave phase of thread `threadIndex` (the master's inline phase
    // when there are no slave threads), timed: the time spent on the steps
    // themselves, without the hand-over, is what the next phase is sized by.
    int Phase(std::uint32_t threadIndex) {
        const auto start = std::chrono::steady_clock::now();
        const int status = PhaseSteps(threadIndex);
        workSeconds_[threadIndex] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return status;
    }

    int PhaseSteps(std::uint32_t threadIndex) {
        try {
            if constexpr (kBatches) {
                Batch& batch = batches_[threadIndex];
                const BatchScope scope{batch};
                if (initPending_) {
                    PrepareBatches(batch);
                    return kDone;
                }
                return BatchPhase(threadIndex, batch);
            }
            if (initPending_) {
                Prepare();
                return kDone;
            }
            if (settings_.deterministic) {
                for (;;) {
                    const std::uint32_t lane = nextLane_.fetch_add(1, std::memory_order_relaxed);
                    if (lane >= Lanes()) return kDone;
                    RunLane(lane);
                }
            }
            Random& random = threadRandom_[threadIndex];
            int status = kDone;
            TakeSteps([&] {
                if (stop_.load(std::memory_order_relaxed)) {
                    status = kStop;
                } else if (Step(random, [&] { return random.Below(population_.size); })) {
                    reached_.store(true, std::memory_order_relaxed);
                    stop_.store(true, std::memory_order_relaxed);
                    status = kStop;
                }
                return status == kDone;
            });
            return status;
        } catch (...) {
            NoteFailure(std::current_exception());
            return kStop;
        }
    }

    // Makes and scores the first population: individual i from a stream of
    // its own, whichever thread takes it, so it is the same for every thread
    // count. The time limit and end requests are looked at before each
    // individual is taken, so a first population that takes long stops in
    // time; the individuals taken by then are finished, and they are those
    // below the counter.
    void Prepare() {
        for (;;) {
            if (stop_.load(std::memory_order_relaxed)) return;
            if (Due()) {
                interrupted_.store(true, std::memory_order_relaxed);
                stop_.store(true, std::memory_order_relaxed);
                return;
            }
            const std::uint32_t i = nextInit_.fetch_add(1, std::memory_order_relaxed);
            if (i >= population_.size) return;
            Individual* individual = population_.GetIndividual(i);
            const std::span<Gene> genes(individual->GetGenes(), individual->GetLength());
            if (!settings_.resumed) {
                Random random = Random::Stream(settings_.runSeed, kInitStreams + i);
                kind_.Init(genes, random);
                ImproveAndCheck(problem_, kind_, genes, random);
            }
            Score(*individual);
        }
    }

    // The first population of a problem scored in batches: the same
    // individuals from the same streams, taken a batch at a time.
    void PrepareBatches(Batch& batch) {
        for (;;) {
            if (stop_.load(std::memory_order_relaxed)) return;
            if (Due()) {
                interrupted_.store(true, std::memory_order_relaxed);
                stop_.store(true, std::memory_order_relaxed);
                return;
            }
            const std::uint32_t first = nextInit_.fetch_add(settings_.batch, std::memory_order_relaxed);
            if (first >= population_.size) return;
            const std::uint32_t last = std::min(first + settings_.batch, population_.size);
            for (std::uint32_t i = first; i < last; ++i) {
                Individual* individual = population_.GetIndividual(i);
                if (!settings_.resumed) {
                    const std::span<Gene> genes(individual->GetGenes(), individual->GetLength());
                    Random random = Random::Stream(settings_.runSeed, kInitStreams + i);
                    kind_.Init(genes, random);
                    ImproveAndCheck(problem_, kind_, genes, random);
                }
                batch.children.push_back(individual);
            }
            ScoreBatch(batch, false);
        }
    }

    // The time limit has passed, or an end request or a stop came.
    bool Due() const {
        if (settings_.endRequests && platform::EndRequested()) return true;
        if (settings_.stop.stop_requested()) return true;
        return settings_.deadline && std::chrono::steady_clock::now() >= *settings_.deadline;
    }

    // One slave phase of a problem scored in batches.
    int BatchPhase(std::uint32_t threadIndex, Batch& batch) {
        if (settings_.deterministic) {
            RunLaneGroups(batch);
            return kDone;
        }
        Random& random = threadRandom_[threadIndex];
        // The child keeps its claim until it is scored; the parents' claims
        // go when the step ends.
        const auto wait = [&](Individual& child, std::uint32_t index, ClaimGuard<Population>* guards) {
            for (std::uint32_t c = 0; c < settings_.tournament; ++c) {
                if (guards[c].Index() == index) {
                    batch.claims.push_back(std::move(guards[c]));
                    break;
                }
            }
            batch.children.push_back(&child);
            return false;
        };
        bool reached = false;
        TakeSteps([&] {
            if (stop_.load(std::memory_order_relaxed)) return false;
            Step(
                random, [&] { return random.Below(population_.size); }, wait);
            if (batch.children.size() == settings_.batch) reached = ScoreBatch(batch, true);
            return !reached;
        });
        // What is bred is scored, unless the run has failed.
        if (!failed_.load(std::memory_order_relaxed) && ScoreBatch(batch, true)) reached = true;
        if (reached) {
            reached_.store(true, std::memory_order_relaxed);
            stop_.store(true, std::memory_order_relaxed);
        }
        return stop_.load(std::memory_order_relaxed) ? kStop : kDone;
    }

    // This thread's steps of a default-mode phase: `step()` once per step
    // until it returns false, or the steps are done, or (in a sized phase,
    // every checkEvery_ steps) Due() says the phase must end. With one slave
    // thread (or none) they are the phase's steps_ steps in turn; with more,
    // runs of them taken from the phase's share as the thread comes free.
    template <class Body>
    void TakeSteps(Body&& step) {
        std::uint32_t done = 0;  // by this thread in this phase
        const auto take = [&] {
            if (checkEvery_ != 0 && done != 0 && done % checkEvery_ == 0 && Due()) return false;
            ++done;
            return step();
        };
        if (!shared_) {
            for (std::uint32_t s = 0; s < steps_; ++s)
                if (!take()) return;
            return;
        }
        for (StepShare::Run run = share_.Take(); run.first < run.last; run = share_.Take()) {
            for (std::uint64_t s = run.first; s < run.last; ++s)
                if (!take()) return;
        }
    }

    // The lanes of a deterministic phase scored in batches: this thread takes
    // a group of lanes and, round after round, breeds up to a batch in each
    // of them and scores all their children in one call.
    void RunLaneGroups(Batch& batch) {
        const std::uint32_t groups = std::max<std::uint32_t>(settings_.threads, 1);
        const std::uint32_t group = (Lanes() + groups - 1) / groups;
        for (;;) {
            const std::uint32_t first = nextLane_.fetch_add(group, std::memory_order_relaxed);
            if (first >= Lanes()) return;
            const std::uint32_t last = std::min(first + group, Lanes());
            for (std::uint32_t done = 0; done < steps_; done += settings_.batch) {
                const std::uint32_t round = std::min(settings_.batch, steps_ - done);
                for (std::uint32_t lane = first; lane < last; ++lane) BreedLaneBatch(lane, round, batch);
                ScoreBatch(batch, true);
            }
        }
    }

    // `count` children of one lane into the batch. A child leaves the open
    // part of its lane's slice (order_[begin, begin + open)) until it is
    // scored, so the lane's later steps neither draw nor replace it.
    void BreedLaneBatch(std::uint32_t lane, std::uint32_t count, Batch& batch) {
        Random& random = laneRandom_[lane];
        const std::uint32_t begin = laneBegin_[lane];
        std::uint32_t open = laneBegin_[lane + 1] - begin;
        std::uint32_t* slice = order_.data() + begin;
        const auto wait = [&](Individual& child, std::uint32_t index, ClaimGuard<Population>*) {
            std::swap(*std::find(slice, slice + open, index), slice[open - 1]);
            --open;
            batch.children.push_back(&child);
            return false;
        };
        for (std::uint32_t s = 0; s < count; ++s)
            Step(
                random, [&] { return slice[random.Below(open)]; }, wait);
    }

    // Scores the batch's children in one batchFitness call, each counted as
    // an evaluation before it (and as a step after it, with `steps`), and
    // empties the batch; true when a child reached the target.
    bool ScoreBatch(Batch& batch, bool steps) {
        const std::size_t count = batch.children.size();
        if (count == 0) return false;
        const std::size_t length = kind_.Length();
        batch.genomes.resize(count * length);
        batch.fitness.assign(count, std::numeric_limits<double>::quiet_NaN());
        for (std::size_t i = 0; i < count; ++i) {
            std::copy_n(batch.children[i]->GetGenes(), length, batch.genomes.data() + i * length);
            CountEvaluation();
        }
        problem_.batchFitness(std::span<const Gene>(batch.genomes), std::span<double>(batch.fitness));
        if constexpr (BatchesConstraints<Problem>) {
            batch.constraints.resize(count * constraints_);
            if (constraints_ != 0)
                problem_.batchConstraints(std::span<const Gene>(batch.genomes),
                                          std::span<double>(batch.constraints));
        }
        bool reached = false;
        for (std::size_t i = 0; i < count; ++i) {
            Individual& child = *batch.children[i];
            if constexpr (BatchesConstraints<Problem>) {
                const double violation =
                    constraints_ == 0
                        ? 0.0
                        : objectives::TotalViolation(std::span<const double>(batch.constraints)
                                                         .subspan(i * constraints_, constraints_));
                child.SetFitness(Constrained(RankedFitness<Problem>(batch.fitness[i]), violation));
            } else if constexpr (kConstrained) {
                const std::span<const Gene> genes(child.GetGenes(), child.GetLength());
                child.SetFitness(Constrained(RankedFitness<Problem>(batch.fitness[i]),
                                             ViolationOf(problem_, genes, constraints_)));
            } else {
                child.SetFitness(RankedFitness<Problem>(batch.fitness[i]));
            }
            if (steps) CountStep();
            if (settings_.target && Reaches(*child.GetFitness(), *settings_.target)) reached = true;
        }
        batch.Clear();
        return reached;
    }

    // The steps of one lane of a deterministic phase, on its slice alone.
    void RunLane(std::uint32_t lane) {
        Random& random = laneRandom_[lane];
        const std::uint32_t begin = laneBegin_[lane];
        const std::uint32_t size = laneBegin_[lane + 1] - begin;
        for (std::uint32_t s = 0; s < steps_; ++s)
            Step(random, [&] { return order_[begin + random.Below(size)]; });
    }

    // Counted before the call: a fitness that throws was still tried. The
    // constraints, if any, after the fitness.
    void Score(Individual& individual) {
        CountEvaluation();
        const std::span<const Gene> genes(individual.GetGenes(), individual.GetLength());
        const double fitness = static_cast<double>(problem_.fitness(genes));
        if constexpr (kConstrained) {
            individual.SetFitness(
                Constrained(RankedFitness<Problem>(fitness), ViolationOf(problem_, genes, constraints_)));
        } else {
            individual.SetFitness(RankedFitness<Problem>(fitness));
        }
    }

    // One tournament step with indices from `draw`, its child scored at
    // once; true when the child reached the target.
    template <class Draw>
    bool Step(Random& random, Draw&& draw) {
        return Step(random, draw, [this](Individual& child, std::uint32_t, ClaimGuard<Population>*) {
            Score(child);
            CountStep();
            return settings_.target && Reaches(*child.GetFitness(), *settings_.target);
        });
    }

    // One tournament step that hands its bred and improved child to
    // `finish(child, its index, the step's claims)` while the claims are
    // still held, and returns what `finish` returns.
    template <class Draw, class Finish>
    bool Step(Random& random, Draw&& draw, Finish&& finish) {
        // The arrays of a step are as small as its tournament allows: they
        // are built and torn down at every step.
        if (settings_.tournament <= 4) return StepWith<4>(random, draw, finish);
        return StepWith<kMaxTournament>(random, draw, finish);
    }

    template <std::uint32_t kCapacity, class Draw, class Finish>
    bool StepWith(Random& random, Draw& draw, Finish& finish) {
        const std::uint32_t k = settings_.tournament;
        Individual* claimed[kCapacity];
        ClaimGuard<Population> guards[kCapacity];
        std::uint32_t indices[kCapacity];
        if (settings_.deterministic) {
            // The slice is this lane's alone: distinct draws are claims.
            for (std::uint32_t c = 0; c < k;) {
                const std::uint32_t index = draw();
                if (std::find(indices, indices + c, index) != indices + c) continue;
                CountClaim(true);
                indices[c++] = index;
            }
        } else {
            ClaimDistinct(population_, guards, k, draw);
            for (std::uint32_t c = 0; c < k; ++c) indices[c] = guards[c].Index();
        }
        for (std::uint32_t c = 0; c < k; ++c) claimed[c] = population_.GetIndividual(indices[c]);
        // Best first; among equals the protected best first, then claim
        // order; a NaN last.
        const std::uint32_t keep = best_;
        Key keys[kCapacity];
        for (std::uint32_t c = 0; c < k; ++c) keys[c] = KeyOf(*claimed[c]->GetFitness());
        for (std::uint32_t c = 1; c < k; ++c) {
            for (std::uint32_t d = c; d > 0; --d) {
                const bool precedes = keys[d] > keys[d - 1] || (keys[d] == keys[d - 1] && indices[d] == keep);
                if (!precedes) break;
                std::swap(keys[d - 1], keys[d]);
                std::swap(claimed[d - 1], claimed[d]);
                std::swap(indices[d - 1], indices[d]);
            }
        }
        std::span<const Gene> parents[kCapacity - 1];
        for (std::uint32_t c = 0; c + 1 < k; ++c)
            parents[c] = std::span<const Gene>(claimed[c]->GetGenes(), claimed[c]->GetLength());
        Individual& child = *claimed[k - 1];
        const std::span<Gene> genes(child.GetGenes(), child.GetLength());
        child.SetFitness(NoFitness());
        operators_.Breed(kind_, std::span<const std::span<const Gene>>(parents, k - 1), genes, random);
        ImproveAndCheck(problem_, kind_, genes, random);
        return finish(child, indices[k - 1], guards);
    }

    int MasterPass() {
        if (settings_.threads == 0) {
            nextLane_.store(0, std::memory_order_relaxed);
            Phase(0);
        }
        // From here to the same point of the next pass: the pass, the run
        // loop's checks, the hand-over, the phase and the wait for its end.
        const auto passStart = std::chrono::steady_clock::now();
        const double cycle = std::chrono::duration<double>(passStart - passStart_).count();
        passStart_ = passStart;
        const bool initial = initPending_;
        initPending_ = false;
        if (failed_.load(std::memory_order_relaxed)) return kStop;

        const std::uint32_t best = detail::BestIndex(population_);
        best_ = best;
        const Fitness bestFitness = *population_.GetIndividual(best)->GetFitness();
        const Key bestKey = KeyOf(bestFitness);
        if (!initial) ++passes_;
        if (initial || bestKey > bestKey_) {
            bestKey_ = bestKey;
            improvedAt_ = passes_;
        }

        if (!initial && sized_) SizeNextPhase(cycle);
        if (settings_.deterministic) Deal();
        nextLane_.store(0, std::memory_order_relaxed);
        if (shared_)
            share_.Reset(std::uint64_t{steps_} * settings_.threads, std::max<std::uint32_t>(1, steps_ / 32));

        if (settings_.target && Reaches(bestFitness, *settings_.target)) {
            reached_.store(true, std::memory_order_relaxed);
            return kStop;
        }
        return kDone;
    }

    // Sizes the next phase from the last one, whose master pass began `cycle`
    // seconds before this one. Its steps took as long as its slowest
    // thread's; shared steps, as long as the threads' mean (they end
    // together but for the last steps, and those are overhead). Then how
    // many steps take about a millisecond, for the clock checks.
    void SizeNextPhase(double cycle) {
        const double work = shared_ ? std::accumulate(workSeconds_.begin(), workSeconds_.end(), 0.0) /
                                          static_cast<double>(workSeconds_.size())
                                    : *std::max_element(workSeconds_.begin(), workSeconds_.end());
        const double perStep = work / steps_;
        steps_ = sizer_.Next(steps_, work, cycle - work);
        checkEvery_ = perStep > 0.0 ? static_cast<std::uint32_t>(std::clamp(0.001 / perStep, 1.0, 1e9)) : 0;
    }

    // Deals the population into the lanes' slices for the next phase.
    void Deal() { lanes::Deal(order_, laneBegin_, master_); }

    void NoteFailure(std::exception_ptr failure) {
        {
            const std::lock_guard<std::mutex> lock(failureMutex_);
            if (!failure_) failure_ = std::move(failure);
        }
        failed_.store(true, std::memory_order_relaxed);
        stop_.store(true, std::memory_order_relaxed);
    }

    const Problem& problem_;
    const Kind& kind_;
    const Operators& operators_;
    Population& population_;
    SchemeSettings settings_;
    std::size_t constraints_;  // K: the problem's constraints

    Random master_;                     // master thread only
    std::vector<Random> threadRandom_;  // entry j: slave thread j only
    // Entry j: the seconds slave thread j spent on its steps in the last
    // phase; written by that thread, read by the master after the phase.
    std::vector<double> workSeconds_;
    std::vector<Batch> batches_;        // entry j: slave thread j only (batch-scored problems)
    std::vector<Random> laneRandom_;    // entry l: the thread running lane l
    std::vector<std::uint32_t> order_;  // the dealt population; written by the master only
    std::vector<std::uint32_t> laneBegin_;
    PhaseSizer sizer_;                                 // master thread only
    std::chrono::steady_clock::time_point passStart_;  // master thread only
    StepShare share_;      // reset by the master between phases, taken from by the threads
    bool shared_ = false;  // fixed: the default mode with two or more slave threads
    bool sized_ = false;   // fixed: the default mode without a fixed step count

    // Written by the master between phases.
    bool initPending_ = false;
    std::uint32_t steps_ = 1;
    std::uint32_t checkEvery_ = 0;  // steps between clock checks in a phase; 0: none
    std::uint32_t best_ = 0;
    Key bestKey_ = KeyOf(NoFitness());
    std::uint64_t passes_ = 0;
    std::uint64_t improvedAt_ = 0;

    // Taken by the threads during a phase; reset by the master between
    // phases. Counters only: relaxed.
    std::atomic<std::uint32_t> nextLane_{0};
    std::atomic<std::uint32_t> nextInit_{0};
    // Set during a phase by any thread, read by the others only to end their
    // phase early and by the master after the phase: relaxed, as the engine's
    // events order the rest.
    std::atomic<bool> stop_{false};
    std::atomic<bool> reached_{false};
    std::atomic<bool> failed_{false};
    std::atomic<bool> interrupted_{false};
    mutable std::mutex failureMutex_;  // guards failure_
    std::exception_ptr failure_;

    InitPass init_;
    SlavePhase slave_;
    MasterPassOperator masterOperator_;
};

}  // namespace zarnel::detail
