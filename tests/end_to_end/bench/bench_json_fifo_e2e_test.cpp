// ZarnelBench --json with a FIFO as the record's path, read as `cat` reads
// it, and with no reader at all.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/fifo_reader.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

class BenchJsonFifoE2E : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_bench_fifo_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        ASSERT_EQ(mkfifo((dir / "rec.fifo").c_str(), 0600), 0);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The status of a seeded run that writes its record to `recordPath`.
    int Run(const std::string& recordPath) const {
        e2e::ChildProcess child(ZARNEL_BENCH_PATH,
                                {"--function", "2001", "--population", "20", "--iterations", "40", "--runs",
                                 "2", "--threads", "1", "--seed", "9", "--json", recordPath},
                                dir.string(), (dir / "out.txt").string(), (dir / "err.txt").string());
        return child.Wait(60s);
    }
    std::string Err() const { return e2e::ReadFile((dir / "err.txt").string()); }

    fs::path dir;
};

// Every figure but the measured times.
std::vector<double> BestFitnesses(const json& record) {
    std::vector<double> best;
    for (const json& run : record["runs"]) best.push_back(run["best_fitness"]);
    return best;
}

TEST_F(BenchJsonFifoE2E, TheReaderGetsTheWholeRecord) {
    ASSERT_EQ(Run("rec.json"), 0) << Err();
    const json reference = json::parse(e2e::ReadFile((dir / "rec.json").string()));
    std::future<std::string> text = e2e::ReadFifo((dir / "rec.fifo").string(), 60s);
    EXPECT_EQ(Run("rec.fifo"), 0) << Err();
    const json record = json::parse(text.get(), nullptr, false);
    ASSERT_FALSE(record.is_discarded());
    EXPECT_EQ(record["seed"], 9);
    ASSERT_EQ(record["runs"].size(), 2u);
    EXPECT_EQ(BestFitnesses(record), BestFitnesses(reference));
    EXPECT_TRUE(fs::is_fifo(dir / "rec.fifo"));
}

TEST_F(BenchJsonFifoE2E, NoReaderFailsTheRecordInsteadOfWaiting) {
    EXPECT_EQ(Run("rec.fifo"), 1);
    EXPECT_EQ(Err(),
              "ZarnelBench: unable to write record rec.fifo: no process has the FIFO open for reading\n");
}

}  // namespace
