#include "quotecsv.h"

#include "markettext.h"
#include "simulatedmarket.h"

namespace QuoteCsv {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string quoted(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    out += text;
    out += '"';
    return out;
}

std::string item(const std::string &tag, std::string_view ticker, const MarketQuote &q)
{
    if (tag == "s")
        return quoted(ticker);
    if (tag == "l1")
        return MarketText::price(q.last);
    if (tag == "d1")
        return quoted(MarketText::shortDate(q.date));
    if (tag == "t1")
        return quoted(MarketText::clockTime(q.time));
    if (tag == "c1")
        return MarketText::signedPrice(q.change());
    if (tag == "o")
        return MarketText::price(q.open);
    if (tag == "h")
        return MarketText::price(q.high);
    if (tag == "g")
        return MarketText::price(q.low);
    if (tag == "v")
        return std::to_string(q.volume);
    return "N/A";
}

// A ticker the catalogue lacks still answers its symbol, so the game sees a completed quote.
std::string unknownItem(const std::string &tag, std::string_view ticker)
{
    if (tag == "s")
        return quoted(ticker);
    if (tag == "l1")
        return "0.00";
    return "N/A";
}

} // namespace

std::optional<std::vector<std::string>> parseTags(std::string_view f)
{
    std::vector<std::string> tags;
    std::size_t i = 0;
    while (i < f.size()) {
        if (!isLetter(f[i]))
            return std::nullopt;
        std::size_t end = i + 1;
        while (end < f.size() && isDigit(f[end]))
            ++end;
        if (end - i > 3)
            return std::nullopt;
        tags.emplace_back(f.substr(i, end - i));
        i = end;
    }
    if (tags.empty() || int(tags.size()) > kMaxTags)
        return std::nullopt;
    return tags;
}

const std::vector<std::string> &defaultTags()
{
    static const std::vector<std::string> tags = *parseTags(kDefaultTags);
    return tags;
}

std::optional<std::vector<std::string>> parseTickers(std::string_view s)
{
    std::vector<std::string> tickers;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == ' ' || s[i] == ',') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < s.size() && s[end] != ' ' && s[end] != ',') {
            const auto c = static_cast<unsigned char>(s[end]);
            if (c < 0x21 || c > 0x7e || c == '"')
                return std::nullopt;
            ++end;
        }
        if (end - i > std::size_t(kMaxTickerLength))
            return std::nullopt;
        tickers.emplace_back(s.substr(i, end - i));
        if (int(tickers.size()) > kMaxTickers)
            return std::nullopt;
        i = end;
    }
    if (tickers.empty())
        return std::nullopt;
    return tickers;
}

std::string line(const SimulatedMarket &market, std::string_view ticker, const std::vector<std::string> &tags,
                 const QDateTime &at)
{
    std::string out;
    const int stock = market.indexOf(ticker);
    const MarketQuote q = stock >= 0 ? market.quoteAt(stock, at) : MarketQuote();
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (i > 0)
            out += ',';
        out += stock >= 0 ? item(tags[i], ticker, q) : unknownItem(tags[i], ticker);
    }
    out += "\r\n";
    return out;
}

std::string answer(const SimulatedMarket &market, const std::vector<std::string> &tickers,
                   const std::vector<std::string> &tags, const QDateTime &at)
{
    std::string out;
    for (const std::string &ticker : tickers)
        out += line(market, ticker, tags, at);
    return out;
}

} // namespace QuoteCsv
