#pragma once

#include "model/gamestate.h"
#include "model/money.h"
#include "model/orders.h"
#include "model/tradejournal.h"

#include <QList>
#include <QString>

#include <optional>

// What the history box tells of the selected stock: the position, its average cost and gain at
// the last trade, and the latest trades in it.
struct StockStory
{
    QString ticker;
    qint64 shares = 0;
    std::optional<double> averageCost; // per share; nothing when the history does not cover it
    std::optional<Money> gain;         // at the last trade, against the cost basis
    QList<JournalEntry> lastTrades;    // newest first
};

inline constexpr int kStoryTrades = 5;

StockStory stockStory(const Journal &journal, const GameState &game, const QString &ticker,
                      std::optional<double> lastTrade);

// The box's text, in words a player understands when there is nothing to tell.
QString storyText(const StockStory &story, bool gameLoaded, QChar decimal);

// "Limit buy", "Stop-loss sell", ...: an order's kind in the windows.
QString orderKindText(OrderKind kind);
// "12/9/2026 10:15am": when an order was placed or closed.
QString orderTimeText(const QDateTime &at);
// An open order in the box, in few words: "Limit buy 50 at 25.00 until 12/31".
QString openOrderText(const Order &order);
