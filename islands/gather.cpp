#include "islands/gather.h"

#include <mpi.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace zarnel::islands {

namespace {

constexpr int kWinnerTag = 7300;

// The fixed part of IslandFigures, sent as bytes: every rank runs the same
// program, so the layout is the same on both sides.
struct FixedFigures {
    std::uint64_t island;
    std::uint64_t masterIterations;
    std::uint64_t evaluations;
    std::int64_t masterBusyMs;
    std::uint64_t threadCount;
    std::uint64_t migrantsSent;
    std::uint64_t migrantsReceived;
    std::uint64_t migrantsDiscarded;
    double bestFitness;
    std::uint64_t steps;
};
static_assert(std::is_trivially_copyable_v<FixedFigures> && std::is_trivially_copyable_v<IslandThread>);

int Rank() {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    return rank;
}

int Size() {
    int size = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    return size;
}

}  // namespace

std::vector<IslandFigures> GatherFigures(const IslandFigures& mine) {
    const int rank = Rank();
    const int size = Size();
    const FixedFigures fixed{mine.island,           mine.masterIterations,
                             mine.evaluations,      mine.masterBusyMs,
                             mine.threads.size(),   mine.migrantsSent,
                             mine.migrantsReceived, mine.migrantsDiscarded,
                             mine.bestFitness,      mine.steps};
    std::vector<FixedFigures> all(rank == 0 ? static_cast<std::size_t>(size) : 0);
    MPI_Gather(&fixed, sizeof fixed, MPI_BYTE, all.data(), sizeof fixed, MPI_BYTE, 0, MPI_COMM_WORLD);

    // The thread blocks differ in number between islands: a gather of
    // varying length, in bytes.
    std::vector<int> counts;
    std::vector<int> offsets;
    std::vector<IslandThread> threads;
    if (rank == 0) {
        int total = 0;
        for (const FixedFigures& f : all) {
            counts.push_back(static_cast<int>(f.threadCount * sizeof(IslandThread)));
            offsets.push_back(total);
            total += counts.back();
        }
        threads.resize(static_cast<std::size_t>(total) / sizeof(IslandThread));
    }
    MPI_Gatherv(mine.threads.data(), static_cast<int>(mine.threads.size() * sizeof(IslandThread)), MPI_BYTE,
                threads.data(), counts.data(), offsets.data(), MPI_BYTE, 0, MPI_COMM_WORLD);

    std::vector<IslandFigures> result;
    std::size_t next = 0;
    for (const FixedFigures& f : all) {
        IslandFigures& figures = result.emplace_back();
        figures.island = static_cast<std::uint32_t>(f.island);
        figures.masterIterations = f.masterIterations;
        figures.evaluations = f.evaluations;
        figures.masterBusyMs = f.masterBusyMs;
        figures.threads.assign(threads.begin() + static_cast<std::ptrdiff_t>(next),
                               threads.begin() + static_cast<std::ptrdiff_t>(next + f.threadCount));
        next += f.threadCount;
        figures.migrantsSent = f.migrantsSent;
        figures.migrantsReceived = f.migrantsReceived;
        figures.migrantsDiscarded = f.migrantsDiscarded;
        figures.bestFitness = f.bestFitness;
        figures.steps = f.steps;
    }
    return result;
}

Winner PickWinner(bool solved, double bestFitness) {
    const int rank = Rank();
    const int size = Size();
    int solvedRank = solved ? rank : size;
    int lowestSolved = size;
    MPI_Allreduce(&solvedRank, &lowestSolved, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    if (lowestSolved < size) return {lowestSolved, true};

    // MPI_MAXLOC keeps the lowest rank among equal values.
    struct {
        double value;
        int rank;
    } mine{std::isnan(bestFitness) ? -std::numeric_limits<double>::infinity() : bestFitness, rank}, best{};
    MPI_Allreduce(&mine, &best, 1, MPI_DOUBLE_INT, MPI_MAXLOC, MPI_COMM_WORLD);
    return {best.rank, false};
}

RingChannel::Bytes SendToFirstIsland(const RingChannel::Bytes& message, int from) {
    const int rank = Rank();
    if (from == 0) return rank == 0 ? message : RingChannel::Bytes{};
    if (rank == from) {
        MPI_Send(message.data(), static_cast<int>(message.size()), MPI_BYTE, 0, kWinnerTag, MPI_COMM_WORLD);
        return {};
    }
    if (rank != 0) return {};
    MPI_Status status;
    MPI_Probe(from, kWinnerTag, MPI_COMM_WORLD, &status);
    int count = 0;
    MPI_Get_count(&status, MPI_BYTE, &count);
    RingChannel::Bytes received(static_cast<std::size_t>(count));
    MPI_Recv(received.data(), count, MPI_BYTE, from, kWinnerTag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return received;
}

}  // namespace zarnel::islands
