#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/end_to_end/nqueen/output_parsing.h"

namespace e2e {

// A fixture with a fresh working directory per test, removed afterwards, and
// the file helpers the end-to-end cases share; records are read as JSON.
class WorkDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "zarnel_e2e_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void WriteText(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const { return ReadFile(Path(name)); }
    nlohmann::json Record(const std::string& name) const { return nlohmann::json::parse(Read(name)); }

    std::filesystem::path dir;
};

}  // namespace e2e
