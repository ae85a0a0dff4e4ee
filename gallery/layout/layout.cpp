#include "layout/layout.h"

namespace layout {

namespace {

std::string in_state(std::string_view file) {
    return std::string(state) + "/" + std::string(file);
}

// A file or folder of an album: the top's lie in the gallery's folder itself.
std::string in_album(std::string const& album, std::string const& file) {
    return album.empty() ? file : album + "/" + file;
}

std::string in_thumbnails(std::string const& album, std::string const& file) {
    return in_album(album, std::string(thumbnails) + "/" + file);
}

} // namespace

std::string manifest() {
    return in_state("manifest");
}
std::string journal() {
    return in_state("journal");
}

std::string page(std::string const& album, std::string const& name) {
    return in_album(album, name + ".html");
}
std::string web_copy(std::string const& album, std::string const& name) {
    return in_album(album, name + ".jpg");
}
std::string companion(std::string const& album, std::string const& name) {
    return in_album(album, name + ".ppm");
}
std::string thumbnail(std::string const& album, std::string const& name) {
    return in_thumbnails(album, name + ".jpg");
}
std::string thumbnail_size(std::string const& album, std::string const& link) {
    return thumbnail_sizes(album) + "/" + link + ".ppm";
}
std::string old_thumbnail_size(std::string const& album, std::string const& name) {
    return in_thumbnails(album, name + ".ppm");
}
std::vector<std::string> names_in_album_folder(std::string const& name) {
    return {page("", name), web_copy("", name), companion("", name)};
}

std::string thumbnail_folder(std::string const& album) {
    return in_album(album, std::string(thumbnails));
}

std::string index(std::string const& album) {
    return in_album(album, "index.html");
}
std::string cover(std::string const& parent, std::string const& name) {
    return in_thumbnails(parent, name + "/index.jpg");
}
std::string cover_size(std::string const& parent, std::string const& link) {
    return thumbnail_sizes(parent) + "/" + link + "/index.ppm";
}
std::string sizes(std::string const& album) {
    return in_state(album.empty() ? "sizes" : "sizes/" + album);
}
std::string thumbnail_sizes(std::string const& album) {
    return sizes(album) + "/" + std::string(thumbnails);
}
std::vector<std::string> album_folders(std::string const& album, std::string const& link) {
    if (album.empty()) return {};
    std::string const parent = folder_of(album);
    return {thumbnail_folder(album), album,        in_thumbnails(parent, last_part(album)),
            thumbnail_sizes(album),  sizes(album), thumbnail_sizes(parent) + "/" + link};
}

void append_picture_entry(std::string& list, std::string_view link) {
    list.append(thumbnails).append("/").append(link).append(".jpg\n");
}
void append_album_entry(std::string& list, std::string_view link) {
    list.append(thumbnails).append("/").append(link).append("/index.jpg\n");
}

std::string work() {
    return in_state("work");
}
std::string worker_folder(int worker) {
    return work() + "/" + std::to_string(worker);
}
std::string page_folder(int worker) {
    return worker_folder(worker) + "/page";
}
std::string new_manifest() {
    return work() + "/manifest";
}

std::string folder_of(std::string const& path) {
    std::size_t const slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string last_part(std::string const& path) {
    std::size_t const slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string in(std::string const& folder, std::string_view relative) {
    return folder + "/" + std::string(relative);
}

} // namespace layout
