#include "renderpool.h"

#include <algorithm>

int RenderPool::defaultThreads()
{
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxThreads);
}

RenderPool::RenderPool(int threads, std::size_t maxWaiting) : m_maxWaiting(maxWaiting)
{
    for (int i = 0; i < std::clamp(threads, 1, kMaxThreads); ++i)
        m_threads.emplace_back([this] { work(); });
}

RenderPool::~RenderPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

bool RenderPool::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_jobs.size() >= m_maxWaiting)
            return false;
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
    return true;
}

void RenderPool::work()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}
