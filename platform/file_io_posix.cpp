#include "platform/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace zarnel::platform {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Opens `path` with `flags` (retried when a signal interrupts the call) and
// wraps the descriptor in a stream for writing; the descriptor is closed
// when the stream cannot be made.
std::error_code OpenForWriting(const char* path, int flags, std::FILE*& file) {
    file = nullptr;
    int fd;
    do {
        fd = open(path, flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return LastError();
    file = fdopen(fd, "w");
    if (file == nullptr) {
        const std::error_code error = LastError();
        close(fd);
        return error;
    }
    return {};
}

}  // namespace

std::error_code CreateNewFile(const std::string& path, std::FILE*& file) {
    return OpenForWriting(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, file);
}

std::error_code CreateUnnamedFile(const std::string& directory, std::FILE*& file) {
    file = nullptr;
#ifdef O_TMPFILE
    return OpenForWriting(directory.c_str(), O_TMPFILE | O_WRONLY, file);
#else
    (void)directory;
    return std::make_error_code(std::errc::operation_not_supported);
#endif
}

std::error_code LinkFile(std::FILE* file, const std::string& path) {
    // Through the descriptor's entry in /proc: linking with AT_EMPTY_PATH
    // would need a capability that ordinary users lack.
    const std::string self = "/proc/self/fd/" + std::to_string(fileno(file));
    return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? std::error_code{}
                                                                                          : LastError();
}

std::error_code SyncFile(std::FILE* file) {
    if (std::fflush(file) != 0) return LastError();
    int result;
    do {
        result = fsync(fileno(file));
    } while (result != 0 && errno == EINTR);
    return result == 0 ? std::error_code{} : LastError();
}

std::error_code CheckWritable(const std::string& path) {
    // The effective user decides, as it does for an open.
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? std::error_code{} : LastError();
}

std::error_code OpenInPlace(const std::string& path, std::FILE*& file) {
    // Without a reader, opening a FIFO for writing would block until one
    // comes; with O_NONBLOCK it fails with ENXIO instead.
    if (const std::error_code error =
            OpenForWriting(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK, file))
        return error;
    const int fd = fileno(file);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const std::error_code error = LastError();
        std::fclose(file);
        file = nullptr;
        return error;
    }
    return {};
}

std::error_code MoveFileOver(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : LastError();
}

std::error_code SyncDirectory(const std::string& directory) {
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    int result;
    do {
        result = fsync(fd);
    } while (result != 0 && errno == EINTR);
    // Some file systems cannot sync a directory; their renames are as durable
    // as they get.
    const std::error_code error = result == 0 || errno == EINVAL ? std::error_code{} : LastError();
    close(fd);
    return error;
}

}  // namespace zarnel::platform
