#include "compositeindex.h"

#include "simulatedmarket.h"

#include <algorithm>
#include <cmath>

namespace CompositeIndex {

Cents level(const SimulatedMarket &market, const std::vector<Cents> &prices)
{
    double sum = 0;
    for (int stock = 0; stock < market.stockCount(); ++stock)
        sum += double(prices[std::size_t(stock)]) / (market.profile(stock).basePrice * 100.0);
    return std::llround(100000.0 * sum / std::max(1, market.stockCount()));
}

std::vector<DailyBar> dailyBars(const SimulatedMarket &market, QDate firstDay, QDate lastDay)
{
    std::vector<std::vector<DailyBar>> byStock;
    byStock.reserve(std::size_t(market.stockCount()));
    for (int stock = 0; stock < market.stockCount(); ++stock)
        byStock.push_back(market.dailyBars(stock, firstDay, lastDay, false));
    const std::size_t days = byStock.empty() ? 0 : byStock.front().size();

    std::vector<DailyBar> result;
    result.reserve(days);
    std::vector<Cents> opens(byStock.size());
    std::vector<Cents> closes(byStock.size());
    for (std::size_t day = 0; day < days; ++day) {
        DailyBar bar;
        bar.date = byStock.front()[day].date;
        for (std::size_t stock = 0; stock < byStock.size(); ++stock) {
            opens[stock] = byStock[stock][day].open;
            closes[stock] = byStock[stock][day].close;
            bar.volume += byStock[stock][day].volume;
        }
        bar.open = level(market, opens);
        bar.close = level(market, closes);
        bar.high = std::max(bar.open, bar.close);
        bar.low = std::min(bar.open, bar.close);
        result.push_back(bar);
    }
    return result;
}

} // namespace CompositeIndex
