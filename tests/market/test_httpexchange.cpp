#include "httpexchange.h"
#include "markethttpserver.h"

#include <QTest>

namespace {

HttpRequest request(const std::string &version, std::vector<std::pair<std::string, std::string>> headers,
                    const std::string &target = "/x")
{
    HttpRequest r;
    r.method = "GET";
    r.target = target;
    r.version = version;
    r.headers = std::move(headers);
    return r;
}

// A server whose only page is /x, "hello"; others 404 before any body is read.
struct Pages
{
    explicit Pages(const ServerLimits &limits = ServerLimits()) : server(limits)
    {
        server.setRouter([](const HttpRequest &r) -> std::optional<HttpAnswer> {
            if (r.path() != "/x")
                return HttpAnswer::error(404);
            return std::nullopt;
        });
        server.setHandler([](const HttpRequest &) {
            HttpAnswer a;
            a.setContent("hello", "text/plain");
            return a;
        });
    }
    MarketHttpServer server;
};

QByteArray bytes(const std::string &s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

} // namespace

class TestHttpExchange : public QObject
{
    Q_OBJECT

private slots:
    void refuseHead_data()
    {
        using Headers = std::vector<std::pair<std::string, std::string>>;
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<Headers>("headers");
        QTest::addColumn<int>("targetLength");
        QTest::addColumn<int>("status"); // 0: routed on
        const Headers host{{"Host", "a"}};
        QTest::addRow("plain HTTP/1.1") << QByteArray("HTTP/1.1") << host << 2 << 0;
        QTest::addRow("HTTP/1.0 without Host") << QByteArray("HTTP/1.0") << Headers{} << 2 << 0;
        QTest::addRow("HTTP/2.0") << QByteArray("HTTP/2.0") << host << 2 << 400;
        QTest::addRow("HTTP/0.9") << QByteArray("HTTP/0.9") << host << 2 << 400;
        QTest::addRow("two Host headers")
            << QByteArray("HTTP/1.1") << Headers{{"Host", "a"}, {"Host", "b"}} << 2 << 400;
        QTest::addRow("Host and host")
            << QByteArray("HTTP/1.1") << Headers{{"Host", "a"}, {"host", "a"}} << 2 << 400;
        QTest::addRow("NUL in a value")
            << QByteArray("HTTP/1.1") << Headers{{"Host", "a"}, {"X", std::string("a\0b", 3)}} << 2 << 400;
        QTest::addRow("CR in a value") << QByteArray("HTTP/1.1") << Headers{{"Host", "a\rb"}} << 2 << 400;
        QTest::addRow("LF in a value") << QByteArray("HTTP/1.1") << Headers{{"Host", "a\nb"}} << 2 << 400;
        QTest::addRow("tab in a value") << QByteArray("HTTP/1.1") << Headers{{"Host", "a\tb"}} << 2 << 0;
        QTest::addRow("body at the limit")
            << QByteArray("HTTP/1.1") << Headers{{"Host", "a"}, {"Content-Length", "4096"}} << 2 << 0;
        QTest::addRow("body over the limit")
            << QByteArray("HTTP/1.1") << Headers{{"Host", "a"}, {"Content-Length", "4097"}} << 2 << 413;
        QTest::addRow("two lengths") << QByteArray("HTTP/1.1")
                                     << Headers{{"Content-Length", "1"}, {"Content-Length", "1"}} << 2 << 400;
        QTest::addRow("signed length")
            << QByteArray("HTTP/1.1") << Headers{{"Content-Length", "+5"}} << 2 << 400;
        QTest::addRow("chunked") << QByteArray("HTTP/1.1") << Headers{{"Transfer-Encoding", "chunked"}} << 2
                                 << 400;
        // "GET " + target + " HTTP/1.1\r\n" is 15 bytes more than the target.
        QTest::addRow("request line at the limit") << QByteArray("HTTP/1.1") << host << 8192 - 15 << 0;
        QTest::addRow("request line one over") << QByteArray("HTTP/1.1") << host << 8192 - 14 << 414;
        // "X: " and CR LF are 5 bytes more than the value, the final CR LF 2.
        QTest::addRow("head at the limit")
            << QByteArray("HTTP/1.1") << Headers{{"X", std::string(16384 - 8000 - 15 - 2 - 5, 'x')}} << 8000
            << 0;
        QTest::addRow("head one over")
            << QByteArray("HTTP/1.1") << Headers{{"X", std::string(16384 - 8000 - 15 - 2 - 4, 'x')}} << 8000
            << 431;
    }

    void refuseHead()
    {
        using Headers = std::vector<std::pair<std::string, std::string>>;
        QFETCH(QByteArray, version);
        QFETCH(Headers, headers);
        QFETCH(int, targetLength);
        QFETCH(int, status);
        const HttpRequest r =
            request(version.toStdString(), headers, "/" + std::string(targetLength - 1, 'x'));
        const std::optional<HttpAnswer> refused = HttpExchange::refuseHead(r, ServerLimits());
        QCOMPARE(refused ? refused->status : 0, status);
        if (refused) {
            QVERIFY(refused->closeAfter);
            QVERIFY(refused->body.rfind(std::to_string(status) + " ", 0) == 0);
        }
    }

    void ranges_data()
    {
        QTest::addColumn<QByteArray>("range"); // empty: no Range header
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentRange");
        QTest::addRow("none") << QByteArray() << 200 << QByteArray("abcde") << QByteArray();
        QTest::addRow("from 0, as the game asks")
            << QByteArray("bytes=0-") << 206 << QByteArray("abcde") << QByteArray("bytes 0-4/5");
        QTest::addRow("a middle part")
            << QByteArray("bytes=1-3") << 206 << QByteArray("bcd") << QByteArray("bytes 1-3/5");
        QTest::addRow("the last two")
            << QByteArray("bytes=-2") << 206 << QByteArray("de") << QByteArray("bytes 3-4/5");
        QTest::addRow("more than there is")
            << QByteArray("bytes=3-99") << 206 << QByteArray("de") << QByteArray("bytes 3-4/5");
        QTest::addRow("starting at the end")
            << QByteArray("bytes=5-") << 416 << QByteArray("416 Range Not Satisfiable\r\n")
            << QByteArray("bytes */5");
        QTest::addRow("backwards: ignored")
            << QByteArray("bytes=3-1") << 200 << QByteArray("abcde") << QByteArray();
        QTest::addRow("several: ignored")
            << QByteArray("bytes=0-1,3-4") << 200 << QByteArray("abcde") << QByteArray();
        QTest::addRow("other unit: ignored")
            << QByteArray("items=0-1") << 200 << QByteArray("abcde") << QByteArray();
    }

    void ranges()
    {
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentRange);
        HttpRequest r = request("HTTP/1.1", {});
        if (!range.isEmpty())
            r.headers.emplace_back("Range", range.toStdString());
        // Owned text and shared bytes (a cached chart) alike; a part never changes the shared bytes.
        const auto cached = std::make_shared<const std::string>("abcde");
        for (const bool shared : {false, true}) {
            HttpAnswer answer;
            if (shared)
                answer.setContent(cached, "image/png");
            else
                answer.setContent("abcde", "text/csv");
            HttpExchange::applyRange(r, answer);
            QCOMPARE(answer.status, status);
            QCOMPARE(bytes(std::string(answer.content())), body);
            QByteArray shown;
            for (const auto &[name, value] : answer.headers)
                if (name == "Content-Range")
                    shown = bytes(value);
            QCOMPARE(shown, contentRange);
        }
        QCOMPARE(*cached, std::string("abcde"));
    }

    // Whole conversations through the server's own parser, byte for byte.
    void conversations_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        const QByteArray hello =
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nhello";
        const QByteArray helloClose = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                                      "5\r\nConnection: close\r\n\r\nhello";
        const QByteArray get = "GET /x HTTP/1.1\r\nHost: a\r\n\r\n";
        QTest::addRow("one request") << get << hello;
        QTest::addRow("pipelined, then cut off") << get + get + "GET /x HT" << hello + hello;
        QTest::addRow("HEAD: the length without the body")
            << QByteArray("HEAD /x HTTP/1.1\r\nHost: a\r\n\r\n")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\n");
        QTest::addRow("HTTP/1.0 asks to keep alive")
            << QByteArray("GET /x HTTP/1.0\r\nConnection: keep-alive\r\n\r\n")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n"
                          "Connection: keep-alive\r\n\r\nhello");
        QTest::addRow("HTTP/1.0 closes") << QByteArray("GET /x HTTP/1.0\r\n\r\n") + get << helloClose;
        QTest::addRow("a small body is skipped")
            << QByteArray("GET /x HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\nGET") + get
            << hello + hello;
        QTest::addRow("a 404 with a body ends the connection")
            << QByteArray("GET /y HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\nGET") + get
            << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 15\r\n"
                          "Connection: close\r\n\r\n404 Not Found\r\n");
        QTest::addRow("two Host headers end the connection")
            << QByteArray("GET /x HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n") + get
            << QByteArray("HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: 44\r\n"
                          "Connection: close\r\n\r\n400 Bad Request: more than one Host header\r\n");
        QTest::addRow("the tenth request on a connection is its last")
            << get.repeated(11) << hello.repeated(9) + helloClose;
    }

    void conversations()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        ServerLimits limits;
        limits.keepAliveMaxRequests = 10;
        Pages pages(limits);
        QCOMPARE(
            bytes(pages.server.answerBytes(std::string_view(input.constData(), std::size_t(input.size())))),
            output);
    }

    void malformedHeadsAreAnsweredAndEndTheConnection_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addRow("not a request line") << QByteArray("HELLO\r\n\r\n") << 400;
        QTest::addRow("NUL in a value") << QByteArray("GET /x HTTP/1.1\r\nHost: a\0b\r\n\r\n", 30) << 400;
        QTest::addRow("NUL ending a value")
            << QByteArray("GET /x HTTP/1.1\r\nHost: a\r\nX: ab\0\r\n\r\n", 36) << 400;
        QTest::addRow("unreadable length")
            << QByteArray("GET /x HTTP/1.1\r\nContent-Length: 1e3\r\n\r\n") << 400;
        QTest::addRow("endless request line") << "GET /" + QByteArray(20000, 'a') << 414;
        QTest::addRow("endless headers") << "GET /x HTTP/1.1\r\nX: " + QByteArray(20000, 'a') << 431;
        QTest::addRow("body too long")
            << QByteArray("GET /x HTTP/1.1\r\nContent-Length: 5000\r\n\r\n") << 413;
    }

    void malformedHeadsAreAnsweredAndEndTheConnection()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        Pages pages;
        const QByteArray get = "GET /x HTTP/1.1\r\nHost: a\r\n\r\n";
        const QByteArray all = input + get;
        const QByteArray out =
            bytes(pages.server.answerBytes(std::string_view(all.constData(), std::size_t(all.size()))));
        QVERIFY2(out.startsWith("HTTP/1.1 " + QByteArray::number(status) + " "), out.constData());
        QVERIFY(out.contains("\r\nContent-Length: "));
        QVERIFY(out.contains("\r\nConnection: close\r\n"));
        QCOMPARE(out.count("HTTP/1.1 "), 1); // nothing after it is answered
    }
};

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "test_httpexchange.moc"
