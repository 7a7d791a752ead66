// The whole service in-process on real sockets on 127.0.0.1: charts drawn on the render
// threads and shared by clients at once, refusals, time-outs and shutdown on a socket, many
// clients at once. Exact answers are pinned without a socket in test_httpexchange.
#include "common/casetable.h"
#include "common/rawhttp.h"
#include "market/marketload.h"
#include "marketclock.h"
#include "markethttpserver.h"
#include "marketservice.h"
#include "simulatedmarket.h"

#include <QImage>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <random>
#include <thread>

namespace {

const QDateTime kMoment(QDate(2004, 6, 1), QTime(13, 37, 42), Qt::UTC);

// A market clock the test sets by hand, read from the server's threads.
struct ManualClock : MarketClock
{
    std::atomic<qint64> msecs{kMoment.toMSecsSinceEpoch()};
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC); }
    void set(const QDateTime &at) { msecs = at.toMSecsSinceEpoch(); }
};

// The service on seed 1 on a free 127.0.0.1 port, stopped when it goes out of scope.
struct RunningMarket
{
    explicit RunningMarket(const ServerLimits &limits = ServerLimits())
        : market(1), server(limits), service(market, clock)
    {
        service.install(server);
        port = server.bindTo("127.0.0.1", 0, nullptr).value_or(0);
        if (port > 0)
            thread = std::thread([this] { server.serve(); });
    }
    ~RunningMarket()
    {
        server.shutdown();
        if (thread.joinable())
            thread.join();
    }
    ManualClock clock;
    SimulatedMarket market;
    MarketHttpServer server;
    MarketService service; // stops its render threads before the server goes
    int port = 0;
    std::thread thread;
};

QByteArray qb(const std::string &s)
{
    return QByteArray::fromStdString(s);
}

struct ChartCase
{
    const char *tag, *query;
    int width, height;
    bool data; // a drawn chart, not the stand-in
};

struct RefusalCase
{
    const char *tag;
    std::string request;
    int status;
    bool closes;
};

} // namespace

class TestMarketService : public QObject
{
    Q_OBJECT

    std::unique_ptr<RunningMarket> m_shared; // for tests that leave its clock alone

private slots:
    void initTestCase()
    {
        m_shared = std::make_unique<RunningMarket>();
        QVERIFY(m_shared->port > 0);
    }

    void chartImages_data()
    {
        caseRows<ChartCase>({
            {"the chart page's address",
             "symbol=MSFT&ticker=MSFT&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&"
             "indicator=0,,,;&vol=1&nodata=&skin=",
             415, 240, true},
            {"size absent", "symbol=IBM", 415, 240, true},
            {"ticker key alone", "ticker=IBM&width=300&height=200", 300, 200, true},
            {"smallest", "symbol=A&width=120&height=80&vol=1", 120, 80, true},
            {"largest", "symbol=A&width=1600&height=1200&vol=1", 1600, 1200, true},
            {"six months", "symbol=GE&dur=6m", 415, 240, true},
            {"unknown ticker", "symbol=ZZZZ&vol=1", 415, 240, false},
        });
    }
    void chartImages()
    {
        QFETCH(ChartCase, c);
        const auto answer = rawhttp::Client(m_shared->port)
                                .exchange(rawhttp::get(std::string("/servlet/ChartEngine?") + c.query));
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        QCOMPARE(qb(answer->header("content-type")), QByteArray("image/png"));
        QCOMPARE(qb(answer->header("content-length")).toULongLong(), qulonglong(answer->body.size()));
        const QImage image = QImage::fromData(qb(answer->body), "PNG");
        QCOMPARE(image.size(), QSize(c.width, c.height));
        // A drawn chart has its line in colour; the stand-in is grey text on white.
        int coloured = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                coloured += image.pixelColor(x, y).blue() - image.pixelColor(x, y).red() > 60;
        QCOMPARE(coloured > image.width(), c.data);
    }

    // Renders side by side give the bytes of rendering one at a time; clients asking for the
    // same missing chart together share one rendering. Ticker, size, span, volume and market
    // day each make another chart.
    void chartsAreDrawnOncePerChart()
    {
        std::vector<std::string> targets{
            rawhttp::get("/servlet/ChartEngine?symbol=ZZZZ&width=120&height=80")};
        for (const char *ticker : {"IBM", "GE"})
            for (const char *size : {"width=415&height=240&vol=1", "width=416&height=240&vol=1",
                                     "width=415&height=241&vol=1", "width=415&height=240",
                                     "width=415&height=240&vol=1&dur=3m", "width=1600&height=1200&vol=1"})
                targets.push_back(
                    rawhttp::get(std::string("/servlet/ChartEngine?symbol=") + ticker + "&" + size));
        auto fetch = [](rawhttp::Client &client, const std::string &request) {
            const auto answer = client.exchange(request, 60000);
            return answer && answer->status == 200 ? answer->body : std::string();
        };
        RunningMarket serial, together;
        std::vector<std::string> expected;
        rawhttp::Client one(serial.port);
        for (const std::string &target : targets)
            expected.push_back(fetch(one, target));
        std::vector<std::vector<std::string>> got(6, std::vector<std::string>(targets.size()));
        std::vector<std::thread> clients;
        for (std::size_t c = 0; c < got.size(); ++c)
            clients.emplace_back([&, c] {
                std::vector<std::size_t> order(targets.size());
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), std::mt19937{unsigned(c)});
                rawhttp::Client client(together.port);
                for (std::size_t i : order)
                    got[c][i] = fetch(client, targets[i]);
            });
        for (std::thread &t : clients)
            t.join();
        for (std::size_t i = 0; i < targets.size(); ++i) {
            QVERIFY2(expected[i].rfind("\x89PNG", 0) == 0, targets[i].c_str());
            for (const auto &mine : got)
                QVERIFY2(mine[i] == expected[i], targets[i].c_str());
        }
        QCOMPARE(together.service.chartCache().renderCount(), int(targets.size()));
        rawhttp::Client client(together.port);
        together.clock.set(kMoment.addSecs(3600));
        QVERIFY(fetch(client, targets[1]) == expected[1]);
        together.clock.set(kMoment.addDays(1));
        const std::string nextDay = fetch(client, targets[1]);
        QVERIFY(!nextDay.empty() && nextDay != expected[1]);
        QCOMPARE(together.service.chartCache().renderCount(), int(targets.size()) + 1);
    }

    // A chart refused on the render path keeps the connection, a request sent in the same
    // packet answered after it; an oversized head ends it.
    void refusalsOnASocket_data()
    {
        caseRows<RefusalCase>({
            {"chart too wide", rawhttp::get("/servlet/ChartEngine?symbol=A&width=1601"), 400, false},
            {"headers too large",
             "GET /infos HTTP/1.1\r\nHost: x\r\nX: " + std::string(20000, 'f') + "\r\n\r\n", 431, true},
        });
    }
    void refusalsOnASocket()
    {
        QFETCH(RefusalCase, c);
        rawhttp::Client client(m_shared->port);
        QVERIFY(client.send(c.request + rawhttp::get("/d/quotes.csv?s=IBM")));
        const auto answer = client.read();
        QVERIFY(answer);
        QCOMPARE(answer->status, c.status);
        QCOMPARE(answer->closes, c.closes);
        if (c.closes)
            QVERIFY(client.closedByPeer());
        else
            QVERIFY(marketload::isQuote(client.read(), "IBM"));
    }

    void idleAndStalledClientsAreDropped()
    {
        ServerLimits limits;
        limits.readTimeoutMs = 300;
        limits.keepAliveTimeoutMs = 300;
        limits.requestTimeoutMs = 600;
        RunningMarket m(limits);
        rawhttp::Client silent(m.port), stalled(m.port), idle(m.port);
        QVERIFY(stalled.send("GET /infos HTTP/1.1\r\nHost: x\r\n"));
        QVERIFY(idle.exchange(rawhttp::get("/infos")));
        QVERIFY(silent.closedByPeer());
        QVERIFY(stalled.closedByPeer());
        QVERIFY(idle.closedByPeer());
        // A byte now and then, each within the read time-out, still meets the request's deadline.
        rawhttp::Client trickling(m.port);
        const std::string request =
            "GET /infos HTTP/1.1\r\nHost: x\r\nX-Slow: " + std::string(200, 's') + "\r\n\r\n";
        std::size_t sent = 0;
        while (sent < request.size() && trickling.send(request.substr(sent, 1)) &&
               !trickling.closedByPeer(limits.readTimeoutMs / 3))
            ++sent;
        QVERIFY(sent < request.size());
        QVERIFY(trickling.closedByPeer());
        QVERIFY(rawhttp::Client(m.port).exchange(rawhttp::get("/infos")));
    }

    void shutdownWithOpenConnections()
    {
        auto m = std::make_unique<RunningMarket>();
        rawhttp::Client idle(m->port), partial(m->port);
        QVERIFY(idle.exchange(rawhttp::get("/infos")));
        QVERIFY(partial.send("GET /infos HTTP/1.1\r\n"));
        m.reset();
        QVERIFY(idle.closedByPeer());
        QVERIFY(partial.closedByPeer());
    }

    // 20,000 keep-alive quote requests over 32 connections at once, every one answered.
    void loadOf20000Requests() { QCOMPARE(marketload::bulkQuotes(m_shared->port, 32, 20000), 0); }

    void cleanupTestCase() { m_shared.reset(); }
};

QTEST_MAIN(TestMarketService)
#include "test_marketservice.moc"
