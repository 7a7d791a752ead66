#pragma once

#include "money.h"

#include <QList>
#include <QString>

struct Holding
{
    QString ticker;
    qint32 quantity = 0;

    bool operator==(const Holding &) const = default;
};

// A saved game holds at most this many ticker and quantity pairs.
inline constexpr int kMaxHoldings = 32767;

// The one running game. holdings[i] is the saved game's pair i + 1, in file order.
struct GameState
{
    QString gameName;
    Money cash;
    QList<Holding> holdings;
    // Open buy and sell dialogs; the stock list is locked while any is open.
    int openTradeDialogs = 0;

    bool isTrading() const { return openTradeDialogs > 0; }
    int holdingCount() const { return int(holdings.size()); }
};
