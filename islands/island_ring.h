#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "framework/best_individual.h"
#include "islands/gather.h"
#include "islands/island_figures.h"
#include "islands/migrant_codec.h"
#include "islands/migration_policy.h"
#include "islands/mpi_session.h"
#include "islands/ring_channel.h"
#include "islands/stop_reason.h"
#include "islands/stop_vote.h"

namespace zarnel::islands {

// How islands exchange migrants.
struct IslandSettings {
    std::uint32_t migrationInterval = 100;  // master iterations between migrations; at least 1
    std::uint32_t migrants = 1;             // individuals sent per migration; 0 sends none
};

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

// The dump file of one island after Ctrl+C: "<iterations>.<island>.txt".
inline std::string IslandDumpName(std::uint64_t iterations, int island) {
    return std::to_string(iterations) + "." + std::to_string(island) + ".txt";
}

// One island of a ring of MPI processes, each running its own engine on its
// own population. The run loop calls BetweenIterations after every master
// iteration, AnnounceStop when this island is solved or reaches a limit, and
// Finish once at the end; all three on the main thread while the slave
// threads wait (the MPI thread level is funneled).
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
    using Individual = typename Population::IndividualType;
    using Gene = typename Individual::Gene;
    using Fitness = typename Individual::Fitness;
    using Codec = MigrantCodec<Individual>;
    using Outcome = IslandOutcome<Gene, Fitness>;

    static constexpr int kMigrantTag = 7100;

    IslandRing(const MpiSession& session, IslandSettings settings)
        : session_(session), settings_(settings), channel_(session.Rank(), session.Size(), kMigrantTag) {
        if (settings_.migrationInterval == 0) settings_.migrationInterval = 1;
        nextMigration_ = settings_.migrationInterval;
    }
    IslandRing(const IslandRing&) = delete;
    IslandRing& operator=(const IslandRing&) = delete;
    ~IslandRing() {
        if (!finished_ && session_.Size() > 1) session_.AbortJob(1);
    }

    int Island() const { return session_.Rank(); }
    int Islands() const { return session_.Size(); }

    // After master iteration `iteration` (the count since the start): votes,
    // and migrates when the interval has passed. `evaluate(Individual*)`
    // scores one immigrant (its result is ignored). False once every island
    // is to stop.
    template <typename Evaluate>
    bool BetweenIterations(std::uint64_t iteration, Population& population, Evaluate&& evaluate) {
        if (!bestNoted_) NoteBest(population);
        if (vote_.Poll()) return false;
        if (iteration < nextMigration_) return true;
        nextMigration_ = (iteration / settings_.migrationInterval + 1) * settings_.migrationInterval;
        if (session_.Size() > 1 && settings_.migrants > 0 && population.size > 0) {
            Emigrate(population);
            RingChannel::Bytes message;
            while (channel_.Receive(message)) Absorb(message, population, evaluate);
        }
        NoteBest(population);
        return true;
    }

    // The master iterations after which BetweenIterations migrates next; a
    // loop that runs the engine in chunks ends a chunk there.
    std::uint64_t NextMigration() const { return nextMigration_; }

    // Asks every island to stop; the highest reason given wins.
    void AnnounceStop(StopReason reason) { vote_.Announce(reason); }

    // This island's best fitness, for the next vote (BetweenIterations
    // refreshes it at every migration).
    void NoteBest(Population& population) {
        if (population.size > 0) vote_.SetLocalBest(RankingKey(*BestIndividual(population)->GetFitness()));
        bestNoted_ = true;
    }

    // The best fitness over all islands as of the last finished vote: what
    // island 0's progress line shows.
    double GlobalBestFitness() const { return vote_.GlobalBest(); }

    std::uint64_t MigrantsSent() const { return migrantsSent_; }
    std::uint64_t MigrantsReceived() const { return migrantsReceived_; }
    std::uint64_t MigrantsDiscarded() const { return migrantsDiscarded_; }

    // Ends the island's part of the run (see the class comment). `figures`
    // holds what the engine counted (iterations, evaluations, threads); the
    // ring fills in the island, the migrant counts and the best fitness. If
    // no stop was agreed and none announced, this island announces kFailed.
    Outcome Finish(Population& population, IslandFigures figures) {
        vote_.WaitForAgreement();
        for (const RingChannel::Bytes& message : channel_.Drain()) {
            migrantsDiscarded_ += Codec::Announced(message);
        }
        Individual* best = BestIndividual(population);
        const double bestFitness = best != nullptr ? static_cast<double>(*best->GetFitness()) : 0.0;
        const Winner winner = PickWinner(vote_.LocalReason() == StopReason::kSolved, bestFitness);

        RingChannel::Bytes message;
        if (winner.island == Island() && best != nullptr) message = Codec::Pack(&best, 1, best->GetLength());
        message = SendToFirstIsland(message, winner.island);

        figures.island = static_cast<std::uint32_t>(Island());
        figures.migrantsSent = migrantsSent_;
        figures.migrantsReceived = migrantsReceived_;
        figures.migrantsDiscarded = migrantsDiscarded_;
        figures.bestFitness = bestFitness;

        Outcome outcome;
        outcome.reason = vote_.AgreedReason();
        outcome.winner = winner.island;
        outcome.solved = winner.solved;
        outcome.islands = GatherFigures(figures);
        finished_ = true;
        if (Island() == 0 && message.size() >= Codec::kHeaderBytes) {
            const std::uint32_t geneCount = GeneCountOf(message);
            if (Codec::Count(message, geneCount) == 1) {
                Individual carrier;
                carrier.Create(geneCount);
                Codec::Unpack(message, 0, geneCount, carrier);
                outcome.genes.assign(carrier.GetGenes(), carrier.GetGenes() + geneCount);
                outcome.fitness = *carrier.GetFitness();
            }
        }
        return outcome;
    }

private:
    static std::uint32_t GeneCountOf(const RingChannel::Bytes& message) {
        std::uint32_t genes = 0;
        std::memcpy(&genes, message.data() + sizeof(std::uint32_t), sizeof genes);
        return genes;
    }

    void Emigrate(Population& population) {
        const std::vector<std::uint32_t> indices = EmigrantIndices(population, settings_.migrants);
        std::vector<Individual*> emigrants;
        for (std::uint32_t index : indices) emigrants.push_back(population.GetIndividual(index));
        const std::uint32_t geneCount = emigrants.front()->GetLength();
        const auto count = static_cast<std::uint32_t>(emigrants.size());
        if (channel_.Send(Codec::Pack(emigrants.data(), count, geneCount))) migrantsSent_ += count;
    }

    template <typename Evaluate>
    void Absorb(const RingChannel::Bytes& message, Population& population, Evaluate& evaluate) {
        const std::uint32_t geneCount = population.GetIndividual(0)->GetLength();
        const std::uint32_t count = Codec::Count(message, geneCount);
        if (count == 0) {
            // Not a message for these individuals: nothing is copied.
            migrantsDiscarded_ += Codec::Announced(message);
            return;
        }
        const std::vector<std::uint32_t> targets = ReplacedIndices(population, count);
        for (std::uint32_t k = 0; k < targets.size(); ++k) {
            Individual* target = population.GetIndividual(targets[k]);
            Codec::Unpack(message, k, geneCount, *target);
            evaluate(target);
        }
        migrantsReceived_ += targets.size();
        migrantsDiscarded_ += count - targets.size();
    }

    const MpiSession& session_;
    IslandSettings settings_;
    RingChannel channel_;
    StopVote vote_;
    std::uint64_t nextMigration_ = 0;
    std::uint64_t migrantsSent_ = 0;
    std::uint64_t migrantsReceived_ = 0;
    std::uint64_t migrantsDiscarded_ = 0;
    bool bestNoted_ = false;
    bool finished_ = false;
};

}  // namespace zarnel::islands
