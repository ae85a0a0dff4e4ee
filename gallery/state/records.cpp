#include "state/records.h"

#include "layout/layout.h"

std::vector<std::string> files_of(std::string const& album, std::string const& name,
                                  picture_record const& record) {
    std::vector<std::string> files = image_files_of(album, name, record);
    files.insert(files.begin(), layout::page(album, name));
    return files;
}

std::vector<std::string> image_files_of(std::string const& album, std::string const& name,
                                        picture_record const& record) {
    std::vector<std::string> files = {layout::thumbnail(album, name)};
    // A record of an earlier version has its thumbnail's size beside the thumbnail.
    files.push_back(record.link.empty() ? layout::old_thumbnail_size(album, name)
                                        : layout::thumbnail_size(album, record.link));
    if (record.web_box != 0) files.push_back(layout::web_copy(album, name));
    if (record.companion) files.push_back(layout::companion(album, name));
    return files;
}

std::vector<std::string> claimed_files(std::string const& album, std::string const& name,
                                       picture_record const& record) {
    std::vector<std::string> files = files_of(album, name, record);
    // Every version's t/NAME.ppm is the gallery's, until it is gone.
    if (!record.link.empty()) files.push_back(layout::old_thumbnail_size(album, name));
    return files;
}

std::vector<std::string> files_of(std::string const& album, album_record const& record) {
    std::vector<std::string> files = {layout::index(album)};
    if (!album.empty()) {
        std::string const parent = layout::folder_of(album);
        files.push_back(layout::cover(parent, layout::last_part(album)));
        files.push_back(layout::cover_size(parent, record.link));
    }
    return files;
}
