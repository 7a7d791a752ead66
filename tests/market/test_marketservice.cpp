#include "market/marketload.h"
#include "marketclock.h"
#include "markethttpserver.h"
#include "marketservice.h"
#include "simulatedmarket.h"
#include "sync/quotereader.h"

#include <QImage>
#include <QRegularExpression>
#include <QTcpSocket>
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

// A market clock the test sets by hand, read from the server's threads.
struct ManualClock : MarketClock
{
    std::atomic<qint64> msecs{kMoment.toMSecsSinceEpoch()};
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC); }
    void set(const QDateTime &at) { msecs = at.toMSecsSinceEpoch(); }
};

// The whole service in-process, on a free 127.0.0.1 port, stopped when it goes out of scope.
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

    ManualClock clock;
    SimulatedMarket market;
    MarketHttpServer server;
    MarketService service; // stops its render threads before the server goes
    int port = 0;
    std::thread thread;
};

struct WireAnswer
{
    int status = 0;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

// A plain socket speaking HTTP/1.1, so tests see the exact bytes the service sends.
class RawClient
{
public:
    static constexpr int kWaitMs = 10000;

    explicit RawClient(int port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        m_socket.waitForConnected(kWaitMs);
    }

    bool send(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        return m_socket.waitForBytesWritten(kWaitMs);
    }

    // One answer; nullopt when the connection ends or stalls first.
    std::optional<WireAnswer> read(bool headRequest = false)
    {
        WireAnswer answer;
        qsizetype end;
        while ((end = m_buffer.indexOf("\r\n\r\n")) < 0)
            if (!fill())
                return std::nullopt;
        const QList<QByteArray> lines = m_buffer.left(end).split('\n');
        answer.status = lines.front().trimmed().split(' ').value(1).toInt();
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                answer.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const qsizetype length = headRequest ? 0 : answer.headers.value("content-length").toLongLong();
        while (m_buffer.size() < end + 4 + length)
            if (!fill())
                return std::nullopt;
        answer.body = m_buffer.mid(end + 4, length);
        m_buffer.remove(0, end + 4 + length);
        return answer;
    }

    std::optional<WireAnswer> exchange(const QByteArray &request)
    {
        return send(request) ? read(request.startsWith("HEAD ")) : std::nullopt;
    }

    // True once the service has closed the connection (within kWaitMs).
    bool closedByPeer()
    {
        while (m_socket.state() == QAbstractSocket::ConnectedState) {
            if (!m_socket.waitForReadyRead(kWaitMs) && m_socket.state() == QAbstractSocket::ConnectedState)
                return false;
            m_buffer += m_socket.readAll();
        }
        return true;
    }

    QTcpSocket &socket() { return m_socket; }

private:
    bool fill()
    {
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(kWaitMs))
            return false;
        m_buffer += m_socket.readAll();
        return true;
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
};

QByteArray getRequest(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

// Exactly what the game sends for a quote: its headers, a range from 0 and keep-alive.
QByteArray gameRequest(const QByteArray &query)
{
    return "GET /d/quotes.csv?" + query +
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

// A literal with NUL bytes in it, whole.
template <std::size_t N> QByteArray withNul(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1));
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

// The composite index's level and previous close as the information page shows them, in cents.
std::optional<std::pair<Cents, Cents>> pageIndex(const QByteArray &html)
{
    static const QRegularExpression re(QStringLiteral(
        "Quorvane Composite.*?<b>([0-9]+)\\.([0-9]{2})</b>.*?<font[^>]*>([+-])([0-9]+)\\.([0-9]{2}) "));
    const QRegularExpressionMatch m = re.match(QString::fromUtf8(html));
    if (!m.hasMatch())
        return std::nullopt;
    const Cents now = m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong();
    const Cents change = (m.captured(4).toLongLong() * 100 + m.captured(5).toLongLong()) *
                         (m.captured(3) == QStringLiteral("-") ? -1 : 1);
    return std::make_pair(now, now - change);
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
        QTest::addRow("several tickers in the order asked")
            << QByteArray("s=IBM+MSFT+A&f=sl1d1t1c1ohgv&e=.csv") << QList<QByteArray>{"=IBM", "=MSFT", "=A"};
        QTest::addRow("a repeated ticker answers twice")
            << QByteArray("s=IBM+IBM") << QList<QByteArray>{"=IBM", "=IBM"};
        QTest::addRow("unknown ticker: symbol, 0.00 and seven N/A")
            << QByteArray("s=ZZZZ&f=sl1d1t1c1ohgv&e=.csv") << QList<QByteArray>{"\"ZZZZ\"" + unknown};
        QTest::addRow("tickers are case-sensitive")
            << QByteArray("s=msft") << QList<QByteArray>{"\"msft\"" + unknown};
        QTest::addRow("unknown and known mixed")
            << QByteArray("s=XYZ,DELL") << QList<QByteArray>{"\"XYZ\"" + unknown, "=DELL"};
        QTest::addRow("other tags give N/A in place")
            << QByteArray("s=ZZZZ&f=nsxl1") << QList<QByteArray>{"N/A,\"ZZZZ\",N/A,0.00"};
        QTest::addRow("encoded separators and symbols")
            << QByteArray("s=IBM%20DELL%2CA") << QList<QByteArray>{"=IBM", "=DELL", "=A"};
        QList<QByteArray> every;
        for (const QString &ticker : AllTickers())
            every << "=" + ticker.toLatin1();
        QTest::addRow("the whole catalogue") << "s=" + allTickers() + "&f=sl1d1t1c1ohgv&e=.csv" << every;
    }

    void quoteLines()
    {
        QFETCH(QByteArray, query);
        QFETCH(QList<QByteArray>, lines);
        RawClient client(m_shared->port);
        const auto answer = client.exchange(gameRequest(query));
        QVERIFY(answer);
        // The game reads the length and ignores the status: a range from 0 carries the whole answer.
        QVERIFY(answer->status == 200 || answer->status == 206);
        QCOMPARE(answer->headers.value("content-type"), QByteArray("text/csv"));
        QCOMPARE(answer->headers.value("content-length").toInt(), answer->body.size());
        QVERIFY(answer->body.endsWith("\r\n"));
        QCOMPARE(answer->body.count('\n'), lines.size());
        const QStringList got = QString::fromLatin1(answer->body.chopped(2)).split(QStringLiteral("\r\n"));
        QCOMPARE(got.size(), lines.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            if (lines[i].startsWith('='))
                verifyReadsBack(got[i].toLatin1(), m_shared->market, lines[i].mid(1));
            else
                QCOMPARE(got[i].toLatin1(), lines[i]);
        }
    }

    void sameSeedAndClockGiveSameAnswers()
    {
        const QByteArray request = getRequest("/d/quotes.csv?s=" + allTickers());
        RunningMarket a(21), b(21), other(22);
        auto body = [&](int port) { return RawClient(port).exchange(request).value_or(WireAnswer()).body; };
        const QByteArray first = body(a.port);
        QVERIFY(first.size() > 228 * 40);
        // Earlier days computed first must not change today's answers.
        b.market.quoteAt(0, kMoment.addDays(-3));
        QCOMPARE(body(b.port), first);
        QVERIFY(body(other.port) != first);
        // The market moves with the clock, and comes back with it.
        a.clock.set(kMoment.addSecs(30));
        QVERIFY(body(a.port) != first);
        a.clock.set(kMoment);
        QCOMPARE(body(a.port), first);
    }

    void chartImages_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("data");
        QTest::addRow("the chart page's address")
            << QByteArray(
                   "symbol=MSFT&ticker=MSFT&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&"
                   "indicator=0,,,;&vol=1&nodata=&skin=")
            << QSize(415, 240) << true;
        QTest::addRow("size absent") << QByteArray("symbol=IBM") << QSize(415, 240) << true;
        QTest::addRow("ticker key alone")
            << QByteArray("ticker=IBM&width=300&height=200") << QSize(300, 200) << true;
        QTest::addRow("smallest") << QByteArray("symbol=A&width=120&height=80&vol=1") << QSize(120, 80)
                                  << true;
        QTest::addRow("largest") << QByteArray("symbol=A&width=1600&height=1200&vol=1") << QSize(1600, 1200)
                                 << true;
        QTest::addRow("six months") << QByteArray("symbol=GE&dur=6m") << QSize(415, 240) << true;
        QTest::addRow("unknown ticker") << QByteArray("symbol=ZZZZ&vol=1") << QSize(415, 240) << false;
    }

    void chartImages()
    {
        QFETCH(QByteArray, query);
        QFETCH(QSize, size);
        QFETCH(bool, data);
        const auto answer = RawClient(m_shared->port).exchange(getRequest("/servlet/ChartEngine?" + query));
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        QCOMPARE(answer->headers.value("content-type"), QByteArray("image/png"));
        QCOMPARE(answer->headers.value("content-length").toInt(), answer->body.size());
        const QImage image = QImage::fromData(answer->body, "PNG");
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
        RawClient client(m.port);
        auto fetch = [&](const QByteArray &query) {
            return client.exchange(getRequest("/servlet/ChartEngine?" + query)).value_or(WireAnswer()).body;
        };
        const QByteArray first = fetch("symbol=IBM&width=415&height=240&vol=1");
        m.clock.set(kMoment.addSecs(3600));
        QCOMPARE(fetch("symbol=IBM&width=415&height=240&vol=1"), first);
        QCOMPARE(m.service.chartCache().renderCount(), 1);
        fetch("symbol=IBM&width=416&height=240&vol=1");
        fetch("symbol=MSFT&width=415&height=240&vol=1");
        fetch("symbol=IBM&width=415&height=240");
        QCOMPARE(m.service.chartCache().renderCount(), 4);
        // A new market day has one more completed session.
        m.clock.set(kMoment.addDays(1));
        QVERIFY(fetch("symbol=IBM&width=415&height=240&vol=1") != first);
        QCOMPARE(m.service.chartCache().renderCount(), 5);
    }

    // Renders side by side on the render pool give the bytes of rendering one at a time, and
    // clients asking for the same missing chart together share one rendering.
    void concurrentChartsMatchSerialOnes()
    {
        std::vector<std::string> targets;
        for (const char *ticker : {"IBM", "MSFT", "GE", "ZZZZ"})
            for (const char *size : {"width=415&height=240&vol=1", "width=1600&height=1200&vol=1",
                                     "width=120&height=80", "width=300&height=200&dur=3m"})
                targets.push_back(std::string("/servlet/ChartEngine?symbol=") + ticker + "&" + size);
        auto fetch = [](int fd, marketload::Reader &reader, const std::string &target) {
            const auto answer = marketload::sendAll(fd, "GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n")
                                    ? reader.read(60000)
                                    : std::nullopt;
            return answer && answer->status == 200 ? answer->body : std::string();
        };

        RunningMarket serial(1);
        std::vector<std::string> expected;
        {
            const int fd = marketload::connectFrom(serial.port, "127.0.0.1");
            marketload::Reader reader(fd);
            for (const std::string &target : targets)
                expected.push_back(fetch(fd, reader, target));
            ::close(fd);
        }

        RunningMarket together(1);
        constexpr int kClients = 6;
        std::vector<std::vector<std::string>> got(kClients, std::vector<std::string>(targets.size()));
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c) {
            clients.emplace_back([&, c] {
                std::vector<std::size_t> order(targets.size());
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), std::mt19937{unsigned(c)});
                const int fd = marketload::connectFrom(together.port, "127.0.0.1");
                marketload::Reader reader(fd);
                for (std::size_t i : order)
                    got[std::size_t(c)][i] = fetch(fd, reader, targets[i]);
                ::close(fd);
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
        const auto answer = RawClient(m.port).exchange(getRequest("/table.csv?s=" + ticker));
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        QCOMPARE(answer->headers.value("content-type"), QByteArray("text/csv"));
        const QList<QByteArray> lines = crlfLines(answer->body);
        QCOMPARE(lines.size(), 1 + 365);
        QCOMPARE(lines.front(), QByteArray("Date,Open,High,Low,Close,Volume,Adj Close"));

        // The chart's own closes: the completed sessions of the year before the market day.
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
            const QList<QByteArray> items = lines[row + 1].split(',');
            QCOMPARE(items.size(), 7);
            QCOMPARE(items[0], day.toString(Qt::ISODate).toLatin1());
            QCOMPARE(items[1], cents(bar.open));
            QCOMPARE(items[2], cents(bar.high));
            QCOMPARE(items[3], cents(bar.low));
            QCOMPARE(items[4], cents(close.close));
            QCOMPARE(items[5], QByteArray::number(close.volume));
            QCOMPARE(items[5], QByteArray::number(bar.volume));
            QCOMPARE(items[6], items[4]);
            QVERIFY(bar.high >= std::max(bar.open, bar.close));
            QVERIFY(bar.low <= std::min(bar.open, bar.close));
        }
    }

    void historyOfTheIndex_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<int>("daysBack"); // the information page's day before kMoment
        QTest::addRow("encoded, yesterday's close") << QByteArray("%5EQVC") << 0;
        QTest::addRow("plain, a week back") << QByteArray("^QVC") << 7;
        QTest::addRow("encoded, the oldest row") << QByteArray("%5EQVC") << 364;
    }

    void historyOfTheIndex()
    {
        QFETCH(QByteArray, symbol);
        QFETCH(int, daysBack);
        RunningMarket m(5);
        const auto answer = RawClient(m.port).exchange(getRequest("/table.csv?s=" + symbol));
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        const QList<QByteArray> lines = crlfLines(answer->body);
        QCOMPARE(lines.size(), 1 + 365);
        QCOMPARE(lines.front(), QByteArray("Date,Open,High,Low,Close,Volume,Adj Close"));
        for (int row = 0; row < 365; ++row) {
            const QList<QByteArray> items = lines[row + 1].split(',');
            QCOMPARE(items.size(), 7);
            QCOMPARE(items[0], kMoment.date().addDays(-1 - row).toString(Qt::ISODate).toLatin1());
            const double open = items[1].toDouble(), high = items[2].toDouble(), low = items[3].toDouble(),
                         close = items[4].toDouble();
            QVERIFY(open > 0 && close > 0);
            QVERIFY(high >= std::max(open, close) && low <= std::min(open, close));
            QCOMPARE(items[6], items[4]);
        }

        // Row daysBack closed the session before the day the page is shown on.
        const QDate day = kMoment.date().addDays(-1 - daysBack);
        const QList<QByteArray> items = lines[daysBack + 1].split(',');
        m.clock.set(kMoment.addDays(-daysBack));
        const auto page = RawClient(m.port).exchange(getRequest("/infos"));
        QVERIFY(page);
        const auto index = pageIndex(page->body);
        QVERIFY(index);
        QCOMPARE(items[4], cents(index->second));
        qint64 volume = 0;
        for (int stock = 0; stock < m.market.stockCount(); ++stock)
            volume += m.market.dailyCloses(stock, day, day).front().volume;
        QCOMPARE(items[5], QByteArray::number(volume));
    }

    void historyExactBytes()
    {
        RunningMarket m(1);
        const auto answer = RawClient(m.port).exchange(getRequest("/table.csv?s=IBM"));
        QVERIFY(answer);
        QCOMPARE(answer->body.left(answer->body.indexOf('\n', 44) + 1),
                 QByteArray("Date,Open,High,Low,Close,Volume,Adj Close\r\n"
                            "2004-05-31,16.59,16.90,16.41,16.53,1073200,16.53\r\n"));
    }

    // Kept for the market day; the next day has one more session at the top.
    void historyMovesWithTheDay()
    {
        RunningMarket m(2);
        RawClient client(m.port);
        auto fetch = [&] {
            return crlfLines(client.exchange(getRequest("/table.csv?s=GE")).value_or(WireAnswer()).body);
        };
        const QList<QByteArray> first = fetch();
        QCOMPARE(first.size(), 366);
        m.clock.set(kMoment.addSecs(3600));
        QCOMPARE(fetch(), first);
        m.clock.set(kMoment.addDays(1));
        const QList<QByteArray> next = fetch();
        QCOMPARE(next.size(), 366);
        QVERIFY(next[1].startsWith("2004-06-01,"));
        QCOMPARE(next.mid(2), first.mid(1, 364));
    }

    void historyRefusals_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body"); // for 200
        const QByteArray header = "Date,Open,High,Low,Close,Volume,Adj Close\r\n";
        QTest::addRow("no query") << QByteArray("") << 400 << QByteArray();
        QTest::addRow("no s") << QByteArray("?a=1") << 400 << QByteArray();
        QTest::addRow("empty s") << QByteArray("?s=") << 400 << QByteArray();
        QTest::addRow("two tickers") << QByteArray("?s=IBM+MSFT") << 400 << QByteArray();
        QTest::addRow("two tickers, comma") << QByteArray("?s=IBM,%5EQVC") << 400 << QByteArray();
        QTest::addRow("bad escape") << QByteArray("?s=%5") << 400 << QByteArray();
        QTest::addRow("quote in the ticker") << QByteArray("?s=A%22B") << 400 << QByteArray();
        QTest::addRow("unknown ticker: no sessions") << QByteArray("?s=ZZZZ") << 200 << header;
        QTest::addRow("tickers are case-sensitive") << QByteArray("?s=%5Eqvc") << 200 << header;
    }

    void historyRefusals()
    {
        QFETCH(QByteArray, query);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        const auto answer = RawClient(m_shared->port).exchange(getRequest("/table.csv" + query));
        QVERIFY(answer);
        QCOMPARE(answer->status, status);
        if (status == 200) {
            QCOMPARE(answer->headers.value("content-type"), QByteArray("text/csv"));
            QCOMPARE(answer->body, body);
        } else {
            QVERIFY(answer->body.startsWith(QByteArray::number(status)));
        }
    }

    void infoPage()
    {
        RunningMarket m(4);
        const auto answer = RawClient(m.port).exchange(getRequest("/infos"));
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        QCOMPARE(answer->headers.value("content-type"), QByteArray("text/html; charset=utf-8"));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(answer->body));
        const QString page = document.toPlainText();
        QVERIFY(page.contains(QStringLiteral("Tuesday, June 1, 2004")));
        QVERIFY(page.contains(QStringLiteral("Quorvane Composite")));
        QVERIFY(!page.contains(u'<'));
        QVERIFY(page.contains(QStringLiteral("Marsh & McLennan")) || !answer->body.contains("Marsh"));

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

    void badRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("closes"); // the connection ends after the answer
        QTest::addRow("unknown path") << getRequest("/nowhere") << 404 << false;
        QTest::addRow("root") << getRequest("/") << 404 << false;
        QTest::addRow("post with a body")
            << QByteArray("POST /d/quotes.csv?s=A HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello")
            << 405 << true;
        QTest::addRow("delete") << QByteArray("DELETE /infos HTTP/1.1\r\nHost: x\r\n\r\n") << 405 << false;
        QTest::addRow("bad escape") << getRequest("/d/quotes.csv?s=%zz") << 400 << false;
        QTest::addRow("no tickers") << getRequest("/d/quotes.csv?f=sl1") << 400 << false;
        QTest::addRow("empty ticker list") << getRequest("/d/quotes.csv?s=+") << 400 << false;
        QTest::addRow("bad field tags") << getRequest("/d/quotes.csv?s=A&f=s;l1") << 400 << false;
        QTest::addRow("quote in a ticker") << getRequest("/d/quotes.csv?s=A%22B") << 400 << false;
        QTest::addRow("chart too wide")
            << getRequest("/servlet/ChartEngine?symbol=A&width=1601") << 400 << false;
        QTest::addRow("chart too flat")
            << getRequest("/servlet/ChartEngine?symbol=A&height=79") << 400 << false;
        QTest::addRow("chart width not a number")
            << getRequest("/servlet/ChartEngine?symbol=A&width=4x") << 400 << false;
        QTest::addRow("chart without a ticker")
            << getRequest("/servlet/ChartEngine?width=415") << 400 << false;
        QTest::addRow("chart of two tickers")
            << getRequest("/servlet/ChartEngine?symbol=A+B") << 400 << false;
        QTest::addRow("chart of five years")
            << getRequest("/servlet/ChartEngine?symbol=A&dur=5y") << 400 << false;
        QTest::addRow("request line too long")
            << getRequest("/d/quotes.csv?s=" + QByteArray(9000, 'A')) << 414 << true;
        QByteArray manyHeaders = "GET /infos HTTP/1.1\r\nHost: x\r\n";
        for (int i = 0; i < 300; ++i)
            manyHeaders += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(80, 'f') + "\r\n";
        QTest::addRow("headers too large") << manyHeaders + "\r\n" << 431 << true;
        QTest::addRow("body too large")
            << QByteArray("GET /infos HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n") +
                   QByteArray(8192, 'b')
            << 413 << true;
        QTest::addRow("get with a small body")
            << QByteArray("GET /nowhere HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nGET ") << 404 << true;
        QTest::addRow("get with a chunked body")
            << QByteArray("GET /infos HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: "
                          "chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
            << 400 << true;
        QTest::addRow("length not a number")
            << QByteArray("GET /infos HTTP/1.1\r\nHost: x\r\nContent-Length: 1e3\r\n\r\n") << 400 << true;
        QTest::addRow("not a request line") << QByteArray("HELLO\r\n\r\n") << 400 << true;
        QTest::addRow("not HTTP/1") << QByteArray("GET /infos HTTP/2.0\r\nHost: x\r\n\r\n") << 400 << true;
        QTest::addRow("two Host headers")
            << QByteArray("GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n") << 400 << true;
        QTest::addRow("the same Host twice, in other case")
            << QByteArray("GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: a\r\nhost: a\r\n\r\n") << 400 << true;
        QTest::addRow("NUL in a header value")
            << withNul("GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: a\r\nX-Note: a\0b\r\n\r\n") << 400 << true;
        QTest::addRow("NUL in the Host value")
            << withNul("GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: a\0b\r\n\r\n") << 400 << true;
        QTest::addRow("NUL ending a header value")
            << withNul("GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: a\r\nX-Note: ab\0\r\n\r\n") << 400 << true;
        QTest::addRow("range beyond the answer")
            << QByteArray("GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\nRange: bytes=5000-\r\n\r\n") << 416
            << false;
    }

    void badRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(bool, closes);
        RawClient client(m_shared->port);
        const auto answer = client.exchange(request);
        QVERIFY(answer);
        QCOMPARE(answer->status, status);
        QVERIFY(answer->body.startsWith(QByteArray::number(status)) || status == 416);
        QVERIFY(answer->headers.contains("content-length"));
        if (status == 405)
            QCOMPARE(answer->headers.value("allow"), QByteArray("GET, HEAD"));
        QCOMPARE(answer->headers.value("connection") == "close", closes);
        if (closes) {
            QVERIFY(client.closedByPeer());
        } else {
            const auto next = client.exchange(getRequest("/d/quotes.csv?s=IBM"));
            QVERIFY(next);
            QCOMPARE(next->status, 200);
        }
    }

    // Runs after every bad request above was sent to the shared service.
    void keepAliveAndHead()
    {
        RawClient client(m_shared->port);
        const auto first = client.exchange(getRequest("/d/quotes.csv?s=IBM"));
        const auto head = client.exchange("HEAD /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\n\r\n");
        const auto missing = client.exchange(getRequest("/nowhere"));
        const auto second = client.exchange(getRequest("/d/quotes.csv?s=IBM"));
        QVERIFY(first && head && missing && second);
        QCOMPARE(first->status, 200);
        QVERIFY(first->body.startsWith("\"IBM\","));
        QCOMPARE(head->status, 200);
        QVERIFY(head->body.isEmpty());
        QCOMPARE(head->headers.value("content-length").toInt(), first->body.size());
        QCOMPARE(missing->status, 404);
        QCOMPARE(second->body, first->body);

        // Two requests in one packet get two answers, in order.
        QVERIFY(client.send(getRequest("/d/quotes.csv?s=A") + getRequest("/d/quotes.csv?s=IBM")));
        const auto pipelinedFirst = client.read();
        const auto pipelinedSecond = client.read();
        QVERIFY(pipelinedFirst && pipelinedSecond);
        QVERIFY(pipelinedFirst->body.startsWith("\"A\","));
        QCOMPARE(pipelinedSecond->body, first->body);

        // An answer given without reading the request's body ends the connection.
        const auto refused =
            client.exchange("PUT /infos HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nGET ");
        QVERIFY(refused);
        QCOMPARE(refused->status, 405);
        QCOMPARE(refused->headers.value("connection"), QByteArray("close"));
        QVERIFY(client.closedByPeer());
    }

    void idleAndStalledClientsAreDropped()
    {
        ServerLimits limits;
        limits.readTimeoutMs = 300;
        limits.keepAliveTimeoutMs = 300;
        limits.requestTimeoutMs = 600;
        RunningMarket m(1, limits);
        RawClient silent(m.port), stalled(m.port), idle(m.port);
        QVERIFY(stalled.send("GET /infos HTTP/1.1\r\nHost: x\r\n"));
        QVERIFY(idle.exchange(getRequest("/infos")));
        QVERIFY(silent.closedByPeer());
        QVERIFY(stalled.closedByPeer());
        QVERIFY(idle.closedByPeer());

        // A byte now and then, each within the read time-out, still meets the request's deadline.
        RawClient trickling(m.port);
        const QByteArray request =
            "GET /infos HTTP/1.1\r\nHost: x\r\nX-Slow: " + QByteArray(200, 's') + "\r\n\r\n";
        qsizetype sent = 0;
        while (sent < request.size() && trickling.socket().state() == QAbstractSocket::ConnectedState) {
            trickling.socket().write(request.mid(sent++, 1));
            trickling.socket().waitForBytesWritten(RawClient::kWaitMs);
            trickling.socket().waitForReadyRead(limits.readTimeoutMs / 3);
        }
        QVERIFY(sent < request.size());
        QVERIFY(trickling.closedByPeer());
        QVERIFY(RawClient(m.port).exchange(getRequest("/infos")));
    }

    void shutdownWithOpenConnections()
    {
        auto m = std::make_unique<RunningMarket>(1);
        RawClient idle(m->port), partial(m->port);
        QVERIFY(idle.exchange(getRequest("/infos")));
        QVERIFY(partial.send("GET /infos HTTP/1.1\r\n"));
        m.reset();
        QVERIFY(idle.closedByPeer());
        QVERIFY(partial.closedByPeer());
    }

    void loadOf20000Requests()
    {
        constexpr int kConnections = 32;
        constexpr int kPerConnection = 625;
        const QStringList tickers = AllTickers();
        std::atomic<int> answered{0}, failed{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < kConnections; ++c) {
            clients.emplace_back([&, c] {
                const int fd = marketload::connectFrom(m_shared->port, "127.0.0.1");
                marketload::Reader reader(fd);
                std::mt19937 pick{unsigned(c)};
                for (int i = 0; i < kPerConnection; ++i) {
                    const std::string ticker = tickers[int(pick() % unsigned(tickers.size()))].toStdString();
                    const bool info = i % 50 == 49;
                    const std::string request = info ? std::string("GET /infos HTTP/1.1\r\nHost: x\r\n\r\n")
                                                     : marketload::quoteRequest(ticker, true);
                    const auto res =
                        fd >= 0 && marketload::sendAll(fd, request) ? reader.read(10000) : std::nullopt;
                    const bool ok = info ? res && res->status == 200 &&
                                               res->body.find("Quorvane Composite") != std::string::npos
                                         : marketload::isQuote(res, ticker);
                    (ok ? answered : failed)++;
                }
                if (fd >= 0)
                    ::close(fd);
            });
        }
        for (std::thread &t : clients)
            t.join();
        QCOMPARE(failed.load(), 0);
        QCOMPARE(answered.load(), kConnections * kPerConnection);
    }

    void cleanupTestCase() { m_shared.reset(); }
};

QTEST_MAIN(TestMarketService)
#include "test_marketservice.moc"
