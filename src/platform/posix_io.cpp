#include "platform/posix_io.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// Whether a failed read or write is to be made again: after an interruption, or once the
// descriptor is ready when another program left it non-blocking and it was not.
bool try_again(int descriptor, short readiness) {
    if (errno == EINTR) return true;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd wait_for = {descriptor, readiness, 0};
    return poll(&wait_for, 1, -1) >= 0 || errno == EINTR;
}

} // namespace

bool write_all(int descriptor, char const* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t const written = ::write(descriptor, bytes, size);
        if (written < 0) {
            if (try_again(descriptor, POLLOUT)) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

ssize_t read_some(int descriptor, char* bytes, std::size_t capacity) {
    for (;;) {
        ssize_t const got = ::read(descriptor, bytes, capacity);
        if (got >= 0 || !try_again(descriptor, POLLIN)) return got;
    }
}
