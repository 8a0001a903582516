#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

// One run of a program in a working directory, with standard input from the
// null device and standard output and error sent to files (standard output
// to a pipe that nobody reads when its path is kBrokenPipe). POSIX only. The
// test thread that starts it is the only one that uses it; the destructor
// kills a child that is still running.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& directory, const std::string& stdoutPath, const std::string& stderrPath);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // True while the child has not ended (reaps it when it has).
    bool Running();
    void Signal(int signalNumber);
    // Waits at most `limit` for the child to end. Returns its exit code
    // (0-255), or -signal when a signal ended it; kills it and returns
    // kTimedOut when the limit passes.
    int Wait(std::chrono::milliseconds limit);

    static constexpr int kTimedOut = -1000;
    // A stdoutPath for a pipe whose reading end is closed before the child
    // starts, as after `program | head -1` once head has gone.
    static constexpr const char* kBrokenPipe = "|broken pipe|";

private:
    int pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
};

// Polls `condition` every few milliseconds until it holds or `limit` passes.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The whole file, or an empty string when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace e2e
