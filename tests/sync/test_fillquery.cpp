// The market's /fill question: the request path's bytes, what each kind of answer is read as
// (never a fill from anything but a well-formed crossing inside the range asked), and the
// plain quote's fallback.
#include "common/rows.h"
#include "sync/fillquery.h"

#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Order)

namespace {
QDateTime at(const char *time, int offsetSeconds = 3600)
{
    return QDateTime(QDate(2026, 12, 9), QTime::fromString(QString::fromLatin1(time), u"HH:mm:ss"_s),
                     QTimeZone(offsetSeconds));
}

Order order(OrderKind kind, const char *ticker, qint64 cents)
{
    Order o;
    o.id = 1;
    o.kind = kind;
    o.ticker = QString::fromLatin1(ticker);
    o.quantity = 10;
    o.price = Money::fromUnits(cents * 100);
    o.placed = o.checkedUntil = at("10:00:00");
    return o;
}

QString shown(const FillAnswer &a)
{
    const QString time = a.at.toOffsetFromUtc(3600).toString(u"HH:mm:ss"_s);
    switch (a.kind) {
    case FillAnswer::Kind::Crossed:
        return u"crossed %1 at %2"_s.arg(QString::fromLatin1(centsText(a.price)), time);
    case FillAnswer::Kind::NotCrossed:
        return u"not crossed up to "_s + time;
    case FillAnswer::Kind::UnknownTicker:
        return u"unknown ticker"_s;
    case FillAnswer::Kind::NoEndpoint:
        return u"no endpoint"_s;
    case FillAnswer::Kind::Unusable:
        break;
    }
    return u"unusable"_s;
}
} // namespace

class TestFillQuery : public QObject
{
    Q_OBJECT

private slots:
    void requestPath_data()
    {
        QTest::addColumn<Order>("order");
        QTest::addColumn<QString>("path");
        const QString range =
            u"&from=2026-12-09T10%3A00%3A00%2B01%3A00&to=2026-12-09T12%3A00%3A00%2B01%3A00"_s;
        row("limit buy", order(OrderKind::LimitBuy, "IBM", 2500),
            u"/fill?s=IBM&when=below&price=25.00"_s + range);
        row("stop buy", order(OrderKind::StopBuy, "IBM", 2505),
            u"/fill?s=IBM&when=above&price=25.05"_s + range);
        row("limit sell", order(OrderKind::LimitSell, "BRK.B", 5),
            u"/fill?s=BRK.B&when=above&price=0.05"_s + range);
        Order west = order(OrderKind::StopLossSell, "^QVC", 400000);
        west.checkedUntil = at("05:00:00", -(3 * 3600 + 1800));
        row("stop-loss sell, checked west of UTC", west,
            u"/fill?s=%5EQVC&when=below&price=4000.00&from=2026-12-09T05%3A00%3A00-03%3A30"
            "&to=2026-12-09T12%3A00%3A00%2B01%3A00"_s);
        Order ending = order(OrderKind::LimitBuy, "IBM", 2500);
        ending.goodUntil = QDate(2026, 12, 8);
        row("asked no further than its last day", ending,
            u"/fill?s=IBM&when=below&price=25.00&from=2026-12-09T10%3A00%3A00%2B01%3A00"
            "&to=2026-12-08T23%3A59%3A59%2B01%3A00"_s);
    }
    void requestPath()
    {
        QFETCH(Order, order);
        QFETCH(QString, path);
        QCOMPARE(fillRequestPath(fillQuestion(order, at("12:00:00"))), path);
    }

    // Asked: IBM at or below 25.00 from 10:00:00 to 11:00:00.
    void answer_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("read");
        const QByteArray csv = "text/csv", crossed = "\"IBM\",24.95,\"2026-12-09T10:15:05+01:00\"\r\n";
        row("crossed", 200, csv, crossed, u"crossed 24.95 at 10:15:05"_s);
        row("crossed at the price, first moment", 200, QByteArray("Text/CSV; charset=ISO-8859-1"),
            QByteArray("\"ibm\",25,\"2026-12-09T10:00:00+01:00\"\r\n"), u"crossed 25.00 at 10:00:00"_s);
        row("time in the Z form", 200, csv, QByteArray("\"IBM\",24.9,\"2026-12-09T09:59:59Z\"\r\n"),
            u"unusable"_s);
        row("not crossed", 200, csv, QByteArray("\"IBM\",N/A,\"2026-12-09T11:00:00+01:00\"\r\n"),
            u"not crossed up to 11:00:00"_s);
        row("not crossed, searched less", 200, csv,
            QByteArray("\"IBM\",N/A,\"2026-12-09T09:30:00+00:00\"\r\n"), u"not crossed up to 10:30:00"_s);
        row("unknown ticker", 200, csv, QByteArray("\"IBM\",N/A,N/A\r\n"), u"unknown ticker"_s);
        row("404", 404, QByteArray("text/html"), QByteArray("<html>Not Found</html>"), u"no endpoint"_s);
        row("500", 500, csv, crossed, u"unusable"_s);
        row("HTML type", 200, QByteArray("text/html"), crossed, u"unusable"_s);
        row("HTML page", 200, csv, QByteArray("<html><body>24.95</body></html>\r\n"), u"unusable"_s);
        row("empty", 200, csv, QByteArray(), u"unusable"_s);
        row("LF only", 200, csv, crossed.chopped(2) + "\n", u"unusable"_s);
        row("two lines", 200, csv, crossed + crossed, u"unusable"_s);
        row("another ticker", 200, csv, QByteArray(crossed).replace("IBM", "MSFT"), u"unusable"_s);
        row("another ticker unknown", 200, csv, QByteArray("\"XYZ\",N/A,N/A\r\n"), u"unusable"_s);
        row("ticker unquoted", 200, csv, QByteArray(crossed).replace("\"IBM\"", "IBM"), u"unusable"_s);
        row("time before the range", 200, csv, QByteArray(crossed).replace("10:15:05", "09:59:59"),
            u"unusable"_s);
        row("time after the range", 200, csv, QByteArray(crossed).replace("10:15:05", "11:00:01"),
            u"unusable"_s);
        row("searched past the range", 200, csv, QByteArray("\"IBM\",N/A,\"2026-12-09T11:00:01+01:00\"\r\n"),
            u"unusable"_s);
        row("time without offset", 200, csv, QByteArray(crossed).replace("+01:00", ""), u"unusable"_s);
        row("price with 3 decimals", 200, csv, QByteArray(crossed).replace("24.95", "24.950"), u"unusable"_s);
        row("price above the limit", 200, csv, QByteArray(crossed).replace("24.95", "25.01"), u"unusable"_s);
        row("price 0", 200, csv, QByteArray(crossed).replace("24.95", "0"), u"unusable"_s);
        row("a fourth field", 200, csv, crossed.chopped(2) + ",1\r\n", u"unusable"_s);
    }
    void answer()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, body);
        QFETCH(QString, read);
        const FillQuestion asked{u"IBM"_s, true, Money::fromDollars(25), at("10:00:00"), at("11:00:00")};
        QCOMPARE(shown(readFillAnswer(asked, status, type, body)), read);
    }

    void fromQuote_data()
    {
        QTest::addColumn<Order>("order");
        QTest::addColumn<qint64>("lastCents");
        QTest::addColumn<QString>("quoteTime");
        QTest::addColumn<bool>("fills");
        const Order limitBuy = order(OrderKind::LimitBuy, "IBM", 2500);
        Order filled = limitBuy;
        filled.state = OrderState::Filled;
        row("limit buy at its price", limitBuy, qint64(2500), u"10:30:00"_s, true);
        row("limit buy above it", limitBuy, qint64(2501), u"10:30:00"_s, false);
        row("stop buy above it", order(OrderKind::StopBuy, "IBM", 2500), qint64(2501), u"10:30:00"_s, true);
        row("quote before the last check", limitBuy, qint64(2400), u"09:59:59"_s, false);
        row("no price", limitBuy, qint64(0), u"10:30:00"_s, false);
        row("order already filled", filled, qint64(2400), u"10:30:00"_s, false);
    }
    void fromQuote()
    {
        QFETCH(Order, order);
        QFETCH(qint64, lastCents);
        QFETCH(QString, quoteTime);
        QFETCH(bool, fills);
        const Money last = Money::fromUnits(lastCents * 100);
        const QDateTime when = at(quoteTime.toLatin1().constData());
        const std::optional<OrderFill> fill = crossingFromQuote(order, last, when);
        QCOMPARE(fill, fills ? std::optional(OrderFill{when, last}) : std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestFillQuery)
#include "test_fillquery.moc"
