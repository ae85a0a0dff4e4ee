#include "system.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <malloc.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

file_stamp stamp_of(struct stat const& status) {
    return {static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec),
            static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

// Writes all bytes, resuming after interruptions and short writes.
int write_all(int descriptor, char const* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t const written = ::write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

// Closes a descriptor that was written to: a failed close can mean lost data.
int close_written(int descriptor, int status) {
    if (::close(descriptor) != 0 && status == 0) return errno;
    return status;
}

volatile sig_atomic_t line_open = 0;

void end_line_and_stop(int signal_number) {
    if (line_open != 0) static_cast<void>(::write(2, "\n", 1));
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

} // namespace

int list_folder(std::string const& folder, std::vector<folder_entry>& entries) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) return errno;
    int const folder_descriptor = ::dirfd(directory);
    for (;;) {
        errno = 0;
        dirent const* entry = ::readdir(directory);
        if (entry == nullptr) break;
        folder_entry found;
        found.name = entry->d_name;
        if (found.name == "." || found.name == "..") continue;
        struct stat status;
        if (::fstatat(folder_descriptor, entry->d_name, &status, 0) == 0) {
            found.is_file = S_ISREG(status.st_mode);
            found.stamp = stamp_of(status);
        }
        entries.push_back(std::move(found));
    }
    int const status = errno;
    ::closedir(directory);
    return status;
}

bool file_exists(std::string const& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool same_file(std::string const& a, std::string const& b) {
    struct stat first, second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

int make_folder(std::string const& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return 0;
    int const status = errno;
    struct stat existing;
    if (status == EEXIST && ::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return 0;
    return status;
}

int remove_file(std::string const& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
    return errno;
}

int remove_tree(std::string const& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return error.value();
}

int rename_file(std::string const& from, std::string const& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int copy_file(std::string const& from, std::string const& to) {
    // The library copies within the kernel where it can (sendfile), without a buffer of ours.
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    return error.value();
}

int write_file(std::string const& path, std::string const& bytes) {
    int const target = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (target < 0) return errno;
    return close_written(target, write_all(target, bytes.data(), bytes.size()));
}

int read_file(std::string const& path, std::string& bytes) {
    int const source = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return errno;
    int status = 0;
    char buffer[1 << 16];
    for (;;) {
        ssize_t const got = ::read(source, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) status = errno;
        if (got <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(source);
    return status;
}

int append_file(std::string const& path, std::string const& bytes) {
    int const target = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (target < 0) return errno;
    return close_written(target, write_all(target, bytes.data(), bytes.size()));
}

bool lock_folder(std::string const& path) {
    // The descriptor stays open on purpose: the lock lasts as long as the process.
    int const folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return folder >= 0 && ::flock(folder, LOCK_EX | LOCK_NB) == 0;
}

int run_program(std::string const& program, std::vector<std::string> const& arguments,
                std::string const& folder, std::string const& input, std::string const& output,
                std::string const& error, std::string& failure) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The files are opened before the change of folder, so their paths are the caller's.
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0666);
    posix_spawn_file_actions_addopen(&actions, 2, error.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0666);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (std::string const& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = 0;
    int const started =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        failure = program + ": " + error_text(started);
        return -1;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            failure = program + ": " + error_text(errno);
            return -1;
        }
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    failure = program + " ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
}

std::string program_folder() {
    std::error_code error;
    std::filesystem::path const self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return self.parent_path().string();
}

std::string find_on_path(std::string const& program) {
    char const* path = std::getenv("PATH");
    if (path == nullptr) return {};
    std::string const folders = path;
    std::size_t start = 0;
    for (;;) {
        std::size_t const end = folders.find(':', start);
        std::string folder = folders.substr(start, end - start);
        if (folder.empty()) folder = ".";
        std::string const candidate = folder + "/" + program;
        if (is_executable(candidate)) return candidate;
        if (end == std::string::npos) return {};
        start = end + 1;
    }
}

std::string absolute_path(std::string const& path) {
    if (path.empty() || path.front() == '/') return path;
    std::error_code error;
    std::filesystem::path const absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

bool is_executable(std::string const& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

int processor_count() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
    long const online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

void limit_memory_pools(int pools) {
    ::mallopt(M_ARENA_MAX, pools);
    // Blocks of 4 MB and more (decoded pictures, a progressive JPEG's coefficients) are mapped
    // on their own and go back to the system when freed, instead of staying in a pool; a fixed
    // threshold also stops the C library from raising it after the first large block.
    ::mallopt(M_MMAP_THRESHOLD, 4 << 20);
}

bool error_is_terminal() {
    return ::isatty(2) == 1;
}

int terminal_columns() {
    winsize size{};
    if (::ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

void set_open_line(bool open) {
    static bool handlers_set = false;
    if (!handlers_set) {
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
            ::signal(signal_number, end_line_and_stop);
        handlers_set = true;
    }
    line_open = open ? 1 : 0;
}

void write_output(std::string const& bytes) {
    static_cast<void>(write_all(1, bytes.data(), bytes.size()));
}

void write_error(std::string const& bytes) {
    // A terminal or log that cannot take the message leaves nothing better to do.
    static_cast<void>(write_all(2, bytes.data(), bytes.size()));
}

std::string locale_charset() {
    char const* name = ::nl_langinfo(CODESET);
    return name != nullptr ? name : "";
}

std::string error_text(int code) {
    return std::strerror(code);
}
