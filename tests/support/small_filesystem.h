#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace testing_support {

// A real file system that fills up: a 64 KiB tmpfs mounted on a fresh
// directory, unmounted and removed by the destructor. Mounting needs root
// (as in CI); elsewhere Mounted() is false and Reason() says why, for a
// GTEST_SKIP. Linux only; one test thread uses it.
class SmallFileSystem {
public:
    SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    ~SmallFileSystem();

    bool Mounted() const { return mounted_; }
    const std::string& Reason() const { return reason_; }
    const std::filesystem::path& Path() const { return path_; }

    // Writes `name` until the file system has no block left.
    void Fill(const std::string& name = "filler") const;

private:
    std::filesystem::path path_;
    bool mounted_ = false;
    std::string reason_;
};

}  // namespace testing_support
