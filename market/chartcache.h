#pragma once

#include "renderpool.h"

#include <QByteArray>
#include <QDate>

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

// Rendered chart images, one per ticker, size, options and market day, the least recently
// used dropped first. Missing images are drawn on the render pool, several at once, while the
// asking thread goes on serving; requests for the same missing chart share one rendering.
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

    explicit ChartCache(std::size_t capacity = 256, int renderThreads = RenderPool::defaultThreads());

    // The image, shared by every answer that sends it; null when it could not be drawn (the
    // pool is full or the drawing threw).
    using Png = std::shared_ptr<const std::string>;
    using Done = std::function<void(Png)>;

    // Calls `done` with the image: at once when kept, else from a render thread once drawn.
    void get(const Key &key, std::function<QByteArray()> render, Done done);
    // The same, waiting for the image.
    Png get(const Key &key, std::function<QByteArray()> render);
    std::size_t size() const;
    // Renderings so far; lets tests tell a cached answer from a fresh one.
    int renderCount() const;

private:
    void finish(const Key &key, const Png &png);
    using Lru = std::list<Key>;
    struct Entry
    {
        Png png;
        Lru::iterator position;
    };

    std::size_t m_capacity;
    mutable std::mutex m_mutex; // guards what follows
    std::map<Key, Entry> m_entries;
    Lru m_order;                                  // most recent first
    std::map<Key, std::vector<Done>> m_rendering; // who waits for each image being drawn
    int m_renders = 0;

    RenderPool m_pool;
};
