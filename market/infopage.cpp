#include "infopage.h"

#include "compositeindex.h"
#include "markettext.h"
#include "simulatedmarket.h"

#include <algorithm>
#include <vector>

namespace InfoPage {

namespace {

struct Mover
{
    int stock;
    MarketQuote quote;
    double ratio;
};

const char *colourOf(Cents change)
{
    if (change > 0)
        return "#1a7f37";
    if (change < 0)
        return "#c62828";
    return "#555555";
}

std::string changeCell(Cents change, Cents base)
{
    return std::string("<font color=\"") + colourOf(change) + "\">" + MarketText::signedPrice(change) + " (" +
           MarketText::signedPercent(change, base) + ")</font>";
}

std::string moversTable(const SimulatedMarket &market, const std::vector<Mover> &movers)
{
    std::string html = "<table cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">\r\n"
                       "<tr bgcolor=\"#e8edf3\"><th align=\"left\">Ticker</th><th align=\"left\">Company</th>"
                       "<th align=\"right\">Last</th><th align=\"right\">Change</th></tr>\r\n";
    for (const Mover &m : movers) {
        const StockProfile &p = market.profile(m.stock);
        html += "<tr><td><b>" + escapeHtml(p.ticker) + "</b></td><td>" + escapeHtml(p.name) +
                "</td><td align=\"right\">" + MarketText::price(m.quote.last) + "</td><td align=\"right\">" +
                changeCell(m.quote.change(), m.quote.previousClose) + "</td></tr>\r\n";
    }
    html += "</table>\r\n";
    return html;
}

} // namespace

std::string escapeHtml(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string render(const SimulatedMarket &market, const QDateTime &at)
{
    std::vector<Mover> movers;
    movers.reserve(std::size_t(market.stockCount()));
    std::vector<Cents> now;
    std::vector<Cents> closes;
    now.reserve(std::size_t(market.stockCount()));
    closes.reserve(std::size_t(market.stockCount()));
    MarketQuote any;
    for (int stock = 0; stock < market.stockCount(); ++stock) {
        const MarketQuote q = market.quoteAt(stock, at);
        now.push_back(q.last);
        closes.push_back(q.previousClose);
        movers.push_back({stock, q, double(q.change()) / double(q.previousClose)});
        any = q;
    }
    const Cents indexNow = CompositeIndex::level(market, now);
    const Cents indexClose = CompositeIndex::level(market, closes);

    // Best first; equal moves keep catalogue order so the page never flickers between ties.
    std::stable_sort(movers.begin(), movers.end(),
                     [](const Mover &a, const Mover &b) { return a.ratio > b.ratio; });
    const std::size_t shown = std::min<std::size_t>(kMoversShown, movers.size() / 2);
    std::vector<Mover> best(movers.begin(), movers.begin() + long(shown));
    std::vector<Mover> worst(movers.rbegin(), movers.rbegin() + long(shown));

    std::string html;
    html.reserve(8192);
    html += "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
            "<title>Quorvane Market</title>\r\n</head>\r\n<body bgcolor=\"#ffffff\">\r\n";
    html += "<h2>Quorvane Market</h2>\r\n";
    html += "<p>Market of " + MarketText::longDate(any.date) + ", last trades at " +
            MarketText::clockTime(any.time) + ".</p>\r\n";
    html += "<table cellspacing=\"0\" cellpadding=\"3\">\r\n<tr><td><b>Quorvane Composite</b> (" +
            std::to_string(market.stockCount()) + " stocks)</td><td align=\"right\"><b>" +
            MarketText::price(indexNow) + "</b></td><td align=\"right\">" +
            changeCell(indexNow - indexClose, indexClose) + "</td></tr>\r\n</table>\r\n";
    html += "<h3>Best of the day</h3>\r\n" + moversTable(market, best);
    html += "<h3>Worst of the day</h3>\r\n" + moversTable(market, worst);
    html += "<h3>How to play</h3>\r\n"
            "<p>Pick a stock in the list: its last trade, the day's change and a one-year chart appear "
            "in the panel; Synchronize fetches a fresh quote.</p>\r\n"
            "<p>Press BUY or SELL to trade at the last trade price; your game is saved after every trade, "
            "so watch the movers and buy low, sell high.</p>\r\n";
    html += "</body>\r\n</html>\r\n";
    return html;
}

} // namespace InfoPage
