#include "tests/end_to_end/nqueen/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace e2e {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& directory, const std::string& stdoutPath,
                           const std::string& stderrPath) {
    std::vector<std::string> argv_strings;
    argv_strings.push_back(program);
    argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& s : argv_strings) argv.push_back(s.data());
    argv.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    const bool brokenPipe = stdoutPath == kBrokenPipe;
    if (brokenPipe) {
        if (pipe(pipeEnds) != 0) return;
        // The reading end goes before the child exists, so no write can
        // ever succeed.
        close(pipeEnds[0]);
    }
    pid_ = fork();
    if (pid_ == 0) {
        // In the child only async-signal-safe calls until exec.
        const int in = open("/dev/null", O_RDONLY);
        const int out =
            brokenPipe ? pipeEnds[1] : open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(directory.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (brokenPipe) close(pipeEnds[1]);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && Running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
}

bool ChildProcess::Running() {
    if (ended_ || pid_ <= 0) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return !ended_;
}

void ChildProcess::Signal(int signalNumber) {
    if (Running()) kill(pid_, signalNumber);
}

int ChildProcess::Wait(std::chrono::milliseconds limit) {
    if (!WaitUntil([this] { return !Running(); }, limit)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        ended_ = true;
        return kTimedOut;
    }
    if (WIFEXITED(status_)) return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) return -WTERMSIG(status_);
    return kTimedOut;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace e2e
