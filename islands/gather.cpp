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
    return GatherFigures(std::vector<IslandFigures>{mine});
}

std::vector<IslandFigures> GatherFigures(const std::vector<IslandFigures>& mine) {
    const int rank = Rank();
    const int size = Size();
    std::vector<FixedFigures> fixed;
    std::vector<IslandThread> myThreads;
    for (const IslandFigures& f : mine) {
        fixed.push_back({f.island, f.masterIterations, f.evaluations, f.masterBusyMs, f.threads.size(),
                         f.migrantsSent, f.migrantsReceived, f.migrantsDiscarded, f.bestFitness, f.steps});
        myThreads.insert(myThreads.end(), f.threads.begin(), f.threads.end());
    }
    // Ranks may differ in their number of islands and of threads: two
    // gathers of varying length, in bytes, after the lengths.
    const int lengths[2] = {static_cast<int>(fixed.size() * sizeof(FixedFigures)),
                            static_cast<int>(myThreads.size() * sizeof(IslandThread))};
    std::vector<int> allLengths(rank == 0 ? 2 * static_cast<std::size_t>(size) : 0);
    MPI_Gather(lengths, 2, MPI_INT, allLengths.data(), 2, MPI_INT, 0, MPI_COMM_WORLD);
    std::vector<int> fixedCounts, fixedOffsets, threadCounts, threadOffsets;
    std::vector<FixedFigures> all;
    std::vector<IslandThread> threads;
    if (rank == 0) {
        int fixedTotal = 0;
        int threadTotal = 0;
        for (int r = 0; r < size; ++r) {
            fixedCounts.push_back(allLengths[2 * static_cast<std::size_t>(r)]);
            fixedOffsets.push_back(fixedTotal);
            fixedTotal += fixedCounts.back();
            threadCounts.push_back(allLengths[2 * static_cast<std::size_t>(r) + 1]);
            threadOffsets.push_back(threadTotal);
            threadTotal += threadCounts.back();
        }
        all.resize(static_cast<std::size_t>(fixedTotal) / sizeof(FixedFigures));
        threads.resize(static_cast<std::size_t>(threadTotal) / sizeof(IslandThread));
    }
    MPI_Gatherv(fixed.data(), lengths[0], MPI_BYTE, all.data(), fixedCounts.data(), fixedOffsets.data(),
                MPI_BYTE, 0, MPI_COMM_WORLD);
    MPI_Gatherv(myThreads.data(), lengths[1], MPI_BYTE, threads.data(), threadCounts.data(),
                threadOffsets.data(), MPI_BYTE, 0, MPI_COMM_WORLD);

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

Winner PickWinner(const WinnerClaim& mine) {
    int solved = mine.solvedIsland >= 0 ? mine.solvedIsland : std::numeric_limits<int>::max();
    int lowestSolved = 0;
    MPI_Allreduce(&solved, &lowestSolved, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    if (lowestSolved != std::numeric_limits<int>::max()) return {lowestSolved, true};
    // MPI_MAXLOC keeps the lowest index among equal values; a rank without
    // islands offers the lowest fitness.
    const double lowest = -std::numeric_limits<double>::infinity();
    struct {
        double value;
        int island;
    } claim{mine.bestIsland < 0 || std::isnan(mine.bestFitness) ? lowest : mine.bestFitness,
            mine.bestIsland < 0 ? std::numeric_limits<int>::max() : mine.bestIsland},
        best{};
    MPI_Allreduce(&claim, &best, 1, MPI_DOUBLE_INT, MPI_MAXLOC, MPI_COMM_WORLD);
    return {best.island == std::numeric_limits<int>::max() ? 0 : best.island, false};
}

std::vector<RingChannel::Bytes> GatherMessages(const std::vector<RingChannel::Bytes>& mine) {
    const int rank = Rank();
    const int size = Size();
    // One run of bytes per rank: each message as its length (64 bits) and
    // its bytes.
    std::vector<unsigned char> packed;
    for (const RingChannel::Bytes& message : mine) {
        const std::uint64_t length = message.size();
        const auto* bytes = reinterpret_cast<const unsigned char*>(&length);
        packed.insert(packed.end(), bytes, bytes + sizeof length);
        packed.insert(packed.end(), message.begin(), message.end());
    }
    const int length = static_cast<int>(packed.size());
    std::vector<int> lengths(rank == 0 ? static_cast<std::size_t>(size) : 0);
    MPI_Gather(&length, 1, MPI_INT, lengths.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
    std::vector<int> offsets;
    std::vector<unsigned char> all;
    if (rank == 0) {
        int total = 0;
        for (const int each : lengths) {
            offsets.push_back(total);
            total += each;
        }
        all.resize(static_cast<std::size_t>(total));
    }
    MPI_Gatherv(packed.data(), length, MPI_BYTE, all.data(), lengths.data(), offsets.data(), MPI_BYTE, 0,
                MPI_COMM_WORLD);
    std::vector<RingChannel::Bytes> messages;
    for (std::size_t at = 0; at + sizeof(std::uint64_t) <= all.size();) {
        std::uint64_t each = 0;
        std::memcpy(&each, all.data() + at, sizeof each);
        at += sizeof each;
        messages.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at),
                              all.begin() + static_cast<std::ptrdiff_t>(at + each));
        at += each;
    }
    return messages;
}

std::uint32_t HighestCode(std::uint32_t code) {
    std::uint32_t highest = 0;
    MPI_Allreduce(&code, &highest, 1, MPI_UINT32_T, MPI_MAX, MPI_COMM_WORLD);
    return highest;
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
