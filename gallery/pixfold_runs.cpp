#include "pixfold_runs.h"

#include "system.h"

#include <cstdlib>
#include <vector>

namespace {

// The text of a file without its line ends and trailing blanks, for a message.
std::string text_of(std::string const& path) {
    std::string text;
    if (read_file(path, text) != 0) return {};
    std::string clean;
    for (char c : text) {
        if (c == '\r') continue;
        clean += c == '\n' ? ' ' : c;
    }
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    return clean;
}

// Runs pixfold and says what went wrong, if anything. pixfold reports a short PPM header as
// "Fatal Error" at the end of its page, not on standard error, so that line is looked for too.
std::string run_pixfold(std::string const& pixfold, std::vector<std::string> const& arguments,
                        std::string const& folder, std::string const& input,
                        std::string const& output, std::string const& report) {
    std::string failure;
    int const status = run_program(pixfold, arguments, folder, input, output, report, failure);
    if (status == 0) return {};
    if (status < 0) return failure;
    std::string reason = text_of(report);
    std::string const page = text_of(output);
    if (page.ends_with("Fatal Error")) reason += reason.empty() ? "Fatal Error" : "; Fatal Error";
    return "pixfold stopped with status " + std::to_string(status) +
           (reason.empty() ? "" : ": " + reason);
}

} // namespace

std::string find_pixfold() {
    if (char const* named = std::getenv("PIXFOLD"); named != nullptr && *named != '\0') {
        std::string const program = named;
        // Made absolute: pages are written by pixfold running in another folder.
        if (program.find('/') != std::string::npos)
            return is_executable(program) ? absolute_path(program) : "";
        return absolute_path(find_on_path(program));
    }
    if (std::string const folder = program_folder(); !folder.empty()) {
        std::string const beside = folder + "/pixfold";
        if (is_executable(beside)) return beside;
    }
    return absolute_path(find_on_path("pixfold"));
}

std::string write_page(std::string const& pixfold, std::string const& folder,
                       std::string const& name, std::string const& page,
                       std::string const& report) {
    return run_pixfold(pixfold, {name}, folder, "/dev/null", page, report);
}

std::string write_index(std::string const& pixfold, std::string const& folder,
                        std::string const& list, std::string const& index,
                        std::string const& report) {
    return run_pixfold(pixfold, {}, folder, list, index, report);
}
