#pragma once

#include "trade.h"

#include <QString>

#include <optional>

// What the buy and sell dialogs may do with the running game.
class TradeDesk
{
public:
    virtual ~TradeDesk() = default;

    // Why BUY or SELL must not open its dialog, or nothing.
    virtual std::optional<TradeMessage> tradeRefusal(TradeKind kind) const = 0;
    // A trade dialog opens: the stock list is locked until the matching endTrade.
    virtual TradeOpening beginTrade(TradeKind kind) = 0;
    virtual void endTrade() = 0;
    virtual TradeAmounts tradeAmounts(TradeKind kind, const QString &quantityText) const = 0;
    // A confirmed trade: the saved game is rewritten first, then cash and panel change, then
    // the trade history gets its line (a failure there comes back as `notice`).
    virtual TradeOutcome trade(TradeKind kind, const QString &quantityText, const QString &payText) = 0;
};
