#include "making/runner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

void run_jobs(std::size_t count, int workers, std::function<void(std::size_t, int)> const& work,
              status& shown) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    // Only wakes this thread; it is never held while the status is told, so a terminal that
    // stops taking output (Ctrl-S) stalls the status and no worker.
    std::mutex wake_lock;
    std::condition_variable woken;
    auto const worker = [&](int number) {
        for (std::size_t job; (job = next++) < count;) {
            work(job, number);
            {
                std::lock_guard<std::mutex> const hold(wake_lock);
                ++finished;
            }
            woken.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (int number = 0; number < workers; ++number) threads.emplace_back(worker, number);

    std::size_t told = 0;
    while (told != count) {
        {
            // Told when a job is done, and twice a second meanwhile, for the time left.
            std::unique_lock<std::mutex> hold(wake_lock);
            woken.wait_for(hold, std::chrono::milliseconds(500),
                           [&] { return finished.load() != told; });
        }
        std::size_t const now = finished.load();
        shown.done(now - told);
        told = now;
    }
    for (std::thread& thread : threads) thread.join();
}
