#include "run/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using zarnel::run::CheckReplaceable;
using zarnel::run::WriteFileAtomically;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Names(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

auto Text(const std::string& text) {
    return [text](std::FILE* file) { return std::fputs(text.c_str(), file) >= 0; };
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_atomic_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(AtomicFileTest, ReplacesTheFileKeepingItsPermissionsAndLeavesNoTemporary) {
    const fs::path file = dir / "r.txt";
    EXPECT_EQ(WriteFileAtomically(file.string(), Text("first\n")), "");
    EXPECT_EQ(Read(file), "first\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(WriteFileAtomically(file.string(), Text("second\n")), "");
    EXPECT_EQ(Read(file), "second\n");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Names(dir), std::vector<std::string>{"r.txt"});
}

TEST_F(AtomicFileTest, AFailedWriteKeepsTheOldFile) {
    const fs::path file = dir / "r.txt";
    Write(file, "old\n");
    const std::string reason = WriteFileAtomically(file.string(), [](std::FILE* f) {
        std::fputs("partial", f);
        return false;
    });
    EXPECT_NE(reason, "");
    EXPECT_EQ(Read(file), "old\n");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"r.txt"});
}

// The file is written where the links lead, and the links stay links.
TEST_F(AtomicFileTest, WritesThroughSymbolicLinks) {
    fs::create_directory(dir / "sub");
    fs::create_symlink("sub/target.txt", dir / "dangling");
    fs::create_symlink("dangling", dir / "chain");
    EXPECT_EQ(CheckReplaceable((dir / "chain").string()), "");
    EXPECT_FALSE(fs::exists(dir / "sub" / "target.txt")) << "the check creates nothing";
    EXPECT_EQ(WriteFileAtomically((dir / "chain").string(), Text("via links\n")), "");
    EXPECT_TRUE(fs::is_symlink(dir / "chain"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
    EXPECT_EQ(Read(dir / "sub" / "target.txt"), "via links\n");
    EXPECT_EQ(WriteFileAtomically((dir / "dangling").string(), Text("again\n")), "");
    EXPECT_EQ(Read(dir / "sub" / "target.txt"), "again\n");
    EXPECT_EQ(Names(dir / "sub"), std::vector<std::string>{"target.txt"});
}

TEST_F(AtomicFileTest, TheCheckNamesTheReasonAndLeavesNothing) {
    fs::create_directory(dir / "sub");
    Write(dir / "plain", "x");
    fs::create_symlink("missing/target.txt", dir / "lost");
    EXPECT_EQ(CheckReplaceable((dir / "sub").string()), "it is a directory");
    EXPECT_EQ(CheckReplaceable(""), "No such file or directory");
    EXPECT_EQ(CheckReplaceable((dir / "plain" / "r.txt").string()),
              (dir / "plain").string() + " is not a directory");
    EXPECT_EQ(CheckReplaceable((dir / "lost").string()),
              "directory " + (dir / "missing").string() + " does not exist");
    EXPECT_EQ(CheckReplaceable((dir / "new.txt").string()), "");
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"lost", "plain", "sub"}));
}

// A FIFO is checked without being opened, since its reader would take the
// opening and closing for the whole output, and is written in place, once.
// With no reader left the write fails at once rather than waiting for one.
TEST_F(AtomicFileTest, AFifoIsWrittenInPlaceOnceAndNeverWaitedOn) {
    const fs::path fifo = dir / "out.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    // A hang-up shows once a writer has come and gone.
    const auto hungUp = [&] {
        pollfd waiting{reader, POLLIN, 0};
        return poll(&waiting, 1, 0) == 1 && (waiting.revents & POLLHUP) != 0;
    };
    EXPECT_EQ(CheckReplaceable(fifo.string()), "");
    ASSERT_FALSE(hungUp()) << "the check opened the FIFO";
    EXPECT_EQ(WriteFileAtomically(fifo.string(), Text("whole\n")), "");
    char got[16] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 6);
    EXPECT_EQ(std::string(got), "whole\n");
    EXPECT_TRUE(hungUp());
    close(reader);
    EXPECT_EQ(WriteFileAtomically(fifo.string(), Text("lost\n")), "no process has the FIFO open for reading");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(Names(dir), std::vector<std::string>{"out.fifo"});
}

}  // namespace
