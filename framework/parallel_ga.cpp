#include "framework/parallel_ga.h"

#include <string>
#include <system_error>

#include "platform/counter.h"
#include "platform/wait.h"

namespace zarnel {

CParallelGA::CParallelGA(COperatorBase* initOp, COperatorBase* masterOp, CSlaveOperatorBase* slaveOp,
                         std::uint32_t count)
    : initOperator(initOp), masterOperator(masterOp), slaveOperator(slaveOp), threadCount(count) {
    ticksPerMsec = platform::CounterFrequency() / 1000;
    counterStart = platform::QueryCounter();

    // The initialisation runs before any slave thread exists.
    initOperator->Execute();

    startEvents = std::make_unique<platform::AutoResetEvent[]>(threadCount);
    exitSemaphore = std::make_unique<platform::CountingSemaphore>(threadCount);
    threadParams = std::make_unique<SlaveThreadParams[]>(threadCount);
    doneEvents = std::make_unique<platform::AutoResetEvent[]>(threadCount);
    doneList = std::make_unique<platform::Waitable*[]>(threadCount);
    for (std::uint32_t j = 0; j < threadCount; ++j) {
        SlaveThreadParams& block = threadParams[j];
        block.slaveOperator = slaveOperator;
        block.threadIndex = j;
        block.threadCount = threadCount;
        block.doneEvent = &doneEvents[j];
        block.startEvent = &startEvents[j];
        block.exitSemaphore = exitSemaphore.get();
        block.ticksPerMsec = ticksPerMsec;
        doneList[j] = &doneEvents[j];
    }

    // Threads start last, once everything they read exists. If one cannot be
    // started, the ones already running are ended and joined before the
    // failure reaches the caller, which learns which thread it was.
    threads.reserve(threadCount);
    try {
        for (std::uint32_t j = 0; j < threadCount; ++j) {
            threads.emplace_back(SlaveThreadProc, &threadParams[j]);
        }
    } catch (const std::system_error& error) {
        const std::size_t started = threads.size();
        StopThreads();
        throw std::system_error(error.code(), "cannot start slave thread " + std::to_string(started + 1) +
                                                  " of " + std::to_string(threadCount));
    } catch (...) {
        StopThreads();
        throw;
    }

    counterEnd = platform::QueryCounter();
    masterTicks = counterEnd - counterStart;
}

CParallelGA::~CParallelGA() {
    StopThreads();
    // Events, the semaphore and the blocks are released by their owners after
    // every thread has ended.
}

void CParallelGA::StopThreads() {
    exitSemaphore->Release(static_cast<std::uint32_t>(threads.size()));
    for (std::thread& thread : threads) thread.join();
    threads.clear();
}

std::uint32_t CParallelGA::SlaveThreadProc(SlaveThreadParams* params) {
    platform::Waitable* const waitList[2] = {params->startEvent, params->exitSemaphore};
    currentThreadStats = &params->stats;
    for (;;) {
        if (platform::WaitForAny(waitList, 2) != 0) return 1;
        const std::int64_t t0 = platform::QueryCounter();
        int status;
        try {
            status = params->slaveOperator->Execute(params->threadIndex, params->threadCount);
        } catch (...) {
            // Nothing may escape a thread body; an escaped exception counts as
            // a failed step, which lets the run go on.
            status = kFailed;
        }
        if (status == kStop) params->stop = 1;
        const std::int64_t t1 = platform::QueryCounter();
        // Kept in ticks so that steps shorter than a millisecond still add up.
        params->totalTicks += t1 - t0;
        params->doneEvent->Set();
    }
}

std::uint32_t CParallelGA::Run(std::uint32_t iterations) {
    for (std::uint32_t j = 0; j < threadCount; ++j) threadParams[j].stop = 0;
    stopped = true;

    std::uint32_t i = 0;
    while (i < iterations) {
        for (std::uint32_t j = 0; j < threadCount; ++j) startEvents[j].Set();
        platform::WaitForAll(doneList.get(), threadCount);

        for (std::uint32_t j = 0; j < threadCount; ++j) {
            if (threadParams[j].stop != 0) return i + 1;
        }

        counterStart = platform::QueryCounter();
        const int status = masterOperator->Execute();
        counterEnd = platform::QueryCounter();
        masterTicks += counterEnd - counterStart;
        if (status == kStop) return i + 1;
        ++i;
    }
    stopped = false;
    return i;
}

std::unique_ptr<std::uint32_t[]> CParallelGA::GetThreadTimes(std::int64_t& masterMsec) const {
    auto times = std::make_unique<std::uint32_t[]>(threadCount);
    masterMsec = masterTicks / ticksPerMsec;
    for (std::uint32_t j = 0; j < threadCount; ++j) {
        times[j] = static_cast<std::uint32_t>(threadParams[j].totalTicks / ticksPerMsec);
    }
    return times;
}

}  // namespace zarnel
