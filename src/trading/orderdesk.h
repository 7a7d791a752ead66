#pragma once

#include "model/fileerror.h"
#include "model/orders.h"
#include "trade.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// An order as the player typed it: the texts are checked when it is placed.
struct OrderDraft
{
    QString ticker;
    OrderKind kind = OrderKind::LimitBuy;
    QString quantityText;
    QString priceText; // with the player's decimal separator or a point
    std::optional<QDate> goodUntil;
};

// What the order dialog, the orders window and the history box may do with the running game's
// limit and stop orders.
class OrderDesk
{
public:
    virtual ~OrderDesk() = default;

    // The loaded game's orders, open and closed, oldest first; none without a game.
    virtual QList<Order> orders() const = 0;
    // The stock an order is placed for: the one selected in the list, or empty.
    virtual QString selectedTicker() const = 0;
    // Why "Place Order..." must not open its dialog now (no game, no stock); nothing when it may.
    virtual std::optional<TradeMessage> orderRefusal() const = 0;
    // Checks the draft as BUY and SELL check theirs (the refusal names the field) and writes it
    // to the game's orders file.
    virtual std::optional<TradeMessage> placeOrder(const OrderDraft &draft) = 0;
    virtual FileStatus cancelOrder(int id) = 0;
    // The quote host answers no fill questions: orders fill only while the game runs, from the
    // quotes it fetches.
    virtual bool fillsOnlyWhileRunning() const = 0;
};
