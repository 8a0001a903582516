#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "examples/jobshop/instance.h"
#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"

namespace {

using namespace std::chrono_literals;

const std::string kData = JOBSHOP_DATA_DIR;

class JobShopE2E : public e2e::WorkDirTest {
protected:
    e2e::RunResult Run(const std::vector<std::string>& arguments) const {
        e2e::ChildProcess child(ZARNEL_JOBSHOP_PATH, arguments, dir.string(), Path("out.txt"),
                                Path("err.txt"));
        const int status = child.Wait(120s);
        return {status, Read("out.txt"), Read("err.txt")};
    }
    static std::string LastLine(const std::string& text) {
        const std::size_t end = text.find_last_not_of('\n');
        const std::size_t start = text.rfind('\n', end);
        return text.substr(start == std::string::npos ? 0 : start + 1,
                           end - (start == std::string::npos ? 0 : start + 1) + 1);
    }
};

// ft06's optimum, shown as a makespan, and a record whose solution is a
// schedule of that makespan (start times job by job).
TEST_F(JobShopE2E, Ft06ReachesItsOptimumAndTheRecordHoldsTheSchedule) {
    const e2e::RunResult result = Run({kData + "/ft06.txt", "--seed", "2", "--threads", "2", "--target", "55",
                                       "--time-limit", "60", "--json", "rec.json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(LastLine(result.out), "best makespan 55");
    EXPECT_NE(result.out.find("iteration 0: best makespan "), std::string::npos) << result.out;
    const auto record = Record("rec.json");
    EXPECT_EQ(record["problem"], "jobshop ft06");
    EXPECT_EQ(record["genome"]["kind"], "permutation_with_repetition");
    EXPECT_EQ(record["genome"]["length"], 36);
    EXPECT_EQ(record["operators"], "jox+swap+improve");
    EXPECT_EQ(record["stop_reason"], "target");
    const jobshop::Instance ft06 = jobshop::ReadInstance(kData + "/ft06.txt");
    const std::vector<std::int64_t> start = record["solution"].get<std::vector<std::int64_t>>();
    ASSERT_EQ(start.size(), 36u);
    std::int64_t makespan = 0;
    for (std::uint32_t op = 0; op < 36; ++op) {
        makespan = std::max(makespan, start[op] + ft06.time[op]);
        if (op % 6 != 0) {
            EXPECT_GE(start[op], start[op - 1] + ft06.time[op - 1]);
        }
        for (std::uint32_t other = 0; other < op; ++other) {
            if (ft06.machine[other] == ft06.machine[op]) {
                EXPECT_TRUE(start[op] + ft06.time[op] <= start[other] ||
                            start[other] + ft06.time[other] <= start[op]);
            }
        }
    }
    EXPECT_EQ(makespan, 55);
}

// A seeded deterministic run gives the same answer and history on one slave
// thread and on two.
TEST_F(JobShopE2E, ADeterministicRunRepeatsAtEveryThreadCount) {
    std::vector<nlohmann::json> records;
    std::vector<std::string> answers;
    for (const char* threads : {"1", "2"}) {
        const std::string record = std::string("det") + threads + ".json";
        const e2e::RunResult result =
            Run({kData + "/la16.txt", "--seed", "7", "--threads", threads, "--deterministic",
                 "--max-iterations", "20", "--quiet", "--json", record});
        ASSERT_EQ(result.status, 0) << result.err;
        answers.push_back(LastLine(result.out));
        records.push_back(Record(record));
    }
    EXPECT_EQ(answers[0], answers[1]);
    EXPECT_EQ(records[0]["history"].size(), records[1]["history"].size());
    for (std::size_t i = 0; i < records[0]["history"].size(); ++i) {
        EXPECT_EQ(records[0]["history"][i]["best"], records[1]["history"][i]["best"]);
        EXPECT_EQ(records[0]["history"][i]["mean"], records[1]["history"][i]["mean"]);
    }
    EXPECT_EQ(records[0]["solution"], records[1]["solution"]);
}

// A file that is no instance, a count that does not match, and a flag value
// out of its set: a clear message and status 2.
TEST_F(JobShopE2E, BadInputIsRefusedWithAMessageAndStatusTwo) {
    WriteText("short.txt", "3 2\n0 5 1 4\n1 3 0 2\n");
    const e2e::RunResult shortFile = Run({Path("short.txt")});
    EXPECT_EQ(shortFile.status, 2);
    EXPECT_EQ(shortFile.err,
              "jobshop: " + Path("short.txt") +
                  ": the file ends where the machine and time pairs of job 3 of 3 should follow\n");
    const e2e::RunResult directory = Run({dir.string()});
    EXPECT_EQ(directory.status, 2);
    EXPECT_EQ(directory.err, "jobshop: " + dir.string() + ": not a regular file\n");
    const e2e::RunResult search = Run({kData + "/ft06.txt", "--search", "anneal"});
    EXPECT_EQ(search.status, 2);
    EXPECT_NE(search.err.find("--search 'anneal': expected tabu, descent or none"), std::string::npos);
    EXPECT_EQ(Run({kData + "/ft06.txt", "--population", "2"}).status, 2);
}

}  // namespace
