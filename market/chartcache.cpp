#include "chartcache.h"

#include <algorithm>

ChartCache::ChartCache(std::size_t capacity) : m_capacity(std::max<std::size_t>(1, capacity))
{}

std::optional<QByteArray> ChartCache::find(const Key &key)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return std::nullopt;
    m_order.splice(m_order.begin(), m_order, it->second.position);
    return it->second.png;
}

QByteArray ChartCache::get(const Key &key, const std::function<QByteArray()> &render)
{
    if (auto hit = find(key))
        return *hit;

    std::lock_guard renderLock(m_renderMutex);
    if (auto hit = find(key))
        return *hit;
    QByteArray png = render();

    std::lock_guard lock(m_mutex);
    ++m_renders;
    m_order.push_front(key);
    m_entries[key] = Entry{png, m_order.begin()};
    while (m_entries.size() > m_capacity) {
        m_entries.erase(m_order.back());
        m_order.pop_back();
    }
    return png;
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
