#include "solve/island_threads.h"

#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "solve/result.h"

namespace zarnel::islands {

namespace {

// Joins every thread it holds when it goes, so that no island's thread
// outlives the call, whichever way it is left.
class Joiner {
public:
    Joiner() = default;
    Joiner(const Joiner&) = delete;
    Joiner& operator=(const Joiner&) = delete;
    ~Joiner() { JoinAll(); }

    void Start(std::thread thread) { threads_.push_back(std::move(thread)); }
    void JoinAll() {
        for (std::thread& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
    }

private:
    std::vector<std::thread> threads_;
};

// One island from start to end; the transport goes with it, so that an
// island that failed has left before its thread ends.
void RunOne(const std::function<void(IslandTransport&)>& body, std::unique_ptr<IslandTransport> transport,
            std::exception_ptr& failure) noexcept {
    try {
        body(*transport);
    } catch (...) {
        failure = std::current_exception();
    }
    transport.reset();
}

}  // namespace

void RunIslands(IslandNetwork& network, const std::function<void(IslandTransport&)>& body) {
    const std::uint32_t count = network.LocalCount();
    // Entry i: written by island i's thread only, read after the join.
    std::vector<std::exception_ptr> failures(count);
    Joiner joiner;
    // Destroyed before the joiner joins: an island whose thread never
    // started leaves, so that none of the started ones waits for it.
    std::vector<std::unique_ptr<IslandTransport>> transports;
    for (std::uint32_t i = 0; i < count; ++i) transports.push_back(network.Connect(i));
    for (std::uint32_t i = 1; i < count; ++i) {
        try {
            joiner.Start(
                std::thread(RunOne, std::cref(body), std::move(transports[i]), std::ref(failures[i])));
        } catch (const std::system_error& error) {
            // The islands started so far stop: the transports of the others
            // leave unstarted.
            throw SolveError("cannot start the master thread of local island " + std::to_string(i) + " (of " +
                             std::to_string(count) + "): " + error.code().message());
        }
    }
    RunOne(body, std::move(transports[0]), failures[0]);
    joiner.JoinAll();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

}  // namespace zarnel::islands
