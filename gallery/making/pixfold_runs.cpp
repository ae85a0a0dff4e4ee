#include "making/pixfold_runs.h"

#include "system/system.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

// The text without its line ends and trailing blanks, for a message.
std::string cleaned(std::string_view text) {
    std::string clean;
    for (char c : text) {
        if (c == '\r') continue;
        clean += c == '\n' ? ' ' : c;
    }
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    return clean;
}

// The text of a file, cleaned; empty when it cannot be read.
std::string text_of(std::string const& path) {
    std::string text;
    if (os::read_file(path, text) != 0) return {};
    return cleaned(text);
}

// Runs pixfold, its page read into page, and says what went wrong, if anything. pixfold
// reports a short PPM header as "Fatal Error" at the end of its page, not on standard error,
// so that line is looked for too.
std::string run_pixfold(os::program_run const& run, std::string& page) {
    int status = 0;
    if (int const failure = os::run_program(run, page, status); failure != 0)
        return run.program + ": " + os::error_text(failure);
    if (status == 0) return {};
    if (status < 0) return run.program + " ended by signal " + std::to_string(-status);
    std::string reason = text_of(run.error);
    // Only the end of the page is cleaned: a failed index can be long.
    std::string_view tail = page;
    tail.remove_prefix(tail.size() - std::min<std::size_t>(tail.size(), 64));
    if (cleaned(tail).ends_with("Fatal Error"))
        reason += reason.empty() ? "Fatal Error" : "; Fatal Error";
    return "pixfold stopped with status " + std::to_string(status) +
           (reason.empty() ? "" : ": " + reason);
}

// The full path of a program found on PATH, or an empty string.
std::string find_on_path(std::string const& program) {
    std::string const folders = os::environment_variable("PATH");
    if (folders.empty()) return {};
    std::size_t start = 0;
    for (;;) {
        std::size_t const end = folders.find(':', start);
        std::string folder = folders.substr(start, end - start);
        if (folder.empty()) folder = ".";
        std::string const candidate = folder + "/" + program;
        if (os::is_executable(candidate)) return candidate;
        if (end == std::string::npos) return {};
        start = end + 1;
    }
}

} // namespace

std::string find_pixfold() {
    if (std::string const program = os::environment_variable("PIXFOLD"); !program.empty()) {
        // Made absolute: pages are written by pixfold running in another folder.
        if (program.find('/') != std::string::npos)
            return os::is_executable(program) ? os::absolute_path(program) : "";
        return os::absolute_path(find_on_path(program));
    }
    if (std::string const folder = os::program_folder(); !folder.empty()) {
        std::string const beside = folder + "/pixfold";
        if (os::is_executable(beside)) return beside;
    }
    return os::absolute_path(find_on_path("pixfold"));
}

std::string write_page(std::string const& pixfold, std::string const& folder,
                       std::string const& base, std::string& page, std::string const& report) {
    return run_pixfold({pixfold, {base}, folder, "/dev/null", report, {}}, page);
}

std::string write_index(std::string const& pixfold, std::string const& folder,
                        std::string const& list, std::string& index, std::string const& report,
                        std::string const& written) {
    return run_pixfold({pixfold, {}, folder, list, report, written}, index);
}
