#pragma once

#include "fileerror.h"
#include "gamefolder.h"
#include "money.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The limit and stop orders of a game, "<gameName>.ord" beside its saved game: 8-bit text,
// CR LF ended lines, the header line, then one order per line of twelve ';'-separated fields:
//
//   id;state;kind;ticker;quantity;price;placed;checked until;good until;closed;fill price;reason
//
//   [Quorvane Orders File]
//   7;OPEN;LIMIT BUY;IBM;50;25.00;2026-12-09T10:15:00+01:00;2026-12-09T10:15:00+01:00;2026-12-31;;;
//   3;FILLED;STOP-LOSS SELL;MSFT;20;40.00;2026-12-09T09:00:00+01:00;2026-12-09T11:02:05+01:00;;
//     2026-12-09T11:02:05+01:00;39.95;                                     (one line in the file)
//   4;CANCELLED;LIMIT SELL;IBM;10;60.00;2026-12-09T09:30:00+01:00;2026-12-09T12:00:00+01:00;;
//     2026-12-09T12:00:00+01:00;;not enough shares
//
// state is OPEN, FILLED or CANCELLED; kind LIMIT BUY, STOP BUY, LIMIT SELL or STOP-LOSS SELL.
// Prices are whole cents written with a point and two decimals, as the market writes them,
// whatever the player's separator. Times are local with their UTC offset; "good until" is a
// day or empty (until cancelled). An open order leaves the last three fields empty, a filled
// one the reason, a cancelled one the fill price.

enum class OrderKind {
    LimitBuy,    // fills when a trade is at or below the price
    StopBuy,     // at or above
    LimitSell,   // at or above
    StopLossSell // at or below
};

inline bool isBuy(OrderKind kind)
{
    return kind == OrderKind::LimitBuy || kind == OrderKind::StopBuy;
}
// Whether the order waits for a trade at or below its price (else at or above).
inline bool crossesBelow(OrderKind kind)
{
    return kind == OrderKind::LimitBuy || kind == OrderKind::StopLossSell;
}
// Whether a trade at `trade` fills an order of `kind` at `price`.
inline bool crosses(OrderKind kind, Money price, Money trade)
{
    return crossesBelow(kind) ? trade <= price : trade >= price;
}

enum class OrderState { Open, Filled, Cancelled };

// An order's quantity is what one trade may move; prices stay below a million dollars.
inline constexpr qint32 kMaxOrderQuantity = 2147483647;
inline constexpr Money kMaxOrderPrice = Money::fromUnits(Q_INT64_C(999999) * Money::kUnitsPerDollar + 9900);

struct Order
{
    int id = 0; // positive, unique in the file and never given again
    QString ticker;
    OrderKind kind = OrderKind::LimitBuy;
    qint32 quantity = 0;
    Money price; // whole cents
    QDateTime placed;
    QDateTime checkedUntil;         // the market was asked up to here; starts at `placed`
    std::optional<QDate> goodUntil; // the last day it may fill; nothing: until cancelled
    OrderState state = OrderState::Open;
    QDateTime closed; // Filled and Cancelled: when
    Money fillPrice;  // Filled only
    QString reason;   // Cancelled only: "expired", "not enough cash at 24.95", ...

    bool isOpen() const { return state == OrderState::Open; }
    bool operator==(const Order &) const = default;
};

// A trade at or beyond an order's price, the one that fills it.
struct OrderFill
{
    QDateTime at;
    Money price;

    bool operator==(const OrderFill &) const = default;
};

// The last moment `order` may fill: the end of its good-until day at the UTC offset it was
// placed with; nothing for an order good until cancelled.
std::optional<QDateTime> lastMoment(const Order &order);

struct OrderBook
{
    QList<Order> orders; // in file order
    // Lines that could not be read. They are written back as they were, so a rewrite never
    // loses what a person could still mend, and their ids are never given again.
    QList<QByteArray> unreadable;

    int skippedLines() const { return int(unreadable.size()); }
    // The id for a new order: above every id in the file, unreadable lines included.
    int nextId() const;
};

inline constexpr char kOrdersHeader[] = "[Quorvane Orders File]";

QString ordersPath(const QString &folder, const QString &gameName);

// "2026-12-09T10:15:00+01:00", the form of every time in the file and in the market's answers.
QByteArray timeWithOffsetText(const QDateTime &at);
// That form only: a time without its offset is no time here.
std::optional<QDateTime> timeWithOffsetFromText(QByteArrayView text);
// "24.95": whole cents, point, two decimals.
QByteArray centsText(Money amount);
// Digits, then at most two decimals after a point; nothing for anything else.
std::optional<Money> centsFromText(QByteArrayView text);

// One line, CR LF included. A reason's ';', CR and LF are written as ',' and blanks.
QByteArray orderLine(const Order &order);
// The whole file: header, orders, then the unreadable lines as they were.
QByteArray ordersFileBytes(const OrderBook &book);
// Reads every line it can; a damaged line is kept aside and counted, never fatal.
OrderBook parseOrders(const QByteArray &bytes);

// The orders of `gameName`; a game without the file has none, which is no error.
FileStatus ReadOrders(const GameFolder &folder, const QString &gameName, OrderBook &out);
// Replaces the whole file through the folder's replacer. A game that has no file and no
// orders gets none.
FileStatus WriteOrders(const GameFolder &folder, const QString &gameName, const OrderBook &book);
