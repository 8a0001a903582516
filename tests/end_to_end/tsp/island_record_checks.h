#pragma once

// Checks shared by the TSP example's island tests, in one process and over
// MPI: the record of a run of islands adds up, and its tour is the answer.

#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/tsplib.h"

namespace e2e {

// The record's `islands`: one entry per island in island order, none better
// than the answer of length `length`; their master iterations sum to the
// run's, some migrants arrived, and every migrant sent was received or
// discarded.
inline void ExpectIslandsAddUp(const nlohmann::json& record, std::size_t islands, long length) {
    ASSERT_EQ(record["islands"].size(), islands);
    std::uint64_t iterations = 0, sent = 0, received = 0, discarded = 0;
    for (std::size_t i = 0; i < islands; ++i) {
        const nlohmann::json& island = record["islands"][i];
        EXPECT_EQ(island["island"], i);
        EXPECT_GE(island["best_fitness"].get<double>(), length) << i;
        iterations += island["master_iterations"].get<std::uint64_t>();
        sent += island["migrants_sent"].get<std::uint64_t>();
        received += island["migrants_received"].get<std::uint64_t>();
        discarded += island["migrants_discarded"].get<std::uint64_t>();
    }
    EXPECT_EQ(record["master_iterations"], iterations);
    EXPECT_GT(received, 0u);
    EXPECT_EQ(sent, received + discarded);
}

// The recorded tour (cities numbered from 1) of the instance at `tspPath`
// has the length `length`, measured independently of the run.
inline void ExpectRecordedTourLength(const nlohmann::json& record, const std::string& tspPath, long length) {
    std::vector<std::uint32_t> tour;
    for (const auto& city : record["solution"]) tour.push_back(city.get<std::uint32_t>() - 1);
    const tsp::Instance instance = tsp::ReadTsplib(tspPath);
    const tsp::NeighbourLists neighbours(instance, 10);
    EXPECT_EQ(tsp::LocalSearch(instance, neighbours).Length(tour), length);
}

}  // namespace e2e
