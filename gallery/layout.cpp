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
std::string thumbnail_companion(std::string const& name) {
    return std::string(thumbnails) + "/" + name + ".ppm";
}

std::vector<std::string> owned_files(std::string const& name, made_picture const& made) {
    std::vector<std::string> files = {page(name), thumbnail(name), thumbnail_companion(name)};
    if (made.web_box != 0) files.push_back(web_copy(name));
    if (made.companion) files.push_back(companion(name));
    return files;
}

std::string in(std::string const& folder, std::string_view relative) {
    return folder + "/" + std::string(relative);
}

} // namespace layout
