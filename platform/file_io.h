#pragma once

#include <cstdio>
#include <string>
#include <system_error>

namespace zarnel::platform {

// The few file operations that writing a file safely needs and the standard
// library lacks: a create that fails when the name is taken, a flush to the
// storage device, a rename that replaces its target in one step, and the
// check and opening of a file written in place (a device, a FIFO). Each
// returns the system's error, empty on success. They keep no state and may be
// called from any thread.

// Creates a new file at `path` and opens it for writing in text mode; fails
// (with "file exists") when anything, a symbolic link included, already has
// that name. The caller closes `file`.
std::error_code CreateNewFile(const std::string& path, std::FILE*& file);

// Creates a file with no name yet in `directory` and opens it for writing in
// text mode (Linux O_TMPFILE): if the process ends before LinkFile, nothing is
// left. Fails where the system or the file system cannot do it, and the
// caller then falls back on CreateNewFile. The caller closes `file`.
std::error_code CreateUnnamedFile(const std::string& directory, std::FILE*& file);

// Gives the file that CreateUnnamedFile made the name `path`, in the same
// directory; fails (with "file exists") when the name is taken.
std::error_code LinkFile(std::FILE* file, const std::string& path);

// Forces the data written to `file` (flushed first) onto the storage device.
std::error_code SyncFile(std::FILE* file);

// Renames `from` to `to`, replacing the file that `to` names, so that a
// reader of `to` sees the old file or the new one and never a mix.
std::error_code MoveFileOver(const std::string& from, const std::string& to);

// Whether this process may open the existing file at `path` for writing,
// asked without opening it: opening a FIFO meets its reader, which takes the
// closing that follows for the end of the output, and opening some devices
// acts on them. Empty when it may.
std::error_code CheckWritable(const std::string& path);

// Opens the existing file at `path` for writing in place, emptying a
// regular file, as std::fopen(path, "w") does, except that a FIFO that no
// process has open for reading fails at once (POSIX: "no such device or
// address") instead of waiting for a reader. Writes then wait for a slow
// reader as usual. The caller closes `file`.
std::error_code OpenInPlace(const std::string& path, std::FILE*& file);

// Makes renames in `directory` survive a system crash (POSIX: syncs the
// directory; Windows: the rename was written through already).
std::error_code SyncDirectory(const std::string& directory);

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
