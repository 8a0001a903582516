#include "run/run_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using zarnel::run::RunFiles;

// A fresh directory that is the working directory during each case, so that
// the relative names below are what a user would type.
class RunFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_run_files_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        previous = fs::current_path();
        fs::current_path(pattern);
        dir = pattern;
        fs::create_directory("dumps");
        std::ofstream("p.txt") << "queens 8\n";
        files.Add("p.txt", "parameter file");
        files.Add("dumps/2000.txt", "run record");  // not written yet
        files.Add("", "nothing");
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(dir);
    }
    static std::string RoleOf(const RunFiles& files, const std::string& path) {
        const std::string* role = files.RoleOf(path);
        return role == nullptr ? "none" : *role;
    }
    fs::path previous;
    fs::path dir;
    RunFiles files;
};

TEST_F(RunFilesTest, FindsAFileUnderAnySpellingWhetherItExistsOrNot) {
    fs::create_hard_link("p.txt", "hard.txt");
    fs::create_symlink("p.txt", "soft.txt");
    for (const char* spelling : {"p.txt", "./p.txt", "dumps/../p.txt", "hard.txt", "soft.txt"})
        EXPECT_EQ(RoleOf(files, spelling), "parameter file") << spelling;
    const std::string absolute = (dir / "dumps/2000.txt").string();
    for (const std::string& spelling :
         {std::string("dumps/2000.txt"), std::string("./dumps//2000.txt"), absolute})
        EXPECT_EQ(RoleOf(files, spelling), "run record") << spelling;
    // A link that will lead to the record once it is written.
    fs::create_symlink("dumps/2000.txt", "later.txt");
    EXPECT_EQ(RoleOf(files, "later.txt"), "run record");
    for (const char* other : {"", "2000.txt", "dumps/1000.txt", "dumps"})
        EXPECT_EQ(RoleOf(files, other), "none") << other;
}

TEST_F(RunFilesTest, AFreeNameTakesTheFirstSuffixThatReplacesNothing) {
    // A name that no file of the run has stays, even where a file exists:
    // outputs replace files of earlier runs as they always did.
    std::ofstream("dumps/1000.txt") << "an earlier run\n";
    EXPECT_EQ(files.FreeName("dumps/1000.txt"), "dumps/1000.txt");
    EXPECT_EQ(files.FreeName("dumps/2000.txt"), "dumps/2000-1.txt");
    // Taken: a file on disk, a dangling link, and a name of the run.
    std::ofstream("dumps/2000-1.txt") << "kept\n";
    fs::create_symlink("missing", "dumps/2000-2.txt");
    files.Add("./dumps/2000-3.txt", "report file");
    EXPECT_EQ(files.FreeName("./dumps/2000.txt"), "./dumps/2000-4.txt");
    // The suffix goes before the last extension, or at the end without one.
    files.Add("2000.1.txt", "population dump resumed from");
    EXPECT_EQ(files.FreeName("2000.1.txt"), "2000.1-1.txt");
    files.Add("dumps/latest", "report file");
    EXPECT_EQ(files.FreeName("dumps/latest"), "dumps/latest-1");
}

}  // namespace
