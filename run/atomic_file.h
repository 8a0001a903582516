#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace zarnel::run {

// Every file that the programs write (reports, population dumps, records)
// goes through these two functions, so that no failure ever leaves a file cut
// short or destroys the one it was to replace. They keep no state; any thread
// may call them, for different paths.
//
// The file that a path stands for is found by following the symbolic links of
// its last component to their final target, which may not exist yet (a
// dangling link): the new file replaces that target and the links stay. A
// path that reaches something other than a regular file or a directory (a
// device such as /dev/full, a FIFO, /dev/stdout) is written in place, since
// there is nothing to keep and nothing that could be renamed over it. Such a
// path is opened once, when the output is ready; a FIFO that no process
// reads then is a failure ("no process has the FIFO open for reading"), not
// a wait.

// Writes through `write` into a new temporary file in the target's directory,
// flushes it to the storage device and renames it over the target, which
// keeps the permission bits of the file it replaces. Where the system allows
// (Linux), the temporary file has no name while it is written, so even a
// killed process leaves nothing behind, and a target that does not exist yet
// appears at once with all its contents. `write` returns false
// when it failed. Returns an empty string on success, otherwise a one-line
// reason (the system's text, such as "No space left on device"); on failure
// the old file is exactly as it was and no temporary file is left.
std::string WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write);

// Start-up check: an empty string when `path` can later be replaced by
// WriteFileAtomically, otherwise the reason ("it is a directory", "directory
// out does not exist", "Permission denied", ...). An existing file that the
// user may not write is refused, although its directory would allow the
// rename: a write-protected file is meant to be kept. Leaves nothing behind:
// it creates a temporary name exclusively and removes it again. A path
// written in place is only asked whether it may be written, never opened.
std::string CheckReplaceable(const std::string& path);

}  // namespace zarnel::run
