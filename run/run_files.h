#pragma once

#include <string>
#include <vector>

namespace zarnel::run {

// True when `a` and `b` name the same file: the same device and inode when
// both exist, else the same place once links and dots are resolved, the
// links of the last component included (so a name that does not exist yet,
// or a link to it, matches its other spellings).
bool SameFile(const std::string& a, const std::string& b);

// The files that one run reads and writes (its parameter file, report,
// record, the dump it resumed from, the dumps it wrote so far), each with
// the words that name its part in messages ("run record"), so that no output
// of the run replaces another file of the same run. A plain value, used by
// one thread at a time.
class RunFiles {
public:
    // Adds the file at `path`; an empty path is no file and is left out.
    void Add(const std::string& path, std::string role);

    // The role of the run's file that `path` names, under any spelling;
    // null when it names none.
    const std::string* RoleOf(const std::string& path) const;

    // `path` when it names no file of the run; otherwise the first of
    // "<stem>-1<extension>", "<stem>-2<extension>", ... beside it that names
    // neither a file of the run nor any file that exists (so a moved output
    // replaces nothing at all). Empty when no such name turns up.
    std::string FreeName(const std::string& path) const;

private:
    struct File {
        std::string path;
        std::string role;
    };
    std::vector<File> files_;
};

}  // namespace zarnel::run
