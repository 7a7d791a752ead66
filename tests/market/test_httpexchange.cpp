#include "common/casetable.h"
#include "common/rows.h"
#include "httpexchange.h"
#include "markethttpserver.h"

#include <QTest>

namespace {

using Headers = std::vector<std::pair<std::string, std::string>>;

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

HttpRequest request(const std::string &version, Headers headers, const std::string &target = "/x")
{
    HttpRequest r;
    r.method = "GET";
    r.target = target;
    r.version = version;
    r.headers = std::move(headers);
    return r;
}

QByteArray bytes(const std::string &s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// The bytes a server whose only page is /x, "hello", sends back; others 404 before any body is read.
QByteArray answerBytes(const QByteArray &input, const ServerLimits &limits = ServerLimits())
{
    MarketHttpServer server(limits);
    server.setRouter([](const HttpRequest &r) -> std::optional<HttpAnswer> {
        return r.path() == "/x" ? std::nullopt : std::optional(HttpAnswer::error(404));
    });
    server.setHandler([](const HttpRequest &) {
        HttpAnswer a;
        a.setContent("hello", "text/plain");
        return a;
    });
    return bytes(server.answerBytes(std::string_view(input.constData(), std::size_t(input.size()))));
}

} // namespace

class TestHttpExchange : public QObject
{
    Q_OBJECT

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
            {"two Host headers", "HTTP/1.1", {{"Host", "a"}, {"Host", "b"}}, 2, 400},
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
        const HttpRequest r = request(c.version, c.headers, "/" + std::string(c.targetLength - 1, 'x'));
        const std::optional<HttpAnswer> refused = HttpExchange::refuseHead(r, ServerLimits());
        QCOMPARE(refused ? refused->status : 0, c.status);
        QVERIFY(!refused || refused->closeAfter);
        QVERIFY(!refused || refused->body.rfind(std::to_string(c.status) + " ", 0) == 0);
    }

    void ranges_data()
    {
        caseRows<RangeCase>({
            {"none", "", 200, "abcde", ""},
            {"from 0, as the game asks", "bytes=0-", 206, "abcde", "bytes 0-4/5"},
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
        HttpRequest r = request("HTTP/1.1", {});
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
            QCOMPARE(bytes(std::string(answer.content())), QByteArray(c.body));
            QByteArray shown;
            for (const auto &[name, value] : answer.headers)
                if (name == "Content-Range")
                    shown = bytes(value);
            QCOMPARE(shown, QByteArray(c.contentRange));
        }
        QCOMPARE(*cached, std::string("abcde"));
    }

    // Whole conversations through the server's own parser, byte for byte.
    void conversations_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n";
        const QByteArray hello = head + "\r\nhello", helloClose = head + "Connection: close\r\n\r\nhello";
        const QByteArray get = "GET /x HTTP/1.1\r\nHost: a\r\n\r\n";
        row("one request", get, hello);
        row("pipelined, then cut off", get + get + "GET /x HT", hello + hello);
        row("HEAD: the length without the body", QByteArray("HEAD /x HTTP/1.1\r\nHost: a\r\n\r\n"),
            head + "\r\n");
        row("HTTP/1.0 asks to keep alive", QByteArray("GET /x HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"),
            head + "Connection: keep-alive\r\n\r\nhello");
        row("HTTP/1.0 closes", "GET /x HTTP/1.0\r\n\r\n" + get, helloClose);
        row("a small body is skipped", "GET /x HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\nGET" + get,
            hello + hello);
        row("a 404 with a body ends the connection",
            "GET /y HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\nGET" + get,
            QByteArray("HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 15\r\n"
                       "Connection: close\r\n\r\n404 Not Found\r\n"));
        row("two Host headers end the connection", "GET /x HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n" + get,
            QByteArray("HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: 44\r\n"
                       "Connection: close\r\n\r\n400 Bad Request: more than one Host header\r\n"));
        row("the tenth request on a connection is its last", get.repeated(11),
            hello.repeated(9) + helloClose);
    }
    void conversations()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        ServerLimits limits;
        limits.keepAliveMaxRequests = 10;
        QCOMPARE(answerBytes(input, limits), output);
    }

    // Answered with a length, and nothing after them is.
    void malformedHeadsAreAnsweredAndEndTheConnection_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        row("not a request line", QByteArray("HELLO\r\n\r\n"), 400);
        row("NUL in a value", QByteArray("GET /x HTTP/1.1\r\nHost: a\0b\r\n\r\n", 30), 400);
        row("NUL ending a value", QByteArray("GET /x HTTP/1.1\r\nHost: a\r\nX: ab\0\r\n\r\n", 36), 400);
        row("unreadable length", QByteArray("GET /x HTTP/1.1\r\nContent-Length: 1e3\r\n\r\n"), 400);
        row("endless request line", "GET /" + QByteArray(20000, 'a'), 414);
        row("endless headers", "GET /x HTTP/1.1\r\nX: " + QByteArray(20000, 'a'), 431);
        row("body too long", QByteArray("GET /x HTTP/1.1\r\nContent-Length: 5000\r\n\r\n"), 413);
    }
    void malformedHeadsAreAnsweredAndEndTheConnection()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        const QByteArray out = answerBytes(input + "GET /x HTTP/1.1\r\nHost: a\r\n\r\n");
        QVERIFY2(out.startsWith("HTTP/1.1 " + QByteArray::number(status) + " "), out.constData());
        QVERIFY(out.contains("\r\nContent-Length: "));
        QVERIFY(out.contains("\r\nConnection: close\r\n"));
        QCOMPARE(out.count("HTTP/1.1 "), 1);
    }
};

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "test_httpexchange.moc"
