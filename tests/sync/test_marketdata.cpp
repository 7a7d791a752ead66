// Batch quotes and price histories from the real market service on a free 127.0.0.1 port.
#include "common/marketprocess.h"
#include "model/stockcatalogue.h"
#include "sync/marketdata.h"

#include <QProcess>
#include <QtTest>

class TestMarketData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const int port = startMarketOnFreePort(m_market, {QStringLiteral("--quiet")}, 10000);
        QVERIFY2(port > 0, "the market service did not start");
        m_data = std::make_unique<MarketData>(QStringLiteral("127.0.0.1:%1").arg(port), ProxySetting{});
    }
    void cleanupTestCase()
    {
        m_market.terminate();
        m_market.waitForFinished(5000);
    }

    // The whole catalogue goes out in pieces and comes back as one answer.
    void wholeCatalogueInOneAnswer()
    {
        QStringList tickers = AllTickersAlphabetical();
        tickers << QStringLiteral("NOSUCH");
        std::optional<BatchQuotes> got;
        m_data->fetchQuotes(tickers, this, [&](const BatchQuotes &q) { got = q; });
        QVERIFY(QTest::qWaitFor([&] { return got.has_value(); }, 10000));
        QVERIFY2(got->problem.isEmpty(), qPrintable(got->problem));
        QCOMPARE(got->prices.size(), tickers.size() - 1);
        QCOMPARE(got->unknown, QStringList{QStringLiteral("NOSUCH")});
        QVERIFY(std::all_of(got->prices.cbegin(), got->prices.cend(), [](double p) { return p > 0; }));
    }

    void historiesOfAStockAndTheIndex()
    {
        for (const QString &symbol : {QStringLiteral("IBM"), QStringLiteral("^QVC")}) {
            std::optional<PriceHistory> got;
            m_data->fetchHistory(symbol, this, [&](const PriceHistory &h) { got = h; });
            QVERIFY(QTest::qWaitFor([&] { return got.has_value(); }, 10000));
            QVERIFY2(got->problem.isEmpty(), qPrintable(got->problem));
            QCOMPARE(got->closes.size(), 365);
            QCOMPARE(got->closes.back().date, QDate::currentDate().addDays(-1));
            QVERIFY(std::is_sorted(got->closes.begin(), got->closes.end(),
                                   [](const DailyClose &a, const DailyClose &b) { return a.date < b.date; }));
        }
    }

private:
    QProcess m_market;
    std::unique_ptr<MarketData> m_data;
};

QTEST_GUILESS_MAIN(TestMarketData)
#include "test_marketdata.moc"
