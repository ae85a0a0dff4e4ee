#include "making/pictures.h"

#include "making/make_picture.h"
#include "making/runner.h"
#include "source/names.h"

std::vector<removal> make_pictures(std::vector<picture_job> const& jobs, making_context& context) {
    std::vector<picture_outcome> outcomes(jobs.size());
    context.shown.step_began("pictures", jobs.size());
    run_jobs(
        jobs.size(), context.workers,
        [&](std::size_t job, int worker) {
            outcomes[job] = make_picture(jobs[job], worker, context);
        },
        context.shown);
    context.shown.step_ended();
    std::vector<removal> failed;
    for (std::size_t at = 0; at < jobs.size(); ++at) {
        if (!outcomes[at].failure.empty()) {
            context.fail(printable(jobs[at].item.source) +
                         ": left out of the gallery: " + outcomes[at].failure);
            context.state.keep_claim(jobs[at].item.source, jobs[at].claim);
            failed.push_back(failed_picture_removal(jobs[at]));
        }
        if (!outcomes[at].trouble.empty()) context.fail(outcomes[at].trouble);
    }
    return failed;
}
