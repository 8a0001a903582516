#pragma once

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "framework/operator.h"
#include "framework/thread_stats.h"
#include "platform/event.h"
#include "platform/semaphore.h"

namespace zarnel {

// The block that the engine shares with one slave thread. The thread writes
// `totalTicks` and `stop` and then sets `doneEvent`; the master reads them only
// after its wait on that event has returned, and clears `stop` only while the
// thread waits for `startEvent`. The events order every access, so the block
// needs no lock.
struct SlaveThreadParams {
    std::int64_t ticksPerMsec = 0;
    std::int64_t totalTicks = 0;  // busy time of this thread, in counter ticks
    CSlaveOperatorBase* slaveOperator = nullptr;
    std::uint32_t threadIndex = 0;
    std::uint32_t threadCount = 0;
    platform::AutoResetEvent* doneEvent = nullptr;
    platform::AutoResetEvent* startEvent = nullptr;
    platform::CountingSemaphore* exitSemaphore = nullptr;
    std::int32_t stop = 0;
    // What the thread's operators counted; the thread points its
    // currentThreadStats here for its whole life.
    ThreadStats stats;
};

// Runs a genetic algorithm master-slave fashion on a fixed set of slave
// threads. The constructor runs the initialisation operator on the calling
// thread, then starts the slave threads, which wait for work. Each iteration
// of Run is a slave phase (every slave thread runs the slave operator once, all
// at the same time) followed by a master phase (the master operator, on the
// calling thread); the two never overlap.
//
// Owns its threads, events, semaphore and parameter blocks; the three
// operators belong to the caller and must outlive the engine. Run,
// GetThreadTimes and the destructor are for the constructing thread only, one
// at a time, never from a slave thread.
class CParallelGA {
public:
    CParallelGA(COperatorBase* initOperator, COperatorBase* masterOperator, CSlaveOperatorBase* slaveOperator,
                std::uint32_t threadCount);
    CParallelGA(const CParallelGA&) = delete;
    CParallelGA& operator=(const CParallelGA&) = delete;
    // Ends every slave thread and waits for all of them.
    ~CParallelGA();

    // Runs at most `iterations` iterations and returns the number begun: a
    // slave step or master phase that returns 0 ends the run, and the
    // iteration in which it stopped counts.
    std::uint32_t Run(std::uint32_t iterations);

    // A new array of the slave threads' busy milliseconds, in thread-index
    // order (low 32 bits of each total); the master's busy milliseconds go to
    // masterMsec. Totals accumulate from construction over every Run.
    std::unique_ptr<std::uint32_t[]> GetThreadTimes(std::int64_t& masterMsec) const;

    // The body of every slave thread; returns 1 when the thread ends.
    static std::uint32_t SlaveThreadProc(SlaveThreadParams* params);

    std::uint32_t GetThreadCount() const { return threadCount; }

    // True when the last Run ended early because a slave step or the master
    // phase returned kStop, so a caller that runs one iteration at a time can
    // end where one Run of many iterations would have ended.
    bool Stopped() const { return stopped; }

    // What slave thread j has counted since the engine was built. Between Run
    // calls only, like GetThreadTimes.
    const ThreadStats& GetThreadStats(std::uint32_t j) const { return threadParams[j].stats; }

private:
    // Releases the exit semaphore once per started thread and joins them all.
    void StopThreads();

    COperatorBase* initOperator;
    COperatorBase* masterOperator;
    CSlaveOperatorBase* slaveOperator;
    std::uint32_t threadCount;
    std::unique_ptr<SlaveThreadParams[]> threadParams;
    std::vector<std::thread> threads;
    std::unique_ptr<platform::AutoResetEvent[]> doneEvents;
    std::unique_ptr<platform::AutoResetEvent[]> startEvents;
    // Waitable views of doneEvents, built once so that Run allocates nothing.
    std::unique_ptr<platform::Waitable*[]> doneList;
    std::unique_ptr<platform::CountingSemaphore> exitSemaphore;
    std::int64_t ticksPerMsec = 0;
    std::int64_t masterTicks = 0;
    std::int64_t counterStart = 0;
    std::int64_t counterEnd = 0;
    bool stopped = false;
};

}  // namespace zarnel
