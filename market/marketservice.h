#pragma once

#include "chartcache.h"
#include "markethttpserver.h"

#include <QDateTime>

#include <mutex>
#include <optional>
#include <string>

class MarketClock;
class SimulatedMarket;

// The service's three answers over HTTP:
//   GET /d/quotes.csv?s=T1+T2&f=sl1d1t1c1ohgv&e=.csv   one CSV line per ticker
//   GET /servlet/ChartEngine?symbol=T&width=W&height=H&dur=1y&vol=1   a PNG chart
//   GET /infos   the information page
// Other paths 404, other methods 405, malformed queries 400.
class MarketService
{
public:
    static constexpr const char *kQuotesPath = "/d/quotes.csv";
    static constexpr const char *kChartPath = "/servlet/ChartEngine";
    static constexpr const char *kInfoPath = "/infos";

    MarketService(const SimulatedMarket &market, const MarketClock &clock);

    void install(MarketHttpServer &server);

    // 404 and 405 before any body is read; nullopt for one of the three answers.
    std::optional<HttpAnswer> route(const HttpRequest &req) const;
    // The answer to a routed GET or HEAD, a Range applied.
    HttpAnswer answer(const HttpRequest &req);

    const ChartCache &chartCache() const { return m_charts; }

private:
    HttpAnswer answerQuotes(const HttpRequest &req);
    HttpAnswer answerChart(const HttpRequest &req);
    HttpAnswer answerInfos();
    std::string infoPage(const QDateTime &at);

    const SimulatedMarket &m_market;
    const MarketClock &m_clock;
    ChartCache m_charts;

    // The page changes only when the market ticks.
    std::mutex m_infoMutex;
    QDate m_infoDate;
    int m_infoTick = -1;
    std::string m_infoHtml;
};
