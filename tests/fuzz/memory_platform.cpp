#include "memory_platform.h"

#include "entry.h"
#include "sources/code_pages.h"
#include "streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace memory {

machine current;

namespace {

// Thrown by platform_exit, so the run unwinds back to the fuzz target instead of ending it.
struct process_exit {
    int status;
};

// Every file opened in this run, by descriptor: its pool index, how far it has been read, and
// whether it is still open.
struct open_file {
    std::size_t pool_index;
    std::size_t position;
    bool open;
};
std::vector<open_file> open_files;

void start() {
    open_files.clear();
    forget_active_code_page();
    platform_start();
    start_streams();
}

} // namespace

int run(std::vector<char const*> const& arguments) {
    start();
    std::vector<char const*> vector = arguments;
    vector.push_back(nullptr);
    try {
        exit_with_status(run_entry(static_cast<int>(arguments.size()), vector.data()));
    } catch (process_exit const& exit) {
        current.exit_status = exit.status;
    }
    return current.exit_status;
}

int status_of(void (*body)()) {
    start();
    current.exit_status = -1;
    try {
        body();
    } catch (process_exit const& exit) {
        current.exit_status = exit.status;
    }
    return current.exit_status;
}

} // namespace memory

using memory::current;

void platform_start() {}

bool platform_output_is_console() {
    return current.output_is_console;
}

bool platform_input_is_console() {
    return current.input_is_console;
}

bool platform_write_output(char const* bytes, std::size_t size) {
    current.output_writes.push_back(size);
    if (current.output_writes.size() == current.fail_output_write) return false;
    current.output.append(bytes, size);
    return true;
}

bool platform_write_error(char const* bytes, std::size_t size) {
    current.error.append(bytes, size);
    return true;
}

std::size_t platform_read_input(char* bytes, std::size_t capacity) {
    // Reading on after the end is allowed once per end; a loop that keeps asking would hang.
    if (current.input.empty() && ++current.input_reads_after_end > 1000) std::abort();
    std::size_t const size = std::min({capacity, current.input.size(), current.input_read_size});
    if (size > 0) std::memcpy(bytes, current.input.data(), size);
    current.input.remove_prefix(size);
    return size;
}

open_failure platform_open_file(char const* path, platform_file& file) {
    // The path must be a string that ends inside a name buffer.
    if (std::strlen(path) > 259) std::abort();
    std::size_t const number = current.opens++;
    if (current.files.empty()) return open_failure::not_found;
    std::size_t const pool_index = number % current.files.size();
    if (current.files[pool_index].failure != open_failure::none)
        return current.files[pool_index].failure;
    memory::open_files.push_back({pool_index, 0, true});
    file = static_cast<platform_file>(memory::open_files.size() - 1);
    current.served.push_back(pool_index);
    ++current.open_files;
    return open_failure::none;
}

std::size_t platform_read_file(platform_file file, char* bytes, std::size_t capacity) {
    auto& opened = memory::open_files.at(static_cast<std::size_t>(file));
    if (!opened.open) std::abort(); // read after close
    std::string_view const all = current.files[opened.pool_index].bytes;
    std::size_t const left = all.size() - std::min(opened.position, all.size());
    std::size_t const size = std::min({capacity, left, current.file_read_size});
    if (size > 0) std::memcpy(bytes, all.data() + opened.position, size);
    opened.position += size;
    return size;
}

void platform_close_file(platform_file file) {
    auto& opened = memory::open_files.at(static_cast<std::size_t>(file));
    if (!opened.open) std::abort(); // closed twice
    opened.open = false;
    --current.open_files;
}

void platform_exit(int status) {
    throw memory::process_exit{status};
}

unsigned platform_code_page() {
    return current.code_page;
}

bool platform_lead_bytes(unsigned, bool (&)[256]) {
    return false;
}
