#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

namespace solve_test {

// A record path in the temporary folder, unique to this process, `suite`
// and `name`.
inline std::string RecordPath(const std::string& suite, const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("zarnel_" + suite + "_" + std::to_string(::getpid()) + "_" + name + ".json"))
        .string();
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

}  // namespace solve_test
