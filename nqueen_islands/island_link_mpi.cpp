#include "nqueen_islands/island_link_mpi.h"

#include <exception>
#include <memory>
#include <optional>

#include "islands/mpi_session.h"
#include "islands/mpi_transport.h"
#include "nqueen/island_link.h"
#include "nqueen/port_island_link.h"
#include "nqueen/solver.h"

namespace zarnel {

int RunNQueenIslands(int argc, char* argv[], std::FILE* out, std::FILE* err) {
    std::optional<islands::MpiSession> session;
    try {
        session.emplace(&argc, &argv);
    } catch (const std::exception& error) {
        std::fprintf(err, "ZarnelNQueenIslands: cannot start MPI: %s\n", error.what());
        return -1;
    }
    // SIGUSR1, which mpirun forwards, asks for the dumps.
    islands::MpiIslands network(*session);
    SolverVariant variant;
    variant.program = "ZarnelNQueenIslands";
    variant.usage =
        "Usage: mpirun -np <islands> ZarnelNQueenIslands <input file> <output file>\n"
        " For details see sample input file.\n";
    variant.islandKeys = true;
    variant.localIslands = false;
    variant.allReady = [&](bool ready) { return network.AllReady(ready); };
    variant.makeLink = [&](const NQueenParameters& parameters) -> std::unique_ptr<IslandLink> {
        islands::IslandSettings settings;
        settings.migrationInterval = static_cast<std::uint32_t>(parameters.migration_interval);
        settings.migrants = static_cast<std::uint32_t>(parameters.migrants);
        return std::make_unique<PortIslandLink>(network, network.Connect(0), settings, true, false);
    };
    return RunNQueen(argc, argv, out, err, variant);
}

}  // namespace zarnel
