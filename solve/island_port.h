#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/best_individual.h"
#include "run/run_loop.h"
#include "solve/island_figures.h"
#include "solve/island_transport.h"
#include "solve/migrant_codec.h"
#include "solve/migration_policy.h"

namespace zarnel::islands {

// How an island run ended, as Finish returns it.
template <typename Gene, typename Fitness>
struct PortOutcome {
    run::StopReason reason = run::StopReason::kError;  // the reason the islands agreed on
    int winner = 0;                                    // the island whose individual is reported
    bool solved = false;                               // the winner announced a solution or the target
    // Island 0 only (empty elsewhere): every island's figures and front in
    // island order, and the winner's best individual.
    std::vector<IslandFigures> islands;
    std::vector<std::vector<unsigned char>> fronts;
    std::vector<Gene> genes;
    Fitness fitness{};
};

// What a run of several objectives hands in at the end beside what every
// island does: the island's own figure for the others (its front's
// hypervolume, instead of its best individual's fitness) and its front, as
// one message that island 0 receives from every island.
struct IslandFinal {
    std::optional<double> figure;
    std::vector<unsigned char> front;
};

// The dump file of one island: "<iterations>.<island>.txt".
inline std::string IslandDumpName(std::uint64_t iterations, std::uint64_t island) {
    return std::to_string(iterations) + "." + std::to_string(island) + ".txt";
}

// One island's side of a run of islands, on any transport: what a run loop
// calls between master iterations and at the end.
//
//   - Migration: every `migrationInterval` master iterations the island sends
//     copies of its `migrants` best individuals to the next island
//     (EmigrantIndices) and takes what the previous one sent, each migrant
//     replacing one of the worst individuals, never the best
//     (ReplacedIndices). The receiver does not trust the fitness that
//     travels with a migrant: it scores every migrant with `evaluate`. A
//     message whose gene count does not fit is not copied; its migrants
//     count as discarded.
//   - Stop: BetweenIterations returns false once the islands have agreed to
//     stop (the transport's Poll after every master iteration, or AtEpoch
//     after a migration); AnnounceStop asks for it.
//   - Finish: waits for the agreement, counts the migrants that were left
//     unread, hands in this island's figures and best individual, and
//     returns the agreed reason, the winner and, on island 0, every island's
//     figures and the winner's best individual.
//
// Points to the transport without owning it. Main thread of the island
// only, while its slave threads wait.
template <typename Population>
class IslandPort {
public:
    using Individual = typename Population::IndividualType;
    using Gene = typename Individual::Gene;
    using Fitness = typename Individual::Fitness;
    using Codec = MigrantCodec<Individual>;
    using Outcome = PortOutcome<Gene, Fitness>;

    IslandPort(IslandTransport& transport, IslandSettings settings)
        : transport_(transport), settings_(settings) {
        if (settings_.migrationInterval == 0) settings_.migrationInterval = 1;
        nextMigration_ = settings_.migrationInterval;
    }
    IslandPort(const IslandPort&) = delete;
    IslandPort& operator=(const IslandPort&) = delete;

    int Island() const { return static_cast<int>(transport_.Island()); }
    int Islands() const { return static_cast<int>(transport_.Islands()); }
    const IslandSettings& Settings() const { return settings_; }

    // After master iteration `iteration` (the count since the start): takes
    // part in the stop and migrates when the interval has passed.
    // `evaluate(Individual*)` scores one immigrant. False once every island
    // is to stop; the agreed reason is then StoppedFor().
    template <typename Evaluate>
    bool BetweenIterations(std::uint64_t iteration, Population& population, Evaluate&& evaluate) {
        if (stopped_) return false;
        if (!bestNoted_) NoteBest(population);
        if ((stopped_ = transport_.Poll())) return false;
        if (iteration < nextMigration_) return true;
        const std::uint64_t epoch = iteration / settings_.migrationInterval;
        nextMigration_ = (epoch + 1) * settings_.migrationInterval;
        if (Islands() > 1 && settings_.migrants > 0 && population.size > 0) {
            Emigrate(epoch, population);
            IslandTransport::Bytes message;
            while (transport_.Receive(epoch, message)) Absorb(message, population, evaluate);
        }
        NoteBest(population);
        stopped_ = transport_.AtEpoch(epoch);
        return !stopped_;
    }

    // The reason the islands agreed on, once BetweenIterations said stop.
    std::optional<run::StopReason> StoppedFor() const { return stopped_; }

    // The master iterations after which BetweenIterations migrates next.
    std::uint64_t NextMigration() const { return nextMigration_; }

    // Asks every island to stop; the highest reason given wins.
    void AnnounceStop(run::StopReason reason) {
        if (!announced_ || StopCode(reason) > StopCode(*announced_)) announced_ = reason;
        transport_.Announce(reason);
    }

    // This island's best fitness, for the others (BetweenIterations refreshes
    // it at every migration).
    void NoteBest(Population& population) {
        if (population.size > 0)
            transport_.SetLocalBest(RankingKey(*BestIndividual(population)->GetFitness()));
        bestNoted_ = true;
    }

    // The best fitness over all islands as this island last learned it.
    double GlobalBestFitness() const { return transport_.GlobalBest(); }

    std::uint64_t MigrantsSent() const { return migrantsSent_; }
    std::uint64_t MigrantsReceived() const { return migrantsReceived_; }
    std::uint64_t MigrantsDiscarded() const { return migrantsDiscarded_; }
    bool Finished() const { return finished_; }

    // Ends the island's part of the run (see the class comment). `figures`
    // holds what the engine counted (iterations, evaluations, threads,
    // steps); the port fills in the island, the migrant counts and the best
    // fitness (or `final`'s figure).
    Outcome Finish(Population& population, IslandFigures figures, IslandFinal final = {}) {
        for (const IslandTransport::Bytes& message : transport_.Drain())
            migrantsDiscarded_ += Codec::Announced(message);
        Individual* best = BestIndividual(population);
        IslandEnding mine;
        mine.bestFitness = best != nullptr ? static_cast<double>(*best->GetFitness()) : 0.0;
        if (final.figure) mine.bestFitness = *final.figure;
        mine.front = std::move(final.front);
        mine.solved = announced_ && StopRank(*announced_) == StopRank(run::StopReason::kSolved);
        if (best != nullptr) mine.best = Codec::Pack(&best, 1, best->GetLength());
        figures.island = transport_.Island();
        figures.migrantsSent = migrantsSent_;
        figures.migrantsReceived = migrantsReceived_;
        figures.migrantsDiscarded = migrantsDiscarded_;
        figures.bestFitness = mine.bestFitness;
        mine.figures = std::move(figures);
        IslandsEnded ended = transport_.End(std::move(mine));
        finished_ = true;

        Outcome outcome;
        outcome.reason = ended.reason;
        outcome.winner = ended.winner.island;
        outcome.solved = ended.winner.solved;
        outcome.islands = std::move(ended.islands);
        outcome.fronts = std::move(ended.fronts);
        const IslandTransport::Bytes& message = ended.best;
        if (message.size() >= Codec::kHeaderBytes) {
            std::uint32_t geneCount = 0;
            std::memcpy(&geneCount, message.data() + sizeof(std::uint32_t), sizeof geneCount);
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
    void Emigrate(std::uint64_t epoch, Population& population) {
        const std::vector<std::uint32_t> indices = EmigrantIndices(population, settings_.migrants);
        std::vector<Individual*> emigrants;
        for (std::uint32_t index : indices) emigrants.push_back(population.GetIndividual(index));
        const std::uint32_t geneCount = emigrants.front()->GetLength();
        const auto count = static_cast<std::uint32_t>(emigrants.size());
        if (transport_.Send(epoch, Codec::Pack(emigrants.data(), count, geneCount))) migrantsSent_ += count;
    }

    template <typename Evaluate>
    void Absorb(const IslandTransport::Bytes& message, Population& population, Evaluate& evaluate) {
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

    IslandTransport& transport_;
    IslandSettings settings_;
    std::uint64_t nextMigration_ = 0;
    std::uint64_t migrantsSent_ = 0;
    std::uint64_t migrantsReceived_ = 0;
    std::uint64_t migrantsDiscarded_ = 0;
    std::optional<run::StopReason> announced_;
    std::optional<run::StopReason> stopped_;
    bool bestNoted_ = false;
    bool finished_ = false;
};

}  // namespace zarnel::islands
