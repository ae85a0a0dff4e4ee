#include "plan/pictures.h"

#include "layout/layout.h"
#include "plan/record_finder.h"

#include <algorithm>

namespace {

// The claim of a picture while it is made: the files of its new record and of its old one, so
// that an interruption at any moment leaves none of them unaccounted for.
picture_record claim_of(picture_record const& target, picture_record const* before) {
    picture_record claim = target;
    claim.finished = false;
    if (before != nullptr) {
        if (claim.web_box == 0) claim.web_box = before->web_box;
        claim.companion |= before->companion;
    }
    return claim;
}

bool all_present(std::vector<std::string> const& files, file_set const& present) {
    return std::all_of(files.begin(), files.end(),
                       [&](std::string const& file) { return present.count(file) != 0; });
}

// Whether the picture's images are as the record says they were made.
bool images_up_to_date(picture_record const* before, picture_record const& target, bool force,
                       bool drop_companion) {
    return !force && before != nullptr && before->finished && before->stamp == target.stamp &&
           before->web_box == target.web_box && before->thumbnail_box == target.thumbnail_box &&
           (before->companion && !drop_companion) == target.companion &&
           before->link == target.link;
}

} // namespace

picture_record target_of(picture const& item, picture_record const* before, file_set const& present,
                         gallery_settings const& settings) {
    bool const companion_is_ours = before != nullptr && before->companion;
    picture_record target;
    target.stamp = item.stamp;
    target.web_box = settings.web_box;
    target.thumbnail_box = settings.thumbnail_box;
    target.companion =
        settings.keep_companions &&
        (companion_is_ours || present.count(layout::companion(item.album, item.name)) == 0);
    target.link = item.link;
    return target;
}

std::vector<picture_job> plan_pictures(scan_result const& scanned, gallery_records const& records,
                                       file_set const& present, gallery_settings const& settings) {
    std::vector<picture_job> jobs;
    record_finder finder(records);
    for (picture const& item : scanned.pictures) {
        picture_record const* before = finder.find(item.source);
        picture_record target = target_of(item, before, present, settings);
        bool const drop_companion =
            before != nullptr && before->companion && !settings.keep_companions;
        // Its page goes on as it was until the pages are planned, and is written again only
        // where it changed; a page that a run which did not end may have cut short is written
        // again whatever it shows.
        if (before != nullptr && before->finished) target.page_key = before->page_key;
        if (!images_up_to_date(before, target, settings.force, drop_companion) ||
            !all_present(image_files_of(item.album, item.name, target), present)) {
            jobs.push_back({item, target, claim_of(target, before), before != nullptr, false});
            continue;
        }
        if (settings.order != picture_order::date || before->dated) continue;
        target.shown = before->shown;
        target.thumbnail = before->thumbnail;
        jobs.push_back({item, target, claim_of(target, before), true, true});
    }
    return jobs;
}
