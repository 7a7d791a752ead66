#pragma once

#include "markettypes.h"

#include <QDate>

#include <string>
#include <string_view>
#include <vector>

class SimulatedMarket;

// The daily price history answer: a header line, then one CR LF ended line per completed
// session of the year before the market day, newest first.
namespace PriceHistory {

// The same sessions the one-year chart draws.
inline constexpr int kDays = 365;
inline constexpr std::string_view kHeader = "Date,Open,High,Low,Close,Volume,Adj Close\r\n";

// A catalogue ticker or the composite index; no sessions for any other symbol.
std::vector<DailyBar> bars(const SimulatedMarket &market, std::string_view symbol, QDate today);
// 2004-05-31,27.01,27.40,26.85,27.12,12345600,27.12
std::string csv(const std::vector<DailyBar> &newestFirst);

} // namespace PriceHistory
