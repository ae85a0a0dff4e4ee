#include "plan/removals.h"

#include "layout/layout.h"
#include "plan/pictures.h"
#include "plan/record_finder.h"
#include "source/names.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

std::vector<removal> plan_picture_removals(scan_result const& scanned,
                                           gallery_records const& records, file_set const& present,
                                           gallery_settings const& settings) {
    std::vector<removal> removals;
    // The size headers of the state that the indexes will read, and the files of pictures gone.
    std::unordered_set<std::string> accounted;
    std::size_t records_found = 0;
    record_finder finder(records);
    for (picture const& item : scanned.pictures) {
        if (picture_record const* before = finder.find(item.source); before != nullptr) {
            ++records_found;
            if (before->companion && !settings.keep_companions)
                removals.push_back({item.source,
                                    {layout::companion(item.album, item.name)},
                                    removal::then::forget_companion,
                                    {}});
        }
        // The size header of its thumbnail where an earlier version put it.
        if (std::string old = layout::old_thumbnail_size(item.album, item.name);
            present.count(old) != 0)
            removals.push_back({item.source, {std::move(old)}, removal::then::nothing, {}});
        accounted.insert(layout::thumbnail_size(item.album, item.link));
    }

    // Every record that no picture found is of a picture gone, or no longer in the gallery:
    // its files go, but those that a picture of the same name in its album has now.
    if (records_found < records.pictures.size()) {
        std::unordered_set<std::string_view> sources;
        std::unordered_map<std::string, picture const*> by_place;
        for (picture const& item : scanned.pictures) {
            sources.insert(item.source);
            by_place.emplace(item.album + "/" + item.name, &item);
        }
        for (auto const& [source, record] : records.pictures) {
            if (sources.count(source) != 0) continue;
            removal gone{source, {}, removal::then::forget_picture, {}};
            std::string const album = layout::folder_of(source);
            std::string const name = picture_name_of(source);
            if (!name.empty()) {
                std::vector<std::string> kept;
                if (auto const same = by_place.find(album + "/" + name); same != by_place.end()) {
                    picture const& item = *same->second;
                    auto const its = records.pictures.find(item.source);
                    kept = claimed_files(
                        item.album, item.name,
                        target_of(item, its != records.pictures.end() ? &its->second : nullptr,
                                  present, settings));
                }
                for (std::string& file : claimed_files(album, name, record))
                    if (std::find(kept.begin(), kept.end(), file) == kept.end())
                        gone.files.push_back(std::move(file));
            }
            for (std::string const& file : gone.files) accounted.insert(file);
            removals.push_back(std::move(gone));
        }
    }

    // The size headers of the state that no picture links to any more, and that no removal
    // above takes: of a picture whose link changed with the locale, or one left by an
    // interruption. Those of covers, in folders of their own, are the albums' to remove.
    removal unlinked{{}, {}, removal::then::nothing, {}};
    std::unordered_set<std::string> size_folders;
    for (album const& each : scanned.albums)
        size_folders.insert(layout::thumbnail_sizes(each.path));
    std::string const all_sizes = layout::sizes("") + "/";
    for (std::string const& file : present)
        if (file.starts_with(all_sizes) && accounted.count(file) == 0 &&
            size_folders.count(layout::folder_of(file)) != 0)
            unlinked.files.push_back(file);
    if (!unlinked.files.empty()) {
        std::sort(unlinked.files.begin(), unlinked.files.end());
        removals.push_back(std::move(unlinked));
    }
    return removals;
}

removal failed_picture_removal(picture const& item, picture_record const& claim) {
    return {item.source,
            claimed_files(item.album, item.name, claim),
            removal::then::forget_picture,
            {}};
}

std::vector<removal> plan_album_removals(scan_result const& scanned, gallery_records const& records,
                                         std::vector<bool> const& shown,
                                         std::set<int> const& held_back) {
    std::vector<removal> removals;
    std::unordered_set<std::string> kept;
    for (std::size_t at = 0; at < scanned.albums.size(); ++at)
        if (at == 0 || shown[at] || held_back.count(static_cast<int>(at)) != 0)
            kept.insert(scanned.albums[at].path);
    for (auto const& [path, record] : records.albums)
        if (kept.count(path) == 0)
            removals.push_back({path, files_of(path, record), removal::then::forget_album,
                                layout::album_folders(path, record.link)});
    return removals;
}
