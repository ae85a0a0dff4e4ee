// Runs the jobs of a step side by side, reporting to the run's status as they finish.
#pragma once

#include "status/status.h"

#include <cstddef>
#include <functional>

// Calls work(job, worker) once for every job number below count, on `workers` threads (numbered
// from 0), each taking the next job as it is free; returns when all are done. Meanwhile the
// status hears of each job done, from this thread alone. work must not throw.
void run_jobs(std::size_t count, int workers, std::function<void(std::size_t, int)> const& work,
              status& shown);
