#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "nqueen/island_link.h"
#include "nqueen/nqueen_types.h"
#include "solve/island_port.h"
#include "solve/island_transport.h"
#include "solve/wide_count.h"

namespace zarnel {

// The solver's link to the other islands over any island transport: the
// island layer's port (migration policy, stop, end) for the N-Queens
// population. ZarnelNQueen's islands in one process and ZarnelNQueenIslands'
// islands over MPI both use it. Points to the network; uses the transport it
// is given (or owns it). The island's master thread only.
class PortIslandLink final : public IslandLink {
public:
    // `mainThread`: the island runs on the process's main thread, which
    // handles its end requests; `waitsForKey`: it may wait for a key at the
    // end of the run.
    PortIslandLink(islands::IslandNetwork& network, islands::IslandTransport& transport,
                   islands::IslandSettings settings, bool mainThread, bool waitsForKey);
    PortIslandLink(islands::IslandNetwork& network, std::unique_ptr<islands::IslandTransport> transport,
                   islands::IslandSettings settings, bool mainThread, bool waitsForKey);

    int Island() const override { return port_.Island(); }
    int Islands() const override { return port_.Islands(); }
    std::uint32_t MigrationInterval() const override { return port_.Settings().migrationInterval; }
    std::uint32_t ShareRunSeed(std::optional<std::uint32_t> seed) override;
    bool BetweenIterations(std::uint32_t total, NQueenPopulation& population,
                           NQueenEvalBase& evalOperator) override;
    void AnnounceStop(run::StopReason reason) override { port_.AnnounceStop(reason); }
    void NoteBest(NQueenPopulation& population) override { port_.NoteBest(population); }
    double GlobalBestFitness() const override { return port_.GlobalBestFitness(); }
    std::string DumpName(std::uint32_t total) const override;
    bool TakeDumpRequest() override { return transport_.DumpRequested(); }
    bool HandlesEndRequests() const override { return mainThread_; }
    bool WaitsForKey() const override { return waitsForKey_; }
    IslandsEnd Finish(NQueenPopulation& population, const run::IslandRecord& mine) override;

private:
    islands::IslandNetwork& network_;
    std::unique_ptr<islands::IslandTransport> owned_;
    islands::IslandTransport& transport_;
    islands::IslandPort<NQueenPopulation> port_;
    islands::WideCount total_;  // the solver's 32-bit total, widened for the port
    bool mainThread_;
    bool waitsForKey_;
};

}  // namespace zarnel
