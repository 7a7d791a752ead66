// The quote download against servers nobody here wrote: nginx and tinyproxy, on 127.0.0.1.
#include "model/numbertext.h"
#include "peerdaemon.h"
#include "platform/tcpsocket.h"
#include "sync/quotesync.h"
#include "sync/systemclock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int lineCount(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

} // namespace

class TestPeers : public QObject
{
    Q_OBJECT

    QString path(const QString &name) const { return m_peerDir.filePath(name); }
    QString host(quint16 port) const { return u"127.0.0.1:%1"_s.arg(port); }
    // A download of IBM's quote to `quoteHost`, through tinyproxy when `proxied`.
    QuoteSync &startSync(const QString &quoteHost, bool proxied)
    {
        Settings settings;
        settings.proxyLine = proxied ? u"UseProxy=Yes"_s : u"UseProxy=No"_s;
        settings.proxyHost = u" 127.0.0.1 "_s;
        settings.proxyPort = QString::number(m_proxyPort);
        m_proxy = proxyFromSettings(settings);
        m_sync = std::make_unique<QuoteSync>(m_panel, m_proxy, m_numbers, m_programDir->path(), quoteHost,
                                             std::make_unique<TcpSocket>(), std::make_unique<SystemClock>());
        m_panel.lblQuote = u"IBM"_s;
        m_panel.lblOwned = u"10"_s;
        m_sync->cmdSync_Click();
        return *m_sync;
    }
    QString header() const { return m_sync->download().panel().txtTete; }

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
        QVERIFY2(QFileInfo(u"/usr/sbin/nginx"_s).isExecutable(),
                 "nginx is missing: run scripts/install-deps");
        QVERIFY2(QFileInfo(u"/usr/bin/tinyproxy"_s).isExecutable(),
                 "tinyproxy is missing: run scripts/install-deps");
        QVERIFY(m_peerDir.isValid());
        m_quotePort = PeerDaemon::freePort();
        m_missingPort = PeerDaemon::freePort();
        m_proxyPort = PeerDaemon::freePort();
        QVERIFY(m_quotePort && m_missingPort && m_proxyPort);
        QVERIFY(m_quotePort != m_missingPort && m_missingPort != m_proxyPort && m_quotePort != m_proxyPort);

        QVERIFY(writeFile(path(u"www/d/quotes.csv"_s), kQuote));
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
)"_s.arg(PeerDaemon::isRoot() ? u"user root root;\n"_s : QString(), root)
                .arg(m_quotePort)
                .arg(m_missingPort);
        QVERIFY(writeFile(path(u"nginx.conf"_s), nginxConf.toLocal8Bit()));
        QString error;
        QVERIFY2(m_nginx.start(
                     u"/usr/sbin/nginx"_s,
                     {u"-p"_s, root, u"-e"_s, path(u"nginx-error.log"_s), u"-c"_s, path(u"nginx.conf"_s)},
                     path(u"nginx.pid"_s), m_quotePort, &error),
                 qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(m_nginx.isReady(), 15000);

        const QString proxyConf =
            u"%1Port %2\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
            u"PidFile \"%3/tinyproxy.pid\"\nLogFile \"%3/tinyproxy.log\"\nLogLevel Info\n"
            u"Allow 127.0.0.1\n"_s.arg(PeerDaemon::isRoot() ? u"User root\nGroup root\n"_s : QString())
                .arg(m_proxyPort)
                .arg(root);
        QVERIFY(writeFile(path(u"tinyproxy.conf"_s), proxyConf.toLocal8Bit()));
        QVERIFY2(m_tinyproxy.start(u"/usr/bin/tinyproxy"_s, {u"-c"_s, path(u"tinyproxy.conf"_s)},
                                   path(u"tinyproxy.pid"_s), m_proxyPort, &error),
                 qPrintable(error));
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

    void nginxServesTheQuote()
    {
        QuoteSync &sync = startSync(host(m_quotePort), false);
        // No timer tick is forwarded and nginx keeps the connection open: the size alone ends it.
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, u"85.5"_s, 10000);
        QCOMPARE(m_panel.lblTime, u"6/1/2004 at 4:00pm"_s);
        QCOMPARE(m_panel.lblVolume, u"4200"_s);
        QCOMPARE(m_panel.lblVariation, u"-1.25 (opened at 86.1$)"_s);
        QCOMPARE(m_panel.lblValue, u"855"_s);
        QVERIFY(m_panel.picDownVisible);
        QVERIFY(sync.isSyncEnabled());
        QCOMPARE(sync.retryCount(), 0);
        QFile stored(m_programDir->filePath(u"quote.cfg"_s));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), kQuote);
        QVERIFY2(header().startsWith(QLatin1String("HTTP/1.1 206 Partial Content\r\n")),
                 qPrintable(header()));
        QVERIFY(header().contains(QLatin1String("Content-Type: text/csv"), Qt::CaseInsensitive));
        QVERIFY(header().contains(u"Content-Length: %1"_s.arg(kQuote.size()), Qt::CaseInsensitive));
    }

    void nginx404IsAFailedAttemptEachTime()
    {
        const int before = lineCount(path(u"missing-access.log"_s));
        QuoteSync &sync = startSync(host(m_missingPort), false);
        QSignalSpy messages(&sync, &QuoteSync::messageRequested);
        QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 20000);
        QCOMPARE(messages.first().first().toString(), QuoteSync::retriesExhaustedMessage());
        QVERIFY(!QFile::exists(m_programDir->filePath(u"quote.cfg"_s)));
        QCOMPARE(m_panel.lblTime, u" at "_s);
        QVERIFY(sync.isSyncEnabled());
        QVERIFY(header().startsWith(QLatin1String("HTTP/1.1 404 Not Found")));
        QTRY_COMPARE_WITH_TIMEOUT(lineCount(path(u"missing-access.log"_s)) - before, 10, 5000);
    }

    void throughTinyproxy()
    {
        const int before = lineCount(path(u"quote-access.log"_s));
        QuoteSync &sync = startSync(host(m_quotePort), true);
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, u"85.5"_s, 10000);
        QCOMPARE(sync.retryCount(), 0);
        QVERIFY(sync.download().panel().TextCmd.startsWith(
            u"GET http://127.0.0.1:%1/d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"_s.arg(
                m_quotePort)));
        QTRY_COMPARE_WITH_TIMEOUT(lineCount(path(u"quote-access.log"_s)) - before, 1, 5000);
    }

    // Nothing listens behind the proxy: tinyproxy answers with its own 500 page.
    void tinyproxyUnableToConnectIsAFailedAttempt()
    {
        QuoteSync &sync = startSync(host(PeerDaemon::freePort()), true);
        QSignalSpy messages(&sync, &QuoteSync::messageRequested);
        QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 30000);
        QVERIFY2(header().startsWith(QLatin1String("HTTP/1.1 500 Unable to connect\r\n")),
                 qPrintable(header()));
        QVERIFY(!QFile::exists(m_programDir->filePath(u"quote.cfg"_s)));
        QCOMPARE(m_panel.lblTrade, QString());
    }
};

QTEST_GUILESS_MAIN(TestPeers)
#include "test_peers.moc"
