// Runs the jobs of a gallery side by side, and keeps the status line while they run.
#pragma once

#include <cstddef>
#include <functional>

// Calls work(job, worker) once for every job number below count, on `workers` threads (numbered
// from 0), each taking the next job as it is free; returns when all are done. Meanwhile the
// status line shows how many are done. work must not throw.
void run_jobs(std::size_t count, int workers, std::function<void(std::size_t, int)> const& work);
