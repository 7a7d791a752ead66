// The quote download against servers nobody here wrote: nginx and tinyproxy.
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
const QString kNginx = QStringLiteral("/usr/sbin/nginx");
const QString kTinyproxy = QStringLiteral("/usr/bin/tinyproxy");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int lineCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count('\n'));
}

} // namespace

class TestPeers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void nginxServesTheQuote();
    void nginx404IsAFailedAttemptEachTime();
    void throughTinyproxy();
    void tinyproxyUnableToConnectIsAFailedAttempt();

private:
    QuoteSync &makeSync(const QString &quoteHost);
    QString path(const QString &name) const { return m_peerDir.filePath(name); }

    QTemporaryDir m_peerDir;
    PeerDaemon m_nginx;
    PeerDaemon m_tinyproxy;
    quint16 m_quotePort = 0;
    quint16 m_missingPort = 0;
    quint16 m_proxyPort = 0;

    std::unique_ptr<QTemporaryDir> m_programDir;
    QuotePanel m_panel;
    Settings m_settings;
    ProxySetting m_proxy;
    const NumberFormat m_numbers;
    std::unique_ptr<QuoteSync> m_sync;
};

void TestPeers::initTestCase()
{
    QVERIFY2(QFileInfo(kNginx).isExecutable(), "nginx is missing: run scripts/install-deps");
    QVERIFY2(QFileInfo(kTinyproxy).isExecutable(), "tinyproxy is missing: run scripts/install-deps");
    QVERIFY(m_peerDir.isValid());

    m_quotePort = PeerDaemon::freePort();
    m_missingPort = PeerDaemon::freePort();
    m_proxyPort = PeerDaemon::freePort();
    QVERIFY(m_quotePort && m_missingPort && m_proxyPort);
    QVERIFY(m_quotePort != m_missingPort && m_missingPort != m_proxyPort && m_quotePort != m_proxyPort);

    QVERIFY(writeFile(path(u"www/d/quotes.csv"_s), kQuote));
    QVERIFY(QDir().mkpath(path(u"empty"_s)));
    QVERIFY(QDir().mkpath(path(u"temp"_s)));
    const QString root = m_peerDir.path();
    const QString nginxConf =
        QStringLiteral("%1daemon on;\n"
                       "worker_processes 1;\n"
                       "pid %2/nginx.pid;\n"
                       "error_log %2/nginx-error.log warn;\n"
                       "events { worker_connections 64; }\n"
                       "http {\n"
                       "  types { text/csv csv; text/html html; }\n"
                       "  default_type application/octet-stream;\n"
                       "  client_body_temp_path %2/temp/body;\n"
                       "  proxy_temp_path %2/temp/proxy;\n"
                       "  fastcgi_temp_path %2/temp/fastcgi;\n"
                       "  uwsgi_temp_path %2/temp/uwsgi;\n"
                       "  scgi_temp_path %2/temp/scgi;\n"
                       "  keepalive_timeout 75s;\n"
                       "  server { listen 127.0.0.1:%3; root %2/www; access_log %2/quote-access.log; }\n"
                       "  server { listen 127.0.0.1:%4; root %2/empty; access_log %2/missing-access.log; }\n"
                       "}\n")
            .arg(PeerDaemon::isRoot() ? QStringLiteral("user root root;\n") : QString(), root)
            .arg(m_quotePort)
            .arg(m_missingPort);
    QVERIFY(writeFile(path(u"nginx.conf"_s), nginxConf.toLocal8Bit()));
    QString error;
    QVERIFY2(m_nginx.start(
                 kNginx, {u"-p"_s, root, u"-e"_s, path(u"nginx-error.log"_s), u"-c"_s, path(u"nginx.conf"_s)},
                 path(u"nginx.pid"_s), m_quotePort, &error),
             qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(m_nginx.isReady(), 15000);

    const QString proxyConf =
        QStringLiteral("%1Port %2\n"
                       "Listen 127.0.0.1\n"
                       "Timeout 30\n"
                       "MaxClients 20\n"
                       "PidFile \"%3/tinyproxy.pid\"\n"
                       "LogFile \"%3/tinyproxy.log\"\n"
                       "LogLevel Info\n"
                       "Allow 127.0.0.1\n")
            .arg(PeerDaemon::isRoot() ? QStringLiteral("User root\nGroup root\n") : QString())
            .arg(m_proxyPort)
            .arg(root);
    QVERIFY(writeFile(path(u"tinyproxy.conf"_s), proxyConf.toLocal8Bit()));
    QVERIFY2(m_tinyproxy.start(kTinyproxy, {u"-c"_s, path(u"tinyproxy.conf"_s)}, path(u"tinyproxy.pid"_s),
                               m_proxyPort, &error),
             qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(m_tinyproxy.isReady(), 15000);
}

void TestPeers::cleanupTestCase()
{
    m_nginx.stop();
    m_tinyproxy.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!m_nginx.isRunning(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_tinyproxy.isRunning(), 15000);
}

void TestPeers::init()
{
    m_programDir = std::make_unique<QTemporaryDir>();
    m_panel = QuotePanel();
    m_settings = Settings();
    m_settings.proxyLine = QStringLiteral("UseProxy=No");
}

void TestPeers::cleanup()
{
    m_sync.reset();
    m_programDir.reset();
}

QuoteSync &TestPeers::makeSync(const QString &quoteHost)
{
    m_proxy = proxyFromSettings(m_settings);
    m_sync = std::make_unique<QuoteSync>(m_panel, m_proxy, m_numbers, m_programDir->path(), quoteHost,
                                         std::make_unique<TcpSocket>(), std::make_unique<SystemClock>());
    return *m_sync;
}

void TestPeers::nginxServesTheQuote()
{
    QuoteSync &sync = makeSync(QStringLiteral("127.0.0.1:%1").arg(m_quotePort));
    m_panel.lblQuote = QStringLiteral("IBM");
    m_panel.lblOwned = QStringLiteral("10");
    sync.cmdSync_Click();
    // No timer tick is forwarded and nginx keeps the connection open: the size alone ends it.
    QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, QStringLiteral("85.5"), 10000);
    QCOMPARE(m_panel.lblTime, QStringLiteral("6/1/2004 at 4:00pm"));
    QCOMPARE(m_panel.lblVolume, QStringLiteral("4200"));
    QCOMPARE(m_panel.lblVariation, QStringLiteral("-1.25 (opened at 86.1$)"));
    QCOMPARE(m_panel.lblValue, QStringLiteral("855"));
    QVERIFY(m_panel.picDownVisible);
    QVERIFY(sync.isSyncEnabled());
    QCOMPARE(sync.retryCount(), 0);

    QFile stored(m_programDir->filePath(u"quote.cfg"_s));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), kQuote);
    const QString header = sync.download().panel().txtTete;
    QVERIFY2(header.startsWith(QLatin1String("HTTP/1.1 206 Partial Content\r\n")), qPrintable(header));
    QVERIFY(header.contains(QLatin1String("Content-Type: text/csv"), Qt::CaseInsensitive));
    QVERIFY(header.contains(QStringLiteral("Content-Length: %1").arg(kQuote.size()), Qt::CaseInsensitive));
}

void TestPeers::nginx404IsAFailedAttemptEachTime()
{
    const int before = lineCount(path(u"missing-access.log"_s));
    QuoteSync &sync = makeSync(QStringLiteral("127.0.0.1:%1").arg(m_missingPort));
    QSignalSpy messages(&sync, &QuoteSync::messageRequested);
    m_panel.lblQuote = QStringLiteral("IBM");
    sync.cmdSync_Click();
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 20000);
    QCOMPARE(messages.first().first().toString(), QuoteSync::retriesExhaustedMessage());
    QVERIFY(!QFile::exists(m_programDir->filePath(u"quote.cfg"_s)));
    QCOMPARE(m_panel.lblTime, QStringLiteral(" at "));
    QVERIFY(sync.isSyncEnabled());
    QVERIFY(sync.download().panel().txtTete.startsWith(QLatin1String("HTTP/1.1 404 Not Found")));
    QTRY_COMPARE_WITH_TIMEOUT(lineCount(path(u"missing-access.log"_s)) - before, 10, 5000);
}

void TestPeers::throughTinyproxy()
{
    const int before = lineCount(path(u"quote-access.log"_s));
    m_settings.proxyLine = QStringLiteral("UseProxy=Yes");
    m_settings.proxyHost = QStringLiteral(" 127.0.0.1 ");
    m_settings.proxyPort = QString::number(m_proxyPort);
    QuoteSync &sync = makeSync(QStringLiteral("127.0.0.1:%1").arg(m_quotePort));
    m_panel.lblQuote = QStringLiteral("IBM");
    sync.cmdSync_Click();
    QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, QStringLiteral("85.5"), 10000);
    QCOMPARE(sync.retryCount(), 0);
    QVERIFY(sync.download().panel().TextCmd.startsWith(
        QStringLiteral("GET http://127.0.0.1:%1/d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n")
            .arg(m_quotePort)));
    QTRY_COMPARE_WITH_TIMEOUT(lineCount(path(u"quote-access.log"_s)) - before, 1, 5000);
}

void TestPeers::tinyproxyUnableToConnectIsAFailedAttempt()
{
    m_settings.proxyLine = QStringLiteral("UseProxy=Yes");
    m_settings.proxyHost = QStringLiteral("127.0.0.1");
    m_settings.proxyPort = QString::number(m_proxyPort);
    // Nothing listens there: tinyproxy answers with its own 500 page.
    QuoteSync &sync = makeSync(QStringLiteral("127.0.0.1:%1").arg(PeerDaemon::freePort()));
    QSignalSpy messages(&sync, &QuoteSync::messageRequested);
    m_panel.lblQuote = QStringLiteral("IBM");
    sync.cmdSync_Click();
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 30000);
    const QString header = sync.download().panel().txtTete;
    QVERIFY2(header.startsWith(QLatin1String("HTTP/1.1 500 Unable to connect\r\n")), qPrintable(header));
    QVERIFY(!QFile::exists(m_programDir->filePath(u"quote.cfg"_s)));
    QCOMPARE(m_panel.lblTrade, QString());
}

QTEST_GUILESS_MAIN(TestPeers)
#include "test_peers.moc"
