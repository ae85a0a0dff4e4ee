#include "fake_platform.h"

#include "entry.h"
#include "sources/code_pages.h"
#include "streams.h"

#include <algorithm>
#include <cstring>

namespace fake {

machine current;

namespace {

// Thrown by platform_exit, so the run unwinds back to the test instead of ending it.
struct process_exit {
    int status;
};

// Every file opened in this run, by descriptor, and how far it has been read.
struct open_file {
    std::string name;
    std::size_t position;
};
std::vector<open_file> open_files;

// Counts the operation; true when the countdown says it fails.
bool fails(operation kind) {
    current.operations.push_back(kind);
    return current.operations.size() == current.fail_operation;
}

} // namespace

int run_with_argument_count(int argument_count, std::vector<std::string> const& arguments) {
    std::vector<std::string> strings{"pixfold"};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char const*> vector;
    for (auto const& text : strings) vector.push_back(text.c_str());
    vector.push_back(nullptr);

    open_files.clear();
    forget_active_code_page();
    platform_start();
    start_streams();
    try {
        exit_with_status(run_entry(argument_count, vector.data()));
    } catch (process_exit const& exit) {
        current.exit_status = exit.status;
    }
    return current.exit_status;
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

int run(std::vector<std::string> const& arguments) {
    return run_with_argument_count(static_cast<int>(arguments.size() + 1), arguments);
}

std::string ppm(int width, int height) {
    return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n\x01\x02\x03";
}

} // namespace fake

using fake::current;
using fake::operation;

void platform_start() {}

bool platform_output_is_console() { return current.output_is_console; }

bool platform_input_is_console() { return current.input_is_console; }

bool platform_write_output(char const* bytes, std::size_t size) {
    if (fake::fails(operation::write_output)) return false;
    current.output.append(bytes, size);
    current.output_writes.push_back(size);
    return true;
}

bool platform_write_error(char const* bytes, std::size_t size) {
    if (fake::fails(operation::write_error)) return false;
    current.error.append(bytes, size);
    return true;
}

std::size_t platform_read_input(char* bytes, std::size_t capacity) {
    if (fake::fails(operation::read_input)) return 0;
    std::size_t const size = std::min({capacity, current.input.size(), current.input_read_size});
    std::memcpy(bytes, current.input.data(), size);
    current.input.erase(0, size);
    return size;
}

open_failure platform_open_file(char const* path, platform_file& file) {
    current.opened.emplace_back(path);
    if (fake::fails(operation::open)) return current.open_failure_kind;
    auto const found = current.files.find(path);
    if (found == current.files.end()) return open_failure::not_found;
    if (found->second.failure != open_failure::none) return found->second.failure;
    fake::open_files.push_back({path, 0});
    file = static_cast<platform_file>(fake::open_files.size() - 1);
    ++current.open_files;
    return open_failure::none;
}

std::size_t platform_read_file(platform_file file, char* bytes, std::size_t capacity) {
    if (fake::fails(operation::read_file)) return 0;
    auto& opened = fake::open_files.at(static_cast<std::size_t>(file));
    auto const& state = current.files.at(opened.name);
    std::size_t& position = opened.position;
    std::size_t const left = state.bytes.size() - std::min(position, state.bytes.size());
    std::size_t const size = std::min({capacity, left, state.read_size});
    std::memcpy(bytes, state.bytes.data() + position, size);
    position += size;
    return size;
}

void platform_close_file(platform_file) { --current.open_files; }

void platform_exit(int status) { throw fake::process_exit{status}; }

unsigned platform_code_page() { return current.code_page; }

bool platform_lead_bytes(unsigned, bool (&is_lead)[256]) {
    if (current.system_lead_bytes.empty()) return false;
    for (unsigned char lead : current.system_lead_bytes) is_lead[lead] = true;
    return true;
}
