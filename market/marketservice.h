#pragma once

#include "chartcache.h"
#include "markethttpserver.h"
#include "quotelinecache.h"

#include <QDateTime>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

class MarketClock;
class SimulatedMarket;

// The service's answers over HTTP:
//   GET /d/quotes.csv?s=T1+T2&f=sl1d1t1c1ohgv&e=.csv   one CSV line per ticker
//   GET /servlet/ChartEngine?symbol=T&width=W&height=H&dur=1y&vol=1   a PNG chart
//   GET /table.csv?s=T   a year of daily prices as CSV, ^QVC for the composite index
//   GET /fill?s=T&when=below&price=25.00&from=F&to=U   the first trade at or beyond a price
//   GET /infos   the information page
// Other paths 404, other methods 405, malformed queries 400.
class MarketService
{
public:
    static constexpr const char *kQuotesPath = "/d/quotes.csv";
    static constexpr const char *kChartPath = "/servlet/ChartEngine";
    static constexpr const char *kInfoPath = "/infos";
    static constexpr const char *kHistoryPath = "/table.csv";
    static constexpr const char *kFillPath = "/fill";
    // The longest /fill range: a year, searched in well under a second even the first time.
    static constexpr int kMaxFillDays = 366;

    // Outlived by the server it is installed in: its render threads hand answers to the
    // server's connections until they stop.
    MarketService(const SimulatedMarket &market, const MarketClock &clock);

    void install(MarketHttpServer &server);

    // 404 and 405 before any body is read; nullopt for one of the answers.
    std::optional<HttpAnswer> route(const HttpRequest &req) const;
    // The answer to a routed GET or HEAD, a Range applied.
    HttpAnswer answer(const HttpRequest &req);
    // The same, given to `reply`: a chart still to draw comes back from a render thread.
    void answer(const HttpRequest &req, MarketHttpServer::Responder reply);

    const ChartCache &chartCache() const { return m_charts; }

private:
    HttpAnswer answerQuotes(const HttpRequest &req);
    // The request's chart and how to draw it, or the answer refusing it.
    struct ChartJob
    {
        ChartCache::Key key;
        std::function<QByteArray()> render;
    };
    std::variant<ChartJob, HttpAnswer> chartJob(const HttpRequest &req) const;
    static HttpAnswer chartAnswer(ChartCache::Png png);
    HttpAnswer answerHistory(const HttpRequest &req);
    HttpAnswer answerFill(const HttpRequest &req);
    HttpAnswer answerInfos();
    std::string infoPage(const QDateTime &at);

    const SimulatedMarket &m_market;
    const MarketClock &m_clock;
    ChartCache m_charts;
    QuoteLineCache m_quoteLines;

    // The page changes only when the market ticks.
    std::mutex m_infoMutex;
    QDate m_infoDate;
    int m_infoTick = -1;
    std::string m_infoHtml;

    // One history per symbol, for the market day it was made on; only listed symbols are kept,
    // so it never outgrows the catalogue. Made outside the lock.
    struct History
    {
        QDate day;
        std::shared_ptr<const std::string> csv;
    };
    std::mutex m_historyMutex;
    std::map<std::string, History> m_histories;
};
