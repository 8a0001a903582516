#include "nqueen_islands/island_link_mpi.h"

#include <mpi.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "islands/island_ring.h"
#include "islands/mpi_session.h"
#include "nqueen/island_link.h"
#include "nqueen/solver.h"
#include "platform/console.h"
#include "run/seed.h"

namespace zarnel {

namespace {

islands::StopReason ToIslandReason(run::StopReason reason) {
    switch (reason) {
        case run::StopReason::kSolved:
            return islands::StopReason::kSolved;
        case run::StopReason::kIterationLimit:
            return islands::StopReason::kIterationLimit;
        case run::StopReason::kTimeLimit:
            return islands::StopReason::kTimeLimit;
        case run::StopReason::kSignal:
            return islands::StopReason::kSignal;
        case run::StopReason::kTarget:
        case run::StopReason::kStagnation:
        case run::StopReason::kError:
        case run::StopReason::kEvaluationLimit:
            // Not reasons of the N-Queens solver.
            break;
    }
    return islands::StopReason::kFailed;
}

// None for a failed island or a stop that nobody announced.
std::optional<run::StopReason> ToRunReason(islands::StopReason reason) {
    switch (reason) {
        case islands::StopReason::kSolved:
            return run::StopReason::kSolved;
        case islands::StopReason::kIterationLimit:
            return run::StopReason::kIterationLimit;
        case islands::StopReason::kTimeLimit:
            return run::StopReason::kTimeLimit;
        case islands::StopReason::kSignal:
            return run::StopReason::kSignal;
        case islands::StopReason::kNone:
        case islands::StopReason::kFailed:
            break;
    }
    return std::nullopt;
}

islands::IslandFigures ToFigures(const run::IslandRecord& mine) {
    islands::IslandFigures figures;
    figures.masterIterations = mine.masterIterations;
    figures.evaluations = mine.evaluations;
    figures.masterBusyMs = mine.masterBusyMs;
    for (const run::ThreadRecord& t : mine.threads) {
        islands::IslandThread thread;
        thread.busyMs = t.busyMs;
        thread.stats.steps = t.steps;
        thread.stats.claimAttempts = t.claimAttempts;
        thread.stats.claimsFailed = t.claimsFailed;
        figures.threads.push_back(thread);
    }
    return figures;
}

run::IslandRecord ToRecord(const islands::IslandFigures& figures) {
    run::IslandRecord record;
    record.island = figures.island;
    record.masterIterations = figures.masterIterations;
    record.evaluations = figures.evaluations;
    record.masterBusyMs = figures.masterBusyMs;
    for (std::size_t j = 0; j < figures.threads.size(); ++j) {
        const islands::IslandThread& t = figures.threads[j];
        record.threads.push_back({static_cast<std::uint32_t>(j), t.busyMs, t.stats.steps,
                                  t.stats.claimAttempts, t.stats.claimsFailed});
    }
    record.migrantsSent = figures.migrantsSent;
    record.migrantsReceived = figures.migrantsReceived;
    record.migrantsDiscarded = figures.migrantsDiscarded;
    record.bestFitness = figures.bestFitness;
    return record;
}

// The solver's link over IslandRing. Points to the session; owns the ring.
// Main thread only, like the solver that calls it.
class MpiIslandLink final : public IslandLink {
public:
    MpiIslandLink(const islands::MpiSession& session, islands::IslandSettings settings)
        : ring_(session, settings), interval_(settings.migrationInterval) {}

    int Island() const override { return ring_.Island(); }
    int Islands() const override { return ring_.Islands(); }
    std::uint32_t MigrationInterval() const override { return interval_; }

    std::uint32_t ShareRunSeed(std::optional<std::uint32_t> seed) override {
        std::uint32_t shared = 0;
        if (Island() == 0) shared = seed ? *seed : run::SeedFromClock();
        MPI_Bcast(&shared, 1, MPI_UINT32_T, 0, MPI_COMM_WORLD);
        return shared;
    }

    bool BetweenIterations(std::uint32_t total, NQueenPopulation& population,
                           NQueenEvalBase& evalOperator) override {
        return ring_.BetweenIterations(total, population,
                                       [&](NQueenIndividual* migrant) { evalOperator.Evaluate(migrant); });
    }
    void AnnounceStop(run::StopReason reason) override { ring_.AnnounceStop(ToIslandReason(reason)); }
    void NoteBest(NQueenPopulation& population) override { ring_.NoteBest(population); }
    double GlobalBestFitness() const override { return ring_.GlobalBestFitness(); }
    std::string DumpName(std::uint32_t total) const override {
        return islands::IslandDumpName(total, ring_.Island());
    }

    IslandsEnd Finish(NQueenPopulation& population, const run::IslandRecord& mine) override {
        auto outcome = ring_.Finish(population, ToFigures(mine));
        IslandsEnd end;
        end.reason = ToRunReason(outcome.reason);
        end.solved = outcome.solved;
        for (const islands::IslandFigures& figures : outcome.islands)
            end.islands.push_back(ToRecord(figures));
        end.genes = std::move(outcome.genes);
        end.fitness = outcome.fitness;
        return end;
    }

private:
    islands::IslandRing<NQueenPopulation> ring_;
    std::uint32_t interval_;
};

}  // namespace

int RunNQueenIslands(int argc, char* argv[], std::FILE* out, std::FILE* err) {
    std::optional<islands::MpiSession> session;
    try {
        session.emplace(&argc, &argv);
    } catch (const std::exception& error) {
        std::fprintf(err, "ZarnelNQueenIslands: cannot start MPI: %s\n", error.what());
        return -1;
    }
    platform::InstallDumpRequestSignal();
    SolverVariant variant;
    variant.program = "ZarnelNQueenIslands";
    variant.usage =
        "Usage: mpirun -np <islands> ZarnelNQueenIslands <input file> <output file>\n"
        " For details see sample input file.\n";
    variant.islandKeys = true;
    variant.allReady = [](bool ready) {
        int mine = ready ? 1 : 0;
        int all = 0;
        MPI_Allreduce(&mine, &all, 1, MPI_INT, MPI_LAND, MPI_COMM_WORLD);
        return all != 0;
    };
    variant.makeLink = [&](const NQueenParameters& parameters) -> std::unique_ptr<IslandLink> {
        islands::IslandSettings settings;
        settings.migrationInterval = static_cast<std::uint32_t>(parameters.migration_interval);
        settings.migrants = static_cast<std::uint32_t>(parameters.migrants);
        return std::make_unique<MpiIslandLink>(*session, settings);
    };
    return RunNQueen(argc, argv, out, err, variant);
}

}  // namespace zarnel
