// The quote download against servers nobody here wrote: nginx and tinyproxy, on 127.0.0.1.
#include "common/files.h"
#include "model/numbertext.h"
#include "platform/tcpsocket.h"
#include "sync/quotesync.h"
#include "sync/systemclock.h"

#include <QHostAddress>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");

// A port on 127.0.0.1 that nothing listens on right now.
quint16 freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

// A server that puts itself in the background, known by its pid file and stopped by that pid.
struct PeerDaemon
{
    QString pidFile;
    quint16 port = 0;
    qint64 pid = 0;
    ~PeerDaemon() { stop(); }

    // Runs `program`, which puts itself in the background: the error, if any.
    QString start(const QString &program, const QStringList &arguments, const QString &pidPath, quint16 on)
    {
        pidFile = pidPath;
        port = on;
        QProcess launcher;
        launcher.setProcessChannelMode(QProcess::MergedChannels);
        launcher.start(program, arguments);
        if (launcher.waitForFinished(15000) && launcher.exitStatus() == QProcess::NormalExit &&
            launcher.exitCode() == 0)
            return {};
        return program + u" did not start: "_s + QString::fromLocal8Bit(launcher.readAll());
    }
    // The pid file is written and the port accepts connections.
    bool isReady()
    {
        QFile file(pidFile);
        if (pid <= 0 && file.open(QIODevice::ReadOnly))
            pid = file.readAll().trimmed().toLongLong();
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return pid > 0 && probe.waitForConnected(1000);
    }
    void stop()
    {
        if (pid > 0)
            ::kill(pid_t(pid), SIGTERM);
    }
    bool isRunning() const { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }
};

} // namespace

class TestPeers : public QObject
{
    Q_OBJECT

    QString path(const QString &name) const { return m_peerDir.filePath(name); }
    QString host(quint16 port) const { return u"127.0.0.1:%1"_s.arg(port); }
    // A download of IBM's quote to `quoteHost`, through tinyproxy when `proxied`.
    QuoteSync &startSync(const QString &quoteHost, bool proxied)
    {
        m_proxy = proxyFromSettings(Settings{{},
                                             {},
                                             {},
                                             {},
                                             proxied ? u"UseProxy=Yes"_s : u"UseProxy=No"_s,
                                             u" 127.0.0.1 "_s,
                                             QString::number(m_proxyPort)});
        m_sync = std::make_unique<QuoteSync>(m_panel, m_proxy, m_numbers, m_programDir->path(), quoteHost,
                                             std::make_unique<TcpSocket>(), std::make_unique<SystemClock>());
        m_panel.lblQuote = u"IBM"_s;
        m_sync->cmdSync_Click();
        return *m_sync;
    }
    QByteArray stored() const { return readBytes(m_programDir->filePath(u"quote.cfg"_s)); }

    QTemporaryDir m_peerDir;
    PeerDaemon m_nginx, m_tinyproxy;
    quint16 m_quotePort = 0, m_missingPort = 0, m_proxyPort = 0;
    std::unique_ptr<QTemporaryDir> m_programDir;
    QuotePanel m_panel;
    ProxySetting m_proxy;
    const NumberFormat m_numbers;
    std::unique_ptr<QuoteSync> m_sync;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(u"/usr/sbin/nginx"_s).isExecutable() &&
                     QFileInfo(u"/usr/bin/tinyproxy"_s).isExecutable(),
                 "nginx or tinyproxy is missing: run scripts/install-deps");
        QVERIFY(m_peerDir.isValid());
        m_quotePort = freePort();
        m_missingPort = freePort();
        m_proxyPort = freePort();
        QVERIFY(QSet<quint16>({m_quotePort, m_missingPort, m_proxyPort, 0}).size() == 4);

        QVERIFY(writeBytes(path(u"www/d/quotes.csv"_s), kQuote));
        QVERIFY(QDir().mkpath(path(u"empty"_s)) && QDir().mkpath(path(u"temp"_s)));
        const QString root = m_peerDir.path();
        const QString nginxConf =
            uR"(%1daemon on; worker_processes 1; pid %2/nginx.pid; error_log %2/nginx-error.log warn;
events { worker_connections 64; }
http {
  types { text/csv csv; text/html html; }
  default_type application/octet-stream;
  client_body_temp_path %2/temp/body; proxy_temp_path %2/temp/proxy; fastcgi_temp_path %2/temp/fastcgi;
  uwsgi_temp_path %2/temp/uwsgi; scgi_temp_path %2/temp/scgi;
  keepalive_timeout 75s;
  server { listen 127.0.0.1:%3; root %2/www; access_log %2/quote-access.log; }
  server { listen 127.0.0.1:%4; root %2/empty; access_log %2/missing-access.log; }
}
)"_s.arg((::geteuid() == 0) ? u"user root root;\n"_s : QString(), root)
                .arg(m_quotePort)
                .arg(m_missingPort);
        QVERIFY(writeBytes(path(u"nginx.conf"_s), nginxConf.toLocal8Bit()));
        QString error = m_nginx.start(
            u"/usr/sbin/nginx"_s,
            {u"-p"_s, root, u"-e"_s, path(u"nginx-error.log"_s), u"-c"_s, path(u"nginx.conf"_s)},
            path(u"nginx.pid"_s), m_quotePort);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(m_nginx.isReady(), 15000);

        const QString proxyConf =
            u"%1Port %2\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
            u"PidFile \"%3/tinyproxy.pid\"\nLogFile \"%3/tinyproxy.log\"\nLogLevel Info\n"
            u"Allow 127.0.0.1\n"_s.arg((::geteuid() == 0) ? u"User root\nGroup root\n"_s : QString())
                .arg(m_proxyPort)
                .arg(root);
        QVERIFY(writeBytes(path(u"tinyproxy.conf"_s), proxyConf.toLocal8Bit()));
        error = m_tinyproxy.start(u"/usr/bin/tinyproxy"_s, {u"-c"_s, path(u"tinyproxy.conf"_s)},
                                  path(u"tinyproxy.pid"_s), m_proxyPort);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(m_tinyproxy.isReady(), 15000);
    }
    void cleanupTestCase()
    {
        m_nginx.stop();
        m_tinyproxy.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_nginx.isRunning(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_tinyproxy.isRunning(), 15000);
    }
    void init()
    {
        m_programDir = std::make_unique<QTemporaryDir>();
        m_panel = QuotePanel();
    }
    void cleanup()
    {
        m_sync.reset();
        m_programDir.reset();
    }

    // A success through the proxy reaches nginx by absolute URL; a 404 of nginx or tinyproxy's
    // own 500 page is a failed attempt (retries are pinned in test_quotesync).
    void quoteDownload_data()
    {
        QTest::addColumn<int>("peer"); // 0: the quote, 1: nginx without it, 2: nobody behind the proxy
        QTest::addColumn<bool>("proxied");
        QTest::addColumn<QString>("header");
        QTest::newRow("nginx") << 0 << false << u"HTTP/1.1 206 Partial Content\r\n"_s;
        QTest::newRow("nginx 404") << 1 << false << u"HTTP/1.1 404 Not Found\r\n"_s;
        QTest::newRow("through tinyproxy") << 0 << true << u"HTTP/1.1 206 Partial Content\r\n"_s;
        QTest::newRow("tinyproxy unable to connect") << 2 << true << u"HTTP/1.1 500 Unable to connect\r\n"_s;
    }
    void quoteDownload()
    {
        QFETCH(int, peer);
        QFETCH(bool, proxied);
        QFETCH(QString, header);
        const quint16 port = peer == 0 ? m_quotePort : peer == 1 ? m_missingPort : freePort();
        QuoteSync &sync = startSync(host(port), proxied);
        QSignalSpy messages(&sync, &QuoteSync::messageRequested);
        if (peer == 0) {
            // No timer tick is forwarded and nginx keeps the connection open: the size alone ends it.
            QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, u"85.5"_s, 10000);
            QVERIFY(sync.isSyncEnabled() && sync.retryCount() == 0);
            QCOMPARE(stored(), kQuote);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 30000);
            QCOMPARE(messages.first().first().toString(), QuoteSync::retriesExhaustedMessage());
            QCOMPARE(stored(), "<missing>");
            QCOMPARE(m_panel.lblTrade, QString());
        }
        QVERIFY2(m_sync->download().panel().txtTete.startsWith(header),
                 qPrintable(m_sync->download().panel().txtTete));
        QVERIFY(!proxied || m_sync->download().panel().TextCmd.startsWith(u"GET http://"_s + host(port) +
                                                                          u"/d/quotes.csv?s=IBM&"_s));
    }
};

QTEST_GUILESS_MAIN(TestPeers)
#include "test_peers.moc"
