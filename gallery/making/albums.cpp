#include "making/albums.h"

#include "layout/layout.h"
#include "making/make_album.h"
#include "making/runner.h"
#include "plan/albums.h"

#include <algorithm>
#include <set>

albums_made make_albums(scan_result const& scanned, file_set const& present,
                        making_context& context) {
    std::vector<int> depth(scanned.albums.size(), 0);
    int deepest = 0;
    for (std::size_t at = 1; at < scanned.albums.size(); ++at) {
        depth[at] = depth[static_cast<std::size_t>(scanned.albums[at].parent)] + 1;
        deepest = std::max(deepest, depth[at]);
    }
    albums_made made;
    std::set<int> held_back;
    auto const plan_now = [&] {
        return plan_albums(scanned, context.state.records(), present, context.settings,
                           context.site, held_back);
    };
    // An album's plan reads no record of the albums below it, only whether they are shown: it
    // is planned again only when an album below is held back.
    album_plan plan = plan_now();
    bool plan_stale = false;
    context.shown.step_began("albums", plan.jobs.size());
    for (int level = deepest; level >= 0; --level) {
        if (plan_stale) plan = plan_now();
        plan_stale = false;
        std::vector<album_job const*> now;
        for (album_job const& job : plan.jobs)
            if (depth[static_cast<std::size_t>(job.album)] == level) now.push_back(&job);
        if (now.empty()) continue;
        if (!context.state.open_journal()) {
            context.shown.step_ended();
            made.indexes_current = false;
            return made;
        }
        std::vector<std::string> failures(now.size());
        run_jobs(
            now.size(), std::min(context.workers, static_cast<int>(now.size())),
            [&](std::size_t job, int worker) {
                failures[job] =
                    make_album(*now[job], scanned.albums[static_cast<std::size_t>(now[job]->album)],
                               worker, context);
            },
            context.shown);
        for (std::size_t at = 0; at < now.size(); ++at) {
            if (failures[at].empty()) continue;
            album const& which = scanned.albums[static_cast<std::size_t>(now[at]->album)];
            context.fail(layout::index(which.path) + ": not written: " + failures[at]);
            context.state.keep_album_claim(which.path, now[at]->claim);
            made.indexes_current = false;
            held_back.insert(now[at]->album);
            plan_stale = true;
        }
    }
    context.shown.step_ended();
    if (plan_stale) plan = plan_now();
    made.removals = plan_album_removals(scanned, context.state.records(), plan.shown, held_back);
    return made;
}
