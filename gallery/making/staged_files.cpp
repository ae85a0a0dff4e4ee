#include "making/staged_files.h"

#include "layout/layout.h"
#include "system/system.h"

void write_new(std::string const& path, std::string const& bytes) {
    if (int const status = os::write_file(path, bytes); status != 0)
        throw left_out(path + ": cannot write it: " + os::error_text(status));
}

void write_new(std::string const& path, std::vector<std::string_view> const& pieces) {
    if (int const status = os::write_file(path, pieces); status != 0)
        throw left_out(path + ": cannot write it: " + os::error_text(status));
}

std::string staged_files::path(std::string_view file) const {
    return layout::in(worker_folder_, file);
}

void staged_files::add(std::string_view file, std::string const& bytes, std::string place) {
    std::string made = path(file);
    write_new(made, bytes);
    files_.emplace_back(std::move(made), std::move(place));
}

void staged_files::add_made(std::string_view file, std::string place) {
    files_.emplace_back(path(file), std::move(place));
}

void staged_files::place() const {
    for (auto const& [made, place] : files_) {
        std::string const target = layout::in(gallery_, place);
        if (int const status = os::rename_file(made, target); status != 0)
            throw left_out(target + ": cannot put it in place: " + os::error_text(status));
    }
}
