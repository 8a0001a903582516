// The TSP example with --islands: several populations in one process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"
#include "tests/end_to_end/tsp/island_record_checks.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using namespace std::chrono_literals;

const std::string kBerlin = std::string(TSP_DATA_DIR) + "/berlin52.tsp";

class TspIslandsE2E : public e2e::WorkDirTest {
protected:
    using Result = e2e::RunResult;
    Result Run(const std::vector<std::string>& arguments) const {
        std::vector<std::string> all{kBerlin};
        all.insert(all.end(), arguments.begin(), arguments.end());
        e2e::ChildProcess child(ZARNEL_TSP_PATH, all, dir.string(), Path("out.txt"), Path("err.txt"));
        const int status = child.Wait(120s);
        return {status, e2e::ReadFile(Path("out.txt")), e2e::ReadFile(Path("err.txt"))};
    }
    static long Length(const std::string& out) {
        const std::size_t at = out.rfind("best length ");
        return at == std::string::npos ? -1 : std::stol(out.substr(at + 12));
    }
};

TEST_F(TspIslandsE2E, FourIslandsAreOneRunWithOneAnswerAndTheirMigrantsAddUp) {
    const Result run =
        Run({"--islands", "4", "--threads", "2", "--population", "12", "--seed", "5", "--max-iterations",
             "80", "--migration-interval", "10", "--migrants", "2", "--json", "rec.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const long length = Length(run.out);
    ASSERT_GT(length, 0) << run.out;
    const json record = Record("rec.json");
    EXPECT_EQ(record["parameters"]["islands"], 4);
    EXPECT_EQ(record["parameters"]["migrants"], 2);
    EXPECT_EQ(record["best_fitness"], length);
    e2e::ExpectIslandsAddUp(record, 4, length);
    // The answer is the recorded tour's length.
    e2e::ExpectRecordedTourLength(record, kBerlin, length);
}

TEST_F(TspIslandsE2E, DeterministicIslandsGiveTheSameTourAtOneAndTwoThreadsAndBadFlagsAreRefused) {
    const std::vector<std::string> common{
        "--islands",        "2",  "--population",         "16", "--seed", "9", "--deterministic",
        "--max-iterations", "40", "--migration-interval", "5",  "--plain"};
    std::vector<std::string> one = common, two = common;
    one.insert(one.end(), {"--threads", "2", "--json", "one.json"});
    two.insert(two.end(), {"--threads", "4", "--json", "two.json"});
    const Result first = Run(one);
    ASSERT_EQ(first.status, 0) << first.err;
    const Result second = Run(two);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(Length(first.out), Length(second.out));
    EXPECT_EQ(Record("one.json")["solution"], Record("two.json")["solution"]);
    EXPECT_EQ(Record("one.json")["islands"].size(), 2u);

    const Result tooMany = Run({"--islands", "2", "--population", "8", "--migrants", "8"});
    EXPECT_EQ(tooMany.status, 2);
    EXPECT_EQ(tooMany.err,
              "tsp: migrants 8 is not below the population 8 of an island, whose best never makes room\n");
    EXPECT_EQ(tooMany.out.find("best length"), std::string::npos);
    const Result none = Run({"--islands", "0"});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, "tsp: islands 0 is outside 1 … 256\n");
}

// The record without what may differ between thread counts: times and
// per-thread figures (the run's and every island's) and the thread count.
json ThreadFree(json record) {
    for (const char* member : {"start_utc", "end_utc", "wall_seconds", "master_busy_ms", "threads"})
        record.erase(member);
    record["parameters"].erase("threads");
    record["parameters"].erase("record");
    for (json& entry : record["history"]) entry.erase("seconds");
    if (record.contains("islands")) {
        for (json& island : record["islands"]) island.erase("threads");
    }
    return record;
}

TEST_F(TspIslandsE2E, DeterministicRunsRecordTheSameOnOneTwoAndFourThreadsWithOrWithoutIslands) {
    for (const char* islands : {"1", "2"}) {
        SCOPED_TRACE(islands);
        json first;
        for (const char* threads : {"1", "2", "4"}) {
            SCOPED_TRACE(threads);
            const std::string record = std::string("t") + threads + ".json";
            const Result run =
                Run({"--deterministic", "--seed", "9", "--max-iterations", "30", "--islands", islands,
                     "--migration-interval", "5", "--migrants", "2", "--threads", threads, "--json", record});
            ASSERT_EQ(run.status, 0) << run.err;
            const json kept = ThreadFree(Record(record));
            if (first.is_null()) {
                first = kept;
                continue;
            }
            EXPECT_EQ(kept, first);
        }
        ASSERT_FALSE(first.is_null());
        EXPECT_EQ(first["parameters"]["deterministic"], 1);
        if (std::string(islands) == "2") {
            ASSERT_EQ(first["islands"].size(), 2u);
            EXPECT_GT(first["islands"][0]["migrants_received"].get<int>(), 0);
        }
    }
}

TEST_F(TspIslandsE2E, IslandsPerProcessWithoutMpiAreRefusedBeforeAnyRuns) {
    const Result run = Run({"--islands-per-process", "2", "--max-iterations", "5"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--islands-per-process 2: needs --mpi"), std::string::npos) << run.err;
    EXPECT_EQ(Length(run.out), -1) << run.out;
}

}  // namespace
