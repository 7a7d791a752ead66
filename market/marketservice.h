#pragma once

#include "chartcache.h"
#include "markethttpserver.h"

#include <QDateTime>

#include <mutex>
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

    const ChartCache &chartCache() const { return m_charts; }

private:
    httplib::Server::HandlerResponse route(const httplib::Request &req, httplib::Response &res);
    void answerQuotes(const httplib::Request &req, httplib::Response &res);
    void answerChart(const httplib::Request &req, httplib::Response &res);
    void answerInfos(const httplib::Request &req, httplib::Response &res);
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
