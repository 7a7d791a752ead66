#pragma once

#include <QDateTime>

#include <memory>
#include <mutex>
#include <string>

class SimulatedMarket;

// Every stock's quote line for the default field tags, formatted once per price tick and
// shared by the serving threads: a quote answer for many tickers then copies lines instead
// of formatting them. A line depends on nothing but the stock, the day and the tick.
class QuoteLineCache
{
public:
    explicit QuoteLineCache(const SimulatedMarket &market);
    ~QuoteLineCache();

    // Appends the stock's line at `at`, as QuoteCsv::line gives it for the default tags.
    void append(std::string &out, int stock, const QDateTime &at);

private:
    // One lock per stock, each on its own cache line, so threads asking for different stocks
    // never wait for each other.
    struct alignas(64) Slot
    {
        std::mutex mutex;
        qint64 day = 0;
        int tick = -1;
        std::string line;
    };

    const SimulatedMarket &m_market;
    std::unique_ptr<Slot[]> m_slots;
};
