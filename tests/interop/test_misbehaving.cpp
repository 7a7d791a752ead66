// The quote download on a real socket against a server that breaks off or stalls mid-answer, or
// sends a header too large to keep; how the client reads well-formed oddities is pinned with a
// fake socket in test_httpdownload.
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

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MisbehavingServer> m_server;
    QuotePanel m_panel;
    const ProxySetting m_proxy;
    const NumberFormat m_numbers;
    std::unique_ptr<QuoteSync> m_sync;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<MisbehavingServer>(kQuote);
        QVERIFY(m_server->listen());
        m_panel = QuotePanel();
        m_panel.lblQuote = u"IBM"_s;
        m_sync = std::make_unique<QuoteSync>(m_panel, m_proxy, m_numbers, m_dir->path(),
                                             u"127.0.0.1:%1"_s.arg(m_server->port()),
                                             std::make_unique<TcpSocket>(), std::make_unique<FakeClock>());
    }
    void cleanup()
    {
        m_sync.reset();
        m_server.reset();
    }

    // A failed attempt is retried at once, without waiting for the time-out.
    void recovers_data()
    {
        QTest::addColumn<MisbehavingServer::Answer>("first");
        QTest::addRow("reset mid-body") << MisbehavingServer::Answer::ResetMidBody;
        QTest::addRow("closed mid-body") << MisbehavingServer::Answer::CloseMidBody;
        QTest::addRow("huge header") << MisbehavingServer::Answer::HugeHeader;
    }
    void recovers()
    {
        QFETCH(MisbehavingServer::Answer, first);
        m_server->script = {first};
        QSignalSpy changed(m_sync.get(), &QuoteSync::panelChanged);
        m_sync->cmdSync_Click();
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, u"85.5"_s, 10000);
        QCOMPARE(m_server->connections(), 2);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(m_sync->retryCount(), 0);
        QVERIFY(m_sync->isSyncEnabled());
        QFile stored(m_dir->filePath(u"quote.cfg"_s));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), kQuote);
        QVERIFY(m_server->lastRequest().startsWith(
            "GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"));
    }

    void stalledBodyEndsAfter61Ticks()
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
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.lblTrade, u"85.5"_s, 10000);
        QCOMPARE(m_server->connections(), 2);
        QCOMPARE(m_sync->retryCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMisbehaving)
#include "test_misbehaving.moc"
