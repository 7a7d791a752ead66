#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of threads that draw the chart images. Qt keeps fonts, FreeType faces and glyph
// caches per thread and never frees them on a thread without a Qt event loop, so drawing only
// ever happens on these few threads: the memory stays that of `threads` renderers however
// many threads ask, renders still run side by side on every core, and the serving threads
// never wait for one.
class RenderPool
{
public:
    // One thread per core, at most kMaxThreads.
    static constexpr int kMaxThreads = 4;
    // Renders waiting beyond this are refused: past it a client would wait for seconds.
    static constexpr std::size_t kMaxWaiting = 1024;
    static int defaultThreads();

    explicit RenderPool(int threads = defaultThreads(), std::size_t maxWaiting = kMaxWaiting);
    // Runs what is queued, then stops.
    ~RenderPool();
    RenderPool(const RenderPool &) = delete;
    RenderPool &operator=(const RenderPool &) = delete;

    int threads() const { return int(m_threads.size()); }
    // Queues the job for one of the pool's threads; false, and nothing queued, when full.
    bool post(std::function<void()> job);

private:
    void work();

    std::size_t m_maxWaiting;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
