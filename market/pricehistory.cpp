#include "pricehistory.h"

#include "compositeindex.h"
#include "markettext.h"
#include "simulatedmarket.h"

#include <algorithm>

namespace PriceHistory {

std::vector<DailyBar> bars(const SimulatedMarket &market, std::string_view symbol, QDate today)
{
    const QDate first = today.addDays(-kDays);
    const QDate last = today.addDays(-1);
    std::vector<DailyBar> result;
    if (symbol == CompositeIndex::kSymbol) {
        result = CompositeIndex::dailyBars(market, first, last);
    } else if (const int stock = market.indexOf(symbol); stock >= 0) {
        result = market.dailyBars(stock, first, last);
    }
    std::reverse(result.begin(), result.end());
    return result;
}

std::string csv(const std::vector<DailyBar> &newestFirst)
{
    std::string out(kHeader);
    out.reserve(out.size() + newestFirst.size() * 64);
    for (const DailyBar &bar : newestFirst) {
        const std::string close = MarketText::price(bar.close);
        out += MarketText::isoDate(bar.date);
        for (const std::string &field :
             {MarketText::price(bar.open), MarketText::price(bar.high), MarketText::price(bar.low), close,
              std::to_string(bar.volume), close}) {
            out += ',';
            out += field;
        }
        out += "\r\n";
    }
    return out;
}

} // namespace PriceHistory
