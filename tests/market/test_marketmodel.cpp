#include "intradaypath.h"
#include "simulatedmarket.h"

#include <QTest>

#include <cmath>

namespace {

const QDate kDay(2004, 6, 1);

QDateTime at(QDate day, int hour, int minute, int second = 0, int msec = 0)
{
    return QDateTime(day, QTime(hour, minute, second, msec), Qt::UTC);
}

bool sameQuote(const MarketQuote &a, const MarketQuote &b)
{
    return a.date == b.date && a.time == b.time && a.last == b.last && a.previousClose == b.previousClose &&
           a.open == b.open && a.high == b.high && a.low == b.low && a.volume == b.volume;
}

} // namespace

class TestMarketModel : public QObject
{
    Q_OBJECT

private slots:
    void everyCatalogueStockIsListed();
    void sameSeedAndMomentGiveSameQuotes_data();
    void sameSeedAndMomentGiveSameQuotes();
    void otherSeedGivesOtherMarket();
    void aDayDoesNotDependOnHowItIsAsked();
    void pricesStayPlausibleOverAYear();
    void sessionPathIsConsistent();
    void sessionEndsOnTheHistoryClose();
    void priceMovesEveryFewSeconds();
};

void TestMarketModel::everyCatalogueStockIsListed()
{
    const SimulatedMarket market(1);
    const QStringList tickers = AllTickers();
    QCOMPARE(market.stockCount(), int(tickers.size()));
    for (int i = 0; i < tickers.size(); ++i) {
        QCOMPARE(market.indexOf(tickers[i].toStdString()), i);
        QCOMPARE(QString::fromStdString(market.profile(i).name), CompanyNameOf(tickers[i]));
    }
    QCOMPARE(market.indexOf("msft"), -1);
    QCOMPARE(market.indexOf(""), -1);
}

void TestMarketModel::sameSeedAndMomentGiveSameQuotes_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addRow("midnight open") << at(kDay, 0, 0);
    QTest::addRow("mid-session") << at(kDay, 13, 37, 42, 500);
    QTest::addRow("last tick of the day") << at(kDay, 23, 59, 59, 999);
    QTest::addRow("a leap day") << at(QDate(2008, 2, 29), 10, 0);
}

void TestMarketModel::sameSeedAndMomentGiveSameQuotes()
{
    QFETCH(QDateTime, moment);
    const SimulatedMarket first(42);
    const SimulatedMarket second(42);
    // Asked in another order, and after other days were computed.
    second.quoteAt(0, moment.addDays(-3));
    for (int stock = second.stockCount() - 1; stock >= 0; --stock)
        QVERIFY2(sameQuote(first.quoteAt(stock, moment), second.quoteAt(stock, moment)),
                 second.profile(stock).ticker.c_str());
}

void TestMarketModel::otherSeedGivesOtherMarket()
{
    const SimulatedMarket a(1);
    const SimulatedMarket b(2);
    int differing = 0;
    for (int stock = 0; stock < a.stockCount(); ++stock)
        differing += a.quoteAt(stock, at(kDay, 12, 0)).last != b.quoteAt(stock, at(kDay, 12, 0)).last;
    QVERIFY(differing > a.stockCount() * 9 / 10);
}

void TestMarketModel::aDayDoesNotDependOnHowItIsAsked()
{
    const SimulatedMarket market(5);
    const int stock = market.indexOf("IBM");
    const auto year = market.dailyCloses(stock, kDay.addDays(-365), kDay);
    const auto single = market.dailyCloses(stock, kDay.addDays(-100), kDay.addDays(-100));
    QCOMPARE(single.size(), std::size_t(1));
    QCOMPARE(single[0].date, kDay.addDays(-100));
    QCOMPARE(single[0].close, year[265].close);
    QCOMPARE(single[0].volume, year[265].volume);
    // The live session opens from yesterday's close in the history.
    QCOMPARE(market.quoteAt(stock, at(kDay, 9, 0)).previousClose, year[364].close);
}

void TestMarketModel::pricesStayPlausibleOverAYear()
{
    const SimulatedMarket market(1);
    const QDate last(2026, 12, 31);
    for (int stock = 0; stock < market.stockCount(); ++stock) {
        const StockProfile &p = market.profile(stock);
        const auto year = market.dailyCloses(stock, last.addDays(-364), last);
        QCOMPARE(year.size(), std::size_t(365));
        Cents lowest = year[0].close, highest = year[0].close;
        for (std::size_t i = 0; i < year.size(); ++i) {
            const Cents close = year[i].close;
            QVERIFY2(close > 0 && close > p.basePrice * 100 / 8 && close < p.basePrice * 100 * 8,
                     p.ticker.c_str());
            QVERIFY2(year[i].volume >= 100 && year[i].volume % 100 == 0, p.ticker.c_str());
            if (i > 0)
                QVERIFY2(std::abs(std::log(double(close) / double(year[i - 1].close))) < 0.2,
                         p.ticker.c_str());
            lowest = std::min(lowest, close);
            highest = std::max(highest, close);
        }
        QVERIFY2(highest < lowest * 6, p.ticker.c_str());
        QVERIFY2(p.basePrice >= 8 && p.basePrice <= 140, p.ticker.c_str());
    }
    // Whole sessions of a few stocks: the traded range holds the open and the close.
    for (const char *ticker : {"MSFT", "XOM", "LM"}) {
        const int stock = market.indexOf(ticker);
        for (int d = 0; d < 365; d += 7) {
            const DailyBar bar = market.sessionBar(stock, last.addDays(-d));
            QVERIFY(bar.low > 0);
            QVERIFY(bar.low <= std::min(bar.open, bar.close));
            QVERIFY(bar.high >= std::max(bar.open, bar.close));
            QVERIFY(bar.high < bar.low * 2);
        }
    }
}

void TestMarketModel::sessionPathIsConsistent()
{
    const SimulatedMarket market(9);
    for (const char *ticker : {"AAPL", "YELL", "CNI"}) {
        const int stock = market.indexOf(ticker);
        const MarketQuote open = market.quoteAt(stock, at(kDay, 0, 0));
        QCOMPARE(open.last, open.open);
        QCOMPARE(open.high, open.open);
        QCOMPARE(open.low, open.open);
        MarketQuote previous = open;
        for (int minute = 7; minute < 24 * 60; minute += 7) {
            const MarketQuote q = market.quoteAt(stock, at(kDay, minute / 60, minute % 60, 3));
            QCOMPARE(q.open, open.open);
            QCOMPARE(q.previousClose, open.previousClose);
            QCOMPARE(q.change(), q.last - q.previousClose);
            QVERIFY(q.low <= q.last && q.last <= q.high);
            QVERIFY(q.high >= previous.high && q.low <= previous.low);
            QVERIFY(q.volume >= previous.volume);
            QCOMPARE(q.time, QTime(minute / 60, minute % 60, 0));
            previous = q;
        }
        QVERIFY(previous.volume > 0);
    }
}

void TestMarketModel::sessionEndsOnTheHistoryClose()
{
    const SimulatedMarket market(3);
    const int stock = market.indexOf("GE");
    const DailyBar bar = market.sessionBar(stock, kDay);
    const DailyClose close = market.dailyCloses(stock, kDay, kDay).front();
    QCOMPARE(bar.close, close.close);
    QCOMPARE(bar.volume, close.volume);
    const MarketQuote late = market.quoteAt(stock, at(kDay, 23, 59, 58));
    QCOMPARE(late.open, bar.open);
    QVERIFY(late.high <= bar.high && late.low >= bar.low);
    QVERIFY(late.volume <= bar.volume);
    QVERIFY(std::abs(late.last - bar.close) <= std::max<Cents>(5, bar.close / 100));
    QCOMPARE(market.quoteAt(stock, at(kDay.addDays(1), 0, 0)).previousClose, bar.close);
}

void TestMarketModel::priceMovesEveryFewSeconds()
{
    const SimulatedMarket market(1);
    const int tickMs = IntradayPath::kTickSeconds * 1000;
    QVERIFY(tickMs <= 10000);
    const QDateTime start = at(kDay, 14, 0);
    int moved = 0;
    for (int stock = 0; stock < market.stockCount(); ++stock) {
        const MarketQuote now = market.quoteAt(stock, start);
        // Nothing changes within a tick.
        QVERIFY(sameQuote(now, market.quoteAt(stock, start.addMSecs(tickMs - 1))));
        for (int tick = 1; tick <= 6; ++tick) {
            if (market.quoteAt(stock, start.addMSecs(qint64(tick) * tickMs)).last != now.last) {
                ++moved;
                break;
            }
        }
    }
    QVERIFY2(moved > market.stockCount() * 3 / 4, qPrintable(QString::number(moved)));
}

QTEST_GUILESS_MAIN(TestMarketModel)
#include "test_marketmodel.moc"
