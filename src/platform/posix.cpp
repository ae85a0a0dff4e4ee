// The platform layer on POSIX systems (Linux, macOS).
#include "platform/platform.h"

#include "platform/codeset_names.h"
#include "platform/posix.h"
#include "platform/posix_io.h"

#include <cerrno>
#include <clocale>
#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

open_failure open_failure_of_errno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ENXIO:
    case ENODEV:
        return open_failure::not_found;
    case EACCES:
    case EPERM:
    case EBUSY:
    case ETXTBSY:
    case EROFS:
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return open_failure::permission_denied;
    case EMFILE:
    case ENFILE:
        return open_failure::too_many_open_files;
    case ENOMEM:
    case ENOSPC:
    case EDQUOT:
        return open_failure::not_enough_space;
    default:
        return open_failure::invalid_argument;
    }
}

void platform_start() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
}

bool platform_output_is_console() {
    struct stat status;
    return fstat(STDOUT_FILENO, &status) == 0 && S_ISCHR(status.st_mode);
}

bool platform_input_is_console() {
    return isatty(STDIN_FILENO) == 1;
}

bool platform_write_output(char const* bytes, std::size_t size) {
    return write_all(STDOUT_FILENO, bytes, size);
}

bool platform_write_error(char const* bytes, std::size_t size) {
    return write_all(STDERR_FILENO, bytes, size);
}

bool platform_read_input(char* bytes, std::size_t capacity, std::size_t& got) {
    ssize_t const result = read_some(STDIN_FILENO, bytes, capacity);
    got = result > 0 ? static_cast<std::size_t>(result) : 0;
    if (result >= 0) return true;
    // Standard input that is not open at all is no failed read: there is no list, as when a
    // process is started without one.
    return errno == EBADF && fcntl(STDIN_FILENO, F_GETFD) == -1;
}

open_failure platform_open_file(char const* path, platform_file& file) {
    for (;;) {
        int const descriptor = ::open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
        if (descriptor >= 0) {
            file = descriptor;
            return open_failure::none;
        }
        if (errno != EINTR) return open_failure_of_errno(errno);
    }
}

std::size_t platform_read_file(platform_file file, char* bytes, std::size_t capacity) {
    // A directory opens on POSIX; reading it fails, and that counts as its end.
    ssize_t const got = read_some(static_cast<int>(file), bytes, capacity);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void platform_close_file(platform_file file) {
    ::close(static_cast<int>(file));
}

void platform_exit(int status) {
    _exit(status);
}

unsigned platform_code_page() {
    // The locale of the environment names the character set that names arrive in.
    if (std::setlocale(LC_CTYPE, "") == nullptr) return 1252;
    return code_page_of_codeset(nl_langinfo(CODESET));
}

bool platform_lead_bytes(unsigned, bool (&)[256]) {
    return false;
}
