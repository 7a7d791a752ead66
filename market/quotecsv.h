#pragma once

#include <QDateTime>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SimulatedMarket;

// The quote answer: one CR LF ended line per ticker asked, its items in the order of the
// field tags ("sl1d1t1c1ohgv" by default).
namespace QuoteCsv {

inline constexpr std::string_view kDefaultTags = "sl1d1t1c1ohgv";
inline constexpr int kMaxTickers = 300;
inline constexpr int kMaxTickerLength = 16;
inline constexpr int kMaxTags = 64;

// "sl1d1t1c1ohgv" -> s, l1, d1, t1, c1, o, h, g, v: a letter and its optional digits.
// nullopt when empty, too long or holding anything else.
std::optional<std::vector<std::string>> parseTags(std::string_view f);
// kDefaultTags, parsed.
const std::vector<std::string> &defaultTags();
// The decoded "s" value: tickers separated by spaces ("+" in the URL) or commas. nullopt when
// it holds none, too many, or a ticker with a quote, a control byte or a non-ASCII byte.
std::optional<std::vector<std::string>> parseTickers(std::string_view s);

std::string line(const SimulatedMarket &market, std::string_view ticker, const std::vector<std::string> &tags,
                 const QDateTime &at);
std::string answer(const SimulatedMarket &market, const std::vector<std::string> &tickers,
                   const std::vector<std::string> &tags, const QDateTime &at);

} // namespace QuoteCsv
