#pragma once

#include "model/gamestate.h"
#include "model/money.h"
#include "model/orders.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// What the open orders come to once the market has said which of them crossed: the fills and
// cancels to apply, in the order they happened, each checked against the cash and shares the
// game holds at that moment.

struct FillStep
{
    enum class Kind { Fill, Cancel };

    Kind kind = Kind::Fill;
    int orderId = 0;
    QDateTime at;
    // Fill only: the trade, its shares and what it costs or brings in, counted as the BUY and
    // SELL dialogs count price x quantity.
    Money price;
    qint32 quantity = 0;
    Money amount;
    QString reason; // Cancel only

    bool operator==(const FillStep &) const = default;
};

// The price and quantity's amount as a trade dialog counts it (its "pay" text read back);
// nothing when it cannot be kept as cash.
std::optional<Money> tradeAmount(Money price, qint64 quantity);

// The steps for `orders` (closed ones are passed over) given the fills found by order id, in
// time order, ties by order id. A buy the cash cannot pay for at its moment, or a sell of more
// shares than are held then, is cancelled with the reason; an order past its good-until day
// is cancelled "expired" at the end of that day (so is a fill found after it); an order for a
// stock outside `catalogue` is cancelled at `now`. Orders that stay open have no step.
QList<FillStep> planFills(const QList<Order> &orders, const QHash<int, OrderFill> &fills, Money cash,
                          const QList<Holding> &holdings, const QSet<QString> &catalogue,
                          const QDateTime &now);
