#pragma once

// What two runs of one seed share at any slave-thread count: the record and
// the report without their times and their per-thread figures.

#include <nlohmann/json.hpp>
#include <string>

#include "tests/end_to_end/nqueen/output_parsing.h"

namespace e2e {

// The record without what may differ between thread counts: times,
// per-thread figures (the run's and every island's), the thread count and
// the memory estimate (which counts each thread's scratch space).
inline nlohmann::json WithoutThreads(nlohmann::json record) {
    for (const char* member :
         {"start_utc", "end_utc", "wall_seconds", "master_busy_ms", "threads", "memory_estimate_bytes"})
        record.erase(member);
    record["parameters"].erase("slave_threads");
    if (record.contains("islands")) {
        for (nlohmann::json& island : record["islands"]) island.erase("threads");
    }
    return record;
}

// The report without its times, its thread count and its per-thread blocks.
inline std::string ReportWithoutThreads(const std::string& report) {
    std::string kept;
    bool inThreads = false;
    for (const std::string& line : Lines(report)) {
        if (line.rfind("# Threads' times", 0) == 0) inThreads = true;
        if (inThreads && line.rfind("####", 0) == 0) inThreads = false;
        if (inThreads || line.find("time") != std::string::npos ||
            line.find("slave threads") != std::string::npos)
            continue;
        kept += line + "\n";
    }
    return kept;
}

}  // namespace e2e
