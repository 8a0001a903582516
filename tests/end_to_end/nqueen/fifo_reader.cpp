#include "tests/end_to_end/nqueen/fifo_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace e2e {

std::future<std::string> ReadFifo(const std::string& path, std::chrono::milliseconds limit) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return std::async(std::launch::async, [fd, limit] {
        std::string text;
        if (fd < 0) return text;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd waiting{fd, POLLIN, 0};
            // Linux reports a hang-up only once a writer has opened the FIFO
            // and every writer has closed it again, so a FIFO that no
            // writer has opened yet is waited on.
            if (poll(&waiting, 1, 50) <= 0) continue;
            char buffer[4096];
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got > 0) {
                text.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 && (waiting.revents & POLLHUP) != 0) {
                break;
            }
        }
        close(fd);
        return text;
    });
}

}  // namespace e2e
