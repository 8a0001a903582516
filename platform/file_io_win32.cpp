#include "platform/file_io.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>

namespace zarnel::platform {

namespace {

std::error_code LastWindowsError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

}  // namespace

std::error_code CreateNewFile(const std::string& path, std::FILE*& file) {
    file = nullptr;
    int fd = -1;
    const errno_t failed =
        _sopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT, _SH_DENYWR,
                 _S_IREAD | _S_IWRITE);
    if (failed != 0) return {failed, std::generic_category()};
    file = _fdopen(fd, "wt");
    if (file == nullptr) {
        const std::error_code error{errno, std::generic_category()};
        _close(fd);
        return error;
    }
    return {};
}

// Windows has no file without a name; callers use CreateNewFile.
std::error_code CreateUnnamedFile(const std::string&, std::FILE*& file) {
    file = nullptr;
    return std::make_error_code(std::errc::operation_not_supported);
}

std::error_code LinkFile(std::FILE*, const std::string&) {
    return std::make_error_code(std::errc::operation_not_supported);
}

std::error_code SyncFile(std::FILE* file) {
    if (std::fflush(file) != 0) return {errno, std::generic_category()};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return FlushFileBuffers(handle) ? std::error_code{} : LastWindowsError();
}

std::error_code CheckWritable(const std::string& path) {
    constexpr int kWrite = 2;
    const errno_t failed = _access_s(path.c_str(), kWrite);
    return failed == 0 ? std::error_code{} : std::error_code{failed, std::generic_category()};
}

// Opening a device or a named pipe on Windows does not wait for its other
// end: it opens at once or fails.
std::error_code OpenInPlace(const std::string& path, std::FILE*& file) {
    file = std::fopen(path.c_str(), "w");
    return file != nullptr ? std::error_code{} : std::error_code{errno, std::generic_category()};
}

std::error_code MoveFileOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? std::error_code{}
               : LastWindowsError();
}

std::error_code SyncDirectory(const std::string&) { return {}; }

}  // namespace zarnel::platform
