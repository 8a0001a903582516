#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "nqueen/nqueen_types.h"
#include "run/run_loop.h"
#include "run/run_record.h"

namespace zarnel {

// How the islands of a run ended, as island 0 learns it from Finish.
struct IslandsEnd {
    // The reason the islands agreed on; none when an island could not go on.
    std::optional<run::StopReason> reason;
    bool solved = false;  // the reported individual is a solution
    // Island 0 only (empty elsewhere): every island's figures in island
    // order, and the reported individual, the winning island's best.
    std::vector<run::IslandRecord> islands;
    std::vector<std::uint16_t> genes;
    float fitness = 0.0f;
};

// What the solver needs from a layer that runs one solver per island of one
// run. The solver keeps MPI out of its own library: it sees only this
// interface, which PortIslandLink implements over any island transport (the
// islands of one process, or one island per MPI process).
// Every call is made on the solver's main thread while the slave threads
// wait; every island makes the same collective calls (ShareRunSeed, Finish)
// in the same order.
class IslandLink {
public:
    virtual ~IslandLink() = default;

    virtual int Island() const = 0;
    virtual int Islands() const = 0;
    // Master iterations between migrations.
    virtual std::uint32_t MigrationInterval() const = 0;

    // The one run seed of every island: island 0's `seed`, or its clock
    // when none is given.
    virtual std::uint32_t ShareRunSeed(std::optional<std::uint32_t> seed) = 0;

    // After master iteration `total`: migrates when due and takes part in
    // the stop vote; false once every island is to stop. Blocks only in a
    // deterministic run, at a migration, until every island has reached it.
    virtual bool BetweenIterations(std::uint32_t total, NQueenPopulation& population,
                                   NQueenEvalBase& evalOperator) = 0;
    // Asks every island to stop for `reason`.
    virtual void AnnounceStop(run::StopReason reason) = 0;
    // Refreshes this island's best for the next vote.
    virtual void NoteBest(NQueenPopulation& population) = 0;
    // The best fitness over all islands as of the last vote.
    virtual double GlobalBestFitness() const = 0;
    // The name of this island's population dump after `total` iterations.
    virtual std::string DumpName(std::uint32_t total) const = 0;
    // True once for each request that every island dump its population
    // (Ctrl+C; SIGUSR1 under mpirun).
    virtual bool TakeDumpRequest() = 0;
    // This island handles the process's end requests (it runs on the main
    // thread), and waits for a key at the end when a person is there.
    virtual bool HandlesEndRequests() const = 0;
    virtual bool WaitsForKey() const = 0;

    // Ends this island's part: waits until the islands agree to stop, then
    // gathers every island's figures and the reported individual at island
    // 0. `mine` holds what this island's engine counted.
    virtual IslandsEnd Finish(NQueenPopulation& population, const run::IslandRecord& mine) = 0;
};

}  // namespace zarnel
