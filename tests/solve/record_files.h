#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "solve/options.h"

namespace solve_test {

// A record path in the temporary folder, unique to this process and `name`.
inline std::string RecordPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("zarnel_solve_" + std::to_string(::getpid()) + "_" + name + ".json"))
        .string();
}

// A folder for a run's dumps in the temporary folder, unique to this
// process and `name`, made empty; the caller removes it (whole) at the end.
inline std::string DumpFolder(const std::string& name) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zarnel_dumps_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

// The record at `path`, read back; the file is removed (once closed, which
// Windows needs).
inline nlohmann::json TakeRecord(const std::string& path) {
    nlohmann::json record;
    {
        std::ifstream in(path);
        record = nlohmann::json::parse(in);
    }
    std::filesystem::remove(path);
    return record;
}

// A quiet, seeded run that writes its record as `record`, signals left alone.
inline zarnel::SolveOptions Recorded(std::uint32_t threads, std::uint32_t population,
                                     const std::string& record) {
    zarnel::SolveOptions options;
    options.threads = threads;
    options.population = population;
    options.seed = 5;
    options.quiet = true;
    options.handleSignals = false;
    options.record = RecordPath(record);
    return options;
}

}  // namespace solve_test
