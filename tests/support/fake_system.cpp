#include "fake_system.h"

#include "fake_platform.h"
#include "platform/codeset_names.h"
#include "system/system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace fake_system {

machine current;

namespace {

// The workers of a run call the door side by side; the machine is one.
std::recursive_mutex machine_lock;

// One spelling per path: no "./" in front, no "/." or "/" at the end, no "//".
std::string normal(std::string path) {
    while (path.starts_with("./")) path.erase(0, 2);
    for (std::size_t at; (at = path.find("//")) != std::string::npos;) path.erase(at, 1);
    for (std::size_t at; (at = path.find("/./")) != std::string::npos;) path.erase(at, 2);
    while (path.ends_with("/.")) path.erase(path.size() - 2);
    while (path.size() > 1 && path.ends_with('/')) path.pop_back();
    return path == "." ? "" : path;
}

std::string parent_of(std::string const& path) {
    std::size_t const slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

node* find(std::string const& path) {
    if (path.empty()) {
        static node here{true, {}, 0};
        return &here;
    }
    auto const found = current.files.find(path);
    return found == current.files.end() ? nullptr : &found->second;
}

// Counts the call; true when the countdown says that this one fails, or it is on a path that
// fails.
bool fails(call kind, std::string const& path = {}, std::string const& other_path = {}) {
    int const number = ++current.calls[kind];
    auto const chosen = current.fail_at.find(kind);
    return (chosen != current.fail_at.end() && chosen->second == number) ||
           current.failing_paths.count(path) != 0 || current.failing_paths.count(other_path) != 0;
}

// Why a file cannot be made at the path; 0 when it can.
int cannot_make(std::string const& path) {
    node const* parent = find(parent_of(path));
    if (parent == nullptr) return ENOENT;
    if (!parent->is_folder) return ENOTDIR;
    if (node const* existing = find(path); existing != nullptr && existing->is_folder)
        return EISDIR;
    return 0;
}

void store(std::string const& path, std::string bytes) {
    node& file = current.files[path];
    file = {false, std::move(bytes), ++current.clock};
}

bool is_below(std::string const& path, std::string const& folder) {
    return folder.empty() ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

std::string relative_to(std::string const& path, std::string const& folder) {
    return folder.empty() ? path : path.substr(folder.size() + 1);
}

} // namespace

void add_folder(std::string const& path) {
    std::string const folder = normal(path);
    if (folder.empty()) return;
    add_folder(parent_of(folder));
    current.files[folder] = {true, {}, 0};
}

void add_file(std::string const& path, std::string const& bytes, std::int64_t modified) {
    std::string const file = normal(path);
    add_folder(parent_of(file));
    current.files[file] = {false, bytes, modified};
}

std::map<std::string, std::string> files_under(std::string const& folder) {
    std::string const top = normal(folder);
    std::map<std::string, std::string> found;
    for (auto const& [path, entry] : current.files)
        if (!entry.is_folder && is_below(path, top)) found[relative_to(path, top)] = entry.bytes;
    return found;
}

} // namespace fake_system

using fake_system::call;
using fake_system::current;
using fake_system::fails;
using fake_system::find;
using fake_system::machine_lock;
using fake_system::node;
using fake_system::normal;

namespace os {

int list_folder(std::string const& folder, std::vector<folder_entry>& entries) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const path = normal(folder);
    if (fails(call::list, path)) return current.failure_code;
    node const* found = find(path);
    if (found == nullptr) return ENOENT;
    if (!found->is_folder) return ENOTDIR;
    for (auto const& [name, entry] : current.files) {
        if (!fake_system::is_below(name, path)) continue;
        std::string const below = fake_system::relative_to(name, path);
        if (below.find('/') != std::string::npos) continue;
        folder_entry listed;
        listed.name = below;
        listed.kind = entry.is_folder ? file_kind::folder : file_kind::file;
        listed.stamp = {static_cast<std::int64_t>(entry.bytes.size()), entry.modified, 0};
        entries.push_back(std::move(listed));
    }
    return 0;
}

int list_names(std::string const& folder, std::vector<folder_entry>& entries) {
    std::size_t const before = entries.size();
    int const status = list_folder(folder, entries);
    for (std::size_t at = before; at < entries.size(); ++at) entries[at].stamp = {};
    return status;
}

file_kind kind_of(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    node const* found = find(normal(path));
    if (found == nullptr) return file_kind::missing;
    return found->is_folder ? file_kind::folder : file_kind::file;
}

bool same_file(std::string const& a, std::string const& b) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    return normal(a) == normal(b) && find(normal(a)) != nullptr;
}

int make_folder(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const folder = normal(path);
    if (fails(call::make_folder, folder)) return current.failure_code;
    if (node const* existing = find(folder); existing != nullptr)
        return existing->is_folder ? 0 : EEXIST;
    node const* parent = find(fake_system::parent_of(folder));
    if (parent == nullptr) return ENOENT;
    if (!parent->is_folder) return ENOTDIR;
    current.files[folder] = {true, {}, ++current.clock};
    return 0;
}

int remove_file(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const file = normal(path);
    if (fails(call::remove, file)) return current.failure_code;
    node const* found = find(file);
    if (found == nullptr) return 0;
    if (found->is_folder) return EISDIR;
    current.files.erase(file);
    return 0;
}

int remove_empty_folder(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const folder = normal(path);
    if (fails(call::remove, folder)) return current.failure_code;
    node const* found = find(folder);
    if (found == nullptr) return 0;
    if (!found->is_folder) return ENOTDIR;
    for (auto const& [name, entry] : current.files)
        if (fake_system::is_below(name, folder)) return ENOTEMPTY;
    current.files.erase(folder);
    return 0;
}

int remove_tree(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const folder = normal(path);
    if (fails(call::remove, folder)) return current.failure_code;
    std::erase_if(current.files, [&](auto const& entry) {
        return entry.first == folder || fake_system::is_below(entry.first, folder);
    });
    return 0;
}

int rename_file(std::string const& from, std::string const& to) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const source = normal(from);
    std::string const target = normal(to);
    if (fails(call::rename, source, target)) return current.failure_code;
    node const* found = find(source);
    if (found == nullptr) return ENOENT;
    if (found->is_folder) return EISDIR;
    if (int const status = fake_system::cannot_make(target); status != 0) return status;
    node const moved = *found;
    current.files.erase(source);
    current.files[target] = moved;
    if (current.on_rename) current.on_rename(target);
    return 0;
}

int write_file(std::string const& path, std::string const& bytes) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const file = normal(path);
    if (fails(call::write, file)) return current.failure_code;
    if (int const status = fake_system::cannot_make(file); status != 0) return status;
    fake_system::store(file, bytes);
    return 0;
}

int write_file(std::string const& path, std::vector<std::string_view> const& pieces) {
    std::string bytes;
    for (std::string_view piece : pieces) bytes += piece;
    return write_file(path, bytes);
}

int append_file(std::string const& path, std::string const& bytes) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const file = normal(path);
    if (fails(call::append, file)) return current.failure_code;
    if (int const status = fake_system::cannot_make(file); status != 0) return status;
    node const* existing = find(file);
    fake_system::store(file, (existing != nullptr ? existing->bytes : "") + bytes);
    return 0;
}

int read_file(std::string const& path, std::string& bytes, std::size_t most) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const file = normal(path);
    bytes.clear();
    if (fails(call::read, file)) return current.failure_code;
    node const* found = find(file);
    if (found == nullptr) return ENOENT;
    if (found->is_folder) return EISDIR;
    bytes = found->bytes.substr(0, most);
    return 0;
}

int sync_file(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    std::string const file = normal(path);
    if (fails(call::sync, file)) return current.failure_code;
    return find(file) != nullptr ? 0 : ENOENT;
}

int sync_file_system(std::string const& path) {
    return sync_file(path);
}

int lock_folder(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    if (fails(call::lock, normal(path))) return current.failure_code;
    node const* found = find(normal(path));
    if (found == nullptr) return ENOENT;
    if (!found->is_folder) return ENOTDIR;
    return current.locked_by_another ? EWOULDBLOCK : 0;
}

int run_program(program_run const& run, std::string& output, int& exit_status) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    if (fails(call::run)) return current.failure_code;
    if (current.pixfold_programs.count(run.program) == 0) return ENOENT;
    std::string input;
    if (run.input != "/dev/null") {
        node const* found = find(normal(run.input));
        if (found == nullptr) return ENOENT;
        input = found->bytes;
    }
    if (int const status = fake_system::cannot_make(normal(run.error)); status != 0) return status;

    // pixfold in this process, seeing the files of the folder it runs in.
    fake::current = fake::machine{};
    fake::current.input = input;
    fake::current.code_page = code_page_of_codeset(current.charset.c_str());
    for (auto const& [name, bytes] : fake_system::files_under(run.folder))
        fake::current.files[name].bytes = bytes;
    exit_status = fake::run(run.arguments);
    output = fake::current.output;
    if (!run.output_file.empty()) fake_system::store(normal(run.output_file), output);
    fake_system::store(normal(run.error), fake::current.error);
    return 0;
}

std::string environment_variable(std::string const& name) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    auto const found = current.environment.find(name);
    return found == current.environment.end() ? "" : found->second;
}

std::string program_folder() {
    return current.program_folder;
}

bool is_executable(std::string const& path) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    return current.pixfold_programs.count(path) != 0;
}

std::string absolute_path(std::string const& path) {
    return path;
}

std::string resolved_path(std::string const& path) {
    return normal(path);
}

int processor_count() {
    return current.processors;
}

void limit_memory_pools(int) {}

std::string local_date(std::int64_t seconds) {
    // The fake's local time is universal time, so dates are the same on every test machine.
    time_t const moment = static_cast<time_t>(seconds);
    struct tm parts;
    gmtime_r(&moment, &parts);
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
    return static_cast<std::int64_t>(timegm(&parts));
}

std::string locale_charset() {
    return current.charset;
}

std::string error_text(int code) {
    return std::strerror(code);
}

int write_output(std::string const& bytes) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    current.output += bytes;
    return 0;
}

int write_error(std::string const& bytes) {
    std::lock_guard<std::recursive_mutex> const hold(machine_lock);
    current.error += bytes;
    return 0;
}

bool error_is_terminal() {
    return current.error_is_terminal;
}

int terminal_columns() {
    return 80;
}

void set_open_line(bool) {}

} // namespace os
