// The cost of one migration between islands, run under mpirun:
//
//   mpirun -np 3 build/release/perf/zarnel_migration_bench [rounds]
//
// For boards of 64 and 65,536 queens (16-bit genes, float fitness) every
// island, in lockstep rounds, picks its best individual, packs it, sends it
// to the next island, waits until the previous island's migrant has arrived
// and puts it in place of its worst individual. Island 0 prints, per size,
// the message size, the median time of a round (one migration as every
// island sees it, transfer included), the median of the local work alone
// (picking, packing, unpacking, replacing) and the median time of one stop
// vote (the non-blocking reduction that islands run once per master
// iteration).
#include <mpi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/individual.h"
#include "framework/population.h"
#include "islands/migrant_codec.h"
#include "islands/migration_policy.h"
#include "islands/mpi_session.h"
#include "islands/ring_channel.h"

namespace {

using Individual = zarnel::CIndividual<std::uint16_t, float>;
using Population = zarnel::CPopulation<Individual>;
using Codec = zarnel::islands::MigrantCodec<Individual>;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void Measure(const zarnel::islands::MpiSession& session, std::uint32_t queens, int rounds) {
    Population population(64, queens);
    for (std::uint32_t i = 0; i < population.size; ++i) {
        Individual& individual = population.individuals[i];
        for (std::uint32_t g = 0; g < queens; ++g) individual.genes[g] = static_cast<std::uint16_t>(g);
        individual.SetFitness(-static_cast<float>(i));
    }
    zarnel::islands::RingChannel channel(session.Rank(), session.Size(), 7100);
    std::vector<double> roundTimes;
    std::vector<double> localTimes;
    std::size_t messageBytes = 0;
    MPI_Barrier(MPI_COMM_WORLD);
    for (int r = 0; r < rounds; ++r) {
        const Clock::time_point t0 = Clock::now();
        const std::vector<std::uint32_t> best = zarnel::islands::EmigrantIndices(population, 1);
        Individual* emigrant = population.GetIndividual(best[0]);
        zarnel::islands::RingChannel::Bytes message = Codec::Pack(&emigrant, 1, queens);
        messageBytes = message.size();
        const Clock::time_point t1 = Clock::now();
        channel.Send(std::move(message));
        zarnel::islands::RingChannel::Bytes arrived;
        while (!channel.Receive(arrived)) {
        }
        const Clock::time_point t2 = Clock::now();
        const std::vector<std::uint32_t> worst = zarnel::islands::ReplacedIndices(population, 1);
        Codec::Unpack(arrived, 0, queens, *population.GetIndividual(worst[0]));
        const Clock::time_point t3 = Clock::now();
        roundTimes.push_back(Micros(t3 - t0));
        localTimes.push_back(Micros((t1 - t0) + (t3 - t2)));
    }
    channel.Drain();

    std::vector<double> voteTimes;
    double in[2] = {0.0, static_cast<double>(session.Rank())};
    double out[2];
    for (int r = 0; r < rounds; ++r) {
        const Clock::time_point t0 = Clock::now();
        MPI_Request request;
        MPI_Iallreduce(in, out, 2, MPI_DOUBLE, MPI_MAX, MPI_COMM_WORLD, &request);
        MPI_Wait(&request, MPI_STATUS_IGNORE);
        voteTimes.push_back(Micros(Clock::now() - t0));
    }
    if (session.Rank() == 0) {
        std::printf("| %d | %u | %zu | %.1f | %.1f | %.1f |\n", session.Size(), queens, messageBytes,
                    Median(roundTimes), Median(localTimes), Median(voteTimes));
    }
}

}  // namespace

int main(int argc, char** argv) {
    zarnel::islands::MpiSession session(&argc, &argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    if (session.Rank() == 0) {
        std::printf(
            "| islands | queens | message bytes | round us (median) | local work us | stop vote us |\n");
        std::printf("|---|---|---|---|---|---|\n");
    }
    for (std::uint32_t queens : {64U, 65536U}) Measure(session, queens, rounds);
    return 0;
}
