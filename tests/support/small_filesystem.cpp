#include "tests/support/small_filesystem.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace testing_support {

SmallFileSystem::SmallFileSystem() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarnel_small_fs_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        reason_ = std::string("mkdtemp: ") + std::strerror(errno);
        return;
    }
    path_ = pattern;
    if (geteuid() != 0) {
        reason_ = "mounting a small tmpfs needs root";
        return;
    }
    if (mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=64k,mode=0777") != 0) {
        reason_ = std::string("mount tmpfs: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void SmallFileSystem::Fill(const std::string& name) const {
    std::FILE* file = std::fopen((path_ / name).c_str(), "w");
    if (file == nullptr) return;
    const std::vector<char> block(512, 'f');
    // tmpfs hands out whole pages: once a block does not fit, no other file
    // can grow by a single byte.
    while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
    }
    std::fclose(file);
}

}  // namespace testing_support
