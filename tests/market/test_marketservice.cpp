// The whole service in-process over real HTTP on 127.0.0.1: the exact answers, refusals,
// keep-alive and time-outs, and many clients at once.
#include "common/rawhttp.h"
#include "market/marketload.h"
#include "marketclock.h"
#include "markethttpserver.h"
#include "marketservice.h"
#include "simulatedmarket.h"
#include "sync/quotereader.h"

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

// Exactly what the game sends for a quote: its headers, a range from 0 and keep-alive.
std::string gameRequest(const QByteArray &query)
{
    return "GET /d/quotes.csv?" + query.toStdString() +
           " HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Accept-Language: fr\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
           "Range: bytes=0-\r\nHost: 127.0.0.1\r\nConnection: Keep-Alive\r\n\r\n";
}

// The game's reader must give back the model's own values at kMoment.
void verifyReadsBack(const QByteArray &line, const SimulatedMarket &market, const QByteArray &ticker)
{
    const MarketQuote q = market.quoteAt(market.indexOf(ticker.toStdString()), kMoment);
    const QuoteRecord r = parseQuoteRecord(line);
    QCOMPARE(r.symbol, QString::fromLatin1(ticker));
    QCOMPARE(r.lastTrade.number.value_or(-1), double(q.last) / 100.0);
    QCOMPARE(r.tradeDate, QStringLiteral("6/1/2004"));
    QCOMPARE(r.tradeTime, QStringLiteral("1:37pm"));
    QCOMPARE(r.change, QString::asprintf("%+.2f", double(q.last - q.previousClose) / 100.0));
    QCOMPARE(r.open.units(), q.open * 100);
    QCOMPARE(r.dayHigh, QString::asprintf("%.2f", double(q.high) / 100.0));
    QCOMPARE(r.dayLow, QString::asprintf("%.2f", double(q.low) / 100.0));
    QCOMPARE(qint64(r.volume.number.value_or(-1)), q.volume);
}

QByteArray allTickers()
{
    return AllTickers().join(QLatin1Char('+')).toLatin1();
}

// The lines of a CR LF ended text, without their ends; empty when a line lacks its CR LF.
QList<QByteArray> crlfLines(const QByteArray &body)
{
    if (!body.endsWith("\r\n"))
        return {};
    QList<QByteArray> lines = body.chopped(1).split('\n');
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
    const Cents now = m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong();
    const Cents change = (m.captured(4).toLongLong() * 100 + m.captured(5).toLongLong()) *
                         (m.captured(3) == QStringLiteral("-") ? -1 : 1);
    return now - change;
}

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
        QTest::addColumn<QList<QByteArray>>("lines"); // "=T" lines are T's full quote, read back
        const QByteArray unknown = ",0.00,N/A,N/A,N/A,N/A,N/A,N/A,N/A";
        const auto row = [](const char *name, const QByteArray &query, const QList<QByteArray> &lines) {
            QTest::addRow("%s", name) << query << lines;
        };
        row("several tickers in order", "s=IBM+MSFT+A&f=sl1d1t1c1ohgv&e=.csv", {"=IBM", "=MSFT", "=A"});
        row("a repeated ticker answers twice", "s=IBM+IBM", {"=IBM", "=IBM"});
        row("unknown ticker", "s=ZZZZ&f=sl1d1t1c1ohgv&e=.csv", {"\"ZZZZ\"" + unknown});
        row("tickers are case-sensitive", "s=msft", {"\"msft\"" + unknown});
        row("unknown and known mixed", "s=XYZ,DELL", {"\"XYZ\"" + unknown, "=DELL"});
        row("other tags give N/A in place", "s=ZZZZ&f=nsxl1", {"N/A,\"ZZZZ\",N/A,0.00"});
        row("encoded separators", "s=IBM%20DELL%2CA", {"=IBM", "=DELL", "=A"});
        QList<QByteArray> every;
        for (const QString &ticker : AllTickers())
            every << "=" + ticker.toLatin1();
        row("the whole catalogue", "s=" + allTickers() + "&f=sl1d1t1c1ohgv&e=.csv", every);
    }
    void quoteLines()
    {
        QFETCH(QByteArray, query);
        QFETCH(QList<QByteArray>, lines);
        const auto answer = rawhttp::Client(m_shared->port).exchange(gameRequest(query));
        QVERIFY(answer);
        // The game reads the length and ignores the status: a range from 0 carries the whole answer.
        QVERIFY(answer->status == 200 || answer->status == 206);
        QCOMPARE(qb(answer->header("content-type")), QByteArray("text/csv"));
        QCOMPARE(qb(answer->header("content-length")).toULongLong(), qulonglong(answer->body.size()));
        const QList<QByteArray> got = crlfLines(qb(answer->body));
        QCOMPARE(got.size(), lines.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            if (lines[i].startsWith('='))
                verifyReadsBack(got[i], m_shared->market, lines[i].mid(1));
            else
                QCOMPARE(got[i], lines[i]);
        }
    }

    void sameSeedAndClockGiveSameAnswers()
    {
        const QByteArray target = "/d/quotes.csv?s=" + allTickers();
        RunningMarket a(21), b(21), other(22);
        const QByteArray first = a.body(target);
        QVERIFY(first.size() > 228 * 40);
        // Earlier days computed first must not change today's answers.
        b.market.quoteAt(0, kMoment.addDays(-3));
        QCOMPARE(b.body(target), first);
        QVERIFY(other.body(target) != first);
        // The market moves with the clock, and comes back with it.
        a.clock.set(kMoment.addSecs(30));
        QVERIFY(a.body(target) != first);
        a.clock.set(kMoment);
        QCOMPARE(a.body(target), first);
    }

    void chartImages_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("data");
        const auto row = [](const char *name, const char *query, QSize size, bool data) {
            QTest::addRow("%s", name) << QByteArray(query) << size << data;
        };
        row("the chart page's address",
            "symbol=MSFT&ticker=MSFT&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&"
            "indicator=0,,,;&vol=1&nodata=&skin=",
            {415, 240}, true);
        row("size absent", "symbol=IBM", {415, 240}, true);
        row("ticker key alone", "ticker=IBM&width=300&height=200", {300, 200}, true);
        row("smallest", "symbol=A&width=120&height=80&vol=1", {120, 80}, true);
        row("largest", "symbol=A&width=1600&height=1200&vol=1", {1600, 1200}, true);
        row("six months", "symbol=GE&dur=6m", {415, 240}, true);
        row("unknown ticker", "symbol=ZZZZ&vol=1", {415, 240}, false);
    }
    void chartImages()
    {
        QFETCH(QByteArray, query);
        QFETCH(QSize, size);
        QFETCH(bool, data);
        const auto answer = rawhttp::Client(m_shared->port)
                                .exchange(rawhttp::get("/servlet/ChartEngine?" + query.toStdString()));
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        QCOMPARE(qb(answer->header("content-type")), QByteArray("image/png"));
        QCOMPARE(qb(answer->header("content-length")).toULongLong(), qulonglong(answer->body.size()));
        const QImage image = QImage::fromData(qb(answer->body), "PNG");
        QCOMPARE(image.size(), size);
        // A drawn chart has its line in colour; the stand-in is grey text on white.
        int coloured = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                coloured += image.pixelColor(x, y).blue() - image.pixelColor(x, y).red() > 60;
        QCOMPARE(coloured > image.width(), data);
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
        constexpr int kClients = 6;
        std::vector<std::vector<std::string>> got(kClients, std::vector<std::string>(targets.size()));
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c) {
            clients.emplace_back([&, c] {
                std::vector<std::size_t> order(targets.size());
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), std::mt19937{unsigned(c)});
                rawhttp::Client client(together.port);
                for (std::size_t i : order)
                    got[std::size_t(c)][i] = fetch(client, targets[i]);
            });
        }
        for (std::thread &t : clients)
            t.join();
        for (std::size_t i = 0; i < targets.size(); ++i) {
            QVERIFY2(expected[i].rfind("\x89PNG", 0) == 0, targets[i].c_str());
            for (int c = 0; c < kClients; ++c)
                QVERIFY2(got[std::size_t(c)][i] == expected[i], targets[i].c_str());
        }
        QCOMPARE(together.service.chartCache().renderCount(), int(targets.size()));
    }

    // The chart's own sessions, one row per completed day of the year before the market day.
    void historyOfAStock_data()
    {
        QTest::addColumn<QByteArray>("ticker");
        QTest::addColumn<int>("dayOffset"); // the clock's day from kMoment
        QTest::addRow("IBM") << QByteArray("IBM") << 0;
        QTest::addRow("MSFT forty days on") << QByteArray("MSFT") << 40;
        QTest::addRow("A across a new year") << QByteArray("A") << -150;
        QTest::addRow("DELL on the first of March of a leap year") << QByteArray("DELL") << -92;
    }
    void historyOfAStock()
    {
        QFETCH(QByteArray, ticker);
        QFETCH(int, dayOffset);
        RunningMarket m(3);
        const QDateTime at = kMoment.addDays(dayOffset);
        m.clock.set(at);
        const QList<QByteArray> lines = crlfLines(m.body("/table.csv?s=" + ticker));
        QCOMPARE(lines.size(), 1 + 365);
        QCOMPARE(lines.front(), kHistoryHeader);
        const int stock = m.market.indexOf(ticker.toStdString());
        const QDate today = at.date();
        const std::vector<DailyClose> chart =
            m.market.dailyCloses(stock, today.addDays(-365), today.addDays(-1));
        QCOMPARE(chart.size(), std::size_t(365));
        for (int row = 0; row < 365; ++row) {
            const QDate day = today.addDays(-1 - row);
            const DailyClose &close = chart[std::size_t(364 - row)];
            QCOMPARE(close.date, day);
            const DailyBar bar = m.market.sessionBar(stock, day);
            QCOMPARE(close.volume, bar.volume);
            QVERIFY(bar.high >= std::max(bar.open, bar.close) && bar.low <= std::min(bar.open, bar.close));
            const QByteArray expected = day.toString(Qt::ISODate).toLatin1() + ',' + cents(bar.open) + ',' +
                                        cents(bar.high) + ',' + cents(bar.low) + ',' + cents(close.close) +
                                        ',' + QByteArray::number(close.volume) + ',' + cents(close.close);
            QCOMPARE(lines[row + 1], expected);
        }
    }

    // Row daysBack closed the session before the information page's day; its volume is the market's.
    void historyOfTheIndex_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<int>("daysBack");
        QTest::addRow("encoded, yesterday's close") << QByteArray("%5EQVC") << 0;
        QTest::addRow("plain, a week back") << QByteArray("^QVC") << 7;
        QTest::addRow("encoded, the oldest row") << QByteArray("%5EQVC") << 364;
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

        // The five best and five worst by percentage, best first.
        std::vector<std::pair<double, QString>> moves;
        for (int stock = 0; stock < m.market.stockCount(); ++stock) {
            const MarketQuote q = m.market.quoteAt(stock, kMoment);
            moves.emplace_back(double(q.last - q.previousClose) / double(q.previousClose),
                               QString::fromStdString(m.market.profile(stock).ticker));
        }
        std::stable_sort(moves.begin(), moves.end(),
                         [](const auto &a, const auto &b) { return a.first > b.first; });
        const qsizetype best = page.indexOf(QStringLiteral("Best of the day"));
        const qsizetype worst = page.indexOf(QStringLiteral("Worst of the day"));
        const qsizetype howTo = page.indexOf(QStringLiteral("How to play"));
        QVERIFY(best >= 0 && best < worst && worst < howTo);
        // Each list's five tickers start lines of their section, in this order.
        auto inOrder = [&](auto it, qsizetype from, qsizetype to) {
            for (const auto end = it + 5; it != end; ++it) {
                const QRegularExpression line(QStringLiteral("\\n") + QRegularExpression::escape(it->second) +
                                              QStringLiteral("\\s"));
                from = page.indexOf(line, from + 1);
                if (from < 0 || from >= to)
                    return false;
            }
            return true;
        };
        QVERIFY(inOrder(moves.cbegin(), best, worst));
        QVERIFY(inOrder(moves.crbegin(), worst, howTo));
    }

    // Refusals and odd requests: the status, whether the connection ends, and for a 200 the body.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QByteArray>("body"); // empty: a page starting with the status
        const auto get = [](const char *target) { return QByteArray::fromStdString(rawhttp::get(target)); };
        const auto row = [](const char *name, const QByteArray &request, int status, bool closes,
                            const QByteArray &body = {}) {
            QTest::addRow("%s", name) << request << status << closes << body;
        };
        row("unknown path", get("/nowhere"), 404, false);
        row("root", get("/"), 404, false);
        row("post with a body",
            "POST /d/quotes.csv?s=A HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", 405, true);
        row("delete", "DELETE /infos HTTP/1.1\r\nHost: x\r\n\r\n", 405, false);
        row("bad escape", get("/d/quotes.csv?s=%zz"), 400, false);
        row("no tickers", get("/d/quotes.csv?f=sl1"), 400, false);
        row("empty ticker list", get("/d/quotes.csv?s=+"), 400, false);
        row("bad field tags", get("/d/quotes.csv?s=A&f=s;l1"), 400, false);
        row("quote in a ticker", get("/d/quotes.csv?s=A%22B"), 400, false);
        row("chart too wide", get("/servlet/ChartEngine?symbol=A&width=1601"), 400, false);
        row("chart too flat", get("/servlet/ChartEngine?symbol=A&height=79"), 400, false);
        row("chart width not a number", get("/servlet/ChartEngine?symbol=A&width=4x"), 400, false);
        row("chart without a ticker", get("/servlet/ChartEngine?width=415"), 400, false);
        row("chart of two tickers", get("/servlet/ChartEngine?symbol=A+B"), 400, false);
        row("chart of five years", get("/servlet/ChartEngine?symbol=A&dur=5y"), 400, false);
        row("history without a query", get("/table.csv"), 400, false);
        row("history without s", get("/table.csv?a=1"), 400, false);
        row("history of nothing", get("/table.csv?s="), 400, false);
        row("history of two", get("/table.csv?s=IBM+MSFT"), 400, false);
        row("history of two, comma", get("/table.csv?s=IBM,%5EQVC"), 400, false);
        row("history, bad escape", get("/table.csv?s=%5"), 400, false);
        row("history, quote in the ticker", get("/table.csv?s=A%22B"), 400, false);
        row("history of an unknown ticker", get("/table.csv?s=ZZZZ"), 200, false, kHistoryHeader + "\r\n");
        row("history symbols are case-sensitive", get("/table.csv?s=%5Eqvc"), 200, false,
            kHistoryHeader + "\r\n");
        // The head's own refusals are pinned in test_httpexchange; one shows the socket ends.
        row("headers too large",
            "GET /infos HTTP/1.1\r\nHost: x\r\nX: " + QByteArray(20000, 'f') + "\r\n\r\n", 431, true);
        row("range beyond the answer",
            "GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\nRange: bytes=5000-\r\n\r\n", 416, false);
    }
    void refusals()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(bool, closes);
        QFETCH(QByteArray, body);
        rawhttp::Client client(m_shared->port);
        const auto answer = client.exchange(request.toStdString());
        QVERIFY(answer);
        QCOMPARE(answer->status, status);
        if (status == 200) {
            QCOMPARE(qb(answer->header("content-type")), QByteArray("text/csv"));
            QCOMPARE(qb(answer->body), body);
        } else if (status != 416) {
            QVERIFY(answer->body.rfind(std::to_string(status), 0) == 0);
        }
        QVERIFY(answer->headers.count("content-length"));
        if (status == 405)
            QCOMPARE(qb(answer->header("allow")), QByteArray("GET, HEAD"));
        QCOMPARE(answer->closes, closes);
        if (closes) {
            QVERIFY(client.closedByPeer());
        } else {
            const auto next = client.exchange(rawhttp::get("/d/quotes.csv?s=IBM"));
            QVERIFY(next);
            QCOMPARE(next->status, 200);
        }
    }

    // Runs after every refusal above was sent to the shared service.
    void keepAliveAndHead()
    {
        rawhttp::Client client(m_shared->port);
        const std::string ibm = rawhttp::get("/d/quotes.csv?s=IBM");
        const auto first = client.exchange(ibm);
        const auto head = client.exchange("HEAD /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\n\r\n");
        const auto missing = client.exchange(rawhttp::get("/nowhere"));
        const auto second = client.exchange(ibm);
        QVERIFY(first && head && missing && second);
        QCOMPARE(first->status, 200);
        QVERIFY(first->body.rfind("\"IBM\",", 0) == 0);
        QCOMPARE(head->status, 200);
        QVERIFY(head->body.empty());
        QCOMPARE(qb(head->header("content-length")).toULongLong(), qulonglong(first->body.size()));
        QCOMPARE(missing->status, 404);
        QCOMPARE(qb(second->body), qb(first->body));

        // Two requests in one packet get two answers, in order.
        QVERIFY(client.send(rawhttp::get("/d/quotes.csv?s=A") + ibm));
        const auto pipelinedFirst = client.read();
        const auto pipelinedSecond = client.read();
        QVERIFY(pipelinedFirst && pipelinedSecond);
        QVERIFY(pipelinedFirst->body.rfind("\"A\",", 0) == 0);
        QCOMPARE(qb(pipelinedSecond->body), qb(first->body));

        // An answer given without reading the request's body ends the connection.
        const auto refused =
            client.exchange("PUT /infos HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nGET ");
        QVERIFY(refused);
        QCOMPARE(refused->status, 405);
        QVERIFY(refused->closes);
        QVERIFY(client.closedByPeer());
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
