#include "run/run_files.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace zarnel::run {

namespace {

namespace fs = std::filesystem;

// Suffixes tried before FreeName gives up; far more than a run writes files.
constexpr int kMaxSuffix = 10000;

// Symbolic links followed before giving up, as the system does (Linux: 40).
constexpr int kMaxLinkHops = 40;

// Where a write to `path` lands: its last component's links followed to
// their final target, which may not exist yet, with links and dots above it
// resolved.
fs::path Destination(const std::string& path, std::error_code& error) {
    fs::path reached = path;
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        std::error_code notLink;
        if (!fs::is_symlink(fs::symlink_status(reached, notLink))) break;
        const fs::path next = fs::read_symlink(reached, error);
        if (error) return {};
        reached = next.is_absolute() ? next : reached.parent_path() / next;
    }
    return fs::weakly_canonical(reached, error);
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    std::error_code otherError;
    const fs::path first = Destination(a, error);
    const fs::path second = Destination(b, otherError);
    return !error && !otherError && first == second;
}

void RunFiles::Add(const std::string& path, std::string role) {
    if (!path.empty()) files_.push_back({path, std::move(role)});
}

const std::string* RunFiles::RoleOf(const std::string& path) const {
    if (path.empty()) return nullptr;
    for (const File& file : files_) {
        if (SameFile(path, file.path)) return &file.role;
    }
    return nullptr;
}

std::string RunFiles::FreeName(const std::string& path) const {
    if (RoleOf(path) == nullptr) return path;
    const fs::path given(path);
    const std::string stem = given.stem().string();
    const std::string extension = given.extension().string();
    for (int suffix = 1; suffix <= kMaxSuffix; ++suffix) {
        const std::string candidate =
            (given.parent_path() / (stem + "-" + std::to_string(suffix) + extension)).string();
        // Anything but a plain "not found" (a dangling link, a name that
        // cannot be looked up) counts as taken.
        std::error_code error;
        const bool taken = fs::symlink_status(candidate, error).type() != fs::file_type::not_found;
        if (!taken && RoleOf(candidate) == nullptr) return candidate;
    }
    return {};
}

}  // namespace zarnel::run
