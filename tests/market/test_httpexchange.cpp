// The service without a socket: the head's checks and Range as functions, then whole
// conversations from the bytes a client sends to the bytes it gets back, exactly.
#include "common/casetable.h"
#include "common/rows.h"
#include "httpexchange.h"
#include "marketclock.h"
#include "markethttpserver.h"
#include "marketservice.h"
#include "quotecsv.h"
#include "simulatedmarket.h"

#include <QTest>

namespace {

using Headers = std::vector<std::pair<std::string, std::string>>;

const QDateTime kMoment(QDate(2004, 6, 1), QTime(13, 37, 42), Qt::UTC);
const QByteArray kHistoryHeader = "Date,Open,High,Low,Close,Volume,Adj Close\r\n";
const QByteArray kClose = "Connection: close\r\n";

struct HeadCase
{
    const char *tag;
    const char *version;
    Headers headers;
    int targetLength;
    int status; // 0: routed on
};

struct RangeCase
{
    const char *tag, *range; // "": no Range header
    int status;
    const char *body, *contentRange;
};

QByteArray bytes(std::string_view s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// An answer's bytes: `fields` before its length, `after` behind it.
QByteArray reply(const QByteArray &status, const QByteArray &type, const QByteArray &body,
                 const QByteArray &after = {}, const QByteArray &fields = {})
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\n" + fields +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n" + after + "\r\n" + body;
}
QByteArray refusal(const QByteArray &status, const QByteArray &detail = {}, const QByteArray &after = {})
{
    return reply(status, "text/plain", status + (detail.isEmpty() ? "" : ": " + detail) + "\r\n", after);
}
QByteArray bad(const QByteArray &detail, const QByteArray &after = {})
{
    return refusal("400 Bad Request", detail, after);
}
QByteArray csv(const QByteArray &body, const QByteArray &fields = "Cache-Control: no-cache\r\n")
{
    return reply("200 OK", "text/csv", body, {}, fields);
}
QByteArray get(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: a\r\n\r\n";
}

// Sent after each input that ends a request: answered unless the connection ended.
const QByteArray kNext = get("/d/quotes.csv?s=ZZZZ&f=s");
const QByteArray kNextAnswer = csv("\"ZZZZ\"\r\n");

struct ManualClock : MarketClock
{
    QDateTime at = kMoment;
    QDateTime now() const override { return at; }
};

// The service on seed 1, asked as one client connection that ends its tenth request.
struct Service
{
    Service() : market(1), server(limits()), service(market, clock) { service.install(server); }
    static ServerLimits limits()
    {
        ServerLimits l;
        l.keepAliveMaxRequests = 10;
        return l;
    }
    QByteArray exchange(const QByteArray &input)
    {
        return bytes(server.answerBytes(std::string_view(input.constData(), std::size_t(input.size()))));
    }
    QByteArray body(const QByteArray &target)
    {
        const QByteArray out = exchange(get(target));
        return out.mid(out.indexOf("\r\n\r\n") + 4);
    }

    ManualClock clock;
    SimulatedMarket market;
    MarketHttpServer server;
    MarketService service;
};

} // namespace

class TestHttpExchange : public QObject
{
    Q_OBJECT

    Service m_service;

private slots:
    // Ports outside 0 to 65535 are refused before any socket is made; 65535 itself is a port.
    void bindToChecksThePortRange()
    {
        for (const auto &[port, inRange] :
             {std::pair(-1, false), std::pair(65536, false), std::pair(65535, true)}) {
            MarketHttpServer server;
            std::string error;
            const std::optional<int> bound = server.bindTo("127.0.0.1", port, &error);
            QCOMPARE(!bound && error.find("out of range") != std::string::npos, !inRange);
        }
    }

    void refuseHead_data()
    {
        const Headers host{{"Host", "a"}};
        // "GET " + target + " HTTP/1.1\r\n" is 15 bytes more than the target; "X: " and CR LF are
        // 5 bytes more than the value, the final CR LF 2.
        const int headRoom = 16384 - 8000 - 15 - 2;
        caseRows<HeadCase>({
            {"plain HTTP/1.1", "HTTP/1.1", host, 2, 0},
            {"HTTP/1.0 without Host", "HTTP/1.0", {}, 2, 0},
            {"HTTP/2.0", "HTTP/2.0", host, 2, 400},
            {"HTTP/0.9", "HTTP/0.9", host, 2, 400},
            {"Host and host", "HTTP/1.1", {{"Host", "a"}, {"host", "a"}}, 2, 400},
            {"NUL in a value", "HTTP/1.1", {{"Host", "a"}, {"X", std::string("a\0b", 3)}}, 2, 400},
            {"CR in a value", "HTTP/1.1", {{"Host", "a\rb"}}, 2, 400},
            {"LF in a value", "HTTP/1.1", {{"Host", "a\nb"}}, 2, 400},
            {"tab in a value", "HTTP/1.1", {{"Host", "a\tb"}}, 2, 0},
            {"body at the limit", "HTTP/1.1", {{"Host", "a"}, {"Content-Length", "4096"}}, 2, 0},
            {"body over the limit", "HTTP/1.1", {{"Host", "a"}, {"Content-Length", "4097"}}, 2, 413},
            {"two lengths", "HTTP/1.1", {{"Content-Length", "1"}, {"Content-Length", "1"}}, 2, 400},
            {"signed length", "HTTP/1.1", {{"Content-Length", "+5"}}, 2, 400},
            {"chunked", "HTTP/1.1", {{"Transfer-Encoding", "chunked"}}, 2, 400},
            {"request line at the limit", "HTTP/1.1", host, 8192 - 15, 0},
            {"request line one over", "HTTP/1.1", host, 8192 - 14, 414},
            {"head at the limit", "HTTP/1.1", {{"X", std::string(headRoom - 5, 'x')}}, 8000, 0},
            {"head one over", "HTTP/1.1", {{"X", std::string(headRoom - 4, 'x')}}, 8000, 431},
        });
    }
    void refuseHead()
    {
        QFETCH(HeadCase, c);
        HttpRequest r;
        r.method = "GET";
        r.target = "/" + std::string(c.targetLength - 1, 'x');
        r.version = c.version;
        r.headers = c.headers;
        const std::optional<HttpAnswer> refused = HttpExchange::refuseHead(r, ServerLimits());
        QCOMPARE(refused ? refused->status : 0, c.status);
        QVERIFY(!refused || refused->closeAfter);
    }

    void ranges_data()
    {
        caseRows<RangeCase>({
            {"none", "", 200, "abcde", ""},
            {"a middle part", "bytes=1-3", 206, "bcd", "bytes 1-3/5"},
            {"the last two", "bytes=-2", 206, "de", "bytes 3-4/5"},
            {"more than there is", "bytes=3-99", 206, "de", "bytes 3-4/5"},
            {"starting at the end", "bytes=5-", 416, "416 Range Not Satisfiable\r\n", "bytes */5"},
            {"backwards: ignored", "bytes=3-1", 200, "abcde", ""},
            {"several: ignored", "bytes=0-1,3-4", 200, "abcde", ""},
            {"other unit: ignored", "items=0-1", 200, "abcde", ""},
        });
    }
    void ranges()
    {
        QFETCH(RangeCase, c);
        HttpRequest r;
        if (*c.range)
            r.headers.emplace_back("Range", c.range);
        // Owned text and shared bytes (a cached chart) alike; a part never changes the shared bytes.
        const auto cached = std::make_shared<const std::string>("abcde");
        for (const bool shared : {false, true}) {
            HttpAnswer answer;
            if (shared)
                answer.setContent(cached, "image/png");
            else
                answer.setContent("abcde", "text/csv");
            HttpExchange::applyRange(r, answer);
            QCOMPARE(answer.status, c.status);
            QCOMPARE(bytes(answer.content()), QByteArray(c.body));
            QByteArray shown;
            for (const auto &[name, value] : answer.headers)
                if (name == "Content-Range")
                    shown = bytes(value);
            QCOMPARE(shown, QByteArray(c.contentRange));
        }
        QCOMPARE(*cached, std::string("abcde"));
    }

    void exchanges_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        const QByteArray ibm = "\"IBM\",16.71,\"6/1/2004\",\"1:37pm\",+0.18,16.45,16.73,16.37,966078\r\n",
                         msft = "\"MSFT\",42.47,\"6/1/2004\",\"1:37pm\",+0.88,41.97,42.67,41.81,10550759\r\n",
                         a = "\"A\",79.97,\"6/1/2004\",\"1:37pm\",+1.25,78.36,80.56,78.22,11498764\r\n",
                         dell = "\"DELL\",14.52,\"6/1/2004\",\"1:37pm\",-0.19,14.69,14.99,14.52,886978\r\n",
                         na = ",0.00,N/A,N/A,N/A,N/A,N/A,N/A,N/A\r\n";
        // Exactly what the game sends: its headers, a range from 0 and keep-alive.
        const QByteArray game =
            "GET /d/quotes.csv?s=IBM+MSFT+A&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\nAccept: "
            "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\nAccept-Language: "
            "fr\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\nRange: "
            "bytes=0-\r\nHost: 127.0.0.1\r\nConnection: Keep-Alive\r\n\r\n";
        const QByteArray three = ibm + msft + a, n = QByteArray::number(three.size());
        row("the game's request", game,
            reply("206 Partial Content", "text/csv", three, {},
                  "Cache-Control: no-cache\r\nContent-Range: bytes 0-" +
                      QByteArray::number(three.size() - 1) + "/" + n + "\r\n"));
        row("a repeated ticker answers twice", get("/d/quotes.csv?s=IBM+IBM"), csv(ibm + ibm));
        row("encoded separators", get("/d/quotes.csv?s=IBM%20DELL%2CA"), csv(ibm + dell + a));
        row("unknown ticker", get("/d/quotes.csv?s=ZZZZ&f=sl1d1t1c1ohgv&e=.csv"), csv("\"ZZZZ\"" + na));
        row("tickers are case-sensitive", get("/d/quotes.csv?s=msft"), csv("\"msft\"" + na));
        row("unknown and known mixed", get("/d/quotes.csv?s=XYZ,DELL"), csv("\"XYZ\"" + na + dell));
        row("other tags give N/A in place", get("/d/quotes.csv?s=ZZZZ&f=nsxl1"),
            csv("N/A,\"ZZZZ\",N/A,0.00\r\n"));
        std::vector<std::string> all;
        for (const QString &ticker : AllTickers())
            all.push_back(ticker.toStdString());
        row("the whole catalogue", get("/d/quotes.csv?s=" + AllTickers().join(u'+').toLatin1()),
            csv(bytes(QuoteCsv::answer(m_service.market, all, QuoteCsv::defaultTags(), kMoment))));
        row("range beyond the answer",
            QByteArray("GET /d/quotes.csv?s=ZZZZ&f=s HTTP/1.1\r\nRange: bytes=8-\r\n\r\n"),
            reply("416 Range Not Satisfiable", "text/plain", "416 Range Not Satisfiable\r\n", {},
                  "Content-Range: bytes */8\r\n"));
        row("history of an unknown ticker", get("/table.csv?s=ZZZZ"),
            csv(kHistoryHeader, "Cache-Control: max-age=300\r\n"));
        row("history symbols are case-sensitive", get("/table.csv?s=%5Eqvc"),
            csv(kHistoryHeader, "Cache-Control: max-age=300\r\n"));

        // The service's refusals keep the connection.
        const QByteArray notFound =
            "404 Not Found\r\nThis market answers /d/quotes.csv, /servlet/ChartEngine, "
            "/table.csv, /fill and /infos.\r\n";
        const QByteArray notAllowed = "405 Method Not Allowed";
        const QByteArray size = "width must be 120 to 1600, height 80 to 1200";
        row("unknown path", get("/nowhere"), reply("404 Not Found", "text/plain", notFound));
        row("delete", QByteArray("DELETE /infos HTTP/1.1\r\n\r\n"),
            reply(notAllowed, "text/plain", notAllowed + "\r\n", {}, "Allow: GET, HEAD\r\n"));
        row("bad escape", get("/d/quotes.csv?s=%zz"), bad("malformed query"));
        row("no tickers", get("/d/quotes.csv?f=sl1"), bad("no tickers (s=)"));
        row("empty ticker list", get("/d/quotes.csv?s=+"), bad("unreadable ticker list (s=)"));
        row("quote in a ticker", get("/d/quotes.csv?s=A%22B"), bad("unreadable ticker list (s=)"));
        row("bad field tags", get("/d/quotes.csv?s=A&f=s;l1"), bad("unreadable field tags (f=)"));
        row("chart too wide", get("/servlet/ChartEngine?symbol=A&width=1601"), bad(size));
        row("chart too flat", get("/servlet/ChartEngine?symbol=A&height=79"), bad(size));
        row("chart width not a number", get("/servlet/ChartEngine?symbol=A&width=4x"), bad(size));
        row("chart without a ticker", get("/servlet/ChartEngine?width=415"),
            bad("one ticker expected (symbol=)"));
        row("chart of two tickers", get("/servlet/ChartEngine?symbol=A+B"),
            bad("one ticker expected (symbol=)"));
        row("chart of five years", get("/servlet/ChartEngine?symbol=A&dur=5y"),
            bad("dur must be 1m, 3m, 6m or 1y"));
        row("history without a query", get("/table.csv"), bad("no ticker (s=)"));
        row("history without s", get("/table.csv?a=1"), bad("no ticker (s=)"));
        row("history of nothing", get("/table.csv?s="), bad("one ticker expected (s=)"));
        row("history of two", get("/table.csv?s=IBM+MSFT"), bad("one ticker expected (s=)"));
        row("history of two, comma", get("/table.csv?s=IBM,%5EQVC"), bad("one ticker expected (s=)"));
        row("history, bad escape", get("/table.csv?s=%5"), bad("malformed query"));
        row("history, quote in the ticker", get("/table.csv?s=A%22B"), bad("one ticker expected (s=)"));

        // Fills, the market's clock standing at 13:37:42 UTC on its tick of 13:37:40.
        const auto fill = [](const QByteArray &order, const char *from, const char *to) {
            return get("/fill?s=" + order + "&from=" + from + "&to=" + to);
        };
        const char *ten = "2004-06-01T10%3A00%3A00%2B00%3A00", *one = "2004-06-01T13%3A00%3A00%2B00%3A00",
                   *tomorrow = "2004-06-02T00:00:00%2B00:00";
        const QByteArray low = "IBM&when=below&price=16.44", never = "IBM&when=below&price=0.01",
                         any = "IBM&when=below&price=999.99";
        const QByteArray times = "from and to must be times like 2026-12-09T10:15:00+01:00",
                         price = "price must be dollars above zero with at most two decimals";
        row("fill: the first trade at or below", fill(low, ten, one),
            csv("\"IBM\",16.44,\"2004-06-01T10:32:25+00:00\"\r\n"));
        row("fill: a plain + and another offset, answered in the market's",
            fill(low, "2004-06-01T12:00:00+02:00", "2004-06-01T15:00:00+02:00"),
            csv("\"IBM\",16.44,\"2004-06-01T10:32:25+00:00\"\r\n"));
        row("fill: at or above", fill("IBM&when=above&price=16.52", ten, one),
            csv("\"IBM\",16.52,\"2004-06-01T10:56:30+00:00\"\r\n"));
        row("fill: none, searched to the end", fill(never, ten, one),
            csv("\"IBM\",N/A,\"2004-06-01T13:00:00+00:00\"\r\n"));
        row("fill: a later to stops at the present tick", fill(never, ten, tomorrow),
            csv("\"IBM\",N/A,\"2004-06-01T13:37:40+00:00\"\r\n"));
        row("fill: the next tick has not happened yet", fill(any, "2004-06-01T13:37:40%2B00:00", tomorrow),
            csv("\"IBM\",N/A,\"2004-06-01T13:37:40+00:00\"\r\n"));
        row("fill: from past the present tick", fill(any, "2004-06-01T13:37:41%2B00:00", tomorrow),
            csv("\"IBM\",N/A,\"2004-06-01T13:37:41+00:00\"\r\n"));
        row("fill: a whole year", fill(never, "2003-06-01T13:37:40%2B00:00", "2004-06-01T13:37:40%2B00:00"),
            csv("\"IBM\",N/A,\"2004-06-01T13:37:40+00:00\"\r\n"));
        row("fill: an unknown ticker", fill("XYZ&when=above&price=1", ten, one), csv("\"XYZ\",N/A,N/A\r\n"));
        row("fill: a year and a second",
            fill(never, "2003-06-01T13:37:39%2B00:00", "2004-06-01T13:37:40%2B00:00"),
            bad("from and to are more than 366 days apart"));
        row("fill: from after to", fill(never, one, ten), bad("from is after to"));
        row("fill: no offset", fill(never, "2004-06-01T10:00:00", one), bad(times));
        for (const char *p : {"16.444", "-1.00", "0.00", "nan", "", "16.", ".5", "+16"})
            row(("fill: price " + QByteArray(p)).constData(),
                fill("IBM&when=below&price=" + QByteArray(p), ten, one), bad(price));
        row("fill: an unknown when", fill("IBM&when=equal&price=1", ten, one),
            bad("when must be below or above"));
        row("fill: two tickers", fill("IBM+MSFT&when=below&price=1", ten, one),
            bad("one ticker expected (s=)"));

        // Keep-alive, pipelining and bodies.
        row("pipelined, then cut off", kNext + kNext + "GET /x HT", kNextAnswer + kNextAnswer);
        row("HEAD: the length without the body", "HEAD" + kNext.mid(3), kNextAnswer.chopped(8));
        row("HTTP/1.0 asks to keep alive",
            QByteArray("GET /d/quotes.csv?s=ZZZZ&f=s HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"),
            reply("200 OK", "text/csv", "\"ZZZZ\"\r\n", "Connection: keep-alive\r\n",
                  "Cache-Control: no-cache\r\n"));
        row("HTTP/1.0 closes", QByteArray("GET /d/quotes.csv?s=ZZZZ&f=s HTTP/1.0\r\n\r\n"),
            reply("200 OK", "text/csv", "\"ZZZZ\"\r\n", kClose, "Cache-Control: no-cache\r\n"));
        row("a small body is skipped",
            "GET /d/quotes.csv?s=ZZZZ&f=s HTTP/1.1\r\nContent-Length: 3\r\n\r\nGET" + kNext,
            kNextAnswer + kNextAnswer);
        row("a 404 with a body ends the connection",
            "GET /y HTTP/1.1\r\nContent-Length: 3\r\n\r\nGET" + kNext,
            reply("404 Not Found", "text/plain", notFound, kClose));
        row("a 405 with a body ends the connection",
            "POST /d/quotes.csv?s=A HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello" + kNext,
            reply(notAllowed, "text/plain", notAllowed + "\r\n", kClose, "Allow: GET, HEAD\r\n"));
        row("the tenth request on a connection is its last", kNext.repeated(10),
            kNextAnswer.repeated(9) +
                reply("200 OK", "text/csv", "\"ZZZZ\"\r\n", kClose, "Cache-Control: no-cache\r\n"));

        // A broken head is answered with a length and ends the connection.
        row("two Host headers", QByteArray("GET /x HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n"),
            bad("more than one Host header", kClose));
        row("not a request line", QByteArray("HELLO\r\n\r\n"), bad("bad method", kClose));
        row("NUL in a value", QByteArray("GET /x HTTP/1.1\r\nHost: a\0b\r\n\r\n", 30),
            bad("bad value", kClose));
        row("NUL ending a value", QByteArray("GET /x HTTP/1.1\r\nX: ab\0\r\n\r\n", 27),
            bad("bad value", kClose));
        row("unreadable length", QByteArray("GET /x HTTP/1.1\r\nContent-Length: 1e3\r\n\r\n"),
            bad("bad Content-Length", kClose));
        row("endless request line", "GET /" + QByteArray(20000, 'a'),
            refusal("414 URI Too Long", {}, kClose));
        row("endless headers", "GET /x HTTP/1.1\r\nX: " + QByteArray(20000, 'a'),
            refusal("431 Request Header Fields Too Large", {}, kClose));
        row("body too long", QByteArray("GET /x HTTP/1.1\r\nContent-Length: 5000\r\n\r\n"),
            refusal("413 Payload Too Large", {}, kClose));
    }
    void exchanges()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        if (input.endsWith("\r\n\r\n")) {
            input += kNext;
            output += output.contains(kClose) ? "" : kNextAnswer;
        }
        QCOMPARE(m_service.exchange(input), output);
    }

    // Histories are kept for the market day; the next day has one more session at the top.
    void historyMovesWithTheDay()
    {
        Service s;
        QVERIFY(s.body("/table.csv?s=IBM")
                    .startsWith(kHistoryHeader + "2004-05-31,16.59,16.90,16.41,16.53,1073200,16.53\r\n"));
        const QByteArray index = s.body("/table.csv?s=%5EQVC");
        QCOMPARE(index.count("\r\n"), 366);
        QCOMPARE(s.body("/table.csv?s=^QVC"), index);
        const QList<QByteArray> first = s.body("/table.csv?s=GE").split('\n');
        s.clock.at = kMoment.addSecs(3600);
        QCOMPARE(s.body("/table.csv?s=GE").split('\n'), first);
        s.clock.at = kMoment.addDays(1);
        const QList<QByteArray> next = s.body("/table.csv?s=GE").split('\n');
        QCOMPARE(next.size(), first.size());
        QVERIFY(next[1].startsWith("2004-06-01,"));
        QCOMPARE(next.mid(2, 364), first.mid(1, 364));
    }
};

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "test_httpexchange.moc"
