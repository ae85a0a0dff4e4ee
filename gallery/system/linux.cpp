// The system calls of pixfold-gallery on Linux with the GNU C library.
#include "system/system.h"

#include "platform/posix_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

file_kind kind_of_mode(mode_t mode) {
    if (S_ISREG(mode)) return file_kind::file;
    if (S_ISDIR(mode)) return file_kind::folder;
    return file_kind::other;
}

file_stamp stamp_of(struct stat const& status) {
    return {static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec),
            static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

// Writes the pieces into a descriptor just opened, and closes it: a failed close can mean lost
// data, so it counts.
int write_and_close(int descriptor, std::vector<std::string_view> const& pieces) {
    int status = 0;
    for (std::string_view piece : pieces)
        if (status == 0 && !write_all(descriptor, piece.data(), piece.size())) status = errno;
    if (::close(descriptor) != 0 && status == 0) status = errno;
    return status;
}

volatile sig_atomic_t line_open = 0;

void end_line_and_stop(int signal_number) {
    if (line_open != 0) static_cast<void>(::write(2, "\n", 1));
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

} // namespace

namespace os {

namespace {

// Lists the folder; stamped, each entry gets its stamp from a stat of its own, else only what
// the folder's entries tell, a stat only where they cannot tell the kind.
int list_entries(std::string const& folder, std::vector<folder_entry>& entries, bool stamped) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) return errno;
    int const folder_descriptor = ::dirfd(directory);
    int status = 0;
    for (;;) {
        errno = 0;
        dirent const* entry = ::readdir(directory);
        if (entry == nullptr) {
            status = errno;
            break;
        }
        folder_entry found;
        found.name = entry->d_name;
        if (found.name == "." || found.name == "..") continue;
        found.is_link = entry->d_type == DT_LNK;
        if (!stamped && entry->d_type == DT_REG) {
            found.kind = file_kind::file;
        } else if (!stamped && entry->d_type == DT_DIR) {
            found.kind = file_kind::folder;
        } else if (struct stat named; ::fstatat(folder_descriptor, entry->d_name, &named, 0) == 0) {
            found.kind = kind_of_mode(named.st_mode);
            if (stamped) found.stamp = stamp_of(named);
        }
        if (entry->d_type == DT_UNKNOWN) {
            struct stat itself;
            found.is_link =
                ::fstatat(folder_descriptor, entry->d_name, &itself, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(itself.st_mode);
        }
        entries.push_back(std::move(found));
    }
    ::closedir(directory);
    return status;
}

} // namespace

int list_folder(std::string const& folder, std::vector<folder_entry>& entries) {
    return list_entries(folder, entries, true);
}

int list_names(std::string const& folder, std::vector<folder_entry>& entries) {
    return list_entries(folder, entries, false);
}

file_kind kind_of(std::string const& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return file_kind::missing;
    return kind_of_mode(status.st_mode);
}

bool same_file(std::string const& a, std::string const& b) {
    struct stat first, second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

int make_folder(std::string const& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return 0;
    int const status = errno;
    if (status == EEXIST && kind_of(path) == file_kind::folder) return 0;
    return status;
}

int remove_file(std::string const& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
    return errno;
}

int remove_empty_folder(std::string const& path) {
    if (::rmdir(path.c_str()) == 0 || errno == ENOENT) return 0;
    return errno == EEXIST ? ENOTEMPTY : errno;
}

int remove_tree(std::string const& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return error.value();
}

int rename_file(std::string const& from, std::string const& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int write_file(std::string const& path, std::string const& bytes) {
    return write_file(path, std::vector<std::string_view>{bytes});
}

int write_file(std::string const& path, std::vector<std::string_view> const& pieces) {
    int const target = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (target < 0) return errno;
    return write_and_close(target, pieces);
}

int append_file(std::string const& path, std::string const& bytes) {
    int const target = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (target < 0) return errno;
    return write_and_close(target, {bytes});
}

namespace {

// Reads the descriptor to its end, or until bytes hold the most given, appending what each read
// takes, into the room kept in bytes; 0, or the errno of the read that failed.
int read_to_end(int descriptor, std::string& bytes,
                std::size_t most = static_cast<std::size_t>(-1)) {
    char buffer[1 << 16];
    while (bytes.size() < most) {
        ssize_t const got =
            read_some(descriptor, buffer, std::min(sizeof buffer, most - bytes.size()));
        if (got < 0) return errno;
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return 0;
}

} // namespace

int read_file(std::string const& path, std::string& bytes, std::size_t most) {
    bytes.clear();
    int const source = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return errno;
    struct stat opened;
    if (::fstat(source, &opened) == 0 && opened.st_size > 0)
        bytes.reserve(std::min(static_cast<std::size_t>(opened.st_size), most));
    int const status = read_to_end(source, bytes, most);
    ::close(source);
    return status;
}

int sync_file(std::string const& path) {
    int const file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return errno;
    int status = ::fsync(file) == 0 ? 0 : errno;
    if (::close(file) != 0 && status == 0) status = errno;
    return status;
}

int sync_file_system(std::string const& path) {
    int const file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return errno;
    int const status = ::syncfs(file) == 0 ? 0 : errno;
    ::close(file);
    return status;
}

int lock_folder(std::string const& path) {
    // The descriptor stays open on purpose: the lock lasts as long as the process.
    int const folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return errno;
    if (::flock(folder, LOCK_EX | LOCK_NB) == 0) return 0;
    int const status = errno;
    ::close(folder);
    return status;
}

int run_program(program_run const& run, std::string& output, int& exit_status) {
    output.clear();
    bool const through_pipe = run.output_file.empty();
    // Both ends close on exec, so that no other job's program holds this one's pipe open.
    int pipe_ends[2] = {-1, -1};
    if (through_pipe && ::pipe2(pipe_ends, O_CLOEXEC) != 0) return errno;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The files are opened before the change of folder, so their paths are the caller's.
    posix_spawn_file_actions_addopen(&actions, 0, run.input.c_str(), O_RDONLY, 0);
    if (through_pipe)
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, run.output_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0666);
    posix_spawn_file_actions_addopen(&actions, 2, run.error.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0666);
    if (!run.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, run.folder.c_str());

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(run.program.c_str()));
    for (std::string const& argument : run.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = 0;
    int const started =
        posix_spawn(&child, run.program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (through_pipe) ::close(pipe_ends[1]);
    if (started != 0) {
        if (through_pipe) ::close(pipe_ends[0]);
        return started;
    }
    // pixfold writes a few kilobytes at a time, and each read takes what is there, into the room
    // the caller kept (an index of 100,000 pictures is 18 MB; grown by doubling, the string
    // would hold 48).
    int read_status = 0;
    if (through_pipe) {
        read_status = read_to_end(pipe_ends[0], output);
        ::close(pipe_ends[0]);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return errno;
    exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    if (!through_pipe) {
        int const file = ::open(run.output_file.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) return errno;
        read_status = read_to_end(file, output);
        ::close(file);
    }
    return read_status;
}

std::string environment_variable(std::string const& name) {
    char const* value = std::getenv(name.c_str());
    return value != nullptr ? value : "";
}

std::string program_folder() {
    std::error_code error;
    std::filesystem::path const self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return self.parent_path().string();
}

bool is_executable(std::string const& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string absolute_path(std::string const& path) {
    if (path.empty() || path.front() == '/') return path;
    std::error_code error;
    std::filesystem::path const absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

std::string resolved_path(std::string const& path) {
    std::error_code error;
    std::filesystem::path const resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved.string();
}

int processor_count() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
    long const online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

void limit_memory_pools(int pools) {
    ::mallopt(M_ARENA_MAX, pools);
    // Freed memory stays in its pool for the next picture, which needs as much again: blocks
    // below 64 MB (decoded pictures, a progressive JPEG's coefficients) come from the pools
    // instead of being mapped on their own, and a pool keeps up to 128 MB free. Given back
    // after every picture, the same memory was mapped, faulted in and zeroed again, which cost
    // a fifth of the run's processor time; kept, each pool holds one picture's peak.
    ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

std::string local_date(std::int64_t seconds) {
    time_t const moment = static_cast<time_t>(seconds);
    struct tm parts;
    if (::localtime_r(&moment, &parts) == nullptr) return "0000-00-00";
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday);
    return text;
}

std::int64_t local_moment(int year, int month, int day, int hour, int minute, int second) {
    struct tm parts = {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1; // as the zone's rules had it on that day
    return static_cast<std::int64_t>(::mktime(&parts));
}

std::string locale_charset() {
    char const* name = ::nl_langinfo(CODESET);
    return name != nullptr ? name : "";
}

std::string error_text(int code) {
    return std::strerror(code);
}

int write_output(std::string const& bytes) {
    return write_all(1, bytes.data(), bytes.size()) ? 0 : errno;
}

int write_error(std::string const& bytes) {
    return write_all(2, bytes.data(), bytes.size()) ? 0 : errno;
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

} // namespace os
