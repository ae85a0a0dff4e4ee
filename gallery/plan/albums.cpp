#include "plan/albums.h"

#include "layout/layout.h"
#include "plan/keys.h"
#include "plan/order.h"

#include <algorithm>
#include <utility>

namespace {

// What an album shows, found from the bottom up: its first picture or album gives its cover,
// and the newest of them its date.
struct contents {
    std::vector<std::pair<int, picture_record const*>> pictures; // in the gallery now
    std::vector<int> albums;                                     // shown, with a cover
    int cover = -1; // the picture whose thumbnail is its cover
    std::int64_t newest = 0;
};

std::vector<contents> contents_of(scan_result const& scanned, gallery_records const& records,
                                  picture_order order, std::set<int> const& held_back,
                                  std::vector<bool>& shown) {
    std::size_t const count = scanned.albums.size();
    std::vector<contents> found(count);
    shown.assign(count, false);
    for (std::size_t at = count; at-- > 0;) {
        album const& here = scanned.albums[at];
        contents& mine = found[at];
        mine.pictures = pictures_shown(here, scanned, records, order);
        for (auto const& [item_at, record] : mine.pictures)
            mine.newest = std::max(
                mine.newest,
                scanned.pictures[static_cast<std::size_t>(item_at)].stamp.modified_seconds);
        for (int below : here.albums) {
            if (!shown[static_cast<std::size_t>(below)]) continue;
            mine.albums.push_back(below);
            mine.newest = std::max(mine.newest, found[static_cast<std::size_t>(below)].newest);
        }
        // Albums come first in an index, so the first of them gives the cover, if any.
        if (!mine.albums.empty())
            mine.cover = found[static_cast<std::size_t>(mine.albums.front())].cover;
        else if (!mine.pictures.empty())
            mine.cover = mine.pictures.front().first;
        shown[at] = mine.cover >= 0 && held_back.count(static_cast<int>(at)) == 0;
    }
    return found;
}

} // namespace

album_plan plan_albums(scan_result const& scanned, gallery_records const& records,
                       file_set const& present, gallery_settings const& settings,
                       site_step const& site, std::set<int> const& held_back) {
    album_plan plan;
    std::vector<contents> const found =
        contents_of(scanned, records, settings.order, held_back, plan.shown);
    for (std::size_t at = 0; at < scanned.albums.size(); ++at) {
        album const& here = scanned.albums[at];
        // The top always has its index, if only to say that there is no picture yet.
        if (at != 0 && !plan.shown[at]) continue;
        contents const& mine = found[at];
        album_job job;
        job.album = static_cast<int>(at);
        job.target.link = here.link;

        // Room for the list at once: an index of 100,000 pictures lists 1.7 MB.
        std::size_t room = 0;
        for (int below_at : mine.albums)
            room += scanned.albums[static_cast<std::size_t>(below_at)].link.size() + 16;
        for (auto const& [item_at, record] : mine.pictures)
            room += scanned.pictures[static_cast<std::size_t>(item_at)].link.size() + 8;
        job.list.reserve(room);
        key_maker index_key;
        for (int below_at : mine.albums) {
            album const& below = scanned.albums[static_cast<std::size_t>(below_at)];
            picture const& cover = scanned.pictures[static_cast<std::size_t>(
                found[static_cast<std::size_t>(below_at)].cover)];
            picture_record const& record = records.pictures.at(cover.source);
            layout::append_album_entry(job.list, below.link);
            index_key.add(below.link).add(record.thumbnail);
        }
        for (auto const& [item_at, record] : mine.pictures) {
            picture const& item = scanned.pictures[static_cast<std::size_t>(item_at)];
            layout::append_picture_entry(job.list, item.link);
            index_key.add(item.link).add(record->thumbnail);
        }
        if (settings.site_step) {
            job.frame = site.index_frame(job.album, plan.shown);
            job.date = site.date(mine.newest);
            index_key.add(job.frame.header).add(job.date).add(job.frame.footer);
        }
        job.target.index_key = index_key.key();

        if (at != 0) {
            picture const& cover = scanned.pictures[static_cast<std::size_t>(mine.cover)];
            picture_record const& record = records.pictures.at(cover.source);
            job.target.cover_key = cover_key(cover.source, record);
            job.cover_from = layout::thumbnail(cover.album, cover.name);
            job.cover_size = record.thumbnail;
        }

        auto const before = records.albums.find(here.path);
        bool const known = before != records.albums.end() && before->second.finished &&
                           before->second.link == here.link;
        job.write_index = settings.force || !known ||
                          before->second.index_key != job.target.index_key ||
                          present.count(layout::index(here.path)) == 0;
        std::string const parent = layout::folder_of(here.path);
        job.copy_cover = at != 0 && (settings.force || !known ||
                                     before->second.cover_key != job.target.cover_key ||
                                     present.count(layout::cover(parent, here.name)) == 0 ||
                                     present.count(layout::cover_size(parent, here.link)) == 0);
        job.claim = job.target;
        job.claim.finished = false;
        if (job.write_index || job.copy_cover) plan.jobs.push_back(std::move(job));
    }
    return plan;
}
