#include "solve/flags.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <utility>

#include "solve/flag_values.h"

#ifdef ZARNEL_HAVE_CLI11
#include <CLI/CLI.hpp>
#endif

namespace zarnel {

#ifdef ZARNEL_HAVE_CLI11

namespace {

// A value that is there: not empty and not the next flag.
std::string PresentValue(const std::string& text) { return flag_values::ValueFault(text); }

// Whole and real numbers read strictly (flag_values.h); `shown` follows the
// type in the help.
CLI::Validator Whole(std::uint64_t least, std::uint64_t most, const std::string& shown = "") {
    return {[least, most](std::string& text) { return flag_values::NormaliseWhole(text, least, most); },
            shown};
}
CLI::Validator Finite(double least, const std::string& shown = "") {
    return {[least](std::string& text) { return flag_values::NormaliseFinite(text, least); }, shown};
}

constexpr std::uint64_t kMost32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMost64 = std::numeric_limits<std::uint64_t>::max();
constexpr double kAnyFinite = std::numeric_limits<double>::lowest();

// A flag of a whole number from 0 to `most`, bound to `value`.
template <class Number>
CLI::Option* AddWhole(CLI::App& app, const std::string& flag, const std::string& help, Number& value,
                      std::uint64_t most, const std::string& shown = "") {
    return app.add_option(flag, value, help)->transform(Whole(0, most, shown))->capture_default_str();
}

}  // namespace

struct Flags::Impl {
    explicit Impl(const std::string& description) : app(description) {}

    // Makes room for a flag of the program's own: a standard flag of any of
    // its names goes. Another flag of the program's own stays, so that CLI11
    // refuses the second one as the mistake it is.
    void MakeRoom(const std::string& names) {
        std::size_t begin = 0;
        while (begin <= names.size()) {
            std::size_t end = names.find(',', begin);
            if (end == std::string::npos) end = names.size();
            std::string name = names.substr(begin, end - begin);
            name.erase(0, name.find_first_not_of(' '));
            name.erase(name.find_last_not_of(' ') + 1);
            CLI::Option* const taken = app.get_option_no_throw(name);
            if (taken != nullptr && standard.erase(taken) > 0) app.remove_option(taken);
            begin = end + 1;
        }
    }

    // A standard flag, unless the program has one of that name already.
    template <class Add>
    void Standard(const std::string& name, Add add) {
        if (app.get_option_no_throw(name) == nullptr) standard.insert(add());
    }

    CLI::App app;
    // The standard flags that no flag of the program's own has replaced.
    std::set<const CLI::Option*> standard;
};

Flags::Flags(const std::string& description) : impl_(std::make_unique<Impl>(description)) {}
Flags::~Flags() = default;

Flags& Flags::Standard(SolveOptions& options) {
    Impl& impl = *impl_;
    CLI::App& app = impl.app;
    const auto whole = [&impl](const std::string& flag, const std::string& help, auto& value,
                               std::uint64_t most, const std::string& shown = "") {
        impl.Standard(flag, [&] { return AddWhole(impl.app, flag, help, value, most, shown); });
    };
    impl.Standard("--seed", [&] {
        return app
            .add_option_function<std::uint64_t>(
                "--seed", [&options](const std::uint64_t& seed) { options.seed = seed; },
                "Run seed (0 … 2^64 − 1; default: drawn from the clock, and recorded). A given seed repeats "
                "the "
                "run exactly with --threads 0 or 1, or with --deterministic at any thread count; not when "
                "--time-limit or a signal ends it")
            ->transform(Whole(0, kMost64));
    });
    whole("--threads", "Slave threads (0: the main thread does the steps)", options.threads, 1024,
          "INT in [0 - 1024]");
    whole("--population", "Individuals, 3 … 32767 (0: chosen from --threads)", options.population, 32767,
          "INT in [0 - 32767]");
    whole("--max-iterations", "Stop after this many master iterations (0: none)", options.maxIterations,
          kMost32);
    impl.Standard("--time-limit", [&] {
        return app.add_option("--time-limit", options.timeLimit, "Stop after this many seconds (0: none)")
            ->transform(Finite(0.0, "NONNEGATIVE"))
            ->capture_default_str();
    });
    impl.Standard("--target", [&] {
        return app
            .add_option_function<double>(
                "--target", [&options](const double& target) { options.target = target; },
                "Stop once the best fitness reaches this value (for a problem that minimises: once the best "
                "cost is at or below it)")
            ->transform(Finite(kAnyFinite));
    });
    whole("--max-evaluations",
          "Stop after the master iteration that reaches this many fitness evaluations (0: none)",
          options.maxEvaluations, kMost64);
    whole("--stagnation", "Stop after this many master iterations without a better best (0: none)",
          options.stagnation, kMost32);
    whole("--islands",
          "Populations on a ring, each of --population individuals with its share of --threads (1: one "
          "population)",
          options.islands, kMost32);
    whole("--migration-interval", "Master iterations between two migrations of the islands",
          options.migrationInterval, kMost32);
    whole("--migrants", "Individuals each island sends to the next at a migration", options.migrants,
          kMost32);
    impl.Standard("--json", [&] {
        return app.add_option("--json", options.record, "Write the run record (JSON) to this file")
            ->check(PresentValue);
    });
    impl.Standard("--resume", [&] {
        return app.add_option("--resume", options.resumeFrom, "Start from the population of this dump")
            ->check(PresentValue)
            ->check(CLI::ExistingFile);
    });
    impl.Standard("--dump-dir", [&] {
        return app.add_option("--dump-dir", options.dumpDirectory, "Where Ctrl+C writes population dumps")
            ->check(PresentValue)
            ->check(CLI::ExistingDirectory);
    });
    impl.Standard("--quiet", [&] { return app.add_flag("--quiet", options.quiet, "No progress lines"); });
    impl.Standard("--deterministic", [&] {
        return app.add_flag("--deterministic", options.deterministic,
                            "The same result from the same seed with any number of threads");
    });
    return *this;
}

Flags& Flags::Add(const std::string& flag, const std::string& help, std::uint32_t& value) {
    impl_->MakeRoom(flag);
    AddWhole(impl_->app, flag, help, value, kMost32);
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, std::uint64_t& value) {
    impl_->MakeRoom(flag);
    AddWhole(impl_->app, flag, help, value, kMost64);
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, double& value) {
    impl_->MakeRoom(flag);
    impl_->app.add_option(flag, value, help)->transform(Finite(kAnyFinite))->capture_default_str();
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, std::string& value) {
    impl_->MakeRoom(flag);
    impl_->app.add_option(flag, value, help)->check(PresentValue)->capture_default_str();
    return *this;
}
Flags& Flags::Add(const std::string& flag, const std::string& help, bool& value) {
    impl_->MakeRoom(flag);
    impl_->app.add_flag(flag, value, help);
    return *this;
}
Flags& Flags::Positional(const std::string& name, const std::string& help, std::string& value) {
    impl_->app.add_option(name, value, help)->required();
    return *this;
}

std::optional<int> Flags::Parse(int argc, const char* const* argv) {
    try {
        // "--json=" with nothing after it: CLI11 would take the next argument
        // as the value, even when it is another flag.
        const std::string emptied = flag_values::EmptyAssignment(argc, argv);
        if (!emptied.empty() && impl_->app.get_option_no_throw(emptied) != nullptr)
            throw CLI::ValidationError(emptied, "the value after '=' is empty");
        impl_->app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(impl_->app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& error) {
        // The name comes from argv[0] once parsing has begun.
        const std::string name = impl_->app.get_name().empty() && argc > 0 ? argv[0] : impl_->app.get_name();
        std::fprintf(stderr, "%s: %s\n%s", name.c_str(), error.what(), impl_->app.help().c_str());
        return 2;
    }
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
