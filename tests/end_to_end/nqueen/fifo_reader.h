#pragma once

#include <chrono>
#include <future>
#include <string>

namespace e2e {

// Reads the FIFO at `path` as `cat path` would: everything that its writers
// send until the last writer closes it. The reading end is open when this
// returns (without waiting for a writer), so a program started afterwards
// finds a reader there. POSIX only. The result is ready once a writer has
// come and gone, or after `limit` with what arrived by then, so a writer
// that never comes cannot hang a test.
std::future<std::string> ReadFifo(const std::string& path, std::chrono::milliseconds limit);

}  // namespace e2e
