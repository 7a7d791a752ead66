#include "common/marketprocess.h"
#include "market/marketload.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// One misbehaving machine must not stop the others: the crowds come from other loopback
// addresses while a player's quotes come from 127.0.0.1. Latency is bench_market_abuse's.
class TestMarketAbuse : public QObject
{
    Q_OBJECT

    static constexpr int kWaitMs = 15000;
    QProcess m_service;
    int m_port = 0;

private slots:
    void initTestCase() { marketload::raiseOpenFileLimit(); }
    void init()
    {
        m_port = startMarketOnFreePort(m_service, {u"--quiet"_s}, kWaitMs);
        QVERIFY(m_port > 0);
    }
    void cleanup()
    {
        m_service.terminate();
        QVERIFY(m_service.waitForFinished(kWaitMs));
    }

    void quotesAreAnsweredUnderACrowd()
    {
        // Ten connections per address, the slow ones from addresses of their own.
        marketload::Crowd idlers(m_port, 1000, 10, 0, false), trickers(m_port, 200, 10, 200, true);
        QCOMPARE(idlers.size(), 1000);
        QCOMPARE(trickers.size(), 200);
        QCOMPARE(marketload::timeQuotes(m_port, 200, 10000, [&] { trickers.trickle(); }).failed, 0);
    }

    void memoryStaysSmallAfter100000Requests()
    {
#ifdef QUORVANE_SANITIZED
        QSKIP("AddressSanitizer's shadow memory and quarantine would be most of the resident size");
#endif
        // As many connections in parallel as the game's players might keep busy.
        QCOMPARE(marketload::bulkQuotes(m_port, 64, 100000), 0);
        const long kib = marketload::residentKiB(m_service.processId());
        QVERIFY2(kib > 0 && kib < 64 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(kib)));
    }
};

QTEST_GUILESS_MAIN(TestMarketAbuse)
#include "test_marketabuse.moc"
