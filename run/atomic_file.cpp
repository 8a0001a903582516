#include "run/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/file_io.h"
#include "run/seed.h"

namespace zarnel::run {

namespace {

namespace fs = std::filesystem;

// Symbolic links followed before giving up, as the system does (Linux: 40).
constexpr int kMaxLinkHops = 40;
// Temporary names tried before a collision is taken as a failure.
constexpr int kMaxNameAttempts = 100;
// The target's name is cut to this length inside the temporary name, so the
// temporary name stays within the system's limit.
constexpr std::size_t kMaxNameStem = 64;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// Where a write to a path lands.
struct Target {
    fs::path path;         // the file to replace, or to write in place
    bool inPlace = false;  // a device, FIFO or other non-regular file
    std::string problem;   // non-empty: the path cannot be written
};

Target Resolve(const std::string& given) {
    Target target;
    if (given.empty()) {
        target.problem = ErrnoText(ENOENT);
        return target;
    }
    std::error_code error;
    // What the system reaches through every link, magic links included.
    const fs::file_status reached = fs::status(given, error);
    if (error && reached.type() != fs::file_type::not_found) {
        target.problem = error.message();
        return target;
    }
    if (fs::is_directory(reached)) {
        target.problem = "it is a directory";
        return target;
    }
    target.path = given;
    if (fs::exists(reached) && !fs::is_regular_file(reached)) {
        target.inPlace = true;
        return target;
    }
    // The name that the link texts lead to, which may not exist yet.
    for (int hops = 0;; ++hops) {
        if (!fs::is_symlink(fs::symlink_status(target.path, error))) break;
        if (hops == kMaxLinkHops) {
            target.problem = ErrnoText(ELOOP);
            return target;
        }
        const fs::path next = fs::read_symlink(target.path, error);
        if (error) {
            target.problem = error.message();
            return target;
        }
        target.path = next.is_absolute() ? next : target.path.parent_path() / next;
    }
    // A link whose text does not name the file the system reaches (such as
    // /proc/self/fd/1) is written through in place.
    if (fs::exists(reached) && !fs::equivalent(target.path, given, error)) {
        target.path = given;
        target.inPlace = true;
    }
    return target;
}

// Empty when `directory` (the target's, "" for the current one) exists.
std::string CheckDirectory(const fs::path& directory) {
    const fs::path shown = directory.empty() ? fs::path(".") : directory;
    std::error_code error;
    if (fs::is_directory(shown, error)) return {};
    if (fs::exists(shown, error)) return shown.string() + " is not a directory";
    return "directory " + shown.string() + " does not exist";
}

// A fresh name beside `target`, hidden on POSIX, unlikely to be taken.
fs::path TemporaryName(const fs::path& target) {
    static std::atomic<std::uint64_t> counter{0};
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::uint64_t mixed = DeriveSeed(ticks, counter.fetch_add(1, std::memory_order_relaxed));
    std::string stem = target.filename().string().substr(0, kMaxNameStem);
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(mixed));
    return target.parent_path() / ("." + stem + "." + suffix + ".tmp");
}

// Creates a new temporary file beside `target`.
std::error_code CreateTemporary(const fs::path& target, fs::path& name, std::FILE*& file) {
    std::error_code error;
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        name = TemporaryName(target);
        error = platform::CreateNewFile(name.string(), file);
        if (error != std::errc::file_exists) return error;
    }
    return error;
}

// Gives a file without a name a temporary name beside `target`.
std::error_code LinkTemporary(std::FILE* file, const fs::path& target, fs::path& name) {
    std::error_code error;
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        name = TemporaryName(target);
        error = platform::LinkFile(file, name.string());
        if (error != std::errc::file_exists) return error;
    }
    return error;
}

// Why the writes to `file` failed: the error of the failing call when the
// C library kept it, else a general one.
std::string WriteFailure() { return ErrnoText(errno != 0 ? errno : EIO); }

// Writes the contents and forces them onto the storage device.
std::string WriteAndSync(std::FILE* file, const std::function<bool(std::FILE*)>& write) {
    errno = 0;
    if (!write(file) || std::ferror(file) != 0) return WriteFailure();
    const std::error_code synced = platform::SyncFile(file);
    return synced ? synced.message() : std::string();
}

// Makes a rename in `directory` durable. A directory that cannot be synced
// only makes the rename less durable across a crash, so that is no failure.
void SyncDirectoryOf(const fs::path& target) {
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    platform::SyncDirectory(directory.string());
}

// Ends a replacement whose contents are written and synced under the name
// `temporary`: closes the file and renames it over `target`, keeping the
// target's permission bits. On failure removes the temporary name.
std::string RenameOver(std::FILE* file, const fs::path& temporary, const fs::path& target,
                       std::string problem) {
    std::error_code error;
    const fs::file_status old = fs::status(target, error);
    if (problem.empty() && fs::is_regular_file(old)) fs::permissions(temporary, old.permissions(), error);
    errno = 0;
    if (std::fclose(file) != 0 && problem.empty()) problem = WriteFailure();
    if (problem.empty()) {
        if (const std::error_code renamed = platform::MoveFileOver(temporary.string(), target.string()))
            problem = renamed.message();
    }
    if (!problem.empty()) {
        fs::remove(temporary, error);
        return problem;
    }
    SyncDirectoryOf(target);
    return {};
}

// Replaces through a file that has no name until it is complete, so neither
// a failure nor the end of the process can leave a partial file under any
// name; a new target gets its name in one step. Sets `unsupported` when the
// file cannot be given a name here, and the caller then takes the named way.
std::string ReplaceThroughUnnamed(std::FILE* file, const fs::path& target,
                                  const std::function<bool(std::FILE*)>& write, bool& unsupported) {
    std::string problem = WriteAndSync(file, write);
    std::error_code linked;
    if (problem.empty()) {
        linked = platform::LinkFile(file, target.string());
        if (!linked) {
            errno = 0;
            problem = std::fclose(file) == 0 ? std::string() : WriteFailure();
            if (problem.empty()) SyncDirectoryOf(target);
            return problem;
        }
    }
    if (problem.empty() && linked == std::errc::file_exists) {
        // The target exists: a temporary name first, then a rename over it.
        fs::path temporary;
        if (const std::error_code named = LinkTemporary(file, target, temporary)) {
            problem = named.message();
        } else {
            return RenameOver(file, temporary, target, {});
        }
    } else if (problem.empty()) {
        unsupported = true;
    }
    std::fclose(file);
    return problem;
}

std::string ReplaceThroughNamed(const fs::path& target, const std::function<bool(std::FILE*)>& write) {
    fs::path temporary;
    std::FILE* file = nullptr;
    if (const std::error_code error = CreateTemporary(target, temporary, file)) return error.message();
    return RenameOver(file, temporary, target, WriteAndSync(file, write));
}

// Why a file to be written in place could not be opened.
std::string OpenFailure(const fs::path& path, const std::error_code& error) {
    std::error_code ignored;
    if (error == std::errc::no_such_device_or_address && fs::is_fifo(path, ignored))
        return "no process has the FIFO open for reading";
    return error.message();
}

std::string WriteInPlace(const fs::path& path, const std::function<bool(std::FILE*)>& write) {
    std::FILE* file = nullptr;
    if (const std::error_code opened = platform::OpenInPlace(path.string(), file))
        return OpenFailure(path, opened);
    errno = 0;
    const bool written = write(file) && std::ferror(file) == 0;
    std::string problem = written ? std::string() : WriteFailure();
    errno = 0;
    if (std::fclose(file) != 0 && problem.empty()) problem = WriteFailure();
    return problem;
}

std::string Replace(const fs::path& target, const std::function<bool(std::FILE*)>& write) {
    if (std::string problem = CheckDirectory(target.parent_path()); !problem.empty()) return problem;
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::FILE* file = nullptr;
    if (!platform::CreateUnnamedFile(directory.string(), file)) {
        bool unsupported = false;
        std::string problem = ReplaceThroughUnnamed(file, target, write, unsupported);
        if (!unsupported) return problem;
    }
    return ReplaceThroughNamed(target, write);
}

}  // namespace

std::string WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    const Target target = Resolve(path);
    if (!target.problem.empty()) return target.problem;
    return target.inPlace ? WriteInPlace(target.path, write) : Replace(target.path, write);
}

std::string CheckReplaceable(const std::string& path) {
    const Target target = Resolve(path);
    if (!target.problem.empty()) return target.problem;
    if (target.inPlace) {
        // Never opened before the output is ready: a reader of a FIFO would
        // take the closing for the end of the output, and some devices act
        // on being opened.
        const std::error_code denied = platform::CheckWritable(target.path.string());
        return denied ? denied.message() : std::string();
    }
    std::error_code error;
    if (fs::exists(target.path, error)) {
        // Opening a regular file for appending tells whether it may be
        // written and changes nothing in it.
        std::FILE* probe = std::fopen(target.path.string().c_str(), "a");
        if (probe == nullptr) return ErrnoText(errno);
        std::fclose(probe);
    }
    if (std::string problem = CheckDirectory(target.path.parent_path()); !problem.empty()) return problem;
    fs::path temporary;
    std::FILE* file = nullptr;
    if (const std::error_code created = CreateTemporary(target.path, temporary, file))
        return created.message();
    std::fclose(file);
    fs::remove(temporary, error);
    return {};
}

}  // namespace zarnel::run
