#include "chartcache.h"

#include <algorithm>
#include <future>

ChartCache::ChartCache(std::size_t capacity, int renderThreads)
    : m_capacity(std::max<std::size_t>(1, capacity)), m_pool(renderThreads)
{}

void ChartCache::get(const Key &key, std::function<QByteArray()> render, Done done)
{
    {
        std::unique_lock lock(m_mutex);
        if (const auto it = m_entries.find(key); it != m_entries.end()) {
            m_order.splice(m_order.begin(), m_order, it->second.position);
            Png png = it->second.png;
            lock.unlock();
            done(std::move(png));
            return;
        }
        if (const auto it = m_rendering.find(key); it != m_rendering.end()) {
            it->second.push_back(std::move(done));
            return;
        }
        m_rendering[key].push_back(std::move(done));
    }
    const bool queued = m_pool.post([this, key, render = std::move(render)] {
        Png png;
        try {
            const QByteArray drawn = render();
            png = std::make_shared<const std::string>(drawn.constData(), std::size_t(drawn.size()));
        } catch (...) {
            // Not kept: the next request draws it again.
        }
        finish(key, png);
    });
    if (!queued)
        finish(key, nullptr);
}

ChartCache::Png ChartCache::get(const Key &key, std::function<QByteArray()> render)
{
    std::promise<Png> drawn;
    std::future<Png> ready = drawn.get_future();
    get(key, std::move(render), [&drawn](Png png) { drawn.set_value(std::move(png)); });
    return ready.get();
}

void ChartCache::finish(const Key &key, const Png &png)
{
    std::vector<Done> waiting;
    {
        std::lock_guard lock(m_mutex);
        if (png) {
            ++m_renders;
            m_order.push_front(key);
            m_entries[key] = Entry{png, m_order.begin()};
            while (m_entries.size() > m_capacity) {
                m_entries.erase(m_order.back());
                m_order.pop_back();
            }
        }
        const auto it = m_rendering.find(key);
        waiting = std::move(it->second);
        m_rendering.erase(it);
    }
    for (Done &done : waiting)
        done(png);
}

std::size_t ChartCache::size() const
{
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

int ChartCache::renderCount() const
{
    std::lock_guard lock(m_mutex);
    return m_renders;
}
