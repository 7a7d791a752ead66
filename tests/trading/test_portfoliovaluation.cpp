// What the valuation asks the quote service, what stays unknown and why, and that answers of an
// older refresh are dropped; against a quote service of the test's own on 127.0.0.1.
#include "common/fakequoteservice.h"
#include "common/rows.h"
#include "trading/portfoliovaluation.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The running game as the door hands it out, with a real MarketData.
struct FakeSource : PortfolioSource
{
    explicit FakeSource(const QString &host) : market(host, ProxySetting()) {}
    const GameState &game() const override { return state; }
    QChar decimal() const override { return u'.'; }
    FileStatus statistics(HoldingsStatistics &out) const override
    {
        if (!statsError)
            out = stats;
        return statsError;
    }
    FileStatus tradeHistory(Journal &out) const override
    {
        if (!historyError)
            out = parseJournal(journal, u'.');
        return historyError;
    }
    MarketData &marketData() override { return market; }
    FileStatus exportFile(const QString &, const QByteArray &) override { return {}; }

    GameState state;
    HoldingsStatistics stats;
    FileStatus statsError, historyError;
    QByteArray journal;
    MarketData market;
};

const QByteArray kStart = "2026-12-02T09:00:00+01:00;START;Medium;10000\r\n";

QByteArray buy(const char *ticker)
{
    return "2026-12-02T10:00:00+01:00;BUY;" + QByteArray(ticker) + ";1;80;9920\r\n";
}

QList<Holding> holdingsOf(const QStringList &tickers)
{
    QList<Holding> holdings;
    for (const QString &t : tickers)
        holdings.append({t, 3});
    return holdings;
}

const QString kQuotes = QStringLiteral("/d/quotes.csv ");
const QString kTable = QStringLiteral("/table.csv ");

} // namespace

class TestPortfolioValuation : public QObject
{
    Q_OBJECT

private slots:
    // The index's history is served; every stock's is missing, at most five of them listed.
    void whatIsAsked_data()
    {
        QTest::addColumn<bool>("histories");
        QTest::addColumn<QStringList>("held");
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<QStringList>("asked"); // sorted
        QTest::addColumn<int>("problems");
        const QByteArray dell = kStart + buy("DELL");
        row("last trades only, each held stock once", false, QStringList{u"IBM"_s, u"MSFT"_s, u"IBM"_s}, dell,
            QStringList{kQuotes + u"IBM MSFT"_s}, 0);
        row("histories of everything traded and the index", true, QStringList{u"IBM"_s}, dell,
            QStringList{kQuotes + u"IBM"_s, kTable + u"DELL"_s, kTable + u"IBM"_s, kTable + u"^QVC"_s}, 2);
        row("nothing held: no last trades", true, QStringList(), dell,
            QStringList{kTable + u"DELL"_s, kTable + u"^QVC"_s}, 1);
        row("no history: no closes", true, QStringList{u"IBM"_s}, QByteArray(),
            QStringList{kQuotes + u"IBM"_s}, 0);
        row("nothing at all", true, QStringList(), QByteArray(), QStringList(), 0);
        QByteArray seven = kStart;
        QStringList asked;
        for (const char *t : {"A", "B", "C", "D", "E", "F", "G"}) {
            seven += buy(t);
            asked << kTable + QLatin1StringView(t);
        }
        row("seven missing histories, five listed", true, QStringList(), seven, asked << kTable + u"^QVC"_s,
            5);
    }
    void whatIsAsked()
    {
        QFETCH(bool, histories);
        QFETCH(QStringList, held);
        QFETCH(QByteArray, journal);
        QFETCH(QStringList, asked);
        QFETCH(int, problems);
        FakeQuoteService service;
        QVERIFY(service.listen());
        service.histories.insert(u"^QVC"_s, FakeQuoteService::history({{"2026-12-03", "1010"}}));
        FakeSource source(service.host());
        source.stats.held = holdingsOf(held);
        source.journal = journal;
        PortfolioValuation v(source, histories ? PortfolioValuation::Scope::WithHistories
                                               : PortfolioValuation::Scope::LastTrades);
        QSignalSpy changed(&v, &PortfolioValuation::changed);
        QVERIFY(!v.refresh());
        QCOMPARE(v.pendingRequests(), int(asked.size()));
        // Not known yet is not missing.
        QCOMPARE(v.pricesDue(), !held.isEmpty());
        QCOMPARE(v.indexDue(), histories && !journal.isEmpty());
        QTRY_COMPARE(service.asked.size(), asked.size());
        QTRY_COMPARE(v.pendingRequests(), 0);
        QCOMPARE(changed.count(), int(asked.size()));
        QVERIFY(!v.pricesDue() && !v.indexDue());
        service.asked.sort();
        QCOMPARE(service.asked, asked);
        QCOMPARE(int(v.problems().size()), problems);
    }

    void whatIsUnknownAndWhy()
    {
        FakeQuoteService service;
        QVERIFY(service.listen());
        service.prices.insert(u"IBM"_s, "87.5");
        service.histories.insert(u"^QVC"_s,
                                 FakeQuoteService::history({{"2026-12-03", "1010"}, {"2026-12-02", "1000"}}));
        FakeSource source(service.host());
        source.state.cash = Money::fromDollars(500);
        source.stats.held = holdingsOf({u"IBM"_s, u"MSFT"_s});
        source.journal = kStart + buy("IBM");
        PortfolioValuation v(source, PortfolioValuation::Scope::WithHistories);
        QVERIFY(!v.refresh());
        QCOMPARE(v.cash(), Money::fromDollars(500));
        QTRY_COMPARE(v.pendingRequests(), 0);
        QCOMPARE(v.prices(), (QHash<QString, double>{{u"IBM"_s, 87.5}}));
        QCOMPARE(v.unpriced(), QStringList{u"MSFT"_s});
        QVERIFY(v.quoteProblem().isEmpty() && v.indexCloses().size() == 2);
        QVERIFY(v.closes().contains(u"IBM"_s) && v.closes().value(u"IBM"_s).isEmpty());
        // Histories of everything the game named, the holdings included.
        QStringList problems = v.problems();
        problems.sort();
        const QString missing = u"No price history of %1: the quote service at %2 answered 404 Not Found."_s;
        QCOMPARE(problems, (QStringList{missing.arg(u"IBM"_s, service.host()),
                                        missing.arg(u"MSFT"_s, service.host())}));
        QVERIFY(v.journal().trades.size() == 1 && v.statistics().companies() == 2);

        // No service at all: the texts say so, in the order the answers came.
        const QString closed = FakeQuoteService::closedHost();
        source.market.setQuoteHost(closed);
        QVERIFY(!v.refresh());
        QVERIFY(v.prices().isEmpty() && v.closes().isEmpty() && v.indexCloses().isEmpty());
        QTRY_COMPARE(v.pendingRequests(), 0);
        QCOMPARE(v.unpriced(), (QStringList{u"IBM"_s, u"MSFT"_s}));
        QVERIFY(v.quoteProblem().startsWith(u"the quote service at %1 did not answer"_s.arg(closed)));
        problems = v.problems();
        problems.sort();
        QCOMPARE(problems.size(), 4);
        QVERIFY(problems.first().endsWith(u")."_s));
        const QString noAnswer = u"the quote service at %1 did not answer ("_s.arg(closed);
        for (const QString &start : {u"Last trades not known: "_s, u"No history of the market index: "_s,
                                     u"No price history of IBM: "_s, u"No price history of MSFT: "_s})
            QVERIFY2(problems.takeFirst().startsWith(start + noAnswer), qPrintable(start));
    }

    // The saved game's read error stops the last trades; with histories it is listed and the rest goes on.
    void unreadableFiles()
    {
        FakeQuoteService service;
        QVERIFY(service.listen());
        FakeSource source(service.host());
        source.statsError = FileError{u"/x/player.qvn"_s, 2, u"the cash line is not a number"_s};
        source.historyError = FileError{u"/x/player.qvh"_s, 0, u"it is a folder"_s};
        PortfolioValuation lastTrades(source, PortfolioValuation::Scope::LastTrades);
        const FileStatus unread = lastTrades.refresh();
        QCOMPARE(unread ? unread->text() : QString(), source.statsError->text());
        QVERIFY(lastTrades.problems().isEmpty() && lastTrades.pendingRequests() == 0);

        source.historyError.reset();
        source.journal = kStart + buy("IBM");
        PortfolioValuation withHistories(source, PortfolioValuation::Scope::WithHistories);
        QVERIFY(withHistories.refresh());
        QCOMPARE(withHistories.problems(), QStringList{source.statsError->text()});
        QCOMPARE(withHistories.pendingRequests(), 2);
        source.statsError.reset();
        source.historyError = FileError{u"/x/player.qvh"_s, 0, u"it is a folder"_s};
        QVERIFY(!withHistories.refresh());
        QCOMPARE(withHistories.problems(), QStringList{source.historyError->text()});
        QCOMPARE(withHistories.pendingRequests(), 0);
    }

    // A refresh while answers are still due: only the newer refresh's answers count.
    void answersOfAnOlderRefreshAreDropped()
    {
        FakeQuoteService older, newer;
        QVERIFY(older.listen() && newer.listen());
        older.holding = true;
        older.prices.insert(u"IBM"_s, "50");
        newer.prices.insert(u"IBM"_s, "87.5");
        FakeSource source(older.host());
        source.stats.held = holdingsOf({u"IBM"_s});
        PortfolioValuation v(source, PortfolioValuation::Scope::LastTrades);
        QSignalSpy changed(&v, &PortfolioValuation::changed);
        v.refresh();
        QTRY_COMPARE(older.asked.size(), 1);
        source.market.setQuoteHost(newer.host());
        v.refresh();
        QTRY_COMPARE(v.pendingRequests(), 0);
        QCOMPARE(changed.count(), 1);
        // The older answer comes last; a request after it shows it has been handled.
        older.release();
        bool after = false;
        source.market.setQuoteHost(older.host());
        source.market.fetchQuotes({u"IBM"_s}, &v, [&](const BatchQuotes &) { after = true; });
        QTRY_VERIFY(after);
        QVERIFY(changed.count() == 1 && v.pendingRequests() == 0);
        QCOMPARE(v.prices().value(u"IBM"_s), 87.5);
    }
};

QTEST_GUILESS_MAIN(TestPortfolioValuation)
#include "test_portfoliovaluation.moc"
