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
