#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace jobshop {

// A job shop: `jobs` jobs, each a chain of `machines` operations, operation k
// of job j (number j * machines + k) on machine Machine(j, k) for Time(j, k).
// The reader checks that every machine number is below `machines`; a job may
// visit a machine more than once. A plain value that never changes after
// reading, so any number of threads may read it at once.
struct Instance {
    // Bounds on what a file may hold: a time, and jobs² × machines (the local
    // search keeps a tabu mark per operation and job).
    static constexpr std::int64_t kMaxTime = 1'000'000;
    static constexpr std::uint64_t kMaxJobsSquaredTimesMachines = std::uint64_t{1} << 22;

    std::string name;
    std::uint32_t jobs = 0;
    std::uint32_t machines = 0;
    std::vector<std::uint32_t> machine;  // by operation
    std::vector<std::int64_t> time;      // by operation

    std::uint32_t Operations() const { return jobs * machines; }
    std::uint32_t Machine(std::uint32_t job, std::uint32_t k) const { return machine[job * machines + k]; }
    std::int64_t Time(std::uint32_t job, std::uint32_t k) const { return time[job * machines + k]; }
};

// What a malformed file raises: one line, "<file>: line <n>: <reason>" (or
// "<file>: <reason>" when no line is to blame).
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads one instance in either of the two common forms, told apart by their
// layout:
//   - OR-Library (jobshop1.txt): a line "<jobs> <machines>", then one line per
//     job of <machine> <time> pairs in the job's order, machines from 0.
//   - Taillard: a line whose first two numbers are <jobs> <machines> (his own
//     files add seeds and bounds), a line "Times", one line of <machines>
//     times per job, a line "Machines", one line of machines per job, from 1.
//     Without the two keyword lines, the times and machines follow "<jobs>
//     <machines>" directly.
// Lines before the first line of numbers are a description and skipped (the
// instance's title in jobshop1.txt, "Nb of jobs, ..." in Taillard's files);
// lines may end in LF, CR LF or CR. Counts that do not match, a number that is
// not a whole number in range, and text after the instance are refused, the
// line named. `source` names the text in messages; `name` is the instance's.
Instance ParseInstance(std::string_view text, std::string_view source, std::string name);

// The same for a file, named after the file without its folder and extension.
// Refuses what is not a regular file and a file larger than kMaxFileBytes.
constexpr std::uint64_t kMaxFileBytes = 16u << 20;
Instance ReadInstance(const std::string& path);

}  // namespace jobshop
