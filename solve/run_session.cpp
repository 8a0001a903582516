#include "solve/run_session.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <utility>

#include "platform/console.h"
#include "run/atomic_file.h"

namespace zarnel {

namespace {

constexpr const char* kEarlierDumpRole = "population dump written earlier in this run";

// End requests handled for the life of the scope, then given back their
// actions, so a record is written from the main thread, never from a handler.
class EndRequestScope {
public:
    explicit EndRequestScope(bool active) : active_(active) {
        if (active_) platform::HandleEndRequests(true);
    }
    EndRequestScope(const EndRequestScope&) = delete;
    EndRequestScope& operator=(const EndRequestScope&) = delete;
    ~EndRequestScope() {
        if (active_) platform::HandleEndRequests(false);
    }

private:
    bool active_;
};

// The process's Ctrl+C and end-request handlers, shared by every session
// that handles them while it lives: several may run at once (Solve on two
// threads, or one Solve inside another's fitness). The first to come
// installs the handlers and the last to go gives the signals back their
// actions, so none of them is left to the default action (which ends the
// process, without a dump or a record) while another still runs. The mutex
// guards the count and orders the installing and the removing.
class SharedSignals {
public:
    static void Take() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (holders_++ != 0) return;
        platform::InstallCtrlCHandler();
        platform::HandleEndRequests(true);
    }
    static void Give() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (--holders_ != 0) return;
        platform::HandleEndRequests(false);
        platform::RemoveCtrlCHandler();
    }

private:
    static inline std::mutex mutex_;
    static inline std::uint32_t holders_ = 0;
};

}  // namespace

RunSession::RunSession(Setup setup, run::RunFiles files)
    : setup_(std::move(setup)),
      files_(std::move(files)),
      startUtc_(std::chrono::system_clock::now()),
      start_(run::RunLoop::Clock::now()),
      countMaster_(&masterStats_) {
    if (setup_.handleSignals) SharedSignals::Take();
}

RunSession::~RunSession() {
    if (setup_.handleSignals) SharedSignals::Give();
}

double RunSession::Elapsed() const {
    return std::chrono::duration<double>(run::RunLoop::Clock::now() - start_).count();
}

run::StopReason RunSession::Run(CParallelGA& engine, run::RunHooks hooks) {
    const EndRequestScope endRequests(setup_.endRequests && !setup_.handleSignals);
    if (setup_.endRequests || setup_.handleSignals) {
        auto next = std::move(hooks.betweenIterations);
        hooks.betweenIterations =
            [next = std::move(next)](std::uint32_t total) -> std::optional<run::StopReason> {
            if (platform::EndRequested()) return run::StopReason::kSignal;
            return next ? next(total) : std::nullopt;
        };
    }
    run::RunLoop loop(engine, setup_.limits, start_, setup_.chunk);
    const run::StopReason reason = loop.Run(hooks);
    iterations_ = loop.Total();
    return reason;
}

std::string RunSession::DumpOnRequest(const std::string& name, const std::function<bool(std::FILE*)>& write,
                                      std::FILE* err) {
    if (!platform::TakeCtrlCRequest()) return {};
    return DumpNow(name, write, err);
}

std::string RunSession::DumpNow(const std::string& name, const std::function<bool(std::FILE*)>& write,
                                std::FILE* err) {
    std::string path =
        setup_.dumpDirectory.empty() ? name : (std::filesystem::path(setup_.dumpDirectory) / name).string();
    if (const std::string* role = files_.RoleOf(path)) {
        if (std::find(setup_.refusedRoles.begin(), setup_.refusedRoles.end(), *role) !=
            setup_.refusedRoles.end()) {
            std::fprintf(err, "Population dump %s not written: it would replace the %s\n", path.c_str(),
                         role->c_str());
            return {};
        }
        const std::string free = files_.FreeName(path);
        if (free.empty()) {
            std::fprintf(
                err, "Population dump %s not written: it would replace the %s, and no free name was found\n",
                path.c_str(), role->c_str());
            return {};
        }
        std::fprintf(err, "Population dump %s would replace the %s; written as %s instead\n", path.c_str(),
                     role->c_str(), free.c_str());
        path = free;
    }
    const std::string reason = run::WriteFileAtomically(path, write);
    if (!reason.empty()) {
        std::fprintf(err, "Unable to write population dump %s: %s; no file was changed\n", path.c_str(),
                     reason.c_str());
        return {};
    }
    files_.Add(path, kEarlierDumpRole);
    return path;
}

std::uint64_t RunSession::Evaluations(const CParallelGA& engine) const {
    std::uint64_t evaluations = masterStats_.evaluations;
    for (std::uint32_t j = 0; j < engine.GetThreadCount(); ++j)
        evaluations += engine.GetThreadStats(j).evaluations;
    return evaluations;
}

std::uint64_t RunSession::Steps(const CParallelGA& engine) const {
    std::uint64_t steps = masterStats_.steps;
    for (std::uint32_t j = 0; j < engine.GetThreadCount(); ++j) steps += engine.GetThreadStats(j).steps;
    return steps;
}

run::RunRecord RunSession::Record(const CParallelGA& engine, run::StopReason reason) const {
    run::RunRecord record;
    record.program = setup_.program;
    record.version = run::Version();
    record.start = startUtc_;
    record.stopReason = reason;
    record.masterIterations = iterations_;
    record.evaluations = Evaluations(engine);
    std::int64_t masterMsec = 0;
    engine.GetThreadTimes(masterMsec);
    record.masterBusyMs = masterMsec;
    record.threads = run::CollectThreads(engine);
    return record;
}

bool RunSession::WriteRecord(const std::string& path, run::RunRecord& record, std::FILE* err,
                             std::string* failure) const {
    record.wallSeconds = Elapsed();
    record.end = std::chrono::system_clock::now();
    const std::string problem = run::WriteRecordFile(path, run::RecordText(record));
    if (problem.empty()) return true;
    const std::string message = "Unable to write run record " + path + ": " + problem;
    std::fprintf(err, "%s; the file was left as it was\n", message.c_str());
    if (failure != nullptr) *failure = message;
    return false;
}

}  // namespace zarnel
