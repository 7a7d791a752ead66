#pragma once

#include <QDateTime>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class SimulatedMarket;

// Every stock's quote line for the default field tags, formatted once per price tick and
// shared by the serving threads: a quote answer for many tickers then copies lines instead
// of formatting them. A line depends on nothing but the stock, the day and the tick.
class QuoteLineCache
{
public:
    explicit QuoteLineCache(const SimulatedMarket &market);
    ~QuoteLineCache();

    // QuoteCsv::answer's bytes; listed stocks asked with the default tags come from the cache.
    std::string answer(const std::vector<std::string> &tickers, const std::vector<std::string> &tags,
                       const QDateTime &at);

private:
    void append(std::string &out, int stock, const QDateTime &at);

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
