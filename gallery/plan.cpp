#include "plan.h"

#include "layout.h"
#include "names.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <unordered_map>

namespace {

// A key of many strings and numbers: FNV-1a over each, its length first, so that no two lists
// of them run together.
class key_maker {
  public:
    key_maker& add(std::string_view text) {
        add(static_cast<std::uint64_t>(text.size()));
        for (char c : text) mix(static_cast<unsigned char>(c));
        return *this;
    }
    key_maker& add(std::uint64_t number) {
        for (int shift = 0; shift < 64; shift += 8)
            mix(static_cast<unsigned char>(number >> shift));
        return *this;
    }
    key_maker& add(std::int64_t number) { return add(static_cast<std::uint64_t>(number)); }
    key_maker& add(int number) {
        return add(static_cast<std::uint64_t>(static_cast<std::int64_t>(number)));
    }
    std::uint64_t key() const { return key_ == 0 ? 1 : key_; } // 0 is no key

  private:
    void mix(unsigned char byte) { key_ = (key_ ^ byte) * 0x100000001b3u; }
    std::uint64_t key_ = 0xcbf29ce484222325u;
};

// Finds the records of pictures asked for in the order of an album's pictures. The records lie
// in the byte order of their sources, which is nearly that order, so the record after the last
// one found is tried before a search: at 100,000 pictures a search is a quarter of a
// microsecond, and there is one per picture on every run.
class record_finder {
  public:
    explicit record_finder(manifest const& made) : records_(made.pictures), last_(records_.end()) {}

    made_picture const* find(std::string const& source) {
        if (last_ != records_.end() && std::next(last_) != records_.end() &&
            std::next(last_)->first == source)
            ++last_;
        else
            last_ = records_.find(source);
        return last_ != records_.end() ? &last_->second : nullptr;
    }

  private:
    std::map<std::string, made_picture> const& records_;
    std::map<std::string, made_picture>::const_iterator last_;
};

// The claim of a picture while it is made: the files of its new record and of its old one, so
// that an interruption at any moment leaves none of them unaccounted for.
made_picture claim_of(made_picture const& target, made_picture const* before) {
    made_picture claim = target;
    claim.finished = false;
    if (before != nullptr) {
        if (claim.web_box == 0) claim.web_box = before->web_box;
        claim.companion |= before->companion;
    }
    return claim;
}

bool all_present(std::vector<std::string> const& files, present_files const& present) {
    return std::all_of(files.begin(), files.end(),
                       [&](std::string const& file) { return present.count(file) != 0; });
}

// The nearest include file of an album: its own, or that of the album above it, and so on.
std::optional<std::string> const& nearest(std::vector<album> const& albums,
                                          std::vector<std::optional<std::string>> const& files,
                                          int index) {
    static std::optional<std::string> const none;
    for (int at = index; at >= 0; at = albums[static_cast<std::size_t>(at)].parent)
        if (static_cast<std::size_t>(at) < files.size() && files[static_cast<std::size_t>(at)])
            return files[static_cast<std::size_t>(at)];
    return none;
}

// What the picture's record is to say once its files are made, as far as the plan can tell:
// its sizes and page key come with the making. A companion that someone else put there is
// never replaced, nor removed.
made_picture target_of(picture const& item, made_picture const* before,
                       present_files const& present, gallery_settings const& settings) {
    bool const companion_is_ours = before != nullptr && before->companion;
    made_picture target;
    target.stamp = item.stamp;
    target.web_box = settings.web_box;
    target.thumbnail_box = settings.thumbnail_box;
    target.companion =
        settings.keep_companions &&
        (companion_is_ours || present.count(layout::companion(item.album, item.name)) == 0);
    target.link = item.link;
    return target;
}

// Whether the picture's images are as the record says they were made.
bool images_up_to_date(made_picture const* before, made_picture const& target, bool force,
                       bool drop_companion) {
    return !force && before != nullptr && before->finished && before->stamp == target.stamp &&
           before->web_box == target.web_box && before->thumbnail_box == target.thumbnail_box &&
           (before->companion && !drop_companion) == target.companion &&
           before->link == target.link;
}

} // namespace

std::uint64_t page_key(picture const& item, made_picture const& made,
                       gallery_settings const& settings, page_frame const& frame,
                       std::string const& date) {
    key_maker key;
    key.add(item.link).add(made.shown_width).add(made.shown_height);
    if (settings.site_step) key.add(frame.header).add(date).add(frame.footer);
    return key.key();
}

gallery_plan plan_gallery(scan_result const& scanned, manifest const& made,
                          present_files const& present, gallery_settings const& settings,
                          site_sources const& site) {
    gallery_plan plan;
    if (settings.site_step) {
        std::vector<bool> const all(scanned.albums.size(), true);
        for (std::size_t at = 0; at < scanned.albums.size(); ++at) {
            int const index = static_cast<int>(at);
            std::optional<std::string> const& header =
                nearest(scanned.albums, site.header_files, index);
            std::optional<std::string> const& footer =
                nearest(scanned.albums, site.footer_files, index);
            plan.frames.push_back(
                {header ? *header : own_header(scanned.albums, site.shown_names, all, index, false),
                 footer ? *footer : ""});
        }
    } else {
        plan.frames.resize(scanned.albums.size());
    }

    // The size headers of the gallery's state that the indexes will read, and the files of
    // pictures gone.
    std::unordered_set<std::string> accounted;
    std::size_t records_found = 0;

    record_finder records(made);
    for (picture const& item : scanned.pictures) {
        made_picture const* before = records.find(item.source);
        if (before != nullptr) ++records_found;

        made_picture target = target_of(item, before, present, settings);
        bool const drop_companion =
            before != nullptr && before->companion && !settings.keep_companions;
        if (drop_companion) {
            plan.removals.push_back({item.source,
                                     {layout::companion(item.album, item.name)},
                                     removal::then::forget_companion,
                                     {}});
            plan.manifest_stale = true;
        }
        // The size header of its thumbnail where an earlier version put it.
        if (std::string old = layout::old_thumbnail_size(item.album, item.name);
            present.count(old) != 0)
            plan.removals.push_back({item.source, {std::move(old)}, removal::then::nothing, {}});

        std::string const date =
            settings.site_step ? site.date_of(item.stamp.modified_seconds) : "";
        bool const images_kept =
            images_up_to_date(before, target, settings.force, drop_companion) &&
            all_present(layout::made_files(item.album, item.name, target), present);
        if (images_kept) {
            // Its sizes are known: its page can be written again without a decode.
            target.shown_width = before->shown_width;
            target.shown_height = before->shown_height;
            target.thumbnail_width = before->thumbnail_width;
            target.thumbnail_height = before->thumbnail_height;
            target.page_key = page_key(item, target, settings,
                                       plan.frames[static_cast<std::size_t>(item.album_at)], date);
            if (target.page_key != before->page_key)
                plan.jobs.push_back({item, target, claim_of(target, before), true, true, date});
        } else {
            plan.jobs.push_back(
                {item, target, claim_of(target, before), before != nullptr, false, date});
        }
        accounted.insert(layout::thumbnail_size(item.album, item.link));
    }

    // Every record that no picture found is of a picture gone, or no longer in the gallery:
    // its files go, but those that a picture of the same name in its album has now.
    if (records_found < made.pictures.size()) {
        std::unordered_set<std::string_view> sources;
        std::unordered_map<std::string, picture const*> by_place;
        for (picture const& item : scanned.pictures) {
            sources.insert(item.source);
            by_place.emplace(item.album + "/" + item.name, &item);
        }
        for (auto const& [source, record] : made.pictures) {
            if (sources.count(source) != 0) continue;
            removal gone{source, {}, removal::then::forget_picture, {}};
            std::string const album = layout::folder_of(source);
            std::string const name(picture_name(layout::last_part(source), true));
            if (!name.empty()) {
                std::vector<std::string> kept;
                if (auto const same = by_place.find(album + "/" + name); same != by_place.end()) {
                    picture const& item = *same->second;
                    auto const its = made.pictures.find(item.source);
                    kept = layout::owned_files(
                        item.album, item.name,
                        target_of(item, its != made.pictures.end() ? &its->second : nullptr,
                                  present, settings));
                }
                for (std::string& file : layout::owned_files(album, name, record))
                    if (std::find(kept.begin(), kept.end(), file) == kept.end())
                        gone.files.push_back(std::move(file));
            }
            for (std::string const& file : gone.files) accounted.insert(file);
            plan.removals.push_back(std::move(gone));
            plan.manifest_stale = true;
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
        plan.removals.push_back(std::move(unlinked));
    }
    if (!plan.jobs.empty()) plan.manifest_stale = true;
    return plan;
}

std::vector<removal> settle_jobs(std::vector<picture_job> const& jobs,
                                 std::vector<job_outcome> const& outcomes, manifest& made) {
    std::vector<removal> removals;
    for (std::size_t at = 0; at < jobs.size(); ++at) {
        picture_job const& job = jobs[at];
        made_picture& record = made.pictures[job.item.source];
        if (outcomes[at].failure.empty()) {
            // A companion that was to go but could not be removed is still the gallery's.
            bool const companion_left = record.companion;
            record = outcomes[at].made;
            record.companion |= companion_left;
            continue;
        }
        record = job.claim;
        removals.push_back({job.item.source,
                            layout::owned_files(job.item.album, job.item.name, job.claim),
                            removal::then::forget_picture,
                            {}});
    }
    return removals;
}

album_plan plan_albums(scan_result const& scanned, manifest const& made,
                       present_files const& present, gallery_settings const& settings,
                       site_sources const& site, std::set<int> const& held_back) {
    album_plan plan;
    std::size_t const count = scanned.albums.size();
    // What each album shows, found from the bottom up: its first picture or album gives its
    // cover, and the newest of them its date.
    struct contents {
        std::vector<std::pair<int, made_picture const*>> pictures; // in the gallery now
        std::vector<int> albums;                                   // shown, with a cover
        int cover = -1; // the picture whose thumbnail is its cover
        std::int64_t newest = 0;
    };
    std::vector<contents> found(count);
    plan.shown.assign(count, false);
    record_finder records(made);
    for (std::size_t at = count; at-- > 0;) {
        album const& here = scanned.albums[at];
        contents& mine = found[at];
        for (int index : here.pictures) {
            picture const& item = scanned.pictures[static_cast<std::size_t>(index)];
            made_picture const* record = records.find(item.source);
            if (record == nullptr || !record->finished) continue;
            mine.pictures.emplace_back(index, record);
            mine.newest = std::max(mine.newest, item.stamp.modified_seconds);
        }
        for (int index : here.albums) {
            if (!plan.shown[static_cast<std::size_t>(index)]) continue;
            mine.albums.push_back(index);
            mine.newest = std::max(mine.newest, found[static_cast<std::size_t>(index)].newest);
        }
        // Albums come first in an index, so the first of them gives the cover, if any.
        if (!mine.albums.empty())
            mine.cover = found[static_cast<std::size_t>(mine.albums.front())].cover;
        else if (!mine.pictures.empty())
            mine.cover = mine.pictures.front().first;
        plan.shown[at] = mine.cover >= 0 && held_back.count(static_cast<int>(at)) == 0;
    }

    for (std::size_t at = 0; at < count; ++at) {
        album const& here = scanned.albums[at];
        // The top always has its index, if only to say that there is no picture yet.
        if (at != 0 && !plan.shown[at]) continue;
        contents const& mine = found[at];
        album_job job;
        job.album = static_cast<int>(at);
        job.target.link = here.link;

        key_maker index_key;
        for (int index : mine.albums) {
            album const& below = scanned.albums[static_cast<std::size_t>(index)];
            picture const& cover = scanned.pictures[static_cast<std::size_t>(
                found[static_cast<std::size_t>(index)].cover)];
            made_picture const& record = made.pictures.at(cover.source);
            job.list += std::string(layout::thumbnails) + "/" + below.link + "/index.jpg\n";
            index_key.add(below.link).add(record.thumbnail_width).add(record.thumbnail_height);
        }
        for (auto const& [index, record] : mine.pictures) {
            picture const& item = scanned.pictures[static_cast<std::size_t>(index)];
            job.list.append(layout::thumbnails).append("/").append(item.link).append(".jpg\n");
            index_key.add(item.link).add(record->thumbnail_width).add(record->thumbnail_height);
        }
        if (settings.site_step) {
            int const index = static_cast<int>(at);
            std::optional<std::string> const& header =
                nearest(scanned.albums, site.header_files, index);
            std::optional<std::string> const& footer =
                nearest(scanned.albums, site.footer_files, index);
            job.header =
                header ? *header
                       : own_header(scanned.albums, site.shown_names, plan.shown, index, true);
            job.footer = footer ? *footer : "";
            job.date = site.date_of(mine.newest);
            index_key.add(job.header).add(job.date).add(job.footer);
        }
        job.target.index_key = index_key.key();

        if (at != 0) {
            picture const& cover = scanned.pictures[static_cast<std::size_t>(mine.cover)];
            made_picture const& record = made.pictures.at(cover.source);
            job.target.cover_key = key_maker()
                                       .add(cover.source)
                                       .add(record.stamp.size)
                                       .add(record.stamp.modified_seconds)
                                       .add(record.stamp.modified_nanoseconds)
                                       .add(record.thumbnail_box)
                                       .add(record.thumbnail_width)
                                       .add(record.thumbnail_height)
                                       .key();
            job.cover_from = layout::thumbnail(cover.album, cover.name);
            job.cover_header = "P6\n" + std::to_string(record.thumbnail_width) + " " +
                               std::to_string(record.thumbnail_height) + "\n255\n";
        }

        auto const before = made.albums.find(here.path);
        bool const known = before != made.albums.end() && before->second.finished &&
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
        if (job.write_index || job.copy_cover) {
            plan.jobs.push_back(std::move(job));
            plan.manifest_stale = true;
        }
    }

    // Albums gone, or no longer shown: their index and cover go, and their folders once empty.
    std::unordered_set<std::string> shown_paths;
    for (std::size_t at = 0; at < count; ++at)
        if (at == 0 || plan.shown[at] || held_back.count(static_cast<int>(at)) != 0)
            shown_paths.insert(scanned.albums[at].path);
    for (auto const& [path, record] : made.albums) {
        if (shown_paths.count(path) != 0) continue;
        plan.removals.push_back({path, layout::album_files(path, record),
                                 removal::then::forget_album, layout::album_folders(path, record)});
        plan.manifest_stale = true;
    }
    return plan;
}

void apply_removal(removal const& done, manifest& made) {
    switch (done.done) {
    case removal::then::forget_picture:
        made.pictures.erase(done.source);
        break;
    case removal::then::forget_companion:
        if (auto const record = made.pictures.find(done.source); record != made.pictures.end())
            record->second.companion = false;
        break;
    case removal::then::forget_album:
        made.albums.erase(done.source);
        break;
    case removal::then::nothing:
        break;
    }
}
