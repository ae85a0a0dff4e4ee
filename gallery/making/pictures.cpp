#include "making/pictures.h"

#include "making/make_page.h"
#include "making/make_picture.h"
#include "making/runner.h"
#include "source/names.h"

#include <algorithm>

namespace {

picture const& item_of(picture_job const& job, making_context const&) {
    return job.item;
}

picture const& item_of(page_job const& job, making_context const& context) {
    return context.scanned.pictures[static_cast<std::size_t>(job.item_at)];
}

// Runs the jobs, a step of this many things, and settles their outcomes.
template <typename job_type, typename making, typename claiming>
std::vector<removal> run_step(std::string_view things, std::vector<job_type> const& jobs,
                              making const& make, claiming const& claim_of,
                              making_context& context) {
    std::vector<picture_outcome> outcomes(jobs.size());
    context.shown.step_began(things, jobs.size());
    run_jobs(
        jobs.size(), std::min(context.workers, static_cast<int>(jobs.size())),
        [&](std::size_t job, int worker) { outcomes[job] = make(jobs[job], worker, context); },
        context.shown);
    context.shown.step_ended();
    std::vector<removal> failed;
    for (std::size_t at = 0; at < jobs.size(); ++at) {
        picture const& item = item_of(jobs[at], context);
        if (!outcomes[at].failure.empty()) {
            context.fail(printable(item.source) +
                         ": left out of the gallery: " + outcomes[at].failure);
            picture_record const claim = claim_of(jobs[at]);
            context.state.keep_claim(item.source, claim);
            failed.push_back(failed_picture_removal(item, claim));
        }
        if (!outcomes[at].trouble.empty()) context.fail(outcomes[at].trouble);
    }
    return failed;
}

} // namespace

std::vector<removal> make_pictures(std::vector<picture_job> const& jobs, making_context& context) {
    return run_step(
        "pictures", jobs, make_picture, [](picture_job const& job) { return job.claim; }, context);
}

std::vector<removal> make_pages(std::vector<page_job> const& jobs, making_context& context) {
    return run_step(
        "pages", jobs, make_page,
        [&](page_job const& job) {
            auto const& records = context.state.records().pictures;
            auto const record = records.find(item_of(job, context).source);
            picture_record claim = record != records.end() ? record->second : picture_record{};
            claim.finished = false;
            return claim;
        },
        context);
}
