#include "chartcache.h"
#include "infopage.h"
#include "intradaypath.h"
#include "markettext.h"
#include "querystring.h"
#include "quotecsv.h"
#include "quotelinecache.h"
#include "serviceoptions.h"
#include "simulatedmarket.h"
#include "systemmarketclock.h"

#include <QTest>
#include <QTimeZone>

#include <atomic>
#include <cmath>
#include <future>
#include <stdexcept>
#include <thread>

#include <time.h>

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

void row(const char *name, const std::string &text, const char *expected)
{
    QTest::addRow("%s", name) << QString::fromStdString(text) << QString::fromLatin1(expected);
}

} // namespace

// The simulated market and the texts the service builds from it.
class TestMarketModel : public QObject
{
    Q_OBJECT

private slots:
    void everyCatalogueStockIsListed()
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

    // A day's history is the same however it is asked, and the live session ends on it.
    void historyAndSessionAgree()
    {
        const SimulatedMarket market(5);
        const int stock = market.indexOf("IBM");
        const auto year = market.dailyCloses(stock, kDay.addDays(-365), kDay);
        const auto single = market.dailyCloses(stock, kDay.addDays(-100), kDay.addDays(-100));
        QCOMPARE(single.size(), std::size_t(1));
        QCOMPARE(single[0].date, kDay.addDays(-100));
        QCOMPARE(single[0].close, year[265].close);
        QCOMPARE(single[0].volume, year[265].volume);
        QCOMPARE(market.quoteAt(stock, at(kDay, 9, 0)).previousClose, year[364].close);

        const DailyBar bar = market.sessionBar(stock, kDay);
        QCOMPARE(bar.close, year[365].close);
        QCOMPARE(bar.volume, year[365].volume);
        const MarketQuote late = market.quoteAt(stock, at(kDay, 23, 59, 58));
        QCOMPARE(late.open, bar.open);
        QVERIFY(late.high <= bar.high && late.low >= bar.low);
        QVERIFY(late.volume <= bar.volume);
        QVERIFY(std::abs(late.last - bar.close) <= std::max<Cents>(5, bar.close / 100));
        QCOMPARE(market.quoteAt(stock, at(kDay.addDays(1), 0, 0)).previousClose, bar.close);
    }

    void pricesStayPlausibleOverAYear()
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
            for (int d = 0; d < 365; d += 7) {
                const DailyBar bar = market.sessionBar(market.indexOf(ticker), last.addDays(-d));
                QVERIFY(bar.low > 0 && bar.low <= std::min(bar.open, bar.close));
                QVERIFY(bar.high >= std::max(bar.open, bar.close) && bar.high < bar.low * 2);
            }
        }
    }

    void sessionPathIsConsistent()
    {
        const SimulatedMarket market(9);
        for (const char *ticker : {"AAPL", "YELL", "CNI"}) {
            const int stock = market.indexOf(ticker);
            const MarketQuote open = market.quoteAt(stock, at(kDay, 0, 0));
            QVERIFY(open.last == open.open && open.high == open.open && open.low == open.open);
            MarketQuote previous = open;
            for (int minute = 7; minute < 24 * 60; minute += 7) {
                const MarketQuote q = market.quoteAt(stock, at(kDay, minute / 60, minute % 60, 3));
                QVERIFY(q.open == open.open && q.previousClose == open.previousClose);
                QCOMPARE(q.change(), q.last - q.previousClose);
                QVERIFY(q.low <= q.last && q.last <= q.high);
                QVERIFY(q.high >= previous.high && q.low <= previous.low && q.volume >= previous.volume);
                QCOMPARE(q.time, QTime(minute / 60, minute % 60, 0));
                previous = q;
            }
            QVERIFY(previous.volume > 0);
        }
    }

    void priceMovesEveryFewSeconds()
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
            int tick = 1;
            while (tick <= 6 && market.quoteAt(stock, start.addMSecs(qint64(tick) * tickMs)).last == now.last)
                ++tick;
            moved += tick <= 6;
        }
        QVERIFY2(moved > market.stockCount() * 3 / 4, qPrintable(QString::number(moved)));
    }

    // The service's texts, and what its readers make of their input ("<refused>" when refused).
    // Lines kept per tick are the bytes of formatting afresh, in whatever order moments come.
    void cachedQuoteLines_data()
    {
        QTest::addColumn<QList<QDateTime>>("moments");
        QTest::addRow("every tick of a minute") << [] {
            QList<QDateTime> ticks;
            for (int s = 0; s < 60; s += 5)
                ticks << at(kDay, 13, 37, s);
            return ticks;
        }();
        QTest::addRow("last millisecond of a tick, then the next")
            << QList<QDateTime>{at(kDay, 9, 0, 4, 999), at(kDay, 9, 0, 5), at(kDay, 9, 0, 4, 999)};
        QTest::addRow("same tick on other days")
            << QList<QDateTime>{at(kDay, 16, 0), at(kDay.addDays(1), 16, 0), at(kDay.addDays(-1), 16, 0),
                                at(kDay.addYears(1), 16, 0), at(kDay, 16, 0)};
        QTest::addRow("across midnight and back") << QList<QDateTime>{
            at(kDay, 23, 59, 59, 999), at(kDay.addDays(1), 0, 0), at(kDay, 23, 59, 59, 999)};
    }

    void cachedQuoteLines()
    {
        QFETCH(QList<QDateTime>, moments);
        const SimulatedMarket market(3);
        QuoteLineCache lines(market);
        const std::vector<std::string> tickers{"IBM", "MSFT", "ZZZZ", "IBM", "A"};
        const std::vector<std::string> otherTags{"s", "l1", "n"};
        for (const QDateTime &moment : moments) {
            const auto &tags = QuoteCsv::defaultTags();
            QCOMPARE(lines.answer(tickers, tags, moment), QuoteCsv::answer(market, tickers, tags, moment));
            QCOMPARE(lines.answer(tickers, otherTags, moment),
                     QuoteCsv::answer(market, tickers, otherTags, moment));
        }
    }

    // Threads sharing the lines through a stretch of ticks each get the direct bytes.
    void cachedQuoteLinesAcrossThreads()
    {
        const SimulatedMarket market(3);
        QuoteLineCache lines(market);
        std::vector<std::string> tickers;
        for (const QString &ticker : AllTickers())
            tickers.push_back(ticker.toStdString());
        constexpr int kTicks = 20;
        std::vector<std::string> expected;
        for (int t = 0; t < kTicks; ++t)
            expected.push_back(
                QuoteCsv::answer(market, tickers, QuoteCsv::defaultTags(), at(kDay, 10, 0, t * 5)));
        std::vector<std::vector<std::string>> got(4);
        std::vector<std::thread> threads;
        for (auto &mine : got)
            threads.emplace_back([&] {
                for (int t = 0; t < kTicks; ++t)
                    mine.push_back(lines.answer(tickers, QuoteCsv::defaultTags(), at(kDay, 10, 0, t * 5)));
            });
        for (std::thread &t : threads)
            t.join();
        for (const auto &mine : got)
            QVERIFY(mine == expected);
    }

    void renderPoolThreads_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("threads");
        QTest::addRow("none asked: one") << 0 << 1;
        QTest::addRow("two") << 2 << 2;
        QTest::addRow("more than the cap") << 9 << RenderPool::kMaxThreads;
    }

    void renderPoolThreads()
    {
        QFETCH(int, asked);
        QFETCH(int, threads);
        QCOMPARE(RenderPool(asked).threads(), threads);
    }

    // A full queue refuses at once instead of making the caller wait behind it.
    void renderPoolRefusesBeyondItsQueue()
    {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::promise<void> started;
        std::atomic<int> ran{0};
        {
            RenderPool pool(1, 2);
            QVERIFY(pool.post([&] {
                started.set_value();
                released.wait();
            }));
            started.get_future().wait();
            QVERIFY(pool.post([&] { ++ran; }));
            QVERIFY(pool.post([&] { ++ran; }));
            QVERIFY(!pool.post([&] { ++ran; }));
            release.set_value();
        }
        QCOMPARE(ran.load(), 2);
    }

    // The service's local time keeps each zone's offset until the zone's next transition;
    // around the changes of summer time it must agree with Qt's own conversion to the millisecond.
    void localTimeFollowsTheZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("transition"); // in UTC
        auto utc = [](int y, int m, int d, int h) { return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC); };
        QTest::addRow("Paris, spring forward") << QByteArray("Europe/Paris") << utc(2026, 3, 29, 1);
        QTest::addRow("Paris, fall back") << QByteArray("Europe/Paris") << utc(2026, 10, 25, 1);
        QTest::addRow("New York, spring forward") << QByteArray("America/New_York") << utc(2026, 3, 8, 7);
        QTest::addRow("New York, fall back") << QByteArray("America/New_York") << utc(2026, 11, 1, 6);
        QTest::addRow("Sydney, across the year") << QByteArray("Australia/Sydney") << utc(2026, 4, 4, 16);
        QTest::addRow("Tokyo, no summer time") << QByteArray("Asia/Tokyo") << utc(2026, 6, 1, 0);
        QTest::addRow("UTC") << QByteArray("UTC") << utc(2026, 12, 31, 23);
    }

    void localTimeFollowsTheZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, transition);
        if (!QTimeZone(zone).isValid())
            QSKIP("the zone data is not installed (tzdata)");
        const QByteArray before = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
        const qint64 t = transition.toMSecsSinceEpoch();
        const QList<qint64> moments{t - 1800 * 1000, t - 1, t, t + 1, t + 2 * 3600 * 1000, t + 1, t - 1};
        // A thread of its own starts with nothing remembered, as a new serving thread does.
        QStringList mismatches;
        std::thread([&] {
            for (const qint64 ms : moments) {
                const QDateTime ours = SystemMarketClock::localTime(ms);
                const QDateTime qt = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
                if (ours.date() != qt.date() || ours.time() != qt.time() ||
                    ours.offsetFromUtc() != qt.offsetFromUtc() || ours.toMSecsSinceEpoch() != ms)
                    mismatches << ours.toString(Qt::ISODateWithMs) + QStringLiteral(" vs ") +
                                      qt.toString(Qt::ISODateWithMs);
            }
        }).join();
        if (before.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", before);
        tzset();
        QCOMPARE(mismatches, QStringList());
    }

    // A failed rendering reaches its caller and is not kept: the next request draws again.
    void failedRenderIsNotCached()
    {
        ChartCache cache(4, 2);
        const ChartCache::Key key{"IBM", 415, 240, 365, true, kDay};
        QCOMPARE(cache.get(key, []() -> QByteArray { throw std::runtime_error("no memory"); }), nullptr);
        const ChartCache::Png drawn = cache.get(key, [] { return QByteArray("png"); });
        QVERIFY(drawn);
        QCOMPARE(*drawn, std::string("png"));
        // Kept and shared, not drawn again nor copied.
        QCOMPARE(cache.get(key, [] { return QByteArray("other"); }).get(), drawn.get());
        QCOMPARE(cache.renderCount(), 1);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        using namespace MarketText;
        auto prices = [](Cents cents) { return price(cents) + " " + signedPrice(cents); };
        row("price keeps two decimals", prices(2710), "27.10 +27.10");
        row("zero price is a rise", prices(0), "0.00 +0.00");
        row("price below one dollar", prices(5), "0.05 +0.05");
        row("a fall", prices(-125), "-1.25 -1.25");
        row("a small fall", prices(-3), "-0.03 -0.03");
        row("large price", prices(123456789), "1234567.89 +1234567.89");
        row("percent rounds to hundredths", signedPercent(35, 2677), "+1.31%");
        row("half percent rounds away from zero", signedPercent(1, 20000), "+0.01%");
        row("negative half away from zero", signedPercent(-1, 20000), "-0.01%");
        row("tiny fall rounds to zero, shown as rise", signedPercent(-1, 100000), "+0.00%");
        row("doubling", signedPercent(500, 500), "+100.00%");
        row("no base", signedPercent(10, 0), "+0.00%");
        row("after midnight", clockTime(QTime(0, 5)), "12:05am");
        row("morning", clockTime(QTime(9, 30, 59)), "9:30am");
        row("noon", clockTime(QTime(12, 0)), "12:00pm");
        row("afternoon", clockTime(QTime(16, 0)), "4:00pm");
        row("last minute", clockTime(QTime(23, 59, 55)), "11:59pm");
        row("short date", shortDate(QDate(2004, 6, 1)), "6/1/2004");
        row("short date, two-digit month and day", shortDate(QDate(2026, 12, 31)), "12/31/2026");
        row("long date", longDate(QDate(2004, 6, 1)), "Tuesday, June 1, 2004");
        row("grouped number", groupedNumber(12345678), "12,345,678");
        row("number below a thousand", groupedNumber(999), "999");
        row("html escaping", InfoPage::escapeHtml("Marsh & McLennan <\"Co\">"),
            "Marsh &amp; McLennan &lt;&quot;Co&quot;&gt;");

        auto query = [](std::string_view q) {
            const auto parsed = QueryString::parse(q);
            return parsed ? parsed->value("s").value_or("<none>") : "<refused>";
        };
        auto list = [](const std::optional<std::vector<std::string>> &items) {
            std::string joined = items ? "" : "<refused>";
            for (const std::string &item : items.value_or(std::vector<std::string>()))
                joined += item + "|";
            return joined;
        };
        auto options = [](const std::vector<std::string> &args) -> std::string {
            std::string error;
            const auto o = ServiceOptions::parse(args, &error);
            if (!o)
                return error.empty() ? "refused without a reason" : "<refused>";
            return QStringLiteral("%1 %2 %3 %4 %5 %6")
                .arg(QString::fromStdString(o->bind))
                .arg(o->port)
                .arg(o->seed)
                .arg(o->speed)
                .arg(int(o->quiet))
                .arg(o->perClient)
                .toStdString();
        };
        row("query: first of a repeated key", query("s=A&s=B"), "A");
        row("query: key without value", query("s&f=x"), "");
        row("query: empty items skipped", query("&&s=A&"), "A");
        row("query: none", query(""), "<none>");
        row("query: cut escape", query("s=A%4"), "<refused>");
        row("query: control byte", query("s=A\x01"), "<refused>");
        row("query: raw non-ASCII", query("s=\xc3\xa9"), "<refused>");
        row("query of a target", std::string(QueryString::queryOf("/d/quotes.csv?s=A?b")), "s=A?b");
        row("query of a target without one", std::string(QueryString::queryOf("/infos")), "");
        row("tags: digits must follow a letter", list(QuoteCsv::parseTags("1s")), "<refused>");
        row("tags: none", list(QuoteCsv::parseTags("")), "<refused>");
        row("tags: too many", list(QuoteCsv::parseTags(std::string(QuoteCsv::kMaxTags + 1, 's'))),
            "<refused>");
        row("tickers: symbols with punctuation", list(QuoteCsv::parseTickers("BRK.A ^DJI")), "BRK.A|^DJI|");
        row("tickers: one too long",
            list(QuoteCsv::parseTickers(std::string(QuoteCsv::kMaxTickerLength + 1, 'X'))), "<refused>");
        row("tickers: tab", list(QuoteCsv::parseTickers("A\tB")), "<refused>");
        std::string tooMany;
        for (int i = 0; i <= QuoteCsv::kMaxTickers; ++i)
            tooMany += "A ";
        row("tickers: too many", list(QuoteCsv::parseTickers(tooMany)), "<refused>");
        row("options: defaults", options({}), "127.0.0.1 8421 1 1 0 32");
        row("options: separate values", options({"--bind", "0.0.0.0", "--port", "9000", "--seed", "77"}),
            "0.0.0.0 9000 77 1 0 32");
        row("options: joined values", options({"--speed=60", "--quiet", "--port=0"}),
            "127.0.0.1 0 1 60 1 32");
        row("options: connections per client", options({"--per-client=4000"}), "127.0.0.1 8421 1 1 0 4000");
        row("options: no connection per client", options({"--per-client", "0"}), "<refused>");
        row("options: more per client than in all", options({"--per-client", "4001"}), "<refused>");
        row("options: port too high", options({"--port", "65536"}), "<refused>");
        row("options: negative port", options({"--port=-1"}), "<refused>");
        row("options: speed zero", options({"--speed", "0"}), "<refused>");
        row("options: speed not a number", options({"--speed", "fast"}), "<refused>");
        row("options: missing value", options({"--seed"}), "<refused>");
        row("options: unknown option", options({"--colour"}), "<refused>");
        row("options: value on a switch", options({"--quiet=yes"}), "<refused>");
    }

    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_GUILESS_MAIN(TestMarketModel)
#include "test_marketmodel.moc"
