#include "runner.h"

#include "status_line.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

void run_jobs(std::size_t count, int workers, std::function<void(std::size_t, int)> const& work) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    // Only wakes the status line; it is never held while the line is drawn, so a terminal that
    // stops taking output (Ctrl-S) stalls the line and no worker.
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

    auto const start = std::chrono::steady_clock::now();
    int const total = static_cast<int>(count);
    std::size_t shown = static_cast<std::size_t>(-1);
    while (shown != count) {
        {
            // Redrawn when a picture is done, and twice a second for the time left meanwhile.
            std::unique_lock<std::mutex> hold(wake_lock);
            woken.wait_for(hold, std::chrono::milliseconds(500),
                           [&] { return finished.load() != shown; });
        }
        shown = finished.load();
        double const seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        show_progress(static_cast<int>(shown), total, seconds);
    }
    for (std::thread& thread : threads) thread.join();
    end_progress();
}
