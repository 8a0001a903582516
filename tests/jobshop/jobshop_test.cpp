#include <gtest/gtest.h>
#include <zarnel/genome/permutation_with_repetition.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "examples/jobshop/instance.h"
#include "examples/jobshop/local_search.h"
#include "examples/jobshop/schedule.h"
#include "examples/jobshop/shop.h"

namespace {

using jobshop::Instance;
using jobshop::Shop;
using Genes = std::vector<std::uint32_t>;

const std::string kData = JOBSHOP_DATA_DIR;

std::string ErrorOf(const std::string& text) {
    try {
        jobshop::ParseInstance(text, "t.txt", "t");
    } catch (const jobshop::FormatError& error) {
        return error.what();
    }
    return "";
}

// The makespan of `start` (job by job) after checking that it is a schedule:
// every operation after its job predecessor, no two overlapping on a machine.
std::int64_t CheckedMakespan(const Instance& instance, const std::vector<std::int64_t>& start) {
    std::int64_t makespan = 0;
    for (std::uint32_t op = 0; op < instance.Operations(); ++op) {
        const std::int64_t end = start[op] + instance.time[op];
        makespan = std::max(makespan, end);
        EXPECT_GE(start[op], 0);
        if (op % instance.machines != 0) {
            EXPECT_GE(start[op], start[op - 1] + instance.time[op - 1]) << op;
        }
        for (std::uint32_t other = 0; other < op; ++other) {
            if (instance.machine[other] != instance.machine[op]) continue;
            EXPECT_TRUE(end <= start[other] || start[other] + instance.time[other] <= start[op])
                << op << " overlaps " << other;
        }
    }
    return makespan;
}

Genes RandomGenome(const Shop& shop, zarnel::Random& random) {
    const auto kind = zarnel::PermutationWithRepetition::Uniform(shop.Jobs(), shop.Steps());
    Genes genes(kind.Length());
    kind.Init(genes, random);
    return genes;
}

// Both forms of one instance: 2 jobs on 3 machines, job 2 visiting machine 1 twice.
TEST(JobShopReaderTest, BothFormsReadTheSameInstanceAndDescriptionsAreSkipped) {
    const Instance orLibrary = jobshop::ParseInstance(
        " instance t\r\n +++\r\n A 2x3 instance (made up)\r\n 2 3\r\n0 5 1 7 2 0\r\n\r\n1 4 1 3 2 9\r\n", "t",
        "t");
    const Instance taillard = jobshop::ParseInstance(
        "Nb of jobs, Nb of Machines, Time seed, Machine seed, Upper bound, Lower bound\r"
        "2 3 1 2 3 4\rTimes\r5 7 0\r4 3 9\rmachines\r1 2 3\r2 2 3\r",
        "t", "t");
    const Instance bare = jobshop::ParseInstance("2 3\n5 7 0\n4 3 9\n1 2 3\n2 2 3\n", "t", "t");
    for (const Instance* instance : {&orLibrary, &taillard, &bare}) {
        EXPECT_EQ(instance->jobs, 2u);
        EXPECT_EQ(instance->machines, 3u);
        EXPECT_EQ(instance->machine, (std::vector<std::uint32_t>{0, 1, 2, 1, 1, 2}));
        EXPECT_EQ(instance->time, (std::vector<std::int64_t>{5, 7, 0, 4, 3, 9}));
    }
}

class JobShopReaderFaultTest : public testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(JobShopReaderFaultTest, AFaultIsRefusedNamingTheLine) {
    const std::string error = ErrorOf(GetParam().first);
    EXPECT_NE(error.find(GetParam().second), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, JobShopReaderFaultTest,
    testing::Values(
        std::pair<std::string, std::string>{"", "t.txt: no line of numbers"},
        std::pair<std::string, std::string>{"2 2\n0 1 1 1\n",
                                            "the file ends where the machine and time pairs "
                                            "of job 2 of 2 should follow"},
        std::pair<std::string, std::string>{"2 2\n0 1 1 1\n0 1 1\n",
                                            "line 3: expected 4 numbers (2 machine and time pairs of job 2)"},
        std::pair<std::string, std::string>{"1 2\n0 1 2 1\n", "line 2: machine 2 of job 1 is not below 2"},
        std::pair<std::string, std::string>{"1 2\n0 1 1 x\n", "line 2: 'x' is not a whole number"},
        std::pair<std::string, std::string>{"1 2\n0 -1 1 1\n", "line 2: -1 is not in 0 .. 1000000"},
        std::pair<std::string, std::string>{"1 2\n0 1 1 1\n0 1 1 1\n",
                                            "line 3: text after the instance's 1 jobs"},
        std::pair<std::string, std::string>{"0 2\n", "line 1: '0 2': jobs and machines must be at least 1"},
        std::pair<std::string, std::string>{"3000 1000\n",
                                            "3000 jobs on 1000 machines is more than this program"},
        std::pair<std::string, std::string>{"1 2 3\n0 1 1 1\n", "line 1: expected '<jobs> <machines>'"},
        std::pair<std::string, std::string>{"1 2 0 0 9 9\nTimes\n1 1\nMachine\n1 2\n",
                                            "line 4: expected the line 'Machines'"},
        std::pair<std::string, std::string>{"1 2\nTimes\n1 1\nMachines\n1 3\n", "line 5: 3 is not in 1 .. 2"},
        std::pair<std::string, std::string>{"2 2\n1 1\n1 1\n1 2\n",
                                            "the machines of job 2 of 2 should follow"}));

TEST(JobShopReaderTest, WhatIsNoRegularFileOrTooLargeIsRefused) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zarnel_jobshop_reader";
    std::filesystem::create_directories(dir);
    const auto ErrorReading = [](const std::string& path) -> std::string {
        try {
            jobshop::ReadInstance(path);
        } catch (const jobshop::FormatError& error) {
            return error.what();
        }
        return "";
    };
    EXPECT_EQ(ErrorReading(dir.string()), dir.string() + ": not a regular file");
    const std::string large = (dir / "large.txt").string();
    std::ofstream(large) << "1 1\n0 1\n" << std::string(jobshop::kMaxFileBytes, ' ');
    EXPECT_NE(ErrorReading(large).find("larger than 16 MiB"), std::string::npos);
    EXPECT_NE(ErrorReading((dir / "missing.txt").string()).find("cannot read the file"), std::string::npos);
    std::filesystem::remove_all(dir);
    const Instance ft06 = jobshop::ReadInstance(kData + "/ft06.txt");
    EXPECT_EQ(ft06.name, "ft06");
    EXPECT_EQ(ft06.Time(5, 5), 1);
}

class JobShopSearchTest : public testing::TestWithParam<const char*> {};

// Both decoders and every search give schedules; the active decoder leaves
// no operation that could start in an idle gap before it; a search never
// worsens what it starts from, and the genome it writes back stands for the
// schedule it found.
TEST_P(JobShopSearchTest, DecodersAndSearchesGiveSchedulesAndKeepTheirWord) {
    const Shop shop(jobshop::ReadInstance(kData + "/" + GetParam() + ".txt"));
    const Instance& instance = shop.GetInstance();
    zarnel::Random random(3);
    using Method = jobshop::SearchSettings::Method;
    for (int trial = 0; trial < 20; ++trial) {
        const Genes genes = RandomGenome(shop, random);
        Genes active(shop.Operations()), semiActive(shop.Operations());
        const std::int64_t activeMakespan = jobshop::DecodeActive(shop, genes, active);
        const std::int64_t semiActiveMakespan = jobshop::DecodeSemiActive(shop, genes, semiActive);
        for (const auto& [order, makespan] :
             {std::pair{&active, activeMakespan}, {&semiActive, semiActiveMakespan}}) {
            jobshop::Schedule schedule;
            schedule.Load(shop, *order);
            ASSERT_TRUE(schedule.Evaluate());
            std::vector<std::int64_t> start(shop.Operations());
            for (std::uint32_t op = 0; op < shop.Operations(); ++op) start[op] = schedule.Head(op);
            ASSERT_EQ(CheckedMakespan(instance, start), makespan);
            if (order != &active) continue;
            for (std::uint32_t op = 0; op < shop.Operations(); ++op) {
                const std::int64_t ready = op % shop.Steps() ? start[op - 1] + shop.Time(op - 1) : 0;
                std::int64_t idleFrom = 0;  // a gap on the machine before op that op would fit
                for (std::uint32_t at = shop.First(shop.Machine(op)); order->at(at) != op; ++at) {
                    const std::uint32_t other = order->at(at);
                    ASSERT_FALSE(std::max(idleFrom, ready) + shop.Time(op) <= start[other]) << op;
                    idleFrom = start[other] + shop.Time(other);
                }
            }
        }
        EXPECT_EQ(jobshop::Makespan(shop, genes), std::min(activeMakespan, semiActiveMakespan));
        for (const Method method : {Method::kTabu, Method::kDescent}) {
            const jobshop::LocalSearch search(shop, {method, 200});
            Genes improved = genes;
            const std::int64_t makespan = search.Improve(improved, random);
            EXPECT_LE(makespan, std::min(activeMakespan, semiActiveMakespan));
            ASSERT_EQ(zarnel::PermutationWithRepetition::Uniform(shop.Jobs(), shop.Steps()).Check(improved),
                      "");
            ASSERT_EQ(jobshop::DecodeSemiActive(shop, improved, semiActive), makespan);
            EXPECT_EQ(CheckedMakespan(instance, jobshop::StartTimes(shop, improved)),
                      jobshop::Makespan(shop, improved));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Instances, JobShopSearchTest, testing::Values("ft06", "la16", "ta02"));

// Zero times make ties everywhere and let a move that the estimate's test
// passes close a cycle; the search still ends with a schedule of the
// makespan it reports.
TEST(JobShopSearchTest, ZeroTimesStillGiveSchedules) {
    zarnel::Random random(17);
    std::string text = "6 5\n";
    for (int job = 0; job < 6; ++job) {
        std::vector<std::uint32_t> machines{0, 1, 2, 3, 4};
        std::shuffle(machines.begin(), machines.end(), random);
        for (const std::uint32_t machine : machines)
            text += std::to_string(machine) + " " + std::to_string(random.Below(3)) + " ";
        text += "\n";
    }
    const Shop shop(jobshop::ParseInstance(text, "t", "t"));
    for (const auto method :
         {jobshop::SearchSettings::Method::kTabu, jobshop::SearchSettings::Method::kDescent}) {
        const jobshop::LocalSearch search(shop, {method, 300});
        for (int trial = 0; trial < 30; ++trial) {
            Genes genes = RandomGenome(shop, random);
            const std::int64_t before = jobshop::Makespan(shop, genes);
            const std::int64_t after = search.Improve(genes, random);
            EXPECT_LE(after, before);
            EXPECT_EQ(CheckedMakespan(shop.GetInstance(), jobshop::StartTimes(shop, genes)), after);
        }
    }
}

// Job 1 holds the genome's first places, but the active decoder starts job
// 0 on machine 0 first: job 1's operation there could not start before job
// 0's ends. Within the conflict set on machine 1 the genome decides.
TEST(JobShopDecoderTest, TheActiveDecoderFollowsTheGenomeWithinTheConflictSet) {
    const Shop shop(jobshop::ParseInstance("2 2\n0 1 1 1\n1 5 0 1\n", "t", "t"));
    const Genes genes{1, 1, 0, 0};
    Genes order(4);
    EXPECT_EQ(jobshop::DecodeActive(shop, genes, order), 6);
    EXPECT_EQ(order, (Genes{0, 3, 2, 1}));
    EXPECT_EQ(jobshop::DecodeSemiActive(shop, genes, order), 8);
    EXPECT_EQ(order, (Genes{3, 0, 2, 1}));
}

// ft06's optimum, 55, from a random start; and a search is a function of its
// genome and generator alone, whatever the thread searched before.
TEST(JobShopSearchTest, TabuFindsFt06sOptimumAndRepeatsOnAnyThread) {
    const Shop ft06(jobshop::ReadInstance(kData + "/ft06.txt"));
    zarnel::Random random(9);
    Genes genes = RandomGenome(ft06, random);
    EXPECT_EQ(
        jobshop::LocalSearch(ft06, {jobshop::SearchSettings::Method::kTabu, 2000}).Improve(genes, random),
        55);

    const Shop shop(jobshop::ReadInstance(kData + "/la16.txt"));
    const jobshop::LocalSearch search(shop, {jobshop::SearchSettings::Method::kTabu, 300});
    const Genes start = RandomGenome(shop, random);
    Genes first = start;
    zarnel::Random seeded(4);
    search.Improve(first, seeded);
    Genes again = start;
    std::thread([&] {
        Genes other = RandomGenome(shop, random);
        zarnel::Random elsewhere(5);
        search.Improve(other, elsewhere);
        zarnel::Random same(4);
        search.Improve(again, same);
    }).join();
    EXPECT_EQ(again, first);
}

}  // namespace
