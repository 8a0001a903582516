#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "examples/tsp/local_search.h"
#include "examples/tsp/neighbour_lists.h"
#include "examples/tsp/tsplib.h"
#include "tests/end_to_end/nqueen/child_process.h"
#include "tests/end_to_end/nqueen/work_dir_test.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using namespace std::chrono_literals;

class TspE2E : public e2e::WorkDirTest {
protected:
    using Result = e2e::RunResult;
    Result Run(const std::vector<std::string>& arguments, std::chrono::milliseconds limit = 120s) const {
        e2e::ChildProcess child(ZARNEL_TSP_PATH, arguments, dir.string(), Path("out.txt"), Path("err.txt"));
        const int status = child.Wait(limit);
        return {status, e2e::ReadFile(Path("out.txt")), e2e::ReadFile(Path("err.txt"))};
    }
    static std::string LastLine(const std::string& text) {
        const std::size_t end = text.find_last_not_of('\n');
        const std::size_t start = text.rfind('\n', end);
        return text.substr(start == std::string::npos ? 0 : start + 1,
                           end - (start == std::string::npos ? 0 : start + 1) + 1);
    }
};

const std::string kBerlin = std::string(TSP_DATA_DIR) + "/berlin52.tsp";

TEST_F(TspE2E, FindsTheOptimumAndRecordsTheTourAsTsplibNumbers) {
    const Result result = Run({kBerlin, "--seed", "3", "--threads", "2", "--target", "7542", "--time-limit",
                               "100", "--json", "rec.json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(LastLine(result.out), "best length 7542");
    EXPECT_NE(result.out.find("iteration "), std::string::npos);
    // Lengths, never negated: in the progress lines and in the record.
    EXPECT_EQ(result.out.find("best -"), std::string::npos) << result.out;
    const json record = Record("rec.json");
    EXPECT_EQ(record["problem"], "tsp berlin52");
    EXPECT_EQ(record["genome"]["kind"], "permutation");
    EXPECT_EQ(record["operators"], "eax+double_bridge+improve");
    EXPECT_EQ(record["stop_reason"], "target");
    EXPECT_EQ(record["best_fitness"], 7542);
    EXPECT_EQ(record["direction"], "minimise");
    for (const auto& entry : record["history"]) EXPECT_GE(entry["best"].get<double>(), 7542);
    // The recorded tour, read back 1-based, has the recorded length.
    std::vector<std::uint32_t> tour;
    for (const auto& city : record["solution"]) tour.push_back(city.get<std::uint32_t>() - 1);
    const tsp::Instance instance = tsp::ReadTsplib(kBerlin);
    const tsp::NeighbourLists neighbours(instance, 10);
    EXPECT_EQ(tsp::LocalSearch(instance, neighbours).Length(tour), 7542);
}

TEST_F(TspE2E, APlainRunIsNamedSoAndAnUnknownDistanceIsRefusedByName) {
    const Result plain =
        Run({kBerlin, "--plain", "--seed", "1", "--max-iterations", "20", "--json", "p.json"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(Record("p.json")["operators"], "edge_recombination+inversion");
    EXPECT_EQ(Record("p.json")["stop_reason"], "iteration_limit");

    std::ofstream(Path("man.tsp")) << "NAME: m\nTYPE: TSP\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: MAN_2D\n"
                                      "NODE_COORD_SECTION\n1 0 0\n2 1 1\n3 2 0\nEOF\n";
    const Result refused = Run({Path("man.tsp")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("MAN_2D"), std::string::npos) << refused.err;
    EXPECT_EQ(Run({kBerlin, "--population", "2"}).status, 2);
}

// --ablate takes the documented words, alone or together, and refuses any
// other before anything runs; edge_recombination goes back to Zarnel's own
// operators.
TEST_F(TspE2E, AblationsRunByNameAndAnUnknownOneIsRefused) {
    const Result unknown = Run({kBerlin, "--ablate", "one_try,no_such_part"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("--ablate: 'no_such_part' is none of whole_search"), std::string::npos)
        << unknown.err;
    EXPECT_EQ(unknown.out, "");

    const Result classic = Run({kBerlin, "--ablate", "edge_recombination", "--seed", "2", "--max-iterations",
                                "5", "--quiet", "--json", "er.json"});
    ASSERT_EQ(classic.status, 0) << classic.err;
    EXPECT_EQ(Record("er.json")["operators"], "edge_recombination+inversion+improve");
    const Result parts = Run({kBerlin, "--ablate", "whole_search,no_kick,random_start,one_try,best_base",
                              "--seed", "2", "--max-iterations", "5", "--quiet", "--json", "parts.json"});
    ASSERT_EQ(parts.status, 0) << parts.err;
    EXPECT_EQ(Record("parts.json")["operators"], "eax+double_bridge+improve");
}

// What the reader refuses ends the program at once with status 2 and the
// reason; a file with CR line ends runs.
TEST_F(TspE2E, ADeviceAndSectionsOfTheWrongLengthAreRefusedAndCarriageReturnFilesRun) {
    const Result zero = Run({"/dev/zero"}, 20s);
    EXPECT_EQ(zero.status, 2);
    EXPECT_EQ(zero.err,
              "tsp: /dev/zero: not a regular file (a TSPLIB file cannot be a device, a pipe or a folder)\n");

    const std::string head =
        "NAME: s\rTYPE: TSP\rDIMENSION: 5\rEDGE_WEIGHT_TYPE: EUC_2D\rNODE_COORD_SECTION\r";
    std::ofstream(Path("short.tsp")) << head << "1 0 0\r2 1 0\r3 1 1\r4 0 1\rEOF\r";
    const Result refused = Run({Path("short.tsp")}, 20s);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(
        refused.err.find("short.tsp:10: NODE_COORD_SECTION has 4 entries, not the 5 entries of DIMENSION 5 "
                         "(it ends at 'EOF')"),
        std::string::npos)
        << refused.err;

    std::ofstream(Path("mac.tsp")) << head << "1 0 0\r2 3 0\r3 3 4\r4 0 4\r5 0 2\rEOF\r";
    const Result mac = Run({Path("mac.tsp"), "--seed", "1", "--max-iterations", "5", "--quiet"}, 60s);
    EXPECT_EQ(mac.status, 0) << mac.err;
    EXPECT_EQ(LastLine(mac.out), "best length 14");
}

TEST_F(TspE2E, CtrlCDumpsAndGoesOnSigtermEndsWithARecordAndTheDumpResumes) {
    const std::string pcb = std::string(TSP_DATA_DIR) + "/pcb442.tsp";
    e2e::ChildProcess child(ZARNEL_TSP_PATH, {pcb, "--seed", "1", "--threads", "2", "--json", "rec.json"},
                            dir.string(), Path("out.txt"), Path("err.txt"));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return e2e::ReadFile(Path("out.txt")).find("iteration ") != std::string::npos; }, 60s));
    child.Signal(SIGINT);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return e2e::ReadFile(Path("err.txt")).find("Population written to") != std::string::npos; },
        60s));
    EXPECT_TRUE(child.Running());
    child.Signal(SIGTERM);
    EXPECT_EQ(child.Wait(60s), 0);
    EXPECT_EQ(Record("rec.json")["stop_reason"], "signal");

    std::string dump;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".txt" && entry.path().stem() != "out" &&
            entry.path().stem() != "err")
            dump = entry.path().filename().string();
    }
    ASSERT_FALSE(dump.empty());
    const double dumpedBest = Record("rec.json")["history"][0]["best"].get<double>();
    const Result resumed = Run({pcb, "--resume", dump, "--max-iterations", "1", "--json", "r2.json"});
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(Record("r2.json")["resumed_from"], dump);
    EXPECT_LE(std::stod(LastLine(resumed.out).substr(12)), dumpedBest);
}

// The answer is printed, but a record that could not be written fails the
// run (status 1, as ZarnelNQueen's report does); before, the status was 0.
// A slave thread that the system refuses is named, with status 2.
TEST_F(TspE2E, ARecordThatCannotBeWrittenOrAThreadThatCannotStartFailsTheRun) {
    const Result full = Run({kBerlin, "--seed", "1", "--max-iterations", "5", "--json", "/dev/full"});
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(LastLine(full.out).rfind("best length ", 0), 0u) << full.out;
    EXPECT_NE(full.err.find("Unable to write run record /dev/full: No space left on device"),
              std::string::npos)
        << full.err;

    // prlimit caps the threads of the user nobody (root is not bound by it).
    ASSERT_EQ(access("/usr/bin/prlimit", X_OK), 0);
    std::vector<std::string> command = {"--nproc=40"};
    if (geteuid() == 0) {
        ASSERT_EQ(access("/usr/bin/setpriv", X_OK), 0);
        command.insert(command.end(),
                       {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    command.insert(command.end(), {ZARNEL_TSP_PATH, kBerlin, "--threads", "200", "--population", "800",
                                   "--max-iterations", "1"});
    e2e::ChildProcess child("/usr/bin/prlimit", command, dir.string(), Path("out.txt"), Path("err.txt"));
    EXPECT_EQ(child.Wait(60s), 2);
    const std::string err = e2e::ReadFile(Path("err.txt"));
    EXPECT_EQ(err.rfind("tsp: cannot start slave thread ", 0), 0u) << err;
    EXPECT_NE(err.find(" of 200: "), std::string::npos) << err;
    EXPECT_EQ(e2e::ReadFile(Path("out.txt")).find("best length"), std::string::npos);
}

}  // namespace
