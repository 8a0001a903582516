#include "run/console_output.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace zarnel::run {

ConsoleOutput::ConsoleOutput(std::FILE* out, std::FILE* err, std::string program)
    : out_(out), err_(err), program_(std::move(program)) {}

void ConsoleOutput::NoteFailure() {
    if (failed_) return;
    // errno still holds the failing call's error: nothing has run since.
    const int error = errno != 0 ? errno : EIO;
    failed_ = true;
    std::fprintf(err_, "%s: console output failed: %s\n", program_.c_str(),
                 std::generic_category().message(error).c_str());
    std::fflush(err_);
}

bool ConsoleOutput::Flush() {
    errno = 0;
    if (std::fflush(out_) != 0 || std::ferror(out_) != 0) NoteFailure();
    return !failed_;
}

ConsoleOutput::int_type ConsoleOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize ConsoleOutput::xsputn(const char* text, std::streamsize count) {
    errno = 0;
    const std::size_t written = std::fwrite(text, 1, static_cast<std::size_t>(count), out_);
    if (written != static_cast<std::size_t>(count)) NoteFailure();
    return static_cast<std::streamsize>(written);
}

int ConsoleOutput::sync() { return Flush() ? 0 : -1; }

}  // namespace zarnel::run
