#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

// ZarnelBench run through the shell in a directory of its own, with its
// standard output and error kept and its record (rec.json) read back.
namespace bench_shell {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BenchShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_bench_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome Run(const std::string& flags) const {
        const std::string command =
            "cd \"" + dir.string() + "\" && \"" + ZARNEL_BENCH_PATH + "\" " + flags + " > out.txt 2> err.txt";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "out.txt"), ReadFile(dir / "err.txt")};
    }
    nlohmann::json Record() const { return nlohmann::json::parse(ReadFile(dir / "rec.json")); }

    fs::path dir;
};

}  // namespace bench_shell
