#include "fake_platform.h"

#include "entry.h"
#include "name_buffer.h"
#include "sources/code_pages.h"
#include "streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace fake {

machine current;

namespace {

// Thrown by platform_exit, so the run unwinds back to the test instead of ending it.
struct process_exit {
    int status;
};

// Every file opened in this run, by descriptor: what it holds, how far it has been read, and
// whether it is still open.
struct open_file {
    file const* opened;
    std::size_t position;
    bool open;
};
std::vector<open_file> open_files;

open_file& open_file_of(platform_file file) {
    auto& found = open_files.at(static_cast<std::size_t>(file));
    if (!found.open) std::abort(); // used after it was closed
    return found;
}

// How many operations the countdown has counted in this run, and how many reads of standard
// input came after its end.
std::size_t counted_operations;
std::size_t input_reads_after_end;

// Notes the operation; true when the countdown says it fails.
bool fails(operation kind) {
    current.operations.push_back(kind);
    if (current.counted_kind && kind != *current.counted_kind) return false;
    return ++counted_operations == current.fail_operation;
}

} // namespace

void start() {
    open_files.clear();
    counted_operations = 0;
    input_reads_after_end = 0;
    current.input_taken = 0;
    forget_active_code_page();
    platform_start();
    start_streams();
}

int run_with_argument_count(int argument_count, std::vector<std::string> const& arguments) {
    std::vector<char const*> vector{"pixfold"};
    for (auto const& text : arguments) vector.push_back(text.c_str());
    vector.push_back(nullptr);
    start();
    try {
        exit_with_status(run_entry(argument_count, vector.data()));
    } catch (process_exit const& exit) {
        current.exit_status = exit.status;
    }
    return current.exit_status;
}

int run(std::vector<std::string> const& arguments) {
    return run_with_argument_count(static_cast<int>(arguments.size() + 1), arguments);
}

int status_of_exit(void (*body)()) {
    current.exit_status = -1;
    try {
        body();
    } catch (process_exit const& exit) {
        current.exit_status = exit.status;
    }
    return current.exit_status;
}

std::string ppm(int width, int height) {
    return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n\x01\x02\x03";
}

} // namespace fake

using fake::current;
using fake::operation;

void platform_start() {}

bool platform_output_is_console() {
    return current.output_is_console;
}

bool platform_input_is_console() {
    return current.input_is_console;
}

bool platform_write_output(char const* bytes, std::size_t size) {
    current.output_writes.push_back(size);
    if (fake::fails(operation::write_output)) return false;
    current.output.append(bytes, size);
    return true;
}

bool platform_write_error(char const* bytes, std::size_t size) {
    if (fake::fails(operation::write_error)) return false;
    current.error.append(bytes, size);
    return true;
}

bool platform_read_input(char* bytes, std::size_t capacity, std::size_t& got) {
    got = 0;
    std::size_t const left = current.input.size() - current.input_taken;
    // Reading on after the end is allowed a few times; a loop that keeps asking would hang.
    if (left == 0 && ++fake::input_reads_after_end > 1000) std::abort();
    if (fake::fails(operation::read_input)) return false;
    got = std::min({capacity, left, current.input_read_size});
    if (got > 0) std::memcpy(bytes, current.input.data() + current.input_taken, got);
    current.input_taken += got;
    return true;
}

open_failure platform_open_file(char const* path, platform_file& file) {
    // Every path the tool opens was made in a name buffer.
    if (std::strlen(path) >= name_buffer_size) std::abort();
    std::size_t const number = current.opened.size();
    current.opened.emplace_back(path);
    if (fake::fails(operation::open)) return current.open_failure_kind;
    fake::file const* found = nullptr;
    std::size_t const pool_index = current.pool.empty() ? 0 : number % current.pool.size();
    if (!current.pool.empty()) {
        found = &current.pool[pool_index];
    } else if (auto const named = current.files.find(path); named != current.files.end()) {
        found = &named->second;
    }
    if (found == nullptr) return open_failure::not_found;
    if (found->failure != open_failure::none) return found->failure;
    if (!current.pool.empty()) current.served.push_back(pool_index);
    fake::open_files.push_back({found, 0, true});
    file = static_cast<platform_file>(fake::open_files.size() - 1);
    ++current.open_files;
    return open_failure::none;
}

std::size_t platform_read_file(platform_file file, char* bytes, std::size_t capacity) {
    auto& opened = fake::open_file_of(file);
    if (fake::fails(operation::read_file)) return 0;
    std::string const& all = opened.opened->bytes;
    std::size_t const left = all.size() - std::min(opened.position, all.size());
    std::size_t const size = std::min({capacity, left, opened.opened->read_size});
    if (size > 0) std::memcpy(bytes, all.data() + opened.position, size);
    opened.position += size;
    return size;
}

void platform_close_file(platform_file file) {
    fake::open_file_of(file).open = false;
    --current.open_files;
}

void platform_exit(int status) {
    throw fake::process_exit{status};
}

unsigned platform_code_page() {
    return current.code_page;
}

bool platform_lead_bytes(unsigned, bool (&is_lead)[256]) {
    if (current.system_lead_bytes.empty()) return false;
    for (unsigned char lead : current.system_lead_bytes) is_lead[lead] = true;
    return true;
}
