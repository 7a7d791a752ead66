// The whole service in-process over real HTTP on 127.0.0.1: the exact answers, refusals,
// keep-alive and time-outs, and many clients at once.
#include "common/casetable.h"
#include "common/rawhttp.h"
#include "common/rows.h"
#include "market/marketload.h"
#include "marketclock.h"
#include "markethttpserver.h"
#include "marketservice.h"
#include "quotecsv.h"
#include "simulatedmarket.h"

#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kMoment(QDate(2004, 6, 1), QTime(13, 37, 42), Qt::UTC);
const QByteArray kHistoryHeader = "Date,Open,High,Low,Close,Volume,Adj Close";

// A market clock the test sets by hand, read from the server's threads.
struct ManualClock : MarketClock
{
    std::atomic<qint64> msecs{kMoment.toMSecsSinceEpoch()};
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC); }
    void set(const QDateTime &at) { msecs = at.toMSecsSinceEpoch(); }
};

// The whole service on a free 127.0.0.1 port, stopped when it goes out of scope.
struct RunningMarket
{
    explicit RunningMarket(std::uint64_t seed, const ServerLimits &limits = ServerLimits())
        : market(seed), server(limits), service(market, clock)
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
    // One request on a connection of its own; the body, or "" when no answer came.
    QByteArray body(const QByteArray &target)
    {
        const auto answer = rawhttp::Client(port).exchange(rawhttp::get(target.toStdString()));
        return answer ? QByteArray::fromStdString(answer->body) : QByteArray();
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

// The lines of a CR LF ended text, without their ends; empty when a line lacks its CR LF.
QList<QByteArray> crlfLines(const QByteArray &body)
{
    QList<QByteArray> lines = body.endsWith("\r\n") ? body.chopped(1).split('\n') : QList<QByteArray>();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            return {};
        line.chop(1);
    }
    return lines;
}

QByteArray cents(Cents value)
{
    return QByteArray::number(double(value) / 100.0, 'f', 2);
}

// The composite index's previous close as the information page shows it, in cents.
std::optional<Cents> pagePreviousClose(const QByteArray &html)
{
    static const QRegularExpression re(QStringLiteral(
        "Quorvane Composite.*?<b>([0-9]+)\\.([0-9]{2})</b>.*?<font[^>]*>([+-])([0-9]+)\\.([0-9]{2}) "));
    const QRegularExpressionMatch m = re.match(QString::fromUtf8(html));
    if (!m.hasMatch())
        return std::nullopt;
    const Cents change = (m.captured(4).toLongLong() * 100 + m.captured(5).toLongLong()) *
                         (m.captured(3) == QStringLiteral("-") ? -1 : 1);
    return m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong() - change;
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
    bool closes = false;
    const char *body = nullptr; // for a 200; else a page starting with the status
};

} // namespace

class TestMarketService : public QObject
{
    Q_OBJECT

    std::unique_ptr<RunningMarket> m_shared; // seed 1, for tests that leave its clock alone

private slots:
    void initTestCase()
    {
        m_shared = std::make_unique<RunningMarket>(1);
        QVERIFY(m_shared->port > 0);
    }

    void quoteLines_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("expected"); // "=T U": the model's lines for T and U, else the bytes
        const QByteArray na = ",0.00,N/A,N/A,N/A,N/A,N/A,N/A,N/A\r\n";
        row("several tickers in order", QByteArray("s=IBM+MSFT+A&f=sl1d1t1c1ohgv&e=.csv"),
            QByteArray("\"IBM\",16.71,\"6/1/2004\",\"1:37pm\",+0.18,16.45,16.73,16.37,966078\r\n"
                       "\"MSFT\",42.47,\"6/1/2004\",\"1:37pm\",+0.88,41.97,42.67,41.81,10550759\r\n"
                       "\"A\",79.97,\"6/1/2004\",\"1:37pm\",+1.25,78.36,80.56,78.22,11498764\r\n"));
        row("a repeated ticker answers twice", QByteArray("s=IBM+IBM"), QByteArray("=IBM IBM"));
        row("unknown ticker", QByteArray("s=ZZZZ&f=sl1d1t1c1ohgv&e=.csv"), "\"ZZZZ\"" + na);
        row("tickers are case-sensitive", QByteArray("s=msft"), "\"msft\"" + na);
        row("unknown and known mixed", QByteArray("s=XYZ,DELL"),
            "\"XYZ\"" + na + "\"DELL\",14.52,\"6/1/2004\",\"1:37pm\",-0.19,14.69,14.99,14.52,886978\r\n");
        row("other tags give N/A in place", QByteArray("s=ZZZZ&f=nsxl1"),
            QByteArray("N/A,\"ZZZZ\",N/A,0.00\r\n"));
        row("encoded separators", QByteArray("s=IBM%20DELL%2CA"), QByteArray("=IBM DELL A"));
        const QStringList all = AllTickers();
        row("the whole catalogue", "s=" + all.join(u'+').toLatin1() + "&f=sl1d1t1c1ohgv&e=.csv",
            "=" + all.join(u' ').toLatin1());
    }
    void quoteLines()
    {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, expected);
        // Exactly what the game sends: its headers, a range from 0 and keep-alive.
        const auto answer =
            rawhttp::Client(m_shared->port)
                .exchange("GET /d/quotes.csv?" + query.toStdString() +
                          " HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, "
                          "image/pjpeg, */*\r\nAccept-Language: fr\r\nUser-Agent: Mozilla/4.0 "
                          "(compatible; MSIE 5.5; Windows 98)\r\nRange: bytes=0-\r\nHost: "
                          "127.0.0.1\r\nConnection: Keep-Alive\r\n\r\n");
        QVERIFY(answer);
        // The game reads the length and ignores the status: a range from 0 carries the whole answer.
        QVERIFY(answer->status == 200 || answer->status == 206);
        QCOMPARE(qb(answer->header("content-type")), QByteArray("text/csv"));
        QCOMPARE(qb(answer->header("content-length")).toULongLong(), qulonglong(answer->body.size()));
        if (expected.startsWith('=')) {
            std::vector<std::string> tickers;
            for (const QByteArray &ticker : expected.mid(1).split(' '))
                tickers.push_back(ticker.toStdString());
            expected = qb(QuoteCsv::answer(m_shared->market, tickers, QuoteCsv::defaultTags(), kMoment));
        }
        QCOMPARE(qb(answer->body), expected);
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

    void chartsAreCachedPerTickerSizeAndDay()
    {
        RunningMarket m(1);
        const QByteArray ibm = "/servlet/ChartEngine?symbol=IBM&width=415&height=240&vol=1";
        const QByteArray first = m.body(ibm);
        m.clock.set(kMoment.addSecs(3600));
        QCOMPARE(m.body(ibm), first);
        QCOMPARE(m.service.chartCache().renderCount(), 1);
        for (const char *other : {"IBM&width=416&height=240&vol=1", "MSFT&width=415&height=240&vol=1",
                                  "IBM&width=415&height=240"})
            m.body("/servlet/ChartEngine?symbol=" + QByteArray(other));
        QCOMPARE(m.service.chartCache().renderCount(), 4);
        // A new market day has one more completed session.
        m.clock.set(kMoment.addDays(1));
        QVERIFY(m.body(ibm) != first);
        QCOMPARE(m.service.chartCache().renderCount(), 5);
    }

    // Renders side by side give the bytes of rendering one at a time, and clients asking for
    // the same missing chart together share one rendering.
    void concurrentChartsMatchSerialOnes()
    {
        std::vector<std::string> targets;
        for (const char *ticker : {"IBM", "MSFT", "GE", "ZZZZ"})
            for (const char *size : {"width=415&height=240&vol=1", "width=1600&height=1200&vol=1",
                                     "width=120&height=80", "width=300&height=200&dur=3m"})
                targets.push_back(
                    rawhttp::get(std::string("/servlet/ChartEngine?symbol=") + ticker + "&" + size));
        auto fetch = [](rawhttp::Client &client, const std::string &request) {
            const auto answer = client.exchange(request, 60000);
            return answer && answer->status == 200 ? answer->body : std::string();
        };
        RunningMarket serial(1), together(1);
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
    }

    // The chart's own sessions, one row per completed day of the year before the market day.
    void historyOfAStock_data()
    {
        QTest::addColumn<QByteArray>("ticker");
        QTest::addColumn<int>("dayOffset"); // the clock's day from kMoment
        row("IBM", QByteArray("IBM"), 0);
        row("MSFT forty days on", QByteArray("MSFT"), 40);
        row("A across a new year", QByteArray("A"), -150);
        row("DELL on the first of March of a leap year", QByteArray("DELL"), -92);
    }
    void historyOfAStock()
    {
        QFETCH(QByteArray, ticker);
        QFETCH(int, dayOffset);
        RunningMarket m(3);
        m.clock.set(kMoment.addDays(dayOffset));
        const QList<QByteArray> lines = crlfLines(m.body("/table.csv?s=" + ticker));
        QCOMPARE(lines.size(), 1 + 365);
        QCOMPARE(lines.front(), kHistoryHeader);
        const int stock = m.market.indexOf(ticker.toStdString());
        const QDate today = kMoment.date().addDays(dayOffset);
        const std::vector<DailyClose> chart =
            m.market.dailyCloses(stock, today.addDays(-365), today.addDays(-1));
        QCOMPARE(chart.size(), std::size_t(365));
        for (int row = 0; row < 365; ++row) {
            const QDate day = today.addDays(-1 - row);
            const DailyClose &close = chart[std::size_t(364 - row)];
            const DailyBar bar = m.market.sessionBar(stock, day);
            QCOMPARE(close.date, day);
            QCOMPARE(close.volume, bar.volume);
            QVERIFY(bar.high >= std::max(bar.open, bar.close) && bar.low <= std::min(bar.open, bar.close));
            QCOMPARE(lines[row + 1], day.toString(Qt::ISODate).toLatin1() + ',' + cents(bar.open) + ',' +
                                         cents(bar.high) + ',' + cents(bar.low) + ',' + cents(close.close) +
                                         ',' + QByteArray::number(close.volume) + ',' + cents(close.close));
        }
    }

    // Row daysBack closed the session before the information page's day; its volume is the market's.
    void historyOfTheIndex_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<int>("daysBack");
        row("encoded, yesterday's close", QByteArray("%5EQVC"), 0);
        row("plain, a week back", QByteArray("^QVC"), 7);
        row("encoded, the oldest row", QByteArray("%5EQVC"), 364);
    }
    void historyOfTheIndex()
    {
        QFETCH(QByteArray, symbol);
        QFETCH(int, daysBack);
        RunningMarket m(5);
        const QList<QByteArray> lines = crlfLines(m.body("/table.csv?s=" + symbol));
        QCOMPARE(lines.size(), 1 + 365);
        QCOMPARE(lines.front(), kHistoryHeader);
        for (int row = 0; row < 365; ++row) {
            const QList<QByteArray> items = lines[row + 1].split(',');
            QCOMPARE(items.size(), 7);
            QCOMPARE(items[0], kMoment.date().addDays(-1 - row).toString(Qt::ISODate).toLatin1());
            const double open = items[1].toDouble(), high = items[2].toDouble(), low = items[3].toDouble(),
                         close = items[4].toDouble();
            QVERIFY(open > 0 && close > 0 && high >= std::max(open, close) && low <= std::min(open, close));
            QCOMPARE(items[6], items[4]);
        }
        const QDate day = kMoment.date().addDays(-1 - daysBack);
        const QList<QByteArray> items = lines[daysBack + 1].split(',');
        m.clock.set(kMoment.addDays(-daysBack));
        const auto previousClose = pagePreviousClose(m.body("/infos"));
        QVERIFY(previousClose);
        QCOMPARE(items[4], cents(*previousClose));
        qint64 volume = 0;
        for (int stock = 0; stock < m.market.stockCount(); ++stock)
            volume += m.market.dailyCloses(stock, day, day).front().volume;
        QCOMPARE(items[5], QByteArray::number(volume));
    }

    // Exact bytes, kept for the market day; the next day has one more session at the top.
    void historyMovesWithTheDay()
    {
        RunningMarket m(1);
        QVERIFY(m.body("/table.csv?s=IBM")
                    .startsWith(kHistoryHeader + "\r\n2004-05-31,16.59,16.90,16.41,16.53,1073200,16.53\r\n"));
        const QList<QByteArray> first = crlfLines(m.body("/table.csv?s=GE"));
        m.clock.set(kMoment.addSecs(3600));
        QCOMPARE(crlfLines(m.body("/table.csv?s=GE")), first);
        m.clock.set(kMoment.addDays(1));
        const QList<QByteArray> next = crlfLines(m.body("/table.csv?s=GE"));
        QCOMPARE(next.size(), 366);
        QVERIFY(next[1].startsWith("2004-06-01,"));
        QCOMPARE(next.mid(2), first.mid(1, 364));
    }

    void infoPage()
    {
        RunningMarket m(4);
        const auto answer = rawhttp::Client(m.port).exchange(rawhttp::get("/infos"));
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        QCOMPARE(qb(answer->header("content-type")), QByteArray("text/html; charset=utf-8"));
        QTextDocument document;
        document.setHtml(QString::fromStdString(answer->body));
        const QString page = document.toPlainText();
        QVERIFY(page.contains(QStringLiteral("Tuesday, June 1, 2004")));
        QVERIFY(page.contains(QStringLiteral("Quorvane Composite")));
        QVERIFY(!page.contains(u'<'));
        QVERIFY(page.contains(QStringLiteral("Marsh & McLennan")) ||
                answer->body.find("Marsh") == std::string::npos);
        // The five best and five worst by percentage, best first, each starting a line of its section.
        std::vector<std::pair<double, QString>> moves;
        for (int stock = 0; stock < m.market.stockCount(); ++stock) {
            const MarketQuote q = m.market.quoteAt(stock, kMoment);
            moves.emplace_back(double(q.last - q.previousClose) / double(q.previousClose),
                               QString::fromStdString(m.market.profile(stock).ticker));
        }
        std::stable_sort(moves.begin(), moves.end(),
                         [](const auto &a, const auto &b) { return a.first > b.first; });
        QString lists = u"Best of the day"_s;
        for (std::size_t i = 0; i < 10; ++i)
            lists += (i == 5 ? u".*Worst of the day"_s : QString()) + u".*\\n"_s +
                     QRegularExpression::escape((i < 5 ? moves[i] : moves[moves.size() + 4 - i]).second) +
                     u"\\s"_s;
        QVERIFY(page.contains(
            QRegularExpression(lists + u".*How to play"_s, QRegularExpression::DotMatchesEverythingOption)));
    }

    // Refusals and odd requests: the status, whether the connection ends, and for a 200 the body.
    void refusals_data()
    {
        using rawhttp::get;
        const char *empty = "Date,Open,High,Low,Close,Volume,Adj Close\r\n";
        caseRows<RefusalCase>({
            {"unknown path", get("/nowhere"), 404},
            {"root", get("/"), 404},
            {"post with a body",
             "POST /d/quotes.csv?s=A HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", 405, true},
            {"delete", "DELETE /infos HTTP/1.1\r\nHost: x\r\n\r\n", 405},
            {"bad escape", get("/d/quotes.csv?s=%zz"), 400},
            {"no tickers", get("/d/quotes.csv?f=sl1"), 400},
            {"empty ticker list", get("/d/quotes.csv?s=+"), 400},
            {"bad field tags", get("/d/quotes.csv?s=A&f=s;l1"), 400},
            {"quote in a ticker", get("/d/quotes.csv?s=A%22B"), 400},
            {"chart too wide", get("/servlet/ChartEngine?symbol=A&width=1601"), 400},
            {"chart too flat", get("/servlet/ChartEngine?symbol=A&height=79"), 400},
            {"chart width not a number", get("/servlet/ChartEngine?symbol=A&width=4x"), 400},
            {"chart without a ticker", get("/servlet/ChartEngine?width=415"), 400},
            {"chart of two tickers", get("/servlet/ChartEngine?symbol=A+B"), 400},
            {"chart of five years", get("/servlet/ChartEngine?symbol=A&dur=5y"), 400},
            {"history without a query", get("/table.csv"), 400},
            {"history without s", get("/table.csv?a=1"), 400},
            {"history of nothing", get("/table.csv?s="), 400},
            {"history of two", get("/table.csv?s=IBM+MSFT"), 400},
            {"history of two, comma", get("/table.csv?s=IBM,%5EQVC"), 400},
            {"history, bad escape", get("/table.csv?s=%5"), 400},
            {"history, quote in the ticker", get("/table.csv?s=A%22B"), 400},
            {"history of an unknown ticker", get("/table.csv?s=ZZZZ"), 200, false, empty},
            {"history symbols are case-sensitive", get("/table.csv?s=%5Eqvc"), 200, false, empty},
            // The head's own refusals are pinned in test_httpexchange; one shows the socket ends.
            {"headers too large",
             "GET /infos HTTP/1.1\r\nHost: x\r\nX: " + std::string(20000, 'f') + "\r\n\r\n", 431, true},
            {"range beyond the answer",
             "GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\nRange: bytes=5000-\r\n\r\n", 416},
        });
    }
    void refusals()
    {
        QFETCH(RefusalCase, c);
        rawhttp::Client client(m_shared->port);
        const auto answer = client.exchange(c.request);
        QVERIFY(answer);
        QCOMPARE(answer->status, c.status);
        if (c.body) {
            QCOMPARE(qb(answer->header("content-type")), QByteArray("text/csv"));
            QCOMPARE(qb(answer->body), QByteArray(c.body));
        } else if (c.status != 416) {
            QVERIFY(answer->body.rfind(std::to_string(c.status), 0) == 0);
        }
        QVERIFY(answer->headers.count("content-length"));
        QCOMPARE(qb(answer->header("allow")), QByteArray(c.status == 405 ? "GET, HEAD" : ""));
        QCOMPARE(answer->closes, c.closes);
        if (c.closes)
            QVERIFY(client.closedByPeer());
        else
            QVERIFY(marketload::isQuote(client.exchange(rawhttp::get("/d/quotes.csv?s=IBM")), "IBM"));
    }

    // Runs after every refusal above was sent to the shared service. The rest of keep-alive is
    // pinned byte for byte in test_httpexchange; here the socket's side of it.
    void keepAliveAndHead()
    {
        rawhttp::Client client(m_shared->port);
        const std::string ibm = rawhttp::get("/d/quotes.csv?s=IBM");
        const auto first = client.exchange(ibm);
        const auto head = client.exchange("HEAD /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\n\r\n");
        QVERIFY(marketload::isQuote(first, "IBM") && head);
        QCOMPARE(head->status, 200);
        QVERIFY(head->body.empty());
        QCOMPARE(qb(head->header("content-length")).toULongLong(), qulonglong(first->body.size()));
        // Two requests in one packet get two answers, in order.
        QVERIFY(client.send(rawhttp::get("/d/quotes.csv?s=A") + ibm));
        QVERIFY(marketload::isQuote(client.read(), "A"));
        const auto second = client.read();
        QVERIFY(second);
        QCOMPARE(qb(second->body), qb(first->body));
    }

    void idleAndStalledClientsAreDropped()
    {
        ServerLimits limits;
        limits.readTimeoutMs = 300;
        limits.keepAliveTimeoutMs = 300;
        limits.requestTimeoutMs = 600;
        RunningMarket m(1, limits);
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
        auto m = std::make_unique<RunningMarket>(1);
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
