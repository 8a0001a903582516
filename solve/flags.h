#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "solve/options.h"

namespace zarnel {

// The command line of a program built on Solve: the standard flags, bound to
// SolveOptions, and the program's own, so that its main is a few lines:
//
//     zarnel::SolveOptions options;
//     std::string file;
//     zarnel::Flags flags("tsp: a travelling salesman on Zarnel");
//     flags.Standard(options).Positional("file", "a TSPLIB file", file);
//     if (const auto status = flags.Parse(argc, argv)) return *status;
//
// The standard flags: --seed, --threads, --population, --max-iterations,
// --time-limit, --target, --max-evaluations, --stagnation, --islands,
// --migration-interval, --migrants, --json (the record), --resume (a dump to
// start from), --dump-dir, --quiet, --deterministic, and --help
// (docs/writing-a-problem.md has them in a table).
//
// A flag of the program's own replaces the standard flag of the same name,
// whether it is added before or after Standard(): a program that adds its
// own --islands keeps working, with its help text and its variable. Adding
// the same name twice as the program's own is a mistake, refused by the
// exception CLI::OptionAlreadyAdded.
//
// Values are checked as they are read; a refusal names the flag and the text
// given. A number must be one, written in decimal, and in range: a whole
// number from 0 up to the largest of its type (--seed: 0 to 2^64 - 1; a
// negative or larger one is refused, not wrapped or clamped), a real one
// finite. A value may not be empty or another flag (`--json --quiet` and
// `--json= --quiet` are refused; ./--quiet names such a file). What a value
// means together with the others is Solve's to check. Needs CLI11 (Debian's
// libcli11-dev) when Zarnel is built; a build without it refuses every
// argument but --help with a message that says so. One thread.
class Flags {
public:
    explicit Flags(const std::string& description);
    Flags(const Flags&) = delete;
    Flags& operator=(const Flags&) = delete;
    ~Flags();

    Flags& Standard(SolveOptions& options);
    // A flag of the program's own ("--plain"); `value` keeps its default
    // unless the flag is given. A bool is a switch that takes no value. It
    // replaces a standard flag of the same name (above).
    Flags& Add(const std::string& flag, const std::string& help, std::uint32_t& value);
    Flags& Add(const std::string& flag, const std::string& help, std::uint64_t& value);
    Flags& Add(const std::string& flag, const std::string& help, double& value);
    Flags& Add(const std::string& flag, const std::string& help, std::string& value);
    Flags& Add(const std::string& flag, const std::string& help, bool& value);
    // A required argument without a flag, in the order added.
    Flags& Positional(const std::string& name, const std::string& help, std::string& value);

    // Reads the command line. None to go on; otherwise the exit status to end
    // with: 0 after --help (the usage on standard output), 2 after a bad
    // argument (the reason and the usage on standard error).
    std::optional<int> Parse(int argc, const char* const* argv);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The standard flags alone.
std::optional<int> ParseFlags(int argc, const char* const* argv, SolveOptions& options);

}  // namespace zarnel
