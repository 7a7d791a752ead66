// The quote download client driven through a fake socket and clock: the request's bytes, which
// answers are stored, and the panel's texts while it runs.
#include "common/fakes.h"
#include "common/files.h"
#include "common/rows.h"
#include "model/numbertext.h"
#include "sync/httpdownload.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kQuotePath("/d/quotes.csv?s=MSFT&f=sl1d1t1c1ohgv&e=.csv");
const QString kUrl = u"http://quote.host"_s + QString::fromLatin1(kQuotePath);

QByteArray expectedRequest(const QByteArray &target, const QByteArray &range, const QByteArray &host)
{
    return "GET " + target +
           " HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Accept-Language: fr\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
           "Range: bytes=" +
           range + "-\r\nHost: " + host + "\r\nConnection: Keep-Alive\r\n\r\n";
}

} // namespace

class TestHttpDownload : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeSocket> m_socket;
    std::unique_ptr<FakeClock> m_clock;
    Settings m_settings;
    ProxySetting m_proxy;
    const NumberFormat m_numbers;
    std::unique_ptr<HttpDownload> m_client;
    std::unique_ptr<QSignalSpy> m_ended;

    void start(const QString &url = kUrl)
    {
        m_client->panel().TextUrl = url;
        QVERIFY(m_client->CmdTelecharger_Click());
    }
    // Starts, connects and delivers `pieces` one by one.
    void receive(const QList<QByteArray> &pieces)
    {
        start();
        m_socket->accept();
        for (const QByteArray &piece : pieces)
            m_socket->deliver(piece);
    }
    QByteArray stored() const { return readBytes(m_client->filePath()); }
    void useProxy(const char *line, const char *host, const char *port)
    {
        m_settings.proxyLine = QString::fromLatin1(line);
        m_settings.proxyHost = QString::fromLatin1(host);
        m_settings.proxyPort = QString::fromLatin1(port);
        m_proxy = proxyFromSettings(m_settings);
    }
    void ticks(int count)
    {
        for (int tick = 0; tick < count; ++tick)
            m_client->Timer_Seconde_Timer();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_socket = std::make_unique<FakeSocket>();
        m_clock = std::make_unique<FakeClock>();
        m_settings = Settings();
        useProxy("UseProxy=No", "", "");
        m_client = std::make_unique<HttpDownload>(*m_socket, *m_clock, m_proxy, m_numbers, m_dir->path());
        m_ended = std::make_unique<QSignalSpy>(m_client.get(), &HttpDownload::transferEnded);
    }
    void cleanup()
    {
        m_ended.reset();
        m_client.reset();
        m_socket.reset();
    }

    // The host cut from a URL, the path kept, and the URL left behind: any scheme is cut, only
    // the first "://" counts, blanks are not trimmed.
    void extractUrl()
    {
        for (const auto &[given, expected] :
             {std::pair{"http://H/d/quotes.csv?s=X", "H|/d/quotes.csv?s=X|H/d/quotes.csv?s=X"},
              {"H", "H|/|H"},
              {"http://", "||"},
              {"http://127.0.0.1:8421/d/q?s=X", "127.0.0.1:8421|/d/q?s=X|127.0.0.1:8421/d/q?s=X"},
              {"xyz://H/p", "H|/p|H/p"},
              {"a://b://c/d", "b:|//c/d|b://c/d"},
              {"http:///p", "|/p|/p"},
              {" http://H/p ", "H|/p |H/p "}}) {
            QString url = QLatin1String(given);
            const QString host = m_client->Extract_URL(url);
            QCOMPARE(QLatin1String(given) + u" -> "_s + host + u'|' + m_client->path() + u'|' + url,
                     QLatin1String(given) + u" -> "_s + QLatin1String(expected));
        }
    }

    void splitHostPort()
    {
        for (const auto &[text, expected] : {std::pair{"quote.host", "quote.host|80"},
                                             {"127.0.0.1:8421", "127.0.0.1|8421"},
                                             {"[::1]:9000", "::1|9000"},
                                             {"[::1]", "::1|80"},
                                             {"::1", "::1|80"},
                                             {"h:abc", "invalid"},
                                             {"h:0", "invalid"},
                                             {"h:65536", "invalid"},
                                             {"h:+81", "invalid"},
                                             {"h:", "invalid"},
                                             {":81", "invalid"},
                                             {"", "invalid"}}) {
            const HostPort split = ::splitHostPort(QLatin1String(text), 80);
            QCOMPARE(QLatin1String(text) + u" -> "_s +
                         (split.valid ? split.name + u'|' + QString::number(split.port) : u"invalid"_s),
                     QLatin1String(text) + u" -> "_s + QLatin1String(expected));
        }
    }

    // One rule for every request: a port in the host line wins over the port line, which must be
    // plain digits from 1 to 65535; on with nowhere to go is broken. The switch, trimming and a
    // host's own port as requests use them: requestBytes.
    void proxySettingRule()
    {
        const struct
        {
            const char *host, *expected; // host:port or "broken"
        } cases[] = {{"proxy1:65536", "broken"}, {"[::1]:3128", "::1:3128"}, {"", "broken"}};
        for (const auto &c : cases) {
            useProxy("UseProxy=Yes", c.host, "8080");
            const QString got =
                m_proxy.isBroken() ? u"broken"_s : m_proxy.host + u':' + QString::number(m_proxy.port);
            QCOMPARE(QLatin1String(c.host) + u" -> "_s + got,
                     QLatin1String(c.host) + u" -> "_s + QLatin1String(c.expected));
        }
        for (const char *bad : {"+8080", "0", "65536", "abc", "", "80 80", "-1"}) {
            useProxy("UseProxy=Yes", "proxy1", bad);
            QVERIFY2(m_proxy.isBroken() && m_proxy.port == 0, bad);
            useProxy("UseProxy=Yes", "proxy1:3128", bad);
            QVERIFY2(!m_proxy.isBroken() && m_proxy.port == 3128, bad);
        }
    }

    void requestBytes_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("proxy"); // line, host, port
        QTest::addColumn<QString>("connect");   // host:port
        QTest::addColumn<QByteArray>("request");
        const QString local = u"http://127.0.0.1:8421"_s + QString::fromLatin1(kQuotePath);
        const QByteArray direct = expectedRequest(kQuotePath, "0", "quote.host");
        const QByteArray proxied = expectedRequest("http://quote.host" + kQuotePath, "0", "quote.host");
        auto row = [](const char *tag, const QString &url, const char *proxy, const char *connect,
                      const QByteArray &request) {
            ::row(tag, url, QString::fromLatin1(proxy).split(u'|'), QString::fromLatin1(connect), request);
        };
        row("fresh without proxy", kUrl, "UseProxy=No|null|null", "quote.host:80", direct);
        row("host with a port: Host keeps it, connect uses it", local, "UseProxy=No||", "127.0.0.1:8421",
            expectedRequest(kQuotePath, "0", "127.0.0.1:8421"));
        row("UseProxy=yes is no proxy", kUrl, "UseProxy=yes|proxy1|8080", "quote.host:80", direct);
        row("proxy host with its own port", kUrl, "UseProxy=Yes|proxy1:3128|8080", "proxy1:3128", proxied);
        row("proxy, host trimmed, absolute URL", kUrl, "UseProxy=Yes|  proxy1  |8080", "proxy1:8080",
            proxied);
        row("proxy with a host that has a port", local, "UseProxy=Yes|p| 3128 ", "p:3128",
            expectedRequest("http://127.0.0.1:8421" + kQuotePath, "0", "127.0.0.1:8421"));
    }
    void requestBytes()
    {
        QFETCH(QString, url);
        QFETCH(QStringList, proxy);
        QFETCH(QString, connect);
        QFETCH(QByteArray, request);
        m_settings.proxyLine = proxy[0];
        m_settings.proxyHost = proxy[1];
        m_settings.proxyPort = proxy[2];
        m_proxy = proxyFromSettings(m_settings);
        start(url);
        QCOMPARE(m_socket->connects.size(), 1);
        QCOMPARE(m_socket->connects[0].first + u':' + QString::number(m_socket->connects[0].second), connect);
        QVERIFY(m_socket->sent.isEmpty() && m_client->timersEnabled());
        QVERIFY(!m_client->panel().CmdTelecharger.enabled && m_client->panel().CmdStop.enabled);
        m_socket->accept();
        QCOMPARE(m_socket->sent, request);
        QCOMPARE(m_client->panel().TextCmd, QString::fromLatin1(request));
    }

    void proxyPortThatIsNoNumberLeavesNoPort()
    {
        // No port: nothing to connect to, a failed attempt, never a direct request.
        useProxy("UseProxy=Yes", "proxy1", "abc");
        start();
        QVERIFY(m_socket->connects.isEmpty());
        QTRY_COMPARE(m_ended->count(), 1);

        useProxy("UseProxy=Yes", "proxy1", "8080");
        start();
        QCOMPARE(m_socket->connects.last(), qMakePair(u"proxy1"_s, quint16(8080)));
        m_socket->fail();
        QTRY_COMPARE(m_ended->count(), 2);

        // A port that worked before is not kept once the line no longer gives one.
        useProxy("UseProxy=Yes", "proxy1", "eighty");
        start();
        QCOMPARE(m_socket->connects.size(), 1);
        QVERIFY(m_client->useProxy());
        QTRY_COMPARE(m_ended->count(), 3);
    }

    void unusableUrlIsRefused()
    {
        QSignalSpy messages(m_client.get(), &HttpDownload::messageRequested);
        for (const auto &[url, message] :
             {std::pair{u"   "_s, u"Bon faut pas exagérer entrer un adresse SVP!!!"_s},
              {u"http://"_s, u"Bon la ya un Problème de chemin"_s}}) {
            m_client->panel().TextUrl = url;
            QVERIFY(!m_client->CmdTelecharger_Click());
            QCOMPARE(messages.takeFirst().first().toString(), message);
        }
        QVERIFY(messages.isEmpty() && m_socket->connects.isEmpty() && !m_client->timersEnabled());
    }

    void answer_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("header"); // null: okHeader's for the stored size
        const QByteArray body("\"MSFT\",27.12"), ok = okHeader(12).chopped(4);
        auto row = [](const char *tag, const QList<QByteArray> &pieces, const QByteArray &stored,
                      const QByteArray &header = {}) { ::row(tag, pieces, stored, header); };
        row("header and body in one piece", {okHeader(12) + body}, body);
        row("header split across pieces",
            {"HTTP/1.1 200 OK\r\nContent-Ty", "pe: text/csv\r\nContent-Len", "gth: 12\r\n\r", "\n\"MSFT\"",
             ",27.12"},
            body);
        row("blank line split after its first line end", {ok + "\r\n", "\r\n" + body}, body);
        row("blank line a byte at a time", {ok, "\r", "\n", "\r", "\n", body}, body);
        row("names in any case",
            {"HTTP/1.1 206 Partial Content\r\ncontent-type:text/csv\r\nCONTENT-LENGTH:  12 \r\n\r\n" + body},
            body, "HTTP/1.1 206 Partial Content\r\ncontent-type:text/csv\r\nCONTENT-LENGTH:  12 ");
        row("body in later pieces", {okHeader(12), "\"MS", "FT\",27.12"}, body);
        row("bytes beyond the length are not stored", {okHeader(6) + body}, "\"MSFT\"");
        row("a blank line inside the body is body", {okHeader(8) + "a\r\n\r\nb\r\n"}, "a\r\n\r\nb\r\n");
        row("empty body ends at once", {okHeader(0)}, "");
        row("equal lengths twice", {ok + "\r\nContent-Length: 12\r\n\r\n" + body}, body,
            ok + "\r\nContent-Length: 12");
        row("100 Continue first", {"HTTP/1.1 100 Continue\r\n\r\n" + okHeader(12) + body}, body);
        row("two interim answers split across pieces",
            {"HTTP/1.1 100 Continue\r\n", "\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r",
             "\n" + okHeader(12), body},
            body);
        row("bytes above 127 stored as they are", {okHeader(3) + QByteArray("\xe9\x00\xff", 3)},
            QByteArray("\xe9\x00\xff", 3));
    }
    void answer()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, header);
        start();
        m_socket->accept();
        for (const QByteArray &piece : pieces) {
            QCOMPARE(m_ended->count(), 0);
            m_socket->deliver(piece);
        }
        settle();
        QCOMPARE(m_ended->count(), 1);
        QCOMPARE(this->stored(), stored);
        const DownloadPanel &panel = m_client->panel();
        QCOMPARE(panel.txtTete,
                 QString::fromLatin1(header.isNull() ? okHeader(stored.size()).chopped(4) : header));
        QCOMPARE(m_client->totalSize(), qint64(stored.size()));
        QCOMPARE(panel.lblTaille, u"%1 Bytes"_s.arg(stored.size()));
        QVERIFY(!m_client->isBusy() && !m_client->timersEnabled() && m_socket->isClosed());
        QVERIFY(panel.CmdTelecharger.enabled && !panel.CmdStop.enabled && !panel.CmdPause.enabled);
    }

    // Answers whose body cannot be trusted as plain quote bytes: nothing stored, a failed attempt.
    void failedAnswer_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        const QByteArray body("\"MSFT\",27.12"), ok("HTTP/1.1 200 OK\r\n"), csv("Content-Type: text/csv\r\n");
        auto row = [](const char *tag, const QList<QByteArray> &pieces) { ::row(tag, pieces); };
        row("no Content-Type", {ok + "Content-Length: 12\r\n\r\n" + body});
        row("no Content-Length", {ok + csv + "\r\n" + body});
        row("Content-Length in the body only", {ok + csv + "\r\nContent-Length: 3\r\n"});
        row("length not a number", {ok + csv + "Content-Length: twelve\r\n\r\n" + body});
        row("negative length", {ok + csv + "Content-Length: -12\r\n\r\n" + body});
        row("fractional length", {ok + csv + "Content-Length: 12.0\r\n\r\n" + body});
        row("length of 2^31", {okHeader(2147483648LL) + body});
        row("length past 64 bits", {ok + csv + "Content-Length: 99999999999999999999999\r\n\r\n"});
        row("404 page",
            {"HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nNot Found"});
        row("404 of quote bytes", {okHeader(12, "404 Not Found") + body});
        row("proxy's 500 page", {"HTTP/1.0 500 Unable to connect\r\nContent-Type: "
                                 "text/html\r\nContent-Length: 12\r\n\r\n<html>\"MSFT\""});
        row("two different lengths", {ok + csv + "Content-Length: 8\r\nContent-Length: 66\r\n\r\n" + body});
        row("chunked body", {ok + csv + "Transfer-Encoding: chunked\r\n\r\nc\r\n" + body + "\r\n0\r\n\r\n"});
        row("chunked body with a length",
            {ok + csv + "Content-Length: 12\r\ntransfer-encoding: chunked\r\n\r\nc\r\n" + body +
             "\r\n0\r\n\r\n"});
        row("HTML page answered 200",
            {ok + "Content-Type: TEXT/HTML; charset=utf-8\r\nContent-Length: 12\r\n\r\n" + body});
        row("HTML type before a CSV one",
            {ok + "Content-Type: text/html\r\n" + csv + "Content-Length: 12\r\n\r\n" + body});
        row("101 Switching Protocols",
            {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n" + okHeader(12) + body});
        row("interim answers without end",
            {QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(17) + okHeader(12) + body});
        row("no status line", {csv + "Content-Length: 12\r\n\r\n" + body});
        row("status line of another protocol",
            {"ICY 200 OK\r\n" + csv + "Content-Length: 12\r\n\r\n" + body});
        row("huge header without its blank line", {ok + csv, QByteArray(40000, 'x'), QByteArray(40000, 'y')});
        row("huge header before its blank line",
            {ok + csv + "Content-Length: 12\r\nX-Pad: " + QByteArray(70000, 'p') + "\r\n\r\n" + body});
    }
    void failedAnswer()
    {
        QFETCH(QList<QByteArray>, pieces);
        // The answer of before is deleted at the start, whatever comes.
        QVERIFY(writeBytes(m_dir->filePath(u"quote.cfg"_s), "\"OLD\",1,2,3,4,5,6,7,8"));
        receive(pieces);
        settle();
        QCOMPARE(m_ended->count(), 1);
        QVERIFY(!QFile::exists(m_dir->filePath(u"quote.cfg"_s)) && !QFile::exists(m_client->filePath()));
        QVERIFY(!m_client->isBusy() && m_socket->isClosed());
        // Whatever follows on the dropped connection is ignored.
        m_socket->deliver(okHeader(3) + "abc");
        settle();
        QCOMPARE(m_ended->count(), 1);
    }

    void largestLengthIsAccepted()
    {
        receive({okHeader(2147483647) + "abc"});
        settle();
        QVERIFY(m_ended->isEmpty() && m_client->totalSize() == 2147483647 && m_client->bytesStored() == 3);
        QCOMPARE(m_client->panel().lblTaille, u"2,097.15 MB"_s);
    }

    // The server keeps the connection open after the body: the size alone ends the transfer,
    // after the socket's event has returned, or at the next seconds tick, once.
    void completesWithoutWaitingForATick()
    {
        receive({okHeader(120) + QByteArray(120, 'q')});
        QVERIFY(m_ended->isEmpty() && !m_socket->isClosed());
        settle();
        QCOMPARE(m_ended->count(), 1);
        QCOMPARE(stored(), QByteArray(120, 'q'));
        QCOMPARE(m_client->panel().lblRecu, u"120 Bytes"_s);

        receive({okHeader(120) + QByteArray(120, 'q')});
        ticks(1);
        QCOMPARE(m_ended->count(), 2);
        QCOMPARE(m_client->panel().lblRecu + m_client->panel().CmdPause.caption, u"120 BytesPause"_s);
        QVERIFY(!m_client->panel().CmdPause.enabled);
        settle();
        QCOMPARE(m_ended->count(), 2);
    }

    void idleTimeoutAfter61Ticks()
    {
        receive({okHeader(100) + "abc"});
        ticks(30);
        m_socket->deliver("def"); // data restarts the count
        ticks(60);
        QCOMPARE(m_ended->count(), 0);
        ticks(1);
        QCOMPARE(m_ended->count(), 1);
        QCOMPARE(stored(), QByteArray("abcdef"));
        QVERIFY(m_socket->isClosed() && m_client->panel().CmdPause.enabled); // Pause is kept after a time-out

        // The next attempt gets its own 61 ticks, even without any data.
        start();
        ticks(60);
        QCOMPARE(m_ended->count(), 1);
        ticks(1);
        QCOMPARE(m_ended->count(), 2);
    }

    void stop()
    {
        receive({okHeader(100) + "abc"});
        QVERIFY(m_client->panel().CmdPause.enabled);
        m_client->CmdStop_Click();
        QCOMPARE(m_ended->count(), 1);
        QVERIFY(m_socket->isClosed() && !m_client->timersEnabled());
        QVERIFY(!m_client->panel().CmdPause.enabled && !m_client->panel().CmdStop.enabled);
        QCOMPARE(stored(), QByteArray("abc"));
        m_client->CmdStop_Click(); // disabled now
        QCOMPARE(m_ended->count(), 1);
    }

    void pauseThenResumeAppends()
    {
        receive({okHeader(1500) + QByteArray(1000, 'a')});
        m_client->CmdPause_Click();
        QCOMPARE(m_client->panel().CmdPause.caption, u"Résume"_s);
        QVERIFY(m_socket->isClosed() && !m_client->timersEnabled());
        m_socket->deliver(QByteArray(10, 'z')); // nothing more is read while paused
        QCOMPARE(stored(), QByteArray(1000, 'a'));

        m_client->CmdPause_Click();
        QCOMPARE(m_client->panel().CmdPause.caption, u"Pause"_s);
        QVERIFY(m_client->timersEnabled() && m_socket->connects.size() == 2);
        m_socket->accept();
        QCOMPARE(m_socket->sent, expectedRequest(kQuotePath, "1000", "quote.host"));
        m_socket->deliver("HTTP/1.1 206 Partial Content\r\nContent-Type: text/csv\r\nContent-Length: 500\r\n"
                          "Content-Range: bytes 1000-1499/1500\r\n\r\n");
        QVERIFY(m_client->totalSize() == 1500 && m_client->writePosition() == 1001);
        m_socket->deliver(QByteArray(500, 'b'));
        settle();
        QCOMPARE(m_ended->count(), 1);
        QCOMPARE(stored(), QByteArray(1000, 'a') + QByteArray(500, 'b'));
    }

    void resumeAnsweredWithTheWholeFileStartsOver()
    {
        receive({okHeader(20) + "0123456789"});
        m_client->CmdPause_Click();
        m_client->CmdPause_Click();
        m_socket->accept();
        QVERIFY(m_socket->sent.contains("\r\nRange: bytes=10-\r\n"));
        m_socket->deliver(okHeader(20) + "ABCDEFGHIJKLMNOPQRST");
        settle();
        QCOMPARE(m_ended->count(), 1);
        QCOMPARE(stored(), QByteArray("ABCDEFGHIJKLMNOPQRST"));
    }

    // A socket error or the peer closing early ends the transfer, never from inside the
    // socket's event.
    void socketErrorOrCloseEndsTransfer()
    {
        start();
        m_socket->fail();
        QCOMPARE(m_ended->count(), 0);
        settle();
        QVERIFY(m_ended->count() == 1 && !m_client->timersEnabled());

        receive({okHeader(100) + "abc"});
        emit m_socket->peerClosed();
        settle();
        QCOMPARE(m_ended->count(), 2);
    }

    void newStartDropsTheRunningTransfer()
    {
        receive({okHeader(3) + "old"}); // complete; its end is still pending
        start();
        settle();
        QVERIFY(m_ended->isEmpty() && m_socket->connects.size() == 2 && !QFile::exists(m_client->filePath()));
        m_socket->accept();
        m_socket->deliver(okHeader(3) + "new");
        settle();
        QCOMPARE(m_ended->count(), 1);
        QCOMPARE(stored(), QByteArray("new"));
    }

    void percentBar()
    {
        receive({});
        m_client->Timer_Percent_Timer(); // no header yet: nothing drawn
        QCOMPARE(m_client->panel().Picture1, ProgressPicture());
        m_socket->deliver(okHeader(10000) + QByteArray(2500, 'x'));
        m_client->Timer_Percent_Timer();
        QCOMPARE(m_client->panel().Picture1, (ProgressPicture{u"25%"_s, 25}));
        QVERIFY(m_client->panel().lblRecu == u"2.44 KB"_s && m_client->lastPercent() == 25);
        m_socket->deliver(QByteArray(7500, 'x'));
        m_client->Timer_Percent_Timer();
        QCOMPARE(m_client->panel().Picture1, (ProgressPicture{u"100%"_s, 100}));
        settle();

        // The last percentage drawn is kept: a new transfer at the same percentage leaves its
        // cleared bar as it is.
        start();
        QCOMPARE(m_client->panel().Picture1, ProgressPicture());
        QVERIFY(m_client->panel().lblTaille.isEmpty() && m_client->panel().lblRecu.isEmpty());
        m_socket->accept();
        m_socket->deliver(okHeader(4) + "abcd");
        m_client->Timer_Percent_Timer();
        QCOMPARE(m_client->panel().Picture1, ProgressPicture());
    }

    // Speed, elapsed and remaining time at a seconds tick: 12 350 bytes arrive between the clock's
    // `from` and `to`, then `idle` ticks pass a second apart without data (the speed stays).
    void tickDisplay_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<int>("idle");
        QTest::addColumn<QString>("shown"); // speed, elapsed, remaining
        // In 1.5 s: 8 thousand bytes a second; 87 650 bytes left are 85 units of 1024.
        row("a tick", 1000.0, 1001.5, 0, "12.06 KB 00:00:01 00:00:10");
        row("a second without data", 1000.0, 1001.5, 1, "12.06 KB 00:00:02 00:00:21");
        // The start is rounded to 86398: 3 s, 4 thousand bytes a second.
        row("across midnight", 86398.2, 1.0, 0, "12.06 KB 00:00:01 00:00:21");
    }
    void tickDisplay()
    {
        QFETCH(double, from);
        QFETCH(int, idle);
        m_clock->now = from;
        receive({okHeader(100000) + QByteArray(12350 - 4, 'x'), QByteArray(4, 'x')});
        QFETCH(double, to);
        for (m_clock->now = to; idle >= 0; --idle, m_clock->now += 1)
            ticks(1);
        const DownloadPanel &panel = m_client->panel();
        QTEST(panel.lblVitesse + u' ' + panel.lblTpasse + u' ' + panel.lblTRestant, "shown");
    }

    void elapsedClockCarries()
    {
        receive({okHeader(100000) + "x"});
        for (int tick = 1; tick <= 3661; ++tick) {
            m_socket->deliver("x");
            m_clock->now += 1;
            ticks(1);
            if (tick == 59 || tick == 60)
                QCOMPARE(m_client->panel().lblTpasse, tick == 59 ? u"00:00:59"_s : u"00:01:00"_s);
        }
        QCOMPARE(m_client->panel().lblTpasse, u"01:01:01"_s);
        QCOMPARE(m_ended->count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHttpDownload)
#include "test_httpdownload.moc"
