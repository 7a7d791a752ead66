#include "common/fakes.h"
#include "model/numbertext.h"
#include "sync/httpdownload.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kQuotePath = QStringLiteral("/d/quotes.csv?s=MSFT&f=sl1d1t1c1ohgv&e=.csv");

QByteArray expectedRequest(const QByteArray &requestLine, const QByteArray &range, const QByteArray &host)
{
    return requestLine + "\r\n" +
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Accept-Language: fr\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
           "Range: bytes=" +
           range + "-\r\nHost: " + host + "\r\nConnection: Keep-Alive\r\n\r\n";
}

} // namespace

class TestHttpDownload : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void extractUrl_data();
    void extractUrl();
    void splitHostPort_data();
    void splitHostPort();
    void requestBytes_data();
    void requestBytes();
    void proxyPortThatIsNoNumberLeavesNoPort();
    void unusableUrlIsRefused_data();
    void unusableUrlIsRefused();
    void oldAnswerIsDeletedAtStart();

    void answer_data();
    void answer();
    void failedAnswer_data();
    void failedAnswer();
    void largestLengthIsAccepted();
    void completesWithoutWaitingForATick();
    void secondsTickSizeTestEndsOnce();

    void idleTimeoutAfter61Ticks();
    void stop();
    void pauseThenResumeAppends();
    void resumeAnsweredWithTheWholeFileStartsOver();
    void socketErrorEndsTransfer();
    void peerClosingEarlyEndsTransfer();
    void newStartDropsTheRunningTransfer();

    void percentBar();
    void secondsTickDisplay();
    void midnightCorrection();
    void elapsedClockCarries();

private:
    void start(const QString &url = QStringLiteral("http://quote.host") + kQuotePath);
    QByteArray storedFile() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeSocket> m_socket;
    std::unique_ptr<FakeClock> m_clock;
    Settings m_settings;
    ProxySetting m_proxy;
    const NumberFormat m_numbers;
    std::unique_ptr<HttpDownload> m_client;
    std::unique_ptr<QSignalSpy> m_ended;
};

void TestHttpDownload::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_socket = std::make_unique<FakeSocket>();
    m_clock = std::make_unique<FakeClock>();
    m_settings = Settings();
    m_settings.proxyLine = QStringLiteral("UseProxy=No");
    m_proxy = proxyFromSettings(m_settings);
    m_client = std::make_unique<HttpDownload>(*m_socket, *m_clock, m_proxy, m_numbers, m_dir->path());
    m_ended = std::make_unique<QSignalSpy>(m_client.get(), &HttpDownload::transferEnded);
}

void TestHttpDownload::cleanup()
{
    m_ended.reset();
    m_client.reset();
    m_socket.reset();
}

void TestHttpDownload::start(const QString &url)
{
    m_client->panel().TextUrl = url;
    QVERIFY(m_client->CmdTelecharger_Click());
}

QByteArray TestHttpDownload::storedFile() const
{
    QFile file(m_client->filePath());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<no file>");
    return file.readAll();
}

void TestHttpDownload::extractUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("urlAfter");

    QTest::addRow("scheme, host and path") << "http://H/d/quotes.csv?s=X"
                                           << "H"
                                           << "/d/quotes.csv?s=X"
                                           << "H/d/quotes.csv?s=X";
    QTest::addRow("host alone") << "H"
                                << "H"
                                << "/"
                                << "H";
    QTest::addRow("scheme alone") << "http://"
                                  << ""
                                  << ""
                                  << "";
    QTest::addRow("host with a port") << "http://127.0.0.1:8421/d/q?s=X"
                                      << "127.0.0.1:8421"
                                      << "/d/q?s=X"
                                      << "127.0.0.1:8421/d/q?s=X";
    QTest::addRow("any scheme is cut") << "xyz://H/p"
                                       << "H"
                                       << "/p"
                                       << "H/p";
    QTest::addRow("only the first :// counts") << "a://b://c/d"
                                               << "b:"
                                               << "//c/d"
                                               << "b://c/d";
    QTest::addRow("path without host") << "http:///p"
                                       << ""
                                       << "/p"
                                       << "/p";
    QTest::addRow("blanks are not trimmed") << " http://H/p "
                                            << "H"
                                            << "/p "
                                            << "H/p ";
}

void TestHttpDownload::extractUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QFETCH(QString, path);
    QFETCH(QString, urlAfter);
    QCOMPARE(m_client->Extract_URL(url), host);
    QCOMPARE(m_client->path(), path);
    QCOMPARE(url, urlAfter);
}

void TestHttpDownload::splitHostPort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("valid");

    QTest::addRow("name alone takes the default") << "quote.host"
                                                  << "quote.host" << 80 << true;
    QTest::addRow("name and port") << "127.0.0.1:8421"
                                   << "127.0.0.1" << 8421 << true;
    QTest::addRow("bracketed IPv6 with port") << "[::1]:9000"
                                              << "::1" << 9000 << true;
    QTest::addRow("bracketed IPv6 alone") << "[::1]"
                                          << "::1" << 80 << true;
    QTest::addRow("bare IPv6") << "::1"
                               << "::1" << 80 << true;
    QTest::addRow("port that is no number") << "h:abc"
                                            << "h" << 80 << false;
    QTest::addRow("port 0") << "h:0"
                            << "h" << 80 << false;
    QTest::addRow("port too large") << "h:65536"
                                    << "h" << 80 << false;
    QTest::addRow("signed port") << "h:+81"
                                 << "h" << 80 << false;
    QTest::addRow("empty port") << "h:"
                                << "h" << 80 << false;
    QTest::addRow("empty name") << ":81"
                                << "" << 81 << false;
    QTest::addRow("nothing") << ""
                             << "" << 80 << false;
}

void TestHttpDownload::splitHostPort()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(int, port);
    QFETCH(bool, valid);
    const HostPort split = ::splitHostPort(text, 80);
    QCOMPARE(split.valid, valid);
    if (valid) {
        QCOMPARE(split.name, name);
        QCOMPARE(int(split.port), port);
    }
}

void TestHttpDownload::requestBytes_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("proxyLine");
    QTest::addColumn<QString>("proxyHost");
    QTest::addColumn<QString>("proxyPort");
    QTest::addColumn<QString>("connectHost");
    QTest::addColumn<int>("connectPort");
    QTest::addColumn<QByteArray>("request");

    const QString url = QStringLiteral("http://quote.host") + kQuotePath;
    const QByteArray path = kQuotePath.toLatin1();
    QTest::addRow("fresh without proxy")
        << url << "UseProxy=No"
        << "null"
        << "null"
        << "quote.host" << 80 << expectedRequest("GET " + path + " HTTP/1.1", "0", "quote.host");
    QTest::addRow("host with a port: Host keeps it, connect uses it")
        << QStringLiteral("http://127.0.0.1:8421") + kQuotePath << "UseProxy=No"
        << ""
        << ""
        << "127.0.0.1" << 8421 << expectedRequest("GET " + path + " HTTP/1.1", "0", "127.0.0.1:8421");
    QTest::addRow("proxy, host trimmed, absolute URL")
        << url << "UseProxy=Yes"
        << "  proxy1  "
        << "8080"
        << "proxy1" << 8080
        << expectedRequest("GET http://quote.host" + path + " HTTP/1.1", "0", "quote.host");
    QTest::addRow("UseProxy=yes is no proxy")
        << url << "UseProxy=yes"
        << "proxy1"
        << "8080"
        << "quote.host" << 80 << expectedRequest("GET " + path + " HTTP/1.1", "0", "quote.host");
    QTest::addRow("proxy host with its own port")
        << url << "UseProxy=Yes"
        << "proxy1:3128"
        << "8080"
        << "proxy1" << 3128
        << expectedRequest("GET http://quote.host" + path + " HTTP/1.1", "0", "quote.host");
    QTest::addRow("proxy with a host that has a port")
        << QStringLiteral("http://127.0.0.1:8421") + kQuotePath << "UseProxy=Yes"
        << "p"
        << " 3128 "
        << "p" << 3128
        << expectedRequest("GET http://127.0.0.1:8421" + path + " HTTP/1.1", "0", "127.0.0.1:8421");
}

void TestHttpDownload::requestBytes()
{
    QFETCH(QString, url);
    QFETCH(QString, proxyLine);
    QFETCH(QString, proxyHost);
    QFETCH(QString, proxyPort);
    QFETCH(QString, connectHost);
    QFETCH(int, connectPort);
    QFETCH(QByteArray, request);

    m_settings.proxyLine = proxyLine;
    m_settings.proxyHost = proxyHost;
    m_settings.proxyPort = proxyPort;
    m_proxy = proxyFromSettings(m_settings);
    start(url);
    QCOMPARE(m_socket->connects.size(), 1);
    QCOMPARE(m_socket->connects.first().first, connectHost);
    QCOMPARE(int(m_socket->connects.first().second), connectPort);
    QVERIFY(m_socket->sent.isEmpty());
    QVERIFY(m_client->timersEnabled());
    QVERIFY(!m_client->panel().CmdTelecharger.enabled);
    QVERIFY(m_client->panel().CmdStop.enabled);

    m_socket->accept();
    QCOMPARE(m_socket->sent, request);
    QCOMPARE(m_client->panel().TextCmd, QString::fromLatin1(request));
}

void TestHttpDownload::proxyPortThatIsNoNumberLeavesNoPort()
{
    m_settings.proxyLine = QStringLiteral("UseProxy=Yes");
    m_settings.proxyHost = QStringLiteral("proxy1");

    // No port: nothing to connect to, a failed attempt, never a direct request.
    m_settings.proxyPort = QStringLiteral("abc");
    m_proxy = proxyFromSettings(m_settings);
    start();
    QVERIFY(m_socket->connects.isEmpty());
    QTRY_COMPARE(m_ended->count(), 1);

    m_settings.proxyPort = QStringLiteral("8080");
    m_proxy = proxyFromSettings(m_settings);
    start();
    QCOMPARE(m_socket->connects.last(), qMakePair(QStringLiteral("proxy1"), quint16(8080)));
    m_socket->fail();
    QTRY_COMPARE(m_ended->count(), 2);

    // A port that worked before is not kept once the line no longer gives one.
    m_settings.proxyPort = QStringLiteral("eighty");
    m_proxy = proxyFromSettings(m_settings);
    start();
    QCOMPARE(m_socket->connects.size(), 1);
    QVERIFY(m_client->useProxy());
    QTRY_COMPARE(m_ended->count(), 3);
}

void TestHttpDownload::unusableUrlIsRefused_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("message");
    QTest::addRow("blank") << "   "
                           << "Bon faut pas exagérer entrer un adresse SVP!!!";
    QTest::addRow("scheme alone") << "http://"
                                  << "Bon la ya un Problème de chemin";
}

void TestHttpDownload::unusableUrlIsRefused()
{
    QFETCH(QString, url);
    QFETCH(QString, message);
    QSignalSpy messages(m_client.get(), &HttpDownload::messageRequested);
    m_client->panel().TextUrl = url;
    QVERIFY(!m_client->CmdTelecharger_Click());
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.first().first().toString(), message);
    QVERIFY(m_socket->connects.isEmpty());
    QVERIFY(!m_client->timersEnabled());
}

void TestHttpDownload::oldAnswerIsDeletedAtStart()
{
    QFile old(m_dir->filePath(u"quote.cfg"_s));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("\"OLD\",1,2,3,4,5,6,7,8");
    old.close();
    start();
    QVERIFY(!QFile::exists(m_dir->filePath(u"quote.cfg"_s)));
}

void TestHttpDownload::answer_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("header");

    const QByteArray body("\"MSFT\",27.12");
    QTest::addRow("header and body in one piece")
        << QList<QByteArray>{okHeader(12) + body} << body
        << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12";
    QTest::addRow("header split across pieces")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Ty", "pe: text/csv\r\nContent-Len", "gth: 12\r\n\r",
                             "\n\"MSFT\"", ",27.12"}
        << body << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12";
    QTest::addRow("blank line split after its first line end")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12\r\n",
                             "\r\n" + body}
        << body << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12";
    QTest::addRow("blank line a byte at a time")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12",
                             "\r",
                             "\n",
                             "\r",
                             "\n",
                             body}
        << body << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12";
    QTest::addRow("names in any case")
        << QList<QByteArray>{"HTTP/1.1 206 Partial Content\r\ncontent-type:text/csv\r\nCONTENT-LENGTH:  12 "
                             "\r\n\r\n" +
                             body}
        << body << "HTTP/1.1 206 Partial Content\r\ncontent-type:text/csv\r\nCONTENT-LENGTH:  12 ";
    QTest::addRow("body in later pieces")
        << QList<QByteArray>{okHeader(12), "\"MS", "FT\",27.12"} << body
        << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12";
    QTest::addRow("bytes beyond the length are not stored")
        << QList<QByteArray>{okHeader(6) + body} << QByteArray("\"MSFT\"")
        << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 6";
    QTest::addRow("a blank line inside the body is body")
        << QList<QByteArray>{okHeader(8) + "a\r\n\r\nb\r\n"} << QByteArray("a\r\n\r\nb\r\n")
        << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 8";
    QTest::addRow("empty body ends at once")
        << QList<QByteArray>{okHeader(0)} << QByteArray()
        << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 0";
    QTest::addRow("equal lengths twice")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12\r\n"
                             "Content-Length: 12\r\n\r\n" +
                             body}
        << body << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12\r\nContent-Length: 12";
    QTest::addRow("100 Continue first")
        << QList<QByteArray>{"HTTP/1.1 100 Continue\r\n\r\n" + okHeader(12) + body} << body
        << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12";
    QTest::addRow("two interim answers split across pieces")
        << QList<QByteArray>{"HTTP/1.1 100 Continue\r\n", "\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r",
                             "\n" + okHeader(12), body}
        << body << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12";
    QTest::addRow("bytes above 127 stored as they are")
        << QList<QByteArray>{okHeader(3) + QByteArray("\xe9\x00\xff", 3)} << QByteArray("\xe9\x00\xff", 3)
        << "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 3";
}

void TestHttpDownload::answer()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, stored);
    QFETCH(QString, header);

    start();
    m_socket->accept();
    for (const QByteArray &piece : pieces) {
        QCOMPARE(m_ended->count(), 0);
        m_socket->deliver(piece);
    }
    settle();
    QCOMPARE(m_ended->count(), 1);
    QCOMPARE(storedFile(), stored);
    QCOMPARE(m_client->panel().txtTete, header);
    QCOMPARE(m_client->totalSize(), qint64(stored.size()));
    QCOMPARE(m_client->panel().lblTaille, QStringLiteral("%1 Bytes").arg(stored.size()));
    QVERIFY(!m_client->isBusy());
    QVERIFY(!m_client->timersEnabled());
    QVERIFY(m_socket->isClosed());
    QVERIFY(m_client->panel().CmdTelecharger.enabled);
    QVERIFY(!m_client->panel().CmdStop.enabled);
    QVERIFY(!m_client->panel().CmdPause.enabled);
}

void TestHttpDownload::failedAnswer_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");

    const QByteArray body("\"MSFT\",27.12");
    QTest::addRow("no Content-Type") << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n" +
                                                          body};
    QTest::addRow("no Content-Length")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\n\r\n" + body};
    QTest::addRow("Content-Length in the body only")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\n\r\nContent-Length: 3\r\n"};
    QTest::addRow("length not a number")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: t\r\nContent-Length: twelve\r\n\r\n" + body};
    QTest::addRow("negative length") << QList<QByteArray>{
        "HTTP/1.1 200 OK\r\nContent-Type: t\r\nContent-Length: -12\r\n\r\n" + body};
    QTest::addRow("fractional length")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: t\r\nContent-Length: 12.0\r\n\r\n" + body};
    QTest::addRow("length of 2^31") << QList<QByteArray>{okHeader(2147483648LL) + body};
    QTest::addRow("length past 64 bits") << QList<QByteArray>{
        "HTTP/1.1 200 OK\r\nContent-Type: t\r\nContent-Length: 99999999999999999999999\r\n\r\n"};
    QTest::addRow("404 page") << QList<QByteArray>{"HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n"
                                                   "Content-Length: 9\r\n\r\nNot Found"};
    QTest::addRow("proxy's 500 page")
        << QList<QByteArray>{"HTTP/1.0 500 Unable to connect\r\nContent-Type: text/html\r\n"
                             "Content-Length: 12\r\n\r\n<html>\"MSFT\""};
    QTest::addRow("two different lengths")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 8\r\n"
                             "Content-Length: 66\r\n\r\n" +
                             body};
    QTest::addRow("chunked body") << QList<QByteArray>{
        "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nTransfer-Encoding: chunked\r\n\r\nc\r\n" + body +
        "\r\n0\r\n\r\n"};
    QTest::addRow("chunked body with a length")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12\r\n"
                             "transfer-encoding: chunked\r\n\r\nc\r\n" +
                             body + "\r\n0\r\n\r\n"};
    QTest::addRow("HTML page answered 200")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: TEXT/HTML; charset=utf-8\r\n"
                             "Content-Length: 12\r\n\r\n" +
                             body};
    QTest::addRow("101 Switching Protocols")
        << QList<QByteArray>{"HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n" + okHeader(12) + body};
    QTest::addRow("interim answers without end")
        << QList<QByteArray>{QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(17) + okHeader(12) + body};
    QTest::addRow("no status line") << QList<QByteArray>{
        "Content-Type: text/csv\r\nContent-Length: 12\r\n\r\n" + body};
    QTest::addRow("status line of another protocol")
        << QList<QByteArray>{"ICY 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12\r\n\r\n" + body};
    QTest::addRow("huge header without its blank line") << QList<QByteArray>{
        "HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\n", QByteArray(40000, 'x'), QByteArray(40000, 'y')};
    QTest::addRow("huge header before its blank line")
        << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: 12\r\nX-Pad: " +
                             QByteArray(70000, 'p') + "\r\n\r\n" + body};
}

void TestHttpDownload::failedAnswer()
{
    QFETCH(QList<QByteArray>, pieces);
    start();
    m_socket->accept();
    for (const QByteArray &piece : pieces)
        m_socket->deliver(piece);
    settle();
    QCOMPARE(m_ended->count(), 1);
    QVERIFY(!QFile::exists(m_client->filePath()));
    QVERIFY(!m_client->isBusy());
    QVERIFY(m_socket->isClosed());
    // Whatever follows on the dropped connection is ignored.
    m_socket->deliver(okHeader(3) + "abc");
    settle();
    QCOMPARE(m_ended->count(), 1);
}

void TestHttpDownload::largestLengthIsAccepted()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(2147483647) + "abc");
    settle();
    QCOMPARE(m_ended->count(), 0);
    QCOMPARE(m_client->totalSize(), qint64(2147483647));
    QCOMPARE(m_client->bytesStored(), qint64(3));
    QCOMPARE(m_client->panel().lblTaille, QStringLiteral("2,097.15 MB"));
}

void TestHttpDownload::completesWithoutWaitingForATick()
{
    // The server keeps the connection open after the body: the size alone ends the transfer,
    // after the socket's event has returned.
    start();
    m_socket->accept();
    const QByteArray body(120, 'q');
    m_socket->deliver(okHeader(120) + body);
    QCOMPARE(m_ended->count(), 0);
    QVERIFY(!m_socket->isClosed());
    settle();
    QCOMPARE(m_ended->count(), 1);
    QCOMPARE(storedFile(), body);
    QCOMPARE(m_client->panel().lblRecu, QStringLiteral("120 Bytes"));
}

void TestHttpDownload::secondsTickSizeTestEndsOnce()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(120) + QByteArray(120, 'q'));
    m_client->Timer_Seconde_Timer();
    QCOMPARE(m_ended->count(), 1);
    QCOMPARE(m_client->panel().lblRecu, QStringLiteral("120 Bytes"));
    QCOMPARE(m_client->panel().CmdPause.caption, QStringLiteral("Pause"));
    QVERIFY(!m_client->panel().CmdPause.enabled);
    settle();
    QCOMPARE(m_ended->count(), 1);
}

void TestHttpDownload::idleTimeoutAfter61Ticks()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(100) + "abc");
    for (int tick = 1; tick <= 30; ++tick)
        m_client->Timer_Seconde_Timer();
    m_socket->deliver("def"); // data restarts the count
    for (int tick = 1; tick <= 60; ++tick)
        m_client->Timer_Seconde_Timer();
    QCOMPARE(m_ended->count(), 0);
    m_client->Timer_Seconde_Timer();
    QCOMPARE(m_ended->count(), 1);
    QCOMPARE(storedFile(), QByteArray("abcdef"));
    QVERIFY(m_socket->isClosed());
    // Pause keeps what it was after a time-out.
    QVERIFY(m_client->panel().CmdPause.enabled);

    // The next attempt gets its own 61 ticks, even without any data.
    start();
    for (int tick = 1; tick <= 60; ++tick)
        m_client->Timer_Seconde_Timer();
    QCOMPARE(m_ended->count(), 1);
    m_client->Timer_Seconde_Timer();
    QCOMPARE(m_ended->count(), 2);
}

void TestHttpDownload::stop()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(100) + "abc");
    QVERIFY(m_client->panel().CmdPause.enabled);
    m_client->CmdStop_Click();
    QCOMPARE(m_ended->count(), 1);
    QVERIFY(m_socket->isClosed());
    QVERIFY(!m_client->timersEnabled());
    QVERIFY(!m_client->panel().CmdPause.enabled);
    QVERIFY(!m_client->panel().CmdStop.enabled);
    QCOMPARE(storedFile(), QByteArray("abc"));
    m_client->CmdStop_Click(); // disabled now
    QCOMPARE(m_ended->count(), 1);
}

void TestHttpDownload::pauseThenResumeAppends()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(1500) + QByteArray(1000, 'a'));
    m_client->CmdPause_Click();
    QCOMPARE(m_client->panel().CmdPause.caption, QStringLiteral("Résume"));
    QVERIFY(m_socket->isClosed());
    QVERIFY(!m_client->timersEnabled());
    m_socket->deliver(QByteArray(10, 'z')); // nothing more is read while paused
    QCOMPARE(storedFile(), QByteArray(1000, 'a'));

    m_client->CmdPause_Click();
    QCOMPARE(m_client->panel().CmdPause.caption, QStringLiteral("Pause"));
    QVERIFY(m_client->timersEnabled());
    QCOMPARE(m_socket->connects.size(), 2);
    m_socket->accept();
    QCOMPARE(m_socket->sent,
             expectedRequest("GET " + kQuotePath.toLatin1() + " HTTP/1.1", "1000", "quote.host"));
    m_socket->deliver("HTTP/1.1 206 Partial Content\r\nContent-Type: text/csv\r\nContent-Length: 500\r\n"
                      "Content-Range: bytes 1000-1499/1500\r\n\r\n");
    QCOMPARE(m_client->totalSize(), qint64(1500));
    QCOMPARE(m_client->writePosition(), qint64(1001));
    m_socket->deliver(QByteArray(500, 'b'));
    settle();
    QCOMPARE(m_ended->count(), 1);
    QCOMPARE(storedFile(), QByteArray(1000, 'a') + QByteArray(500, 'b'));
}

void TestHttpDownload::resumeAnsweredWithTheWholeFileStartsOver()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(20) + "0123456789");
    m_client->CmdPause_Click();
    m_client->CmdPause_Click();
    m_socket->accept();
    QVERIFY(m_socket->sent.contains("\r\nRange: bytes=10-\r\n"));
    m_socket->deliver(okHeader(20) + "ABCDEFGHIJKLMNOPQRST");
    settle();
    QCOMPARE(m_ended->count(), 1);
    QCOMPARE(storedFile(), QByteArray("ABCDEFGHIJKLMNOPQRST"));
}

void TestHttpDownload::socketErrorEndsTransfer()
{
    start();
    m_socket->fail();
    QCOMPARE(m_ended->count(), 0); // never from inside the socket's event
    settle();
    QCOMPARE(m_ended->count(), 1);
    QVERIFY(!m_client->timersEnabled());
}

void TestHttpDownload::peerClosingEarlyEndsTransfer()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(100) + "abc");
    emit m_socket->peerClosed();
    settle();
    QCOMPARE(m_ended->count(), 1);
}

void TestHttpDownload::newStartDropsTheRunningTransfer()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(3) + "old"); // complete; its end is still pending
    start();
    settle();
    QCOMPARE(m_ended->count(), 0);
    QCOMPARE(m_socket->connects.size(), 2);
    QVERIFY(!QFile::exists(m_client->filePath()));
    m_socket->accept();
    m_socket->deliver(okHeader(3) + "new");
    settle();
    QCOMPARE(m_ended->count(), 1);
    QCOMPARE(storedFile(), QByteArray("new"));
}

void TestHttpDownload::percentBar()
{
    start();
    m_socket->accept();
    m_client->Timer_Percent_Timer(); // no header yet: nothing drawn
    QCOMPARE(m_client->panel().Picture1, ProgressPicture());
    m_socket->deliver(okHeader(10000) + QByteArray(2500, 'x'));
    m_client->Timer_Percent_Timer();
    QCOMPARE(m_client->panel().Picture1, (ProgressPicture{QStringLiteral("25%"), 25}));
    QCOMPARE(m_client->panel().lblRecu, QStringLiteral("2.44 KB"));
    QCOMPARE(m_client->lastPercent(), 25);
    m_socket->deliver(QByteArray(7500, 'x'));
    m_client->Timer_Percent_Timer();
    QCOMPARE(m_client->panel().Picture1, (ProgressPicture{QStringLiteral("100%"), 100}));
    settle();

    // The last percentage drawn is kept: a new transfer at the same percentage leaves its
    // cleared bar as it is.
    start();
    QCOMPARE(m_client->panel().Picture1, ProgressPicture());
    QVERIFY(m_client->panel().lblTaille.isEmpty());
    QVERIFY(m_client->panel().lblRecu.isEmpty());
    m_socket->accept();
    m_socket->deliver(okHeader(4) + "abcd");
    m_client->Timer_Percent_Timer();
    QCOMPARE(m_client->panel().Picture1, ProgressPicture());
}

void TestHttpDownload::secondsTickDisplay()
{
    m_clock->now = 1000;
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(100000) + QByteArray(12350 - 4, 'x'));
    m_socket->deliver(QByteArray(4, 'x'));
    m_clock->now = 1001.5;
    m_client->Timer_Seconde_Timer();
    const DownloadPanel &panel = m_client->panel();
    QCOMPARE(panel.lblVitesse, QStringLiteral("12.06 KB"));
    QCOMPARE(panel.lblTpasse, QStringLiteral("00:00:01"));
    // 12 350 bytes in 1.5 s: 8 thousand bytes a second; 87 650 bytes left are 85 units of 1024.
    QCOMPARE(panel.lblTRestant, QStringLiteral("00:00:10"));

    // A second without data leaves the speed as it was.
    m_clock->now = 1002.5;
    m_client->Timer_Seconde_Timer();
    QCOMPARE(panel.lblVitesse, QStringLiteral("12.06 KB"));
    QCOMPARE(panel.lblTpasse, QStringLiteral("00:00:02"));
    QCOMPARE(panel.lblTRestant, QStringLiteral("00:00:21"));
}

void TestHttpDownload::midnightCorrection()
{
    m_clock->now = 86398.2; // the start time is rounded to 86398
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(10000) + QByteArray(3000, 'x'));
    m_clock->now = 1.0; // three seconds later, after midnight
    m_client->Timer_Seconde_Timer();
    // 3000 bytes over 3 s: 1 thousand bytes a second; 7000 bytes left are 6 units of 1024.
    QCOMPARE(m_client->panel().lblTRestant, QStringLiteral("00:00:06"));
}

void TestHttpDownload::elapsedClockCarries()
{
    start();
    m_socket->accept();
    m_socket->deliver(okHeader(100000) + "x");
    for (int tick = 1; tick <= 3661; ++tick) {
        m_socket->deliver("x");
        m_clock->now += 1;
        m_client->Timer_Seconde_Timer();
        if (tick == 59)
            QCOMPARE(m_client->panel().lblTpasse, QStringLiteral("00:00:59"));
        if (tick == 60)
            QCOMPARE(m_client->panel().lblTpasse, QStringLiteral("00:01:00"));
    }
    QCOMPARE(m_client->panel().lblTpasse, QStringLiteral("01:01:01"));
    QCOMPARE(m_ended->count(), 0);
}

QTEST_GUILESS_MAIN(TestHttpDownload)
#include "test_httpdownload.moc"
