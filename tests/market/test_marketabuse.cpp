#include "common/marketprocess.h"
#include "market/marketload.h"

#include <QProcess>
#include <QTest>

namespace {

constexpr int kWaitMs = 15000;

int start(QProcess &process)
{
    return startMarketOnFreePort(process, {QStringLiteral("--quiet")}, kWaitMs);
}

} // namespace

// One misbehaving machine must not stop the others: the crowds come from other loopback
// addresses while a player's quotes are timed from 127.0.0.1.
class TestMarketAbuse : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { marketload::raiseOpenFileLimit(); }

    void quotesStayQuickUnderACrowd_data()
    {
        QTest::addColumn<int>("idle");
        QTest::addColumn<int>("slow");
        QTest::addRow("1000 idle connections") << 1000 << 0;
        QTest::addRow("200 slowloris connections") << 0 << 200;
        QTest::addRow("both at once") << 1000 << 200;
    }

    void quotesStayQuickUnderACrowd()
    {
        QFETCH(int, idle);
        QFETCH(int, slow);
        QProcess service;
        const int port = start(service);
        QVERIFY(port > 0);
        // Ten connections per address, the slow ones from addresses of their own.
        marketload::Crowd idlers(port, idle, 10, 0, false);
        marketload::Crowd trickers(port, slow, 10, 200, true);
        QCOMPARE(idlers.size(), idle);
        QCOMPARE(trickers.size(), slow);
        const marketload::Timing timing =
            marketload::timeQuotes(port, 200, 10000, [&] { trickers.trickle(); });
        QCOMPARE(timing.failed, 0);
        const double p99 = timing.percentile(99);
        qInfo("p50 %.2f ms, p99 %.2f ms", timing.percentile(50), p99);
        QVERIFY2(p99 < 100, qPrintable(QStringLiteral("p99 %1 ms").arg(p99)));
        service.terminate();
        QVERIFY(service.waitForFinished(kWaitMs));
    }

    void memoryStaysSmallAfter100000Requests()
    {
#ifdef QUORVANE_SANITIZED
        QSKIP("AddressSanitizer's shadow memory and quarantine would be most of the resident size");
#endif
        QProcess service;
        const int port = start(service);
        QVERIFY(port > 0);
        // As many connections in parallel as the game's players might keep busy.
        QCOMPARE(marketload::bulkQuotes(port, 64, 100000), 0);
        const long kib = marketload::residentKiB(service.processId());
        qInfo("resident %ld KiB", kib);
        QVERIFY(kib > 0);
        QVERIFY2(kib < 64 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(kib)));
        service.terminate();
        QVERIFY(service.waitForFinished(kWaitMs));
    }
};

QTEST_GUILESS_MAIN(TestMarketAbuse)
#include "test_marketabuse.moc"
