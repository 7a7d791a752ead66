// The fill plan: which orders fill, in what order, and which are cancelled and why, written
// one step a line as "id fill time price xquantity = amount" or "id cancel time reason".
#include "common/casetable.h"
#include "model/numbertext.h"
#include "trading/orderfills.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QDateTime at(int day, const char *time)
{
    return QDateTime(QDate(2026, 12, day), QTime::fromString(QString::fromLatin1(time), u"HH:mm"_s),
                     QTimeZone(3600));
}

Order order(int id, OrderKind kind, const char *ticker, qint32 quantity, qint64 cents, int goodUntilDay = 0)
{
    Order o;
    o.id = id;
    o.kind = kind;
    o.ticker = QString::fromLatin1(ticker);
    o.quantity = quantity;
    o.price = Money::fromUnits(cents * 100);
    o.placed = o.checkedUntil = at(9, "10:00");
    if (goodUntilDay)
        o.goodUntil = QDate(2026, 12, goodUntilDay);
    return o;
}

std::pair<int, OrderFill> fill(int id, int day, const char *time, qint64 cents)
{
    return {id, OrderFill{at(day, time), Money::fromUnits(cents * 100)}};
}

QString shown(const FillStep &s)
{
    const QString time = s.at.toString(u"dd HH:mm:ss"_s);
    if (s.kind == FillStep::Kind::Cancel)
        return u"%1 cancel %2 %3"_s.arg(s.orderId).arg(time, s.reason);
    return u"%1 fill %2 %3 x%4 = %5"_s.arg(s.orderId)
        .arg(time, QString::fromLatin1(centsText(s.price)))
        .arg(s.quantity)
        .arg(moneyToText(s.amount, u'.'));
}

struct Case
{
    const char *tag;
    QList<Order> orders;
    QHash<int, OrderFill> fills;
    qint64 cashDollars;
    QList<Holding> holdings;
    QStringList steps;
};
} // namespace

Q_DECLARE_METATYPE(Case)

class TestOrderFills : public QObject
{
    Q_OBJECT

private slots:
    void plan_data()
    {
        const Order buy = order(1, OrderKind::LimitBuy, "IBM", 10, 2500);
        const Order sell = order(2, OrderKind::LimitSell, "IBM", 6, 3000);
        Order filledBefore = order(6, OrderKind::StopBuy, "IBM", 1, 2000);
        filledBefore.state = OrderState::Filled;
        const QList<Holding> tenIbm{{u"IBM"_s, 10}, {u"IBM"_s, 99}};
        caseRows<Case>({
            {"fills in time order across orders",
             {order(2, OrderKind::StopBuy, "MSFT", 1, 4000), buy},
             {fill(2, 9, "10:05", 4010), fill(1, 9, "10:01", 2495)},
             1000,
             {},
             {u"1 fill 09 10:01:00 24.95 x10 = 249.5"_s, u"2 fill 09 10:05:00 40.10 x1 = 40.1"_s}},
            {"cash runs out mid-plan",
             {buy, order(3, OrderKind::StopBuy, "MSFT", 20, 4000)},
             {fill(1, 9, "10:01", 2495), fill(3, 9, "10:02", 4000)},
             1000,
             {},
             {u"1 fill 09 10:01:00 24.95 x10 = 249.5"_s, u"3 cancel 09 10:02:00 not enough cash at 40.00"_s}},
            {"a sale pays for a later buy",
             {buy, sell},
             {fill(2, 9, "10:01", 3000), fill(1, 9, "10:02", 2500)},
             70,
             tenIbm,
             {u"2 fill 09 10:01:00 30.00 x6 = 180"_s, u"1 fill 09 10:02:00 25.00 x10 = 250"_s}},
            {"shares run out, first holding counts",
             {sell, order(4, OrderKind::StopLossSell, "IBM", 6, 2900)},
             {fill(4, 9, "10:03", 2900), fill(2, 9, "10:01", 3000)},
             0,
             tenIbm,
             {u"2 fill 09 10:01:00 30.00 x6 = 180"_s, u"4 cancel 09 10:03:00 not enough shares"_s}},
            {"same time: lower id first",
             {order(5, OrderKind::LimitBuy, "IBM", 4, 2500), order(3, OrderKind::LimitBuy, "IBM", 4, 2500)},
             {fill(5, 9, "10:01", 2500), fill(3, 9, "10:01", 2500)},
             100,
             {},
             {u"3 fill 09 10:01:00 25.00 x4 = 100"_s, u"5 cancel 09 10:01:00 not enough cash at 25.00"_s}},
            {"cost as the dialogs count it",
             {order(1, OrderKind::LimitBuy, "IBM", 99999999, 99999999)},
             {fill(1, 9, "10:01", 99999999)},
             99999998000000,
             {},
             {u"1 fill 09 10:01:00 999999.99 x99999999 = 99999998000000"_s}},
            {"expired without a fill",
             {order(1, OrderKind::LimitBuy, "IBM", 10, 2500, 10),
              order(2, OrderKind::LimitBuy, "IBM", 1, 2500, 11)},
             {},
             1000,
             {},
             {u"1 cancel 10 23:59:59 expired"_s}},
            {"fill after its last day expires",
             {order(1, OrderKind::LimitBuy, "IBM", 10, 2500, 9)},
             {fill(1, 10, "09:00", 2400)},
             1000,
             {},
             {u"1 cancel 09 23:59:59 expired"_s}},
            {"fill on its last day",
             {order(1, OrderKind::LimitBuy, "IBM", 1, 2500, 9)},
             {fill(1, 9, "23:59", 2400)},
             1000,
             {},
             {u"1 fill 09 23:59:00 24.00 x1 = 24"_s}},
            {"stock not listed",
             {order(1, OrderKind::LimitBuy, "XYZ", 1, 2500)},
             {fill(1, 9, "10:01", 2400)},
             1000,
             {},
             {u"1 cancel 11 12:00:00 XYZ is not in the stock list"_s}},
            {"closed orders and repeated ids trade once",
             {filledBefore, buy, buy},
             {fill(6, 9, "10:00", 2000), fill(1, 9, "10:01", 2500)},
             1000,
             {},
             {u"1 fill 09 10:01:00 25.00 x10 = 250"_s}},
            {"a holding's limit",
             {buy},
             {fill(1, 9, "10:01", 2500)},
             1000,
             {{u"IBM"_s, 2147483640}},
             {u"1 cancel 09 10:01:00 a holding cannot exceed 2147483647 shares"_s}},
        });
    }
    void plan()
    {
        QFETCH(Case, c);
        const QList<FillStep> steps = planFills(c.orders, c.fills, Money::fromDollars(c.cashDollars),
                                                c.holdings, {u"IBM"_s, u"MSFT"_s}, at(11, "12:00"));
        QStringList got;
        for (const FillStep &s : steps)
            got << shown(s);
        QCOMPARE(got, c.steps);
    }
};

QTEST_GUILESS_MAIN(TestOrderFills)
#include "test_orderfills.moc"
