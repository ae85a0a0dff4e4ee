#include "plan.h"

#include "layout.h"
#include "names.h"

#include <algorithm>
#include <unordered_map>

namespace {

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

} // namespace

gallery_plan plan_gallery(std::vector<picture> const& pictures, manifest const& made,
                          present_files const& present, gallery_settings const& settings) {
    gallery_plan plan;
    // The files that each name keeps, by the records that it keeps or makes, and the companions
    // of the gallery's state that the index will read.
    std::unordered_map<std::string, std::vector<std::string>> kept_by_name;
    std::unordered_set<std::string> accounted;
    std::unordered_map<std::string, picture const*> by_source;

    for (picture const& item : pictures) {
        by_source.emplace(item.source, &item);
        auto const record = made.find(item.source);
        made_picture const* before = record != made.end() ? &record->second : nullptr;

        // A companion that someone else put there is never replaced, nor removed.
        bool const companion_is_ours = before != nullptr && before->companion;
        bool const keep_companion =
            settings.keep_companions &&
            (companion_is_ours || present.count(layout::companion(item.name)) == 0);
        bool const drop_companion = companion_is_ours && !settings.keep_companions;
        if (drop_companion) {
            plan.removals.push_back(
                {item.source, {layout::companion(item.name)}, removal::then::forget_companion});
            plan.manifest_stale = true;
        }
        // The companion of its thumbnail where an earlier version put it.
        if (std::string old = layout::old_thumbnail_size(item.name); present.count(old) != 0)
            plan.removals.push_back({item.source, {std::move(old)}, removal::then::nothing});

        made_picture const target = {
            item.stamp, settings.web_box, settings.thumbnail_box, keep_companion, true, item.link};
        bool const up_to_date = !settings.force && before != nullptr && before->finished &&
                                before->stamp == target.stamp &&
                                before->web_box == target.web_box &&
                                before->thumbnail_box == target.thumbnail_box &&
                                (before->companion && !drop_companion) == target.companion &&
                                before->link == target.link &&
                                all_present(layout::made_files(item.name, target), present);
        if (!up_to_date)
            plan.jobs.push_back({item, target, claim_of(target, before), before != nullptr});
        kept_by_name[item.name] = layout::owned_files(item.name, target);
        accounted.insert(layout::thumbnail_size(item.link));
    }

    for (auto const& [source, record] : made) {
        if (by_source.count(source) != 0) continue;
        // Gone, or no longer in the gallery: its files go, but those that a picture of the
        // same name has now.
        removal gone{source, {}, removal::then::forget_picture};
        std::string const name(picture_name(source, true));
        if (!name.empty()) {
            auto const kept = kept_by_name.find(name);
            for (std::string& file : layout::owned_files(name, record))
                if (kept == kept_by_name.end() ||
                    std::find(kept->second.begin(), kept->second.end(), file) == kept->second.end())
                    gone.files.push_back(std::move(file));
        }
        for (std::string const& file : gone.files) accounted.insert(file);
        plan.removals.push_back(std::move(gone));
        plan.index_stale = plan.manifest_stale = true;
    }
    // The state's companions of links that no picture has any more, and that no removal above
    // takes: of a picture whose link changed with the locale, or one left by an interruption.
    removal unlinked{{}, {}, removal::then::nothing};
    std::string const folder = layout::thumbnail_sizes() + "/";
    for (std::string const& file : present)
        if (file.starts_with(folder) && accounted.count(file) == 0) unlinked.files.push_back(file);
    if (!unlinked.files.empty()) {
        std::sort(unlinked.files.begin(), unlinked.files.end());
        plan.removals.push_back(std::move(unlinked));
    }
    if (!plan.jobs.empty()) plan.index_stale = plan.manifest_stale = true;
    return plan;
}

std::vector<removal> settle_jobs(std::vector<picture_job> const& jobs,
                                 std::vector<job_outcome> const& outcomes, manifest& made) {
    std::vector<removal> removals;
    for (std::size_t at = 0; at < jobs.size(); ++at) {
        picture_job const& job = jobs[at];
        made_picture& record = made[job.item.source];
        if (outcomes[at].failure.empty()) {
            // A companion that was to go but could not be removed is still the gallery's.
            bool const companion_left = record.companion;
            record = job.target;
            record.companion |= companion_left;
            continue;
        }
        record = job.claim;
        removals.push_back({job.item.source, layout::owned_files(job.item.name, job.claim),
                            removal::then::forget_picture});
    }
    return removals;
}

void apply_removal(removal const& done, manifest& made) {
    switch (done.done) {
    case removal::then::forget_picture:
        made.erase(done.source);
        break;
    case removal::then::forget_companion:
        if (auto const record = made.find(done.source); record != made.end())
            record->second.companion = false;
        break;
    case removal::then::nothing:
        break;
    }
}
