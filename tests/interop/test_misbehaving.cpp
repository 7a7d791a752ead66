// The quote download against a server that misbehaves in the ways real ones rarely do.
#include "common/fakes.h"
#include "misbehavingserver.h"
#include "model/numbertext.h"
#include "platform/tcpsocket.h"
#include "sync/quotesync.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(MisbehavingServer::Answer)

namespace {

const QByteArray kQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");

} // namespace

class TestMisbehaving : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recovers_data();
    void recovers();
    void stalledBodyEndsAfter61Ticks();

private:
    QByteArray storedFile() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MisbehavingServer> m_server;
    QuotePanel m_panel;
    const ProxySetting m_proxy;
    const NumberFormat m_numbers;
    std::unique_ptr<QuoteSync> m_sync;
};

void TestMisbehaving::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<MisbehavingServer>(kQuote);
    QVERIFY(m_server->listen());
    m_panel = QuotePanel();
    m_panel.lblQuote = QStringLiteral("IBM");
    m_sync = std::make_unique<QuoteSync>(m_panel, m_proxy, m_numbers, m_dir->path(),
                                         QStringLiteral("127.0.0.1:%1").arg(m_server->port()),
                                         std::make_unique<TcpSocket>(), std::make_unique<FakeClock>());
}

void TestMisbehaving::cleanup()
{
    m_sync.reset();
    m_server.reset();
}

QByteArray TestMisbehaving::storedFile() const
{
    QFile file(m_dir->filePath(u"quote.cfg"_s));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void TestMisbehaving::recovers_data()
{
    QTest::addColumn<MisbehavingServer::Answer>("first");
    QTest::addColumn<int>("connections");

    // Answers the client takes as they are.
    QTest::addRow("header split across pieces") << MisbehavingServer::Answer::HeaderInPieces << 1;
    QTest::addRow("body longer than its length") << MisbehavingServer::Answer::BodyPastLength << 1;
    // Answers that are a failed attempt, retried at once without waiting for the time-out.
    QTest::addRow("reset mid-body") << MisbehavingServer::Answer::ResetMidBody << 2;
    QTest::addRow("closed mid-body") << MisbehavingServer::Answer::CloseMidBody << 2;
    QTest::addRow("missing Content-Length") << MisbehavingServer::Answer::NoContentLength << 2;
    QTest::addRow("huge header") << MisbehavingServer::Answer::HugeHeader << 2;
}

void TestMisbehaving::recovers()
{
    QFETCH(MisbehavingServer::Answer, first);
    QFETCH(int, connections);

    m_server->script = {first};
    QSignalSpy changed(m_sync.get(), &QuoteSync::panelChanged);
    m_sync->cmdSync_Click();
    QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, QStringLiteral("85.5"), 10000);
    QCOMPARE(m_server->connections(), connections);
    QCOMPARE(changed.count(), connections);
    QCOMPARE(m_sync->retryCount(), 0);
    QVERIFY(m_sync->isSyncEnabled());
    QCOMPARE(storedFile(), kQuote); // nothing of the junk past the length
    QVERIFY(
        m_server->lastRequest().startsWith("GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"));
}

void TestMisbehaving::stalledBodyEndsAfter61Ticks()
{
    m_server->script = {MisbehavingServer::Answer::StallMidBody};
    m_sync->cmdSync_Click();
    QTRY_COMPARE_WITH_TIMEOUT(m_sync->download().bytesStored(), qint64(kQuote.size() / 2), 10000);
    for (int tick = 1; tick <= 60; ++tick)
        m_sync->Timer_Seconde_Timer();
    QCOMPARE(m_server->connections(), 1);
    QVERIFY(m_panel.lblTrade.isEmpty());
    m_sync->Timer_Seconde_Timer();
    // Half a record is no quote: the attempt failed and the retry gets the whole answer.
    QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, QStringLiteral("85.5"), 10000);
    QCOMPARE(m_server->connections(), 2);
    QCOMPARE(m_sync->retryCount(), 0);
}

QTEST_GUILESS_MAIN(TestMisbehaving)
#include "test_misbehaving.moc"
