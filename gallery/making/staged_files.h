// Files made aside in a worker's folder of the work folder, each to be renamed into its place in
// the gallery: a file of the gallery is never there half made.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Why a picture or album is left out, when it is not the picture's own fault.
struct left_out : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Writes the bytes into a new file; throws left_out, saying why, when it cannot.
void write_new(std::string const& path, std::string const& bytes);
void write_new(std::string const& path, std::vector<std::string_view> const& pieces);

class staged_files {
  public:
    // The worker's folder in the work folder, and the gallery's.
    staged_files(std::string worker_folder, std::string gallery)
        : worker_folder_(std::move(worker_folder)), gallery_(std::move(gallery)) {}

    // The path of a file made in the worker's folder.
    std::string path(std::string_view file) const;
    // Makes the file with these bytes, to go to place, relative to the gallery.
    void add(std::string_view file, std::string const& bytes, std::string place);
    // Takes a file made already in the worker's folder.
    void add_made(std::string_view file, std::string place);
    // Renames them into place, in the order they were added; throws left_out when one cannot be.
    void place() const;

  private:
    std::string worker_folder_;
    std::string gallery_;
    std::vector<std::pair<std::string, std::string>> files_;
};
