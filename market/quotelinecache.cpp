#include "quotelinecache.h"

#include "intradaypath.h"
#include "quotecsv.h"
#include "simulatedmarket.h"

QuoteLineCache::QuoteLineCache(const SimulatedMarket &market)
    : m_market(market), m_slots(std::make_unique<Slot[]>(std::size_t(market.stockCount())))
{}

QuoteLineCache::~QuoteLineCache() = default;

void QuoteLineCache::append(std::string &out, int stock, const QDateTime &at)
{
    const qint64 day = at.date().toJulianDay();
    const int tick = at.time().msecsSinceStartOfDay() / (IntradayPath::kTickSeconds * 1000);
    Slot &slot = m_slots[std::size_t(stock)];
    std::lock_guard lock(slot.mutex);
    if (slot.tick != tick || slot.day != day) {
        slot.line = QuoteCsv::line(m_market, m_market.profile(stock).ticker, QuoteCsv::defaultTags(), at);
        slot.day = day;
        slot.tick = tick;
    }
    out += slot.line;
}

std::string QuoteLineCache::answer(const std::vector<std::string> &tickers,
                                   const std::vector<std::string> &tags, const QDateTime &at)
{
    if (tags != QuoteCsv::defaultTags())
        return QuoteCsv::answer(m_market, tickers, tags, at);
    std::string out;
    for (const std::string &ticker : tickers) {
        const int stock = m_market.indexOf(ticker);
        if (stock >= 0)
            append(out, stock, at);
        else
            out += QuoteCsv::line(m_market, ticker, tags, at);
    }
    return out;
}
