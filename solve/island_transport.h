#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "run/run_loop.h"
#include "solve/island_figures.h"

namespace zarnel::islands {

// How islands exchange migrants.
struct IslandSettings {
    std::uint32_t migrationInterval = 100;  // master iterations between migrations; at least 1
    std::uint32_t migrants = 1;             // individuals sent per migration; 0 sends none
};

// When several islands stop for different reasons, the highest rank is the
// run's: a solution or the target (5), a failure (4), the time limit (3),
// the other limits (2), an end request (1).
int StopRank(run::StopReason reason);
// A reason as one positive number that orders reasons by rank (equal ranks
// by the reason's own value): what a vote carries and takes the maximum of.
// 0 stands for no reason.
std::uint32_t StopCode(run::StopReason reason);
// The reason of a code; none for 0 or a code that no reason has.
std::optional<run::StopReason> ReasonOfCode(std::uint32_t code);

// The island whose best individual the run reports.
struct Winner {
    int island = 0;
    bool solved = false;  // that island announced a solution or reached the target
};

// What one island hands in at the end of the run.
struct IslandEnding {
    IslandFigures figures;
    bool solved = false;       // this island announced a solution or the target
    double bestFitness = 0.0;  // its best fitness (a NaN ranks lowest)
    // Its best individual as a migration message of one migrant
    // (MigrantCodec); empty for an island without individuals.
    std::vector<unsigned char> best;
    // A run of several objectives: its front, as one message of the run's
    // own (empty for other runs), which island 0 receives from every island.
    std::vector<unsigned char> front;
};

// What the end of the run gives every island: the reason the islands agreed
// on, the winner, and on island 0 every island's figures and front (in
// island order) and the winner's best individual.
struct IslandsEnded {
    run::StopReason reason = run::StopReason::kError;
    Winner winner;
    std::vector<IslandFigures> islands;
    std::vector<unsigned char> best;
    // Island 0 only: every island's front (IslandEnding::front), in island
    // order.
    std::vector<std::vector<unsigned char>> fronts;
};

// One island's connection to the others: the ring that migrants travel on
// (to island + 1, from island − 1, modulo the number of islands), the stop
// that any island can ask for and every island learns, and the end of the
// run. Two transports implement it: in one process (LocalIslands, plain
// memory and locks) and over MPI (islands::MpiTransport, one island per
// process). IslandPort puts the migration policy on top; a run loop talks to
// the port. Every call is made by the island's master thread while its slave
// threads wait.
class IslandTransport {
public:
    using Bytes = std::vector<unsigned char>;

    virtual ~IslandTransport() = default;

    virtual std::uint32_t Island() const = 0;
    virtual std::uint32_t Islands() const = 0;

    // Migration number `epoch` (1, 2, …: the master iteration divided by the
    // interval): starts handing `message` to the next island; false when the
    // transport refuses it (too many unread), and then nothing was sent.
    virtual bool Send(std::uint64_t epoch, Bytes message) = 0;
    // Takes one message from the previous island into `message`; false when
    // there is none to take. A deterministic transport gives exactly the
    // message that the previous island sent at `epoch` (waiting for it) and
    // nothing else; the others give whatever has arrived.
    virtual bool Receive(std::uint64_t epoch, Bytes& message) = 0;

    // Asks every island to stop; a later reason replaces an earlier one only
    // when it ranks higher.
    virtual void Announce(run::StopReason reason) = 0;
    // This island's best fitness for the others (a NaN counts as −∞).
    virtual void SetLocalBest(double fitness) = 0;
    // After every master iteration: the reason once every island is to
    // stop; never blocks.
    virtual std::optional<run::StopReason> Poll() = 0;
    // After migration `epoch`: the same for a transport that decides the
    // stop only there (deterministic runs; it waits for every island);
    // none for the others.
    virtual std::optional<run::StopReason> AtEpoch(std::uint64_t epoch) = 0;
    // The best fitness over all islands as this island last learned it.
    virtual double GlobalBest() const = 0;
    // True once for each request that every island dump its population
    // (Ctrl+C, or SIGUSR1 under mpirun).
    virtual bool DumpRequested() = 0;

    // The end, called once by every island after its loop: waits until the
    // islands agree to stop (announcing a failure first when this island
    // has announced nothing and heard no stop, so that it cannot wait for
    // ever), then returns the migration messages that reached this island
    // and were not taken.
    virtual std::vector<Bytes> Drain() = 0;
    // Then hands in this island's figures and best individual.
    virtual IslandsEnded End(IslandEnding mine) = 0;
};

// Where the islands of a run live: how many, which of them this process
// runs, and a transport for each. Solve and ZarnelNQueen use LocalIslands
// (all in this process); islands::MpiIslands puts one island in each MPI
// process. The collective calls (AllReady, ShareSeed) are made by every
// process in the same order on its main thread.
class IslandNetwork {
public:
    virtual ~IslandNetwork() = default;

    // Islands of the whole run, and those of this process: islands
    // FirstLocal() … FirstLocal() + LocalCount() − 1.
    virtual std::uint32_t Islands() const = 0;
    virtual std::uint32_t LocalCount() const = 0;
    virtual std::uint32_t FirstLocal() const = 0;
    // True when migration order and the stop are fixed, so that a seeded
    // run of deterministic islands repeats.
    virtual bool Deterministic() const = 0;
    // A name for messages: "in this process", "over MPI".
    virtual std::string Name() const = 0;
    // The largest message, in bytes, that islands can hand each other (a
    // migration, or the winner's individual at the end).
    virtual std::uint64_t MaxMessageBytes() const { return std::numeric_limits<std::uint64_t>::max(); }

    // Every process says whether it can run; true when all can (islands
    // start together or not at all).
    virtual bool AllReady(bool ready) = 0;
    // The one run seed of every island: the value island 0 gives.
    virtual std::uint64_t ShareSeed(std::uint64_t seed) = 0;

    // The transport of local island `local` (0 … LocalCount() − 1). Each is
    // made once and used by that island's master thread; destroying one
    // before its End counts the island as failed, so that no other island
    // waits for it.
    virtual std::unique_ptr<IslandTransport> Connect(std::uint32_t local) = 0;
};

}  // namespace zarnel::islands
