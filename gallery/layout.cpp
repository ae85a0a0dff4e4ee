#include "layout.h"

namespace layout {

namespace {

std::string in_state(std::string_view file) {
    return std::string(state) + "/" + std::string(file);
}

} // namespace

std::string manifest() {
    return in_state("manifest");
}
std::string journal() {
    return in_state("journal");
}
std::string work() {
    return in_state("work");
}
std::string index() {
    return "index.html";
}

std::string page(std::string const& name) {
    return name + ".html";
}
std::string web_copy(std::string const& name) {
    return name + ".jpg";
}
std::string companion(std::string const& name) {
    return name + ".ppm";
}
std::string thumbnail(std::string const& name) {
    return std::string(thumbnails) + "/" + name + ".jpg";
}
std::string thumbnail_sizes() {
    return std::string(sizes) + "/" + std::string(thumbnails);
}
std::string thumbnail_size(std::string const& link) {
    return thumbnail_sizes() + "/" + link + ".ppm";
}
std::string old_thumbnail_size(std::string const& name) {
    return std::string(thumbnails) + "/" + name + ".ppm";
}

std::vector<std::string> made_files(std::string const& name, made_picture const& made) {
    // The page first: it goes first, so that no page is left without the files it shows.
    std::vector<std::string> files = {page(name), thumbnail(name)};
    // A record of an earlier version has its thumbnail's companion beside the thumbnail.
    files.push_back(made.link.empty() ? old_thumbnail_size(name) : thumbnail_size(made.link));
    if (made.web_box != 0) files.push_back(web_copy(name));
    if (made.companion) files.push_back(companion(name));
    return files;
}

std::vector<std::string> owned_files(std::string const& name, made_picture const& made) {
    std::vector<std::string> files = made_files(name, made);
    // Every version's t/NAME.ppm is the gallery's, until it is gone.
    if (!made.link.empty()) files.push_back(old_thumbnail_size(name));
    return files;
}

std::string in(std::string const& folder, std::string_view relative) {
    return folder + "/" + std::string(relative);
}

} // namespace layout
