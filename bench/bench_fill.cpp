// Time of one /fill answer over a whole year (the longest range the market takes), for an
// order that never crosses and for one that first crosses in the year's last weeks: first on a
// market that has searched nothing yet (every day's path built once), then repeated (the kept
// day ranges pass over the days that cannot cross). The service answers without a socket, on a
// clock that stands still. Usage: bench_fill [runs]
#include "httpexchange.h"
#include "marketclock.h"
#include "marketservice.h"
#include "model/orders.h"
#include "simulatedmarket.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 15, 2), Qt::UTC);
const QDateTime kYearAgo = kNow.addDays(-366);

struct StillClock : MarketClock
{
    QDateTime now() const override { return kNow; }
};

double medianMilliseconds(int runs, const std::function<void()> &prepare, const std::function<void()> &once)
{
    QList<qint64> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        once();
        times.append(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return double(times[times.size() / 2]) / 1e6;
}

std::string request(const std::string &ticker, const char *when, Cents price)
{
    const auto time = [](const QDateTime &at) {
        return timeWithOffsetText(at).replace("+", "%2B").toStdString();
    };
    return "/fill?s=" + ticker + "&when=" + when + "&price=" + std::to_string(price / 100) + "." +
           std::to_string(price % 100 / 10) + std::to_string(price % 10) + "&from=" + time(kYearAgo) +
           "&to=" + time(kNow);
}

// A stock and price whose first crossing over the year comes in its last 30 days: the stock's
// lowest trade of the year, when that came late.
std::pair<std::string, Cents> lateCrossing(const SimulatedMarket &market)
{
    for (int stock = 0; stock < market.stockCount(); ++stock) {
        const auto bars = market.dailyBars(stock, kYearAgo.date(), kNow.date().addDays(-1));
        const auto lowest = std::min_element(
            bars.begin(), bars.end(), [](const DailyBar &a, const DailyBar &b) { return a.low < b.low; });
        if (lowest->date < kNow.date().addDays(-30))
            continue;
        const auto hit =
            market.firstCrossing(stock, SimulatedMarket::Side::AtOrBelow, lowest->low + 1, kYearAgo, kNow);
        if (hit && hit->at.date() >= kNow.date().addDays(-30))
            return {market.profile(stock).ticker, lowest->low + 1};
    }
    qFatal("no stock crosses late");
}

void measure(const char *what, const std::string &target, int runs)
{
    HttpRequest req;
    req.method = "GET";
    req.target = target;
    req.version = "HTTP/1.1";
    StillClock clock;
    std::unique_ptr<SimulatedMarket> market;
    std::unique_ptr<MarketService> service;
    std::string answer;
    auto fresh = [&] {
        service.reset();
        market = std::make_unique<SimulatedMarket>(1);
        service = std::make_unique<MarketService>(*market, clock);
    };
    auto ask = [&] { answer = service->answer(req).content(); };
    const double first = medianMilliseconds(std::max(1, runs / 10), fresh, ask);
    fresh();
    ask();
    const double repeated = medianMilliseconds(
        runs, [] {}, ask);
    std::printf("%-13s first %8.2f ms | repeated %8.3f ms | %s", what, first, repeated, answer.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 51;
    std::printf("/fill over 366 days, median of %d runs (first: of %d)\n", runs, std::max(1, runs / 10));
    measure("never crosses", request("IBM", "below", 1), runs);
    const SimulatedMarket market(1);
    const auto [ticker, price] = lateCrossing(market);
    measure("crosses late", request(ticker, "below", price), runs);
    return 0;
}
