#include "run/run_record.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <type_traits>
#include <utility>

#include "run/atomic_file.h"

#ifdef ZARNEL_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace zarnel::run {

const char* Version() { return ZARNEL_VERSION; }

std::vector<ThreadRecord> CollectThreads(const CParallelGA& engine) {
    std::int64_t masterMsec = 0;
    const std::unique_ptr<std::uint32_t[]> busy = engine.GetThreadTimes(masterMsec);
    std::vector<ThreadRecord> threads(engine.GetThreadCount());
    for (std::uint32_t j = 0; j < engine.GetThreadCount(); ++j) {
        const ThreadStats& stats = engine.GetThreadStats(j);
        threads[j] = {j, busy[j], stats.steps, stats.claimAttempts, stats.claimsFailed};
    }
    return threads;
}

std::string IsoUtc(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto day = floor<days>(seconds);
    const year_month_day date(day);
    const hh_mm_ss clock(seconds - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::string WriteRecordFile(const std::string& path, const std::string& text) {
    return WriteFileAtomically(
        path, [&](std::FILE* file) { return std::fwrite(text.data(), 1, text.size(), file) == text.size(); });
}

#ifdef ZARNEL_HAVE_JSON

namespace {

// Members keep the order in which they are set, the order docs/run-record.md lists them in.
using json = nlohmann::ordered_json;

// A real number as the record writes it: JSON numbers are finite, so NaN is
// null and the infinities are the strings "inf" and "-inf".
json Real(double value) {
    if (std::isnan(value)) return nullptr;
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return value;
}

json ParametersJson(const ParameterList& parameters) {
    json object = json::object();
    for (const auto& parameter : parameters) {
        std::visit(
            [&](const auto& value) {
                if constexpr (std::is_same_v<std::decay_t<decltype(value)>, double>) {
                    object[parameter.first] = Real(value);
                } else {
                    object[parameter.first] = value;
                }
            },
            parameter.second);
    }
    return object;
}

json ThreadsJson(const std::vector<ThreadRecord>& threads) {
    json array = json::array();
    for (const ThreadRecord& t : threads) {
        array.push_back({{"index", t.index},
                         {"busy_ms", t.busyMs},
                         {"steps", t.steps},
                         {"claim_attempts", t.claimAttempts},
                         {"claims_failed", t.claimsFailed}});
    }
    return array;
}

// Real numbers as an array, each as Real writes it.
json Reals(const std::vector<double>& values) {
    json array = json::array();
    for (const double value : values) array.push_back(Real(value));
    return array;
}

// The members of a run of several objectives, after "direction".
void ObjectivesJson(const ObjectivesRecord& objectives, json& document) {
    document["objectives"] = objectives.objectives;
    document["constraints"] = objectives.constraints;
    document["survival"] = objectives.survival;
    if (objectives.directions != 0) document["reference_directions"] = objectives.directions;
    document["reference_point"] = Reals(objectives.referencePoint);
    document["reference_point_from"] = objectives.referencePointFrom;
    document["hypervolume"] = Real(objectives.hypervolume);
    if (objectives.igdPlus) document["igd_plus"] = Real(*objectives.igdPlus);
    document["feasible_share"] = objectives.feasibleShare;
    json front = json::array();
    for (const FrontMemberRecord& member : objectives.front) {
        json item = json::object();
        std::visit([&](const auto& numbers) { item["solution"] = numbers; }, member.solution);
        item["objectives"] = Reals(member.objectives);
        item["violation"] = Real(member.violation);
        front.push_back(std::move(item));
    }
    document["front"] = std::move(front);
    if (!objectives.referenceFront.empty() && objectives.objectives != 0) {
        json points = json::array();
        for (std::size_t i = 0; i + objectives.objectives <= objectives.referenceFront.size();
             i += objectives.objectives) {
            points.push_back(Reals(std::vector<double>(
                objectives.referenceFront.begin() + static_cast<std::ptrdiff_t>(i),
                objectives.referenceFront.begin() + static_cast<std::ptrdiff_t>(i + objectives.objectives))));
        }
        document["reference_front"] = std::move(points);
    }
}

// The record as text. Paths and words come from the user's files and flags
// and need not be UTF-8; JSON text must be, so a byte that is not is written
// as U+FFFD instead of failing after the run.
std::string Text(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace

bool RecordsSupported() { return true; }

std::string RecordText(const RunRecord& record) {
    json history = json::array();
    for (const HistoryEntry& entry : record.history) {
        json item = {{"iteration", entry.iteration}};
        if (entry.objectives) {
            item["front_size"] = entry.frontSize;
            item["hypervolume"] = Real(entry.hypervolume);
            item["feasible_share"] = entry.feasibleShare;
        } else {
            item["best"] = Real(entry.best);
            item["mean"] = Real(entry.mean);
            if (entry.violation) item["violation"] = Real(*entry.violation);
        }
        item["distinct"] = entry.distinct;
        if (entry.evaluations != 0) item["evaluations"] = entry.evaluations;
        if (entry.seconds >= 0.0) item["seconds"] = entry.seconds;
        history.push_back(std::move(item));
    }
    json document = {{"program", record.program}, {"version", record.version}};
    // A user's problem says what it is right after the program.
    if (!record.genomeKind.empty()) {
        document["problem"] = record.problem;
        document["genome"] = {{"kind", record.genomeKind}, {"length", record.genomeLength}};
    }
    document["parameters"] = ParametersJson(record.parameters);
    document["operators"] = record.operators;
    document["seed"] = record.seed;
    document["start_utc"] = IsoUtc(record.start);
    document["end_utc"] = IsoUtc(record.end);
    document["wall_seconds"] = record.wallSeconds;
    if (record.exitStatus) document["exit_status"] = *record.exitStatus;
    document["stop_reason"] = StopReasonName(record.stopReason);
    document["master_iterations"] = record.masterIterations;
    document["evaluations"] = record.evaluations;
    document["master_busy_ms"] = record.masterBusyMs;
    document["threads"] = ThreadsJson(record.threads);
    document["history"] = std::move(history);
    if (!record.direction.empty()) document["direction"] = record.direction;
    if (record.objectives) {
        ObjectivesJson(*record.objectives, document);
    } else {
        document["best_fitness"] = Real(record.bestFitness);
        if (record.bestViolation) document["best_violation"] = Real(*record.bestViolation);
        std::visit([&](const auto& genes) { document["solution"] = genes; }, record.solution);
    }
    if (record.memoryEstimateBytes != 0) document["memory_estimate_bytes"] = record.memoryEstimateBytes;
    if (!record.resumedFrom.empty()) document["resumed_from"] = record.resumedFrom;
    if (record.repeatable) document["repeatable"] = *record.repeatable;
    if (record.firstPopulationScored) document["first_population_scored"] = *record.firstPopulationScored;
    if (!record.islands.empty()) {
        json islands = json::array();
        for (const IslandRecord& island : record.islands) {
            json item = {{"island", island.island},
                         {"master_iterations", island.masterIterations},
                         {"evaluations", island.evaluations},
                         {"threads", ThreadsJson(island.threads)},
                         {"migrants_sent", island.migrantsSent},
                         {"migrants_received", island.migrantsReceived},
                         {"migrants_discarded", island.migrantsDiscarded}};
            if (island.hypervolume) {
                item["hypervolume"] = Real(*island.hypervolume);
            } else {
                item["best_fitness"] = Real(island.bestFitness);
            }
            islands.push_back(std::move(item));
        }
        document["islands"] = std::move(islands);
    }
    return Text(document);
}

namespace {

json BenchRunJson(const BenchRunRecord& run) {
    json entry = {{"function", run.function}, {"best_fitness", run.bestFitness}};
    // A function without a known best has none to compare with.
    if (run.knownBest == run.knownBest) {
        entry["known_best"] = run.knownBest;
        entry["difference"] = run.knownBest - run.bestFitness;
    } else {
        entry["known_best"] = nullptr;
        entry["difference"] = nullptr;
    }
    entry["evaluations"] = run.evaluations;
    entry["seconds"] = run.seconds;
    return entry;
}

}  // namespace

std::string RecordText(const BenchRecord& record) {
    json runs = json::array();
    for (const BenchRunRecord& run : record.runs) {
        json entry = BenchRunJson(run);
        entry["threads"] = ThreadsJson(run.threads);
        runs.push_back(entry);
    }
    json document = {
        {"program", record.program},
        {"version", record.version},
        {"parameters", ParametersJson(record.parameters)},
        {"seed", record.seed},
        {"runs", runs},
    };
    if (!record.functions.empty()) {
        json functions = json::array();
        for (const BenchRunRecord& function : record.functions) functions.push_back(BenchRunJson(function));
        document["functions"] = functions;
    }
    return Text(document);
}

#else

bool RecordsSupported() { return false; }
std::string RecordText(const RunRecord&) { return {}; }
std::string RecordText(const BenchRecord&) { return {}; }

#endif

}  // namespace zarnel::run
