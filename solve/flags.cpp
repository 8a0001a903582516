#include "solve/flags.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#ifdef ZARNEL_HAVE_CLI11
#include <CLI/CLI.hpp>
#endif

namespace zarnel {

#ifdef ZARNEL_HAVE_CLI11

struct Flags::Impl {
    explicit Impl(const std::string& description) : app(description) {}
    CLI::App app;
    // Values that land in an optional member once parsing has succeeded.
    std::vector<std::function<void()>> finish;
};

Flags::Flags(const std::string& description) : impl_(std::make_unique<Impl>(description)) {}
Flags::~Flags() = default;

Flags& Flags::Standard(SolveOptions& options) {
    CLI::App& app = impl_->app;
    auto seed = std::make_shared<std::uint64_t>(0);
    auto* seedOption = app.add_option("--seed", *seed, "Run seed (0 … 2^64 − 1); default: from the clock");
    impl_->finish.push_back([seed, seedOption, &options] {
        if (seedOption->count() > 0) options.seed = *seed;
    });
    app.add_option("--threads", options.threads, "Slave threads (0: the main thread does the steps)")
        ->check(CLI::Range(0, 1024))
        ->capture_default_str();
    app.add_option("--population", options.population, "Individuals, 3 … 32767 (0: chosen from --threads)")
        ->check(CLI::Range(0, 32767))
        ->capture_default_str();
    app.add_option("--max-iterations", options.maxIterations,
                   "Stop after this many master iterations (0: none)")
        ->capture_default_str();
    app.add_option("--time-limit", options.timeLimit, "Stop after this many seconds (0: none)")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    auto target = std::make_shared<double>(0.0);
    auto* targetOption = app.add_option("--target", *target, "Stop once the best fitness reaches this value");
    impl_->finish.push_back([target, targetOption, &options] {
        if (targetOption->count() > 0) options.target = *target;
    });
    app.add_option("--max-evaluations", options.maxEvaluations,
                   "Stop after the master iteration that reaches this many fitness evaluations (0: none)")
        ->capture_default_str();
    app.add_option("--stagnation", options.stagnation,
                   "Stop after this many master iterations without a better best (0: none)")
        ->capture_default_str();
    app.add_option("--json", options.record, "Write the run record (JSON) to this file")
        ->check([](const std::string& path) {
            return path.empty() ? std::string("an empty path") : std::string();
        });
    app.add_option("--resume", options.resumeFrom, "Start from the population of this dump")
        ->check(CLI::ExistingFile);
    app.add_option("--dump-dir", options.dumpDirectory, "Where Ctrl+C writes population dumps")
        ->check(CLI::ExistingDirectory);
    app.add_flag("--quiet", options.quiet, "No progress lines");
    app.add_flag("--deterministic", options.deterministic,
                 "The same result from the same seed with any number of threads");
    return *this;
}

Flags& Flags::Add(const std::string& flag, const std::string& help, std::uint32_t& value) {
    impl_->app.add_option(flag, value, help)->capture_default_str();
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, std::uint64_t& value) {
    impl_->app.add_option(flag, value, help)->capture_default_str();
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, double& value) {
    impl_->app.add_option(flag, value, help)->capture_default_str();
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, std::string& value) {
    impl_->app.add_option(flag, value, help)->capture_default_str();
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, bool& value) {
    impl_->app.add_flag(flag, value, help);
    return *this;
}
Flags& Flags::Positional(const std::string& name, const std::string& help, std::string& value) {
    impl_->app.add_option(name, value, help)->required();
    return *this;
}

std::optional<int> Flags::Parse(int argc, const char* const* argv) {
    try {
        impl_->app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(impl_->app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "%s: %s\n%s", impl_->app.get_name().c_str(), error.what(),
                     impl_->app.help().c_str());
        return 2;
    }
    for (const auto& step : impl_->finish) step();
    return std::nullopt;
}

#else

// Without a flag parser only --help is understood.
struct Flags::Impl {
    std::string description;
};

Flags::Flags(const std::string& description) : impl_(std::make_unique<Impl>(Impl{description})) {}
Flags::~Flags() = default;
Flags& Flags::Standard(SolveOptions&) { return *this; }
Flags& Flags::Add(const std::string&, const std::string&, std::uint32_t&) { return *this; }
Flags& Flags::Add(const std::string&, const std::string&, std::uint64_t&) { return *this; }
Flags& Flags::Add(const std::string&, const std::string&, double&) { return *this; }
Flags& Flags::Add(const std::string&, const std::string&, std::string&) { return *this; }
Flags& Flags::Add(const std::string&, const std::string&, bool&) { return *this; }
Flags& Flags::Positional(const std::string&, const std::string&, std::string&) { return *this; }

std::optional<int> Flags::Parse(int argc, const char* const* argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("%s\n(this build of Zarnel reads no flags: it was built without CLI11)\n",
                    impl_->description.c_str());
        return 0;
    }
    if (argc <= 1) return std::nullopt;
    std::fprintf(stderr,
                 "%s: this build of Zarnel reads no command-line flags (it was built without CLI11, Debian's "
                 "libcli11-dev)\n",
                 argv[0]);
    return 2;
}

#endif

std::optional<int> ParseFlags(int argc, const char* const* argv, SolveOptions& options) {
    Flags flags("A problem solved with Zarnel");
    flags.Standard(options);
    return flags.Parse(argc, argv);
}

}  // namespace zarnel
