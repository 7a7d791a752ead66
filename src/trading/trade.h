#pragma once

#include "model/fileerror.h"
#include "model/gamefolder.h"
#include "model/gamestate.h"
#include "model/money.h"
#include "model/quotepanel.h"

#include <QString>

#include <limits>
#include <optional>

// Buying and selling at the last trade: the checks of the BUY and SELL buttons, the figures
// the trade dialogs show, and the confirmed trade.

enum class TradeKind { Buy, Sell };

// A scroll bar's range is 16-bit; larger quantities are typed.
inline constexpr int kMaxScrollQuantity = 32767;

// A message the window shows instead of going on. An empty title means the program's title.
struct TradeMessage
{
    enum class Icon { None, Information, Warning };

    QString text;
    QString title;
    Icon icon = Icon::None;
};

// A last trade as the panel shows it. The quote service writes a point, which is accepted
// whatever the user's own separator `decimal`; nothing for "N/A", an empty text or anything else.
std::optional<double> priceFromText(const QString &text, QChar decimal);

// Why the BUY or SELL button must not open its dialog (first of all: no game loaded); nothing
// when it may.
std::optional<TradeMessage> buyRefusal(const QuotePanel &panel, const GameState &state, QChar decimal);
std::optional<TradeMessage> sellRefusal(const QuotePanel &panel, const GameState &state, QChar decimal);

// The largest whole quantity n >= 0 whose cost, Money(price x n), leaves no debt; never more
// than `room`, the shares a holding can still take.
qint64 largestAffordableQuantity(Money cash, double price, qint64 room = std::numeric_limits<qint32>::max());

// What a trade dialog shows when it opens.
struct TradeOpening
{
    QString lblAlert;
    QString lblPrice;
    qint64 largestQuantity = 0; // what may be typed
    int scrollMaximum = 0;      // what the scroll bar reaches
    int largeStep = 1;
};
TradeOpening tradeOpening(TradeKind kind, const QuotePanel &panel, const GameState &state, QChar decimal);

// The amount and cash boxes for a quantity text at the price shown now.
struct TradeAmounts
{
    QString txtPay;
    QString txtCash;
};
TradeAmounts tradeAmounts(TradeKind kind, const QString &quantityText, const QString &priceText, Money cash,
                          QChar decimal);

// A confirmed trade. On success the saved game, the cash and holdings, and the panel's
// "Owned :" and "Total Value (USD) :" have changed; otherwise nothing has and `refusal` says why.
struct TradeOutcome
{
    std::optional<TradeMessage> refusal;
    QString cashText;    // the cash after the operation as the trade counted it
    qint64 quantity = 0; // the shares traded, once the saved game holds the trade
    // Shown after a trade that was made and saved, when something around it went wrong.
    std::optional<TradeMessage> notice;
};
TradeOutcome commitTrade(TradeKind kind, const GameFolder &programFolder, GameState &state, QuotePanel &panel,
                         const QString &quantityText, const QString &payText);
