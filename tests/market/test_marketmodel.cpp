#include "chartcache.h"
#include "common/casetable.h"
#include "common/rows.h"
#include "infopage.h"
#include "intradaypath.h"
#include "markettext.h"
#include "model/orders.h"
#include "pricehistory.h"
#include "querystring.h"
#include "quotecsv.h"
#include "quotelinecache.h"
#include "serviceoptions.h"
#include "simulatedmarket.h"
#include "systemmarketclock.h"

#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>
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

std::vector<std::string> allTickers()
{
    std::vector<std::string> tickers;
    for (const QString &ticker : AllTickers())
        tickers.push_back(ticker.toStdString());
    return tickers;
}

QByteArray cents(Cents value)
{
    return QByteArray::number(double(value) / 100.0, 'f', 2);
}

// The information page as a reader sees it.
QString pageText(const SimulatedMarket &market, const QDateTime &at)
{
    QTextDocument document;
    document.setHtml(QString::fromStdString(InfoPage::render(market, at)));
    return document.toPlainText();
}

void text(const char *name, const std::string &text, const char *expected)
{
    QTest::addRow("%s", name) << QString::fromStdString(text) << QString::fromLatin1(expected);
}

struct ZoneCase
{
    const char *tag;
    QByteArray zone;
    QDateTime transition; // in UTC
};

using Side = SimulatedMarket::Side;
constexpr Side kBelow = Side::AtOrBelow, kAbove = Side::AtOrAbove;

struct CrossingCase
{
    const char *tag, *zone;
    Side side;
    Cents price;
    const char *from, *to, *found; // when and at what price; "" when nothing crosses
};

// The first tick shown after `from` up to `to` that crosses, asking for the quote every second.
std::optional<SimulatedMarket::TickTrade> walkedCrossing(const SimulatedMarket &market, int stock, Side side,
                                                         Cents price, const QDateTime &from,
                                                         const QDateTime &to)
{
    for (QDateTime t = from.addSecs(1), before = from; t <= to; before = t, t = t.addSecs(1)) {
        const MarketQuote q = market.quoteAt(stock, t), p = market.quoteAt(stock, before);
        if ((q.date != p.date || q.time != p.time) && (side == kBelow ? q.last <= price : q.last >= price))
            return SimulatedMarket::TickTrade{t, q.last};
    }
    return std::nullopt;
}

} // namespace

// The simulated market and the texts and pages the service builds from it.
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
        QVERIFY(late.high <= bar.high && late.low >= bar.low && late.volume <= bar.volume);
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
                QVERIFY2(close > p.basePrice * 100 / 8 && close < p.basePrice * 100 * 8, p.ticker.c_str());
                QVERIFY2(year[i].volume >= 100 && year[i].volume % 100 == 0, p.ticker.c_str());
                QVERIFY2(i == 0 || std::abs(std::log(double(close) / double(year[i - 1].close))) < 0.2,
                         p.ticker.c_str());
                lowest = std::min(lowest, close);
                highest = std::max(highest, close);
            }
            QVERIFY2(highest < lowest * 6 && p.basePrice >= 8 && p.basePrice <= 140, p.ticker.c_str());
        }
        // Whole sessions of a few stocks: the traded range holds the open and the close.
        for (const char *ticker : {"MSFT", "XOM", "LM"})
            for (int d = 0; d < 365; d += 7) {
                const DailyBar bar = market.sessionBar(market.indexOf(ticker), last.addDays(-d));
                QVERIFY(bar.low > 0 && bar.low <= std::min(bar.open, bar.close));
                QVERIFY(bar.high >= std::max(bar.open, bar.close) && bar.high < bar.low * 2);
            }
    }

    // A year of completed sessions before the market day, newest first, CR LF ended: a stock's
    // are its sessions; the index's close is the information page's previous close of the
    // next day and its volume the market's.
    void priceHistory_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<int>("dayOffset"); // the market day from kDay
        row("IBM", QByteArray("IBM"), 0);
        row("MSFT forty days on", QByteArray("MSFT"), 40);
        row("A across a new year", QByteArray("A"), -150);
        row("DELL on the first of March of a leap year", QByteArray("DELL"), -92);
        row("the index", QByteArray("^QVC"), 0);
    }
    void priceHistory()
    {
        QFETCH(QByteArray, symbol);
        QFETCH(int, dayOffset);
        const SimulatedMarket market(5);
        const QDate today = kDay.addDays(dayOffset);
        const QByteArray csv = QByteArray::fromStdString(
            PriceHistory::csv(PriceHistory::bars(market, symbol.toStdString(), today)));
        QVERIFY(csv.endsWith("\r\n"));
        const QList<QByteArray> lines = csv.chopped(1).split('\n');
        QCOMPARE(lines.size(), 1 + 365);
        QCOMPARE(lines.front(), QByteArray("Date,Open,High,Low,Close,Volume,Adj Close\r"));
        const int stock = market.indexOf(symbol.toStdString());
        for (int row = 0; row < 365; ++row) {
            const QDate day = today.addDays(-1 - row);
            QByteArray line = lines[row + 1];
            QVERIFY(line.endsWith('\r'));
            line.chop(1);
            const QList<QByteArray> items = line.split(',');
            QCOMPARE(items.size(), 7);
            QCOMPARE(items[0], day.toString(Qt::ISODate).toLatin1());
            QCOMPARE(items[6], items[4]);
            if (stock >= 0) {
                const DailyBar bar = market.sessionBar(stock, day);
                QVERIFY(bar.high >= std::max(bar.open, bar.close) &&
                        bar.low <= std::min(bar.open, bar.close));
                QCOMPARE(line, items[0] + ',' + cents(bar.open) + ',' + cents(bar.high) + ',' +
                                   cents(bar.low) + ',' + cents(bar.close) + ',' +
                                   QByteArray::number(bar.volume) + ',' + cents(bar.close));
                continue;
            }
            const double open = items[1].toDouble(), high = items[2].toDouble(), low = items[3].toDouble(),
                         close = items[4].toDouble();
            QVERIFY(open > 0 && close > 0 && high >= std::max(open, close) && low <= std::min(open, close));
            if (row != 0 && row != 7 && row != 364)
                continue;
            // The page's level and its change from the previous close, both in cents.
            static const QRegularExpression shown(QStringLiteral(
                "Quorvane "
                "Composite.*?<b>([0-9]+)\\.([0-9]{2})</b>.*?<font[^>]*>([+-])([0-9]+)\\.([0-9]{2}) "));
            const QRegularExpressionMatch m =
                shown.match(QString::fromStdString(InfoPage::render(market, at(day.addDays(1), 13, 37, 42))));
            QVERIFY(m.hasMatch());
            const Cents change = (m.captured(4).toLongLong() * 100 + m.captured(5).toLongLong()) *
                                 (m.captured(3) == QStringLiteral("-") ? -1 : 1);
            QCOMPARE(cents(m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong() - change), items[4]);
            qint64 volume = 0;
            for (int s = 0; s < market.stockCount(); ++s)
                volume += market.sessionBar(s, day).volume;
            QCOMPARE(items[5], QByteArray::number(volume));
        }
    }

    // The market day, the index and the five best and five worst by percentage, best first,
    // each starting a line of its section.
    void infoPage()
    {
        const SimulatedMarket market(4);
        const QDateTime now = at(kDay, 13, 37, 42);
        const QString page = pageText(market, now);
        QVERIFY(page.contains(QStringLiteral("Tuesday, June 1, 2004")));
        QVERIFY(!page.contains(u'<'));
        std::vector<std::pair<double, QString>> moves;
        for (int stock = 0; stock < market.stockCount(); ++stock) {
            const MarketQuote q = market.quoteAt(stock, now);
            moves.emplace_back(double(q.last - q.previousClose) / double(q.previousClose),
                               QString::fromStdString(market.profile(stock).ticker));
        }
        std::stable_sort(moves.begin(), moves.end(),
                         [](const auto &a, const auto &b) { return a.first > b.first; });
        QString lists = QStringLiteral("Quorvane Composite.*Best of the day");
        for (std::size_t i = 0; i < 10; ++i)
            lists += (i == 5 ? QStringLiteral(".*Worst of the day") : QString()) + QStringLiteral(".*\\n") +
                     QRegularExpression::escape((i < 5 ? moves[i] : moves[moves.size() + 4 - i]).second) +
                     QStringLiteral("\\s");
        QVERIFY(page.contains(QRegularExpression(lists + QStringLiteral(".*How to play"),
                                                 QRegularExpression::DotMatchesEverythingOption)));
    }

    // Players on the default seed share one market, across machines and builds: any change to the
    // stocks' profiles or the price path moves these sums of base prices and of one day's closes.
    void defaultSeedMarketStaysTheSame()
    {
        const SimulatedMarket market(ServiceOptions().seed);
        Cents bases = 0, closes = 0;
        for (int stock = 0; stock < market.stockCount(); ++stock) {
            bases += std::llround(market.profile(stock).basePrice * 100);
            closes += market.dailyCloses(stock, kDay, kDay).at(0).close;
        }
        QCOMPARE(QList<Cents>({bases, closes}), QList<Cents>({971433, 842688}));
    }

    // A session opens flat, only widens its range and adds volume, and moves every few seconds.
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
        const int tickMs = IntradayPath::kTickSeconds * 1000;
        QVERIFY(tickMs <= 10000);
        const QDateTime start = at(kDay, 14, 0);
        int moved = 0;
        for (int stock = 0; stock < market.stockCount(); ++stock) {
            const MarketQuote now = market.quoteAt(stock, start);
            // Nothing changes within a tick.
            const MarketQuote same = market.quoteAt(stock, start.addMSecs(tickMs - 1));
            QVERIFY(now.date == same.date && now.time == same.time && now.last == same.last &&
                    now.high == same.high && now.low == same.low && now.volume == same.volume);
            int tick = 1;
            while (tick <= 6 && market.quoteAt(stock, start.addMSecs(qint64(tick) * tickMs)).last == now.last)
                ++tick;
            moved += tick <= 6;
        }
        QVERIFY2(moved > market.stockCount() * 3 / 4, qPrintable(QString::number(moved)));
    }

    // Same seed and moment, same answer, whatever was asked before; another seed or tick differs.
    void sameSeedAndMomentGiveSameAnswers()
    {
        const std::vector<std::string> tickers = allTickers();
        const QDateTime now = at(kDay, 13, 37, 42);
        const SimulatedMarket a(21), b(21), other(22);
        auto answer = [&](const SimulatedMarket &m, const QDateTime &t) {
            return QuoteCsv::answer(m, tickers, QuoteCsv::defaultTags(), t);
        };
        const std::string first = answer(a, now);
        QVERIFY(first.size() > tickers.size() * 40);
        b.quoteAt(0, now.addDays(-3));
        QCOMPARE(answer(b, now), first);
        QVERIFY(answer(other, now) != first);
        QVERIFY(answer(a, now.addSecs(30)) != first);
        QCOMPARE(answer(a, now), first);
    }

    // Lines kept per tick are the bytes of formatting afresh, in whatever order moments come,
    // first on one thread, then on several sharing them.
    void cachedQuoteLines()
    {
        const SimulatedMarket market(3);
        QuoteLineCache lines(market);
        std::vector<std::string> tickers = allTickers();
        tickers.insert(tickers.end(), {"ZZZZ", "IBM"}); // unknown and repeated
        const std::vector<std::vector<std::string>> tagSets{QuoteCsv::defaultTags(), {"s", "l1", "n"}};
        std::vector<QDateTime> moments{at(kDay, 9, 0, 4, 999),
                                       at(kDay, 9, 0, 5),
                                       at(kDay, 9, 0, 4, 999), // tick's end
                                       at(kDay.addDays(1), 9, 0, 5),
                                       at(kDay.addYears(1), 9, 0, 5),
                                       at(kDay, 9, 0, 5), // other days
                                       at(kDay, 23, 59, 59, 999),
                                       at(kDay.addDays(1), 0, 0),
                                       at(kDay, 23, 59, 59, 999)}; // midnight
        for (int s = 0; s < 100; s += 5)
            moments.push_back(at(kDay, 10, 0, s));
        std::vector<std::string> expected;
        for (const QDateTime &moment : moments)
            for (const auto &tags : tagSets)
                expected.push_back(QuoteCsv::answer(market, tickers, tags, moment));
        auto run = [&](std::vector<std::string> &mine) {
            for (const QDateTime &moment : moments)
                for (const auto &tags : tagSets)
                    mine.push_back(lines.answer(tickers, tags, moment));
        };
        std::vector<std::vector<std::string>> got(5);
        run(got[0]);
        QVERIFY(got[0] == expected);
        std::vector<std::thread> threads;
        for (std::size_t t = 1; t < got.size(); ++t)
            threads.emplace_back(run, std::ref(got[t]));
        for (std::thread &t : threads)
            t.join();
        for (const auto &mine : got)
            QVERIFY(mine == expected);
    }

    // At least one thread, at most the cap; a full queue refuses at once instead of making the
    // caller wait behind it.
    void renderPool()
    {
        QCOMPARE(RenderPool(0).threads(), 1);
        QCOMPARE(RenderPool(2).threads(), 2);
        QCOMPARE(RenderPool(9).threads(), RenderPool::kMaxThreads);
        std::promise<void> release, started;
        std::shared_future<void> released = release.get_future().share();
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

    // IBM on seed 1; Paris turns its clocks back from 03:00 to 02:00 on 2026-10-25.
    void firstCrossing_data()
    {
        caseRows<CrossingCase>({
            {"the tick after from", "UTC", kBelow, 99999, "2004-06-01T10:00:02+00:00",
             "2004-06-01T13:00:00+00:00", "2004-06-01T10:00:05+00:00 1648"},
            {"from on a tick: that tick is known already", "UTC", kBelow, 99999, "2004-06-01T10:00:00+00:00",
             "2004-06-01T13:00:00+00:00", "2004-06-01T10:00:05+00:00 1648"},
            {"exactly at the price", "UTC", kBelow, 1644, "2004-06-01T10:00:00+00:00",
             "2004-06-01T13:00:00+00:00", "2004-06-01T10:32:25+00:00 1644"},
            {"to on the crossing tick", "UTC", kBelow, 1644, "2004-06-01T10:00:00+00:00",
             "2004-06-01T10:32:25+00:00", "2004-06-01T10:32:25+00:00 1644"},
            {"never", "UTC", kAbove, 1674, "2004-06-01T10:00:00+00:00", "2004-06-01T13:00:00+00:00", ""},
            {"across midnight", "UTC", kBelow, 1644, "2004-06-01T23:00:00+00:00", "2004-06-02T01:00:00+00:00",
             "2004-06-02T00:08:55+00:00 1644"},
            {"the open, not the close, at midnight", "UTC", kBelow, 1650, "2004-06-01T23:59:50+00:00",
             "2004-06-02T00:30:00+00:00", "2004-06-02T00:00:00+00:00 1649"},
            {"a repeated hour shows its ticks again", "Europe/Paris", kAbove, 3292,
             "2026-10-25T02:30:00+02:00", "2026-10-25T02:30:00+01:00", "2026-10-25T02:00:00+01:00 3301"},
        });
    }
    void firstCrossing()
    {
        QFETCH(CrossingCase, c);
        const QTimeZone zone(c.zone);
        if (!zone.isValid())
            QSKIP("the zone data is not installed (tzdata)");
        const QDateTime from = timeWithOffsetFromText(c.from)->toTimeZone(zone),
                        to = timeWithOffsetFromText(c.to)->toTimeZone(zone);
        const SimulatedMarket market(1);
        const int ibm = market.indexOf("IBM");
        // Searched afresh, walked tick by tick, searched again on the kept ranges and quoted paths.
        const auto shown = [](const std::optional<SimulatedMarket::TickTrade> &t) {
            return t ? timeWithOffsetText(t->at) + ' ' + QByteArray::number(t->price) : QByteArray();
        };
        QCOMPARE(shown(market.firstCrossing(ibm, c.side, c.price, from, to)), QByteArray(c.found));
        QCOMPARE(shown(walkedCrossing(market, ibm, c.side, c.price, from, to)), QByteArray(c.found));
        QCOMPARE(shown(market.firstCrossing(ibm, c.side, c.price, from, to)), QByteArray(c.found));
    }

    // The service's local time keeps each zone's offset until the zone's next transition;
    // around the changes of summer time it must agree with Qt's own conversion to the millisecond.
    void localTimeFollowsTheZone_data()
    {
        auto utc = [](int y, int m, int d, int h) { return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC); };
        caseRows<ZoneCase>({
            {"Paris, spring forward", "Europe/Paris", utc(2026, 3, 29, 1)},
            {"Paris, fall back", "Europe/Paris", utc(2026, 10, 25, 1)},
            {"New York, spring forward", "America/New_York", utc(2026, 3, 8, 7)},
            {"New York, fall back", "America/New_York", utc(2026, 11, 1, 6)},
            {"Sydney, across the year", "Australia/Sydney", utc(2026, 4, 4, 16)},
            {"Tokyo, no summer time", "Asia/Tokyo", utc(2026, 6, 1, 0)},
            {"UTC", "UTC", utc(2026, 12, 31, 23)},
        });
    }
    void localTimeFollowsTheZone()
    {
        QFETCH(ZoneCase, c);
        if (!QTimeZone(c.zone).isValid())
            QSKIP("the zone data is not installed (tzdata)");
        const QByteArray before = qgetenv("TZ");
        qputenv("TZ", c.zone);
        tzset();
        const qint64 t = c.transition.toMSecsSinceEpoch();
        QStringList mismatches;
        // A thread of its own starts with nothing remembered, as a new serving thread does.
        std::thread([&] {
            for (const qint64 ms : {t - 1800 * 1000, t - 1, t, t + 1, t + 2 * 3600 * 1000, t + 1, t - 1}) {
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

    // The service's texts, and what its readers make of their input ("<refused>" when refused).
    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        using namespace MarketText;
        auto prices = [](Cents cents) { return price(cents) + " " + signedPrice(cents); };
        text("price keeps two decimals", prices(2710), "27.10 +27.10");
        text("zero price is a rise", prices(0), "0.00 +0.00");
        text("price below one dollar", prices(5), "0.05 +0.05");
        text("a fall", prices(-125), "-1.25 -1.25");
        text("a small fall", prices(-3), "-0.03 -0.03");
        text("large price", prices(123456789), "1234567.89 +1234567.89");
        text("percent rounds to hundredths", signedPercent(35, 2677), "+1.31%");
        text("half percent rounds away from zero", signedPercent(1, 20000), "+0.01%");
        text("negative half away from zero", signedPercent(-1, 20000), "-0.01%");
        text("tiny fall rounds to zero, shown as rise", signedPercent(-1, 100000), "+0.00%");
        text("doubling", signedPercent(500, 500), "+100.00%");
        text("no base", signedPercent(10, 0), "+0.00%");
        text("after midnight", clockTime(QTime(0, 5)), "12:05am");
        text("morning", clockTime(QTime(9, 30, 59)), "9:30am");
        text("noon", clockTime(QTime(12, 0)), "12:00pm");
        text("afternoon", clockTime(QTime(16, 0)), "4:00pm");
        text("last minute", clockTime(QTime(23, 59, 55)), "11:59pm");
        text("short date", shortDate(QDate(2004, 6, 1)), "6/1/2004");
        text("short date, two-digit month and day", shortDate(QDate(2026, 12, 31)), "12/31/2026");
        text("long date", longDate(QDate(2004, 6, 1)), "Tuesday, June 1, 2004");
        text("grouped number", groupedNumber(12345678), "12,345,678");
        text("number below a thousand", groupedNumber(999), "999");
        text("html escaping", InfoPage::escapeHtml("Marsh & McLennan <\"Co\">"),
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
            return o->bind + " " + std::to_string(o->port) + " " + std::to_string(o->seed) + " " +
                   QString::number(o->speed).toStdString() + " " + std::to_string(int(o->quiet)) + " " +
                   std::to_string(o->perClient);
        };
        text("query: first of a repeated key", query("s=A&s=B"), "A");
        text("query: key without value", query("s&f=x"), "");
        text("query: empty items skipped", query("&&s=A&"), "A");
        text("query: none", query(""), "<none>");
        text("query: cut escape", query("s=A%4"), "<refused>");
        text("query: control byte", query("s=A\x01"), "<refused>");
        text("query: raw non-ASCII", query("s=\xc3\xa9"), "<refused>");
        text("query of a target", std::string(QueryString::queryOf("/d/quotes.csv?s=A?b")), "s=A?b");
        text("query of a target without one", std::string(QueryString::queryOf("/infos")), "");
        text("tags: digits must follow a letter", list(QuoteCsv::parseTags("1s")), "<refused>");
        text("tags: none", list(QuoteCsv::parseTags("")), "<refused>");
        text("tags: too many", list(QuoteCsv::parseTags(std::string(QuoteCsv::kMaxTags + 1, 's'))),
             "<refused>");
        text("tickers: symbols with punctuation", list(QuoteCsv::parseTickers("BRK.A ^DJI")), "BRK.A|^DJI|");
        text("tickers: one too long",
             list(QuoteCsv::parseTickers(std::string(QuoteCsv::kMaxTickerLength + 1, 'X'))), "<refused>");
        text("tickers: tab", list(QuoteCsv::parseTickers("A\tB")), "<refused>");
        std::string tooMany;
        for (int i = 0; i <= QuoteCsv::kMaxTickers; ++i)
            tooMany += "A ";
        text("tickers: too many", list(QuoteCsv::parseTickers(tooMany)), "<refused>");
        text("options: defaults", options({}), "127.0.0.1 8421 1 1 0 32");
        text("options: separate values", options({"--bind", "0.0.0.0", "--port", "9000", "--seed", "77"}),
             "0.0.0.0 9000 77 1 0 32");
        text("options: joined values", options({"--speed=60", "--quiet", "--port=0"}),
             "127.0.0.1 0 1 60 1 32");
        text("options: connections per client", options({"--per-client=4000"}), "127.0.0.1 8421 1 1 0 4000");
        text("options: no connection per client", options({"--per-client", "0"}), "<refused>");
        text("options: more per client than in all", options({"--per-client", "4001"}), "<refused>");
        text("options: port too high", options({"--port", "65536"}), "<refused>");
        text("options: negative port", options({"--port=-1"}), "<refused>");
        text("options: speed zero", options({"--speed", "0"}), "<refused>");
        text("options: speed not a number", options({"--speed", "fast"}), "<refused>");
        text("options: missing value", options({"--seed"}), "<refused>");
        text("options: unknown option", options({"--colour"}), "<refused>");
        text("options: value on a switch", options({"--quiet=yes"}), "<refused>");
    }
    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_MAIN(TestMarketModel)
#include "test_marketmodel.moc"
