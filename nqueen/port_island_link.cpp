#include "nqueen/port_island_link.h"

#include <utility>

#include "run/seed.h"

namespace zarnel {

PortIslandLink::PortIslandLink(islands::IslandNetwork& network, islands::IslandTransport& transport,
                               islands::IslandSettings settings, bool mainThread, bool waitsForKey)
    : network_(network),
      transport_(transport),
      port_(transport, settings),
      mainThread_(mainThread),
      waitsForKey_(waitsForKey) {}

PortIslandLink::PortIslandLink(islands::IslandNetwork& network,
                               std::unique_ptr<islands::IslandTransport> transport,
                               islands::IslandSettings settings, bool mainThread, bool waitsForKey)
    : network_(network),
      owned_(std::move(transport)),
      transport_(*owned_),
      port_(*owned_, settings),
      mainThread_(mainThread),
      waitsForKey_(waitsForKey) {}

std::uint32_t PortIslandLink::ShareRunSeed(std::optional<std::uint32_t> seed) {
    return static_cast<std::uint32_t>(network_.ShareSeed(seed ? *seed : run::SeedFromClock()));
}

bool PortIslandLink::BetweenIterations(std::uint32_t total, NQueenPopulation& population,
                                       NQueenEvalBase& evalOperator) {
    return port_.BetweenIterations(total_.Follow(total), population,
                                   [&](NQueenIndividual* migrant) { evalOperator.Evaluate(migrant); });
}

std::string PortIslandLink::DumpName(std::uint32_t total) const {
    return islands::IslandDumpName(total, transport_.Island());
}

IslandsEnd PortIslandLink::Finish(NQueenPopulation& population, const run::IslandRecord& mine) {
    auto outcome = port_.Finish(population, islands::ToIslandFigures(mine));
    IslandsEnd end;
    // A failed island leaves nothing to report.
    if (outcome.reason != run::StopReason::kError) end.reason = outcome.reason;
    end.solved = outcome.solved;
    for (const islands::IslandFigures& figures : outcome.islands)
        end.islands.push_back(islands::ToIslandRecord(figures));
    end.genes = std::move(outcome.genes);
    end.fitness = outcome.fitness;
    return end;
}

}  // namespace zarnel
