#pragma once

#include <cstdio>
#include <streambuf>
#include <string>

namespace zarnel::run {

// A program's standard output, which may fail under it (a reader that went
// away, a full disk, a closed descriptor) while the run itself is worth
// finishing. Output continues to be attempted; the first failure is announced
// in one line on the error stream ("<program>: console output failed:
// <reason>") and is kept, so that the program can end with a failure status.
// Also a stream buffer, so a std::ostream can write through it. Points to the
// two C streams, which it does not own. One thread at a time.
class ConsoleOutput : public std::streambuf {
public:
    ConsoleOutput(std::FILE* out, std::FILE* err, std::string program);

    // Flushes what was written to the C stream, directly or through this
    // buffer, and notes a failure of that or of any earlier write. Returns
    // false once output has failed.
    bool Flush();

    bool Failed() const { return failed_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void NoteFailure();

    std::FILE* out_;
    std::FILE* err_;
    std::string program_;
    bool failed_ = false;
};

}  // namespace zarnel::run
