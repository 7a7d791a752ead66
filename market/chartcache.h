#pragma once

#include <QByteArray>
#include <QDate>

#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

// Rendered chart images, one per ticker, size, options and market day, the least recently
// used dropped first. Renders one image at a time: the renderer is not reentrant, and two
// requests for the same missing chart then share one rendering.
class ChartCache
{
public:
    struct Key
    {
        std::string ticker;
        int width = 0;
        int height = 0;
        int days = 0;
        bool volume = false;
        QDate day;

        auto tie() const { return std::tie(ticker, width, height, days, volume, day); }
        bool operator<(const Key &other) const { return tie() < other.tie(); }
    };

    explicit ChartCache(std::size_t capacity = 256);

    QByteArray get(const Key &key, const std::function<QByteArray()> &render);
    std::size_t size() const;
    // Renderings so far; lets tests tell a cached answer from a fresh one.
    int renderCount() const;

private:
    std::optional<QByteArray> find(const Key &key);

    using Lru = std::list<Key>;
    struct Entry
    {
        QByteArray png;
        Lru::iterator position;
    };

    std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::mutex m_renderMutex;
    std::map<Key, Entry> m_entries;
    Lru m_order; // most recent first
    int m_renders = 0;
};
