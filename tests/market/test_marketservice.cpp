#include "marketfixture.h"

#include "chartrenderer.h"
#include "markettext.h"
#include "sync/quotereader.h"

#include <httplib.h>

#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>

#include <algorithm>
#include <atomic>
#include <random>

namespace {

const QDateTime kMoment(QDate(2004, 6, 1), QTime(13, 37, 42), Qt::UTC);

// Exactly what the game sends for a quote: eight lines, a range from 0 and keep-alive.
QByteArray gameRequest(const QByteArray &ticker)
{
    return "GET /d/quotes.csv?s=" + ticker +
           "&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Accept-Language: fr\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
           "Range: bytes=0-\r\n"
           "Host: 127.0.0.1\r\n"
           "Connection: Keep-Alive\r\n"
           "\r\n";
}

// The game's reader must give back the model's own values.
void verifyReadsBack(const QByteArray &line, const SimulatedMarket &market, const QByteArray &ticker,
                     const QDateTime &at)
{
    const MarketQuote q = market.quoteAt(market.indexOf(ticker.toStdString()), at);
    const QuoteRecord r = parseQuoteRecord(line);
    QCOMPARE(r.symbol, QString::fromLatin1(ticker));
    QVERIFY(r.lastTrade.number.has_value());
    QCOMPARE(*r.lastTrade.number, double(q.last) / 100.0);
    QCOMPARE(r.tradeDate, QString::fromStdString(MarketText::shortDate(q.date)));
    QCOMPARE(r.tradeTime, QString::fromStdString(MarketText::clockTime(q.time)));
    QCOMPARE(r.change, QString::fromStdString(MarketText::signedPrice(q.last - q.previousClose)));
    QCOMPARE(r.open.units(), q.open * 100);
    QCOMPARE(r.dayHigh, QString::fromStdString(MarketText::price(q.high)));
    QCOMPARE(r.dayLow, QString::fromStdString(MarketText::price(q.low)));
    QVERIFY(r.volume.number.has_value());
    QCOMPARE(qint64(*r.volume.number), q.volume);
}

QByteArray allTickers()
{
    return AllTickers().join(QLatin1Char('+')).toLatin1();
}

} // namespace

class TestMarketService : public QObject
{
    Q_OBJECT

private slots:
    void gameRequestGetsWholeQuote();
    void quoteLines_data();
    void quoteLines();
    void everyLineReadsBack();
    void sameSeedAndClockGiveSameAnswers();
    void chartImages_data();
    void chartImages();
    void chartsAreCachedPerTickerSizeAndDay();
    void infoPage();
    void badRequests_data();
    void badRequests();
    void keepAliveAndHead();
    void idleAndStalledClientsAreDropped();
    void shutdownWithOpenConnections();
    void loadOf20000Requests();
};

void TestMarketService::gameRequestGetsWholeQuote()
{
    RunningMarket m(1, kMoment);
    QVERIFY(m.port > 0);
    RawClient client(m.port);
    const auto answer = client.exchange(gameRequest("MSFT"));
    QVERIFY(answer);
    // The game reads the length from the header and ignores the status: the range from 0
    // must still carry the whole line.
    QVERIFY(answer->status == 200 || answer->status == 206);
    QCOMPARE(answer->headers.value("content-type"), QByteArray("text/csv"));
    QCOMPARE(answer->headers.value("content-length").toInt(), answer->body.size());
    QVERIFY(answer->body.endsWith("\r\n"));
    QCOMPARE(answer->body.count("\r\n"), 1);
    QVERIFY(!answer->body.contains('\n') || answer->body.indexOf('\n') == answer->body.size() - 1);
    QVERIFY(answer->body.startsWith("\"MSFT\","));
    verifyReadsBack(answer->body, m.market, "MSFT", kMoment);
    QCOMPARE(parseQuoteRecord(answer->body).tradeDate, QString("6/1/2004"));
    QCOMPARE(parseQuoteRecord(answer->body).tradeTime, QString("1:37pm"));
}

void TestMarketService::quoteLines_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QList<QByteArray>>("lines"); // "=T" lines are T's full quote, read back

    QTest::addRow("several tickers in the order asked")
        << QByteArray("s=IBM+MSFT+A&f=sl1d1t1c1ohgv&e=.csv") << QList<QByteArray>{"=IBM", "=MSFT", "=A"};
    QTest::addRow("a repeated ticker answers twice")
        << QByteArray("s=IBM+IBM") << QList<QByteArray>{"=IBM", "=IBM"};
    QTest::addRow("unknown ticker: symbol, 0.00 and seven N/A")
        << QByteArray("s=ZZZZ&f=sl1d1t1c1ohgv&e=.csv")
        << QList<QByteArray>{"\"ZZZZ\",0.00,N/A,N/A,N/A,N/A,N/A,N/A,N/A"};
    QTest::addRow("tickers are case-sensitive")
        << QByteArray("s=msft") << QList<QByteArray>{"\"msft\",0.00,N/A,N/A,N/A,N/A,N/A,N/A,N/A"};
    QTest::addRow("unknown and known mixed")
        << QByteArray("s=XYZ,DELL") << QList<QByteArray>{"\"XYZ\",0.00,N/A,N/A,N/A,N/A,N/A,N/A,N/A", "=DELL"};
    QTest::addRow("other tags give N/A in place")
        << QByteArray("s=ZZZZ&f=nsxl1") << QList<QByteArray>{"N/A,\"ZZZZ\",N/A,0.00"};
    QTest::addRow("encoded separators and symbols")
        << QByteArray("s=IBM%20DELL%2CA") << QList<QByteArray>{"=IBM", "=DELL", "=A"};
}

void TestMarketService::quoteLines()
{
    QFETCH(QByteArray, query);
    QFETCH(QList<QByteArray>, lines);
    RunningMarket m(3, kMoment);
    RawClient client(m.port);
    const auto answer = client.exchange(getRequest("/d/quotes.csv?" + query));
    QVERIFY(answer);
    QCOMPARE(answer->status, 200);
    QVERIFY(answer->body.endsWith("\r\n"));
    const QList<QByteArray> got = answer->body.chopped(2).split('\n');
    QCOMPARE(got.size(), lines.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        QVERIFY(i + 1 == got.size() || got[i].endsWith('\r'));
        const QByteArray line = got[i].endsWith('\r') ? got[i].chopped(1) : got[i];
        if (lines[i].startsWith('='))
            verifyReadsBack(line, m.market, lines[i].mid(1), kMoment);
        else
            QCOMPARE(line, lines[i]);
    }
}

void TestMarketService::everyLineReadsBack()
{
    RunningMarket m(11, kMoment);
    RawClient client(m.port);
    const auto answer =
        client.exchange(getRequest("/d/quotes.csv?s=" + allTickers() + "&f=sl1d1t1c1ohgv&e=.csv"));
    QVERIFY(answer);
    const QList<QByteArray> lines = answer->body.split('\n');
    const QStringList tickers = AllTickers();
    QCOMPARE(lines.size(), tickers.size() + 1);
    QVERIFY(lines.last().isEmpty());
    for (qsizetype i = 0; i < tickers.size(); ++i)
        verifyReadsBack(lines[i] + '\n', m.market, tickers[i].toLatin1(), kMoment);
}

void TestMarketService::sameSeedAndClockGiveSameAnswers()
{
    const QByteArray request = getRequest("/d/quotes.csv?s=" + allTickers());
    RunningMarket a(21, kMoment);
    RunningMarket b(21, kMoment);
    RunningMarket other(22, kMoment);
    const QByteArray first = RawClient(a.port).exchange(request).value_or(HttpAnswer()).body;
    QVERIFY(first.size() > 228 * 40);
    QCOMPARE(RawClient(b.port).exchange(request).value_or(HttpAnswer()).body, first);
    QVERIFY(RawClient(other.port).exchange(request).value_or(HttpAnswer()).body != first);
    // The market moves with the clock: some price changes within a few ticks.
    a.clock.set(kMoment.addSecs(30));
    QVERIFY(RawClient(a.port).exchange(request).value_or(HttpAnswer()).body != first);
    a.clock.set(kMoment);
    QCOMPARE(RawClient(a.port).exchange(request).value_or(HttpAnswer()).body, first);
}

void TestMarketService::chartImages_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("data");
    QTest::addRow("the chart page's address")
        << QByteArray("symbol=MSFT&ticker=MSFT&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&"
                      "indicator=0,,,;&vol=1&nodata=&skin=")
        << QSize(415, 240) << true;
    QTest::addRow("size absent") << QByteArray("symbol=IBM") << QSize(415, 240) << true;
    QTest::addRow("ticker key alone")
        << QByteArray("ticker=IBM&width=300&height=200") << QSize(300, 200) << true;
    QTest::addRow("smallest") << QByteArray("symbol=A&width=120&height=80&vol=1") << QSize(120, 80) << true;
    QTest::addRow("largest") << QByteArray("symbol=A&width=1600&height=1200&vol=1") << QSize(1600, 1200)
                             << true;
    QTest::addRow("six months") << QByteArray("symbol=GE&dur=6m&width=415&height=240") << QSize(415, 240)
                                << true;
    QTest::addRow("unknown ticker") << QByteArray("symbol=ZZZZ&width=415&height=240&vol=1") << QSize(415, 240)
                                    << false;
}

void TestMarketService::chartImages()
{
    QFETCH(QByteArray, query);
    QFETCH(QSize, size);
    QFETCH(bool, data);
    RunningMarket m(1, kMoment);
    RawClient client(m.port);
    const auto answer = client.exchange(getRequest("/servlet/ChartEngine?" + query));
    QVERIFY(answer);
    QCOMPARE(answer->status, 200);
    QCOMPARE(answer->headers.value("content-type"), QByteArray("image/png"));
    QCOMPARE(answer->headers.value("content-length").toInt(), answer->body.size());
    const QImage image = QImage::fromData(answer->body, "PNG");
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    // A drawn chart has its line in colour; the stand-in is grey text on white.
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            coloured += c.blue() - c.red() > 60;
        }
    }
    QCOMPARE(coloured > image.width(), data);
}

void TestMarketService::chartsAreCachedPerTickerSizeAndDay()
{
    RunningMarket m(1, kMoment);
    RawClient client(m.port);
    auto fetch = [&](const QByteArray &query) {
        return client.exchange(getRequest("/servlet/ChartEngine?" + query)).value_or(HttpAnswer()).body;
    };
    const QByteArray first = fetch("symbol=IBM&width=415&height=240&vol=1");
    QCOMPARE(m.service.chartCache().renderCount(), 1);
    m.clock.set(kMoment.addSecs(3600));
    QCOMPARE(fetch("symbol=IBM&width=415&height=240&vol=1"), first);
    QCOMPARE(m.service.chartCache().renderCount(), 1);
    fetch("symbol=IBM&width=416&height=240&vol=1");
    fetch("symbol=MSFT&width=415&height=240&vol=1");
    fetch("symbol=IBM&width=415&height=240");
    QCOMPARE(m.service.chartCache().renderCount(), 4);
    // A new market day has one more completed session.
    m.clock.set(kMoment.addDays(1));
    const QByteArray nextDay = fetch("symbol=IBM&width=415&height=240&vol=1");
    QCOMPARE(m.service.chartCache().renderCount(), 5);
    QVERIFY(nextDay != first);
}

void TestMarketService::infoPage()
{
    RunningMarket m(4, kMoment);
    RawClient client(m.port);
    const auto answer = client.exchange(getRequest("/infos"));
    QVERIFY(answer);
    QCOMPARE(answer->status, 200);
    QCOMPARE(answer->headers.value("content-type"), QByteArray("text/html; charset=utf-8"));

    QTextDocument document;
    document.setHtml(QString::fromUtf8(answer->body));
    const QString page = document.toPlainText();
    QVERIFY(page.contains("Tuesday, June 1, 2004"));
    QVERIFY(page.contains("Quorvane Composite"));
    QVERIFY(page.contains("How to play"));
    QVERIFY(!page.contains('<'));
    QVERIFY(page.contains("Marsh & McLennan") || !answer->body.contains("Marsh"));

    // The five best and five worst by percentage, in order.
    struct Move
    {
        QString ticker;
        double ratio;
    };
    std::vector<Move> moves;
    for (int stock = 0; stock < m.market.stockCount(); ++stock) {
        const MarketQuote q = m.market.quoteAt(stock, kMoment);
        moves.push_back({QString::fromStdString(m.market.profile(stock).ticker),
                         double(q.last - q.previousClose) / double(q.previousClose)});
    }
    std::stable_sort(moves.begin(), moves.end(),
                     [](const Move &a, const Move &b) { return a.ratio > b.ratio; });
    const qsizetype best = page.indexOf("Best of the day");
    const qsizetype worst = page.indexOf("Worst of the day");
    const qsizetype howTo = page.indexOf("How to play");
    QVERIFY(best >= 0 && best < worst && worst < howTo);
    const QStringList bestLines = page.mid(best, worst - best).split('\n');
    const QStringList worstLines = page.mid(worst, howTo - worst).split('\n');
    QStringList bestShown, worstShown, bestExpected, worstExpected;
    for (const QString &line : bestLines)
        bestShown << line.section(QRegularExpression("\\s"), 0, 0);
    for (const QString &line : worstLines)
        worstShown << line.section(QRegularExpression("\\s"), 0, 0);
    for (int i = 0; i < 5; ++i) {
        bestExpected << moves[std::size_t(i)].ticker;
        worstExpected << moves[moves.size() - 1 - std::size_t(i)].ticker;
    }
    for (const QString &t : bestExpected)
        QVERIFY2(bestShown.contains(t), qPrintable(t));
    for (const QString &t : worstExpected)
        QVERIFY2(worstShown.contains(t), qPrintable(t));
    QVERIFY(bestShown.indexOf(bestExpected[0]) < bestShown.indexOf(bestExpected[4]));
}

void TestMarketService::badRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");

    QTest::addRow("unknown path") << getRequest("/nowhere") << 404;
    QTest::addRow("root") << getRequest("/") << 404;
    QTest::addRow("post with a body") << QByteArray("POST /d/quotes.csv?s=A HTTP/1.1\r\nHost: x\r\n"
                                                    "Content-Length: 5\r\n\r\nhello")
                                      << 405;
    QTest::addRow("delete") << QByteArray("DELETE /infos HTTP/1.1\r\nHost: x\r\n\r\n") << 405;
    QTest::addRow("bad escape") << getRequest("/d/quotes.csv?s=%zz") << 400;
    QTest::addRow("no tickers") << getRequest("/d/quotes.csv?f=sl1") << 400;
    QTest::addRow("empty ticker list") << getRequest("/d/quotes.csv?s=+") << 400;
    QTest::addRow("bad field tags") << getRequest("/d/quotes.csv?s=A&f=s;l1") << 400;
    QTest::addRow("quote in a ticker") << getRequest("/d/quotes.csv?s=A%22B") << 400;
    QTest::addRow("chart too wide") << getRequest("/servlet/ChartEngine?symbol=A&width=1601") << 400;
    QTest::addRow("chart too flat") << getRequest("/servlet/ChartEngine?symbol=A&height=79") << 400;
    QTest::addRow("chart width not a number") << getRequest("/servlet/ChartEngine?symbol=A&width=4x") << 400;
    QTest::addRow("chart without a ticker") << getRequest("/servlet/ChartEngine?width=415") << 400;
    QTest::addRow("chart of two tickers") << getRequest("/servlet/ChartEngine?symbol=A+B") << 400;
    QTest::addRow("chart of five years") << getRequest("/servlet/ChartEngine?symbol=A&dur=5y") << 400;
    QTest::addRow("request line too long") << getRequest("/d/quotes.csv?s=" + QByteArray(9000, 'A')) << 414;
    QByteArray manyHeaders = "GET /infos HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 300; ++i)
        manyHeaders += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(80, 'f') + "\r\n";
    QTest::addRow("headers too large") << manyHeaders + "\r\n" << 431;
    QTest::addRow("body too large")
        << QByteArray("GET /infos HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n") +
               QByteArray(8192, 'b')
        << 413;
    QTest::addRow("get with a small body")
        << QByteArray("GET /nowhere HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\n"
                      "GET ")
        << 404;
    QTest::addRow("get with a chunked body")
        << QByteArray("GET /infos HTTP/1.1\r\nHost: x\r\n"
                      "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
        << 400;
    QTest::addRow("length not a number")
        << QByteArray("GET /infos HTTP/1.1\r\nHost: x\r\nContent-Length: 1e3\r\n\r\n") << 400;
    QTest::addRow("not a request line") << QByteArray("HELLO\r\n\r\n") << 400;
    QTest::addRow("not HTTP/1") << QByteArray("GET /infos HTTP/2.0\r\nHost: x\r\n\r\n") << 400;
    QTest::addRow("range beyond the answer")
        << QByteArray("GET /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\nRange: bytes=5000-\r\n\r\n") << 416;
}

void TestMarketService::badRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    RunningMarket m(1, kMoment);
    {
        RawClient client(m.port);
        const auto answer = client.exchange(request);
        QVERIFY(answer);
        QCOMPARE(answer->status, status);
        QVERIFY(answer->body.startsWith(QByteArray::number(status)) || status == 416);
        QVERIFY(answer->headers.contains("content-length"));
        if (status == 405)
            QCOMPARE(answer->headers.value("allow"), QByteArray("GET, HEAD"));
    }
    // And the service keeps answering.
    RawClient next(m.port);
    const auto answer = next.exchange(getRequest("/d/quotes.csv?s=IBM"));
    QVERIFY(answer);
    QCOMPARE(answer->status, 200);
    QVERIFY(answer->body.startsWith("\"IBM\","));
}

void TestMarketService::keepAliveAndHead()
{
    RunningMarket m(1, kMoment);
    RawClient client(m.port);
    const auto first = client.exchange(getRequest("/d/quotes.csv?s=IBM"));
    const auto head = client.exchange("HEAD /d/quotes.csv?s=IBM HTTP/1.1\r\nHost: x\r\n\r\n");
    const auto missing = client.exchange(getRequest("/nowhere"));
    const auto second = client.exchange(getRequest("/d/quotes.csv?s=IBM"));
    QVERIFY(first && head && missing && second);
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
    const auto refused = client.exchange("PUT /infos HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nGET ");
    QVERIFY(refused);
    QCOMPARE(refused->status, 405);
    QCOMPARE(refused->headers.value("connection"), QByteArray("close"));
    QVERIFY(client.closedByPeer());

    RawClient closing(m.port);
    const auto last = closing.exchange("GET /infos HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QVERIFY(last);
    QCOMPARE(last->headers.value("connection"), QByteArray("close"));
    QVERIFY(closing.closedByPeer());
}

void TestMarketService::idleAndStalledClientsAreDropped()
{
    ServerLimits limits;
    limits.readTimeoutMs = 300;
    limits.keepAliveTimeoutMs = 300;
    limits.requestTimeoutMs = 600;
    RunningMarket m(1, kMoment, limits);

    RawClient silent(m.port);
    RawClient stalled(m.port);
    QVERIFY(stalled.send("GET /infos HTTP/1.1\r\nHost: x\r\n"));
    RawClient idle(m.port);
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

void TestMarketService::shutdownWithOpenConnections()
{
    RawClient *idle = nullptr;
    RawClient *partial = nullptr;
    {
        RunningMarket m(1, kMoment);
        idle = new RawClient(m.port);
        partial = new RawClient(m.port);
        QVERIFY(idle->exchange(getRequest("/infos")));
        QVERIFY(partial->send("GET /infos HTTP/1.1\r\n"));
        // Leaving the scope stops the service with both connections still open.
    }
    QVERIFY(idle->closedByPeer());
    QVERIFY(partial->closedByPeer());
    delete idle;
    delete partial;
}

void TestMarketService::loadOf20000Requests()
{
    RunningMarket m(1, kMoment);
    constexpr int kConnections = 32;
    constexpr int kPerConnection = 625;
    const QStringList tickers = AllTickers();
    std::atomic<int> answered{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kConnections; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", m.port);
            client.set_keep_alive(true);
            client.set_connection_timeout(10);
            client.set_read_timeout(10);
            std::mt19937 pick{unsigned(c)};
            for (int i = 0; i < kPerConnection; ++i) {
                const std::string ticker = tickers[int(pick() % unsigned(tickers.size()))].toStdString();
                const std::string path =
                    i % 50 == 49 ? "/infos" : "/d/quotes.csv?s=" + ticker + "&f=sl1d1t1c1ohgv&e=.csv";
                const auto res = client.Get(path);
                const bool ok = res && res->status == 200 &&
                                (path == "/infos" ? res->body.find("Quorvane Composite") != std::string::npos
                                                  : res->body.rfind("\"" + ticker + "\",", 0) == 0);
                (ok ? answered : failed)++;
            }
        });
    }
    for (std::thread &t : clients)
        t.join();
    QCOMPARE(failed.load(), 0);
    QCOMPARE(answered.load(), kConnections * kPerConnection);
}

QTEST_MAIN(TestMarketService)
#include "test_marketservice.moc"
