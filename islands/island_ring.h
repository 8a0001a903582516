#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "islands/mpi_session.h"
#include "islands/mpi_transport.h"
#include "islands/stop_reason.h"
#include "solve/island_figures.h"
#include "solve/island_port.h"
#include "solve/island_transport.h"

namespace zarnel::islands {

// How an island run ended, as Finish returns it.
template <typename Gene, typename Fitness>
struct IslandOutcome {
    StopReason reason = StopReason::kNone;  // the reason the islands agreed on
    int winner = 0;                         // the island whose individual is reported
    bool solved = false;                    // the winner announced a solution
    // Island 0 only (empty elsewhere): every island's figures in rank order,
    // and the winner's best individual.
    std::vector<IslandFigures> islands;
    std::vector<Gene> genes;
    Fitness fitness{};
};

// The island layer's reasons as the run layer names them, and back (a
// target counts as a solution, an error as a failure, the other limits as
// the iteration limit).
inline run::StopReason ToRunReason(StopReason reason) {
    switch (reason) {
        case StopReason::kSolved:
            return run::StopReason::kSolved;
        case StopReason::kTimeLimit:
            return run::StopReason::kTimeLimit;
        case StopReason::kIterationLimit:
            return run::StopReason::kIterationLimit;
        case StopReason::kSignal:
            return run::StopReason::kSignal;
        case StopReason::kNone:
        case StopReason::kFailed:
            break;
    }
    return run::StopReason::kError;
}

inline StopReason ToIslandReason(run::StopReason reason) {
    switch (StopRank(reason)) {
        case 5:
            return StopReason::kSolved;
        case 3:
            return StopReason::kTimeLimit;
        case 2:
            return StopReason::kIterationLimit;
        case 1:
            return StopReason::kSignal;
        default:
            return StopReason::kFailed;
    }
}

// One island of a ring of MPI processes, each running its own engine on its
// own population: IslandPort (migration, stop, end) over MpiTransport, with
// the island layer's own names for the stop reasons. The run loop calls
// BetweenIterations after every master iteration, AnnounceStop when this
// island is solved or reaches a limit, and Finish once at the end; all three
// on the main thread while the slave threads wait (the MPI thread level is
// funneled).
//
//   - Migration: every `migrationInterval` master iterations the island sends
//     copies of its `migrants` best individuals to the next island (a
//     non-blocking send; at most RingChannel::kMaxInFlight unfinished, a
//     migration beyond that is skipped) and takes every message that has
//     arrived from the previous one, each migrant replacing one of the worst
//     individuals, never the best. The receiver does not trust the fitness
//     that travels with a migrant: it scores every migrant with `evaluate`.
//   - Stop: BetweenIterations takes part in the stop vote (StopVote) at every
//     call and returns false once the islands have agreed to stop; the loop
//     then ends and calls Finish. No call blocks before Finish.
//   - Finish: completes the vote, takes the migrants still in flight
//     (discarded and counted), waits for this island's sends, picks the
//     winner and gathers every island's figures and the winner's individual
//     at island 0. Every island must call it; afterwards no MPI request is
//     pending and the session may finalise.
//
// Points to the session without owning it. Destroying a ring that has not
// finished, in a job of several islands, aborts the job (MPI_Abort): the
// other islands would otherwise wait in Finish for this one for ever.
template <typename Population>
class IslandRing {
public:
    using Port = IslandPort<Population>;
    using Individual = typename Port::Individual;
    using Gene = typename Port::Gene;
    using Fitness = typename Port::Fitness;
    using Codec = typename Port::Codec;
    using Outcome = IslandOutcome<Gene, Fitness>;

    static constexpr int kMigrantTag = MpiTransport::kMigrantTag;

    IslandRing(const MpiSession& session, IslandSettings settings)
        : transport_(session, kMigrantTag), port_(transport_, settings) {}
    IslandRing(const IslandRing&) = delete;
    IslandRing& operator=(const IslandRing&) = delete;

    int Island() const { return port_.Island(); }
    int Islands() const { return port_.Islands(); }

    // After master iteration `iteration` (the count since the start): votes,
    // and migrates when the interval has passed. `evaluate(Individual*)`
    // scores one immigrant (its result is ignored). False once every island
    // is to stop.
    template <typename Evaluate>
    bool BetweenIterations(std::uint64_t iteration, Population& population, Evaluate&& evaluate) {
        return port_.BetweenIterations(iteration, population, std::forward<Evaluate>(evaluate));
    }

    // The master iterations after which BetweenIterations migrates next; a
    // loop that runs the engine in chunks ends a chunk there.
    std::uint64_t NextMigration() const { return port_.NextMigration(); }

    // Asks every island to stop; the highest reason given wins. kNone asks
    // nothing.
    void AnnounceStop(StopReason reason) {
        if (reason != StopReason::kNone) port_.AnnounceStop(ToRunReason(reason));
    }

    // This island's best fitness, for the next vote (BetweenIterations
    // refreshes it at every migration).
    void NoteBest(Population& population) { port_.NoteBest(population); }

    // The best fitness over all islands as of the last finished vote: what
    // island 0's progress line shows.
    double GlobalBestFitness() const { return port_.GlobalBestFitness(); }

    std::uint64_t MigrantsSent() const { return port_.MigrantsSent(); }
    std::uint64_t MigrantsReceived() const { return port_.MigrantsReceived(); }
    std::uint64_t MigrantsDiscarded() const { return port_.MigrantsDiscarded(); }

    // Ends the island's part of the run (see the class comment). `figures`
    // holds what the engine counted (iterations, evaluations, threads); the
    // ring fills in the island, the migrant counts and the best fitness. If
    // no stop was agreed and none announced, this island announces a
    // failure.
    Outcome Finish(Population& population, IslandFigures figures) {
        auto ended = port_.Finish(population, std::move(figures));
        Outcome outcome;
        outcome.reason = ToIslandReason(ended.reason);
        outcome.winner = ended.winner;
        outcome.solved = ended.solved;
        outcome.islands = std::move(ended.islands);
        outcome.genes = std::move(ended.genes);
        outcome.fitness = ended.fitness;
        return outcome;
    }

private:
    MpiTransport transport_;
    Port port_;
};

}  // namespace zarnel::islands
