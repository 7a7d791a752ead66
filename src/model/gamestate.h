#pragma once

#include "fileerror.h"
#include "money.h"

#include <QList>
#include <QString>

#include <optional>

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
    // Nothing while no game is loaded (a failed start-up). The empty text is a real game's
    // name: ".qvn" and ".fav" are its files.
    std::optional<QString> gameName;
    Money cash;
    QList<Holding> holdings;
    // Open buy and sell dialogs; the stock list is locked while any is open.
    int openTradeDialogs = 0;

    bool isLoaded() const { return gameName.has_value(); }
    bool isTrading() const { return openTradeDialogs > 0; }
    int holdingCount() const { return int(holdings.size()); }
};

// What a command that needs a running game says when there is none; nothing was read or written.
inline QString noGameLoadedText()
{
    return QStringLiteral("No game is loaded, so nothing was changed. Open a saved game with "
                          "\"Load Saved Game\" in the File menu, or create one with \"Start New Game\".");
}
inline FileError noGameLoaded(FileAction action)
{
    return FileError{QString(), 0, noGameLoadedText(), action};
}
