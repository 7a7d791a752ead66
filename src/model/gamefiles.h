#pragma once

#include "fileerror.h"
#include "gamefolder.h"
#include "gamestate.h"
#include "money.h"
#include "settings.h"

#include <QList>
#include <QString>
#include <QStringList>

// Every file the game keeps in its program folder: 8-bit text, CR LF line ends, numbers with
// the folder's decimal separator. Each function returns an error naming the file instead of
// changing anything when it cannot do all of its work; files are only ever replaced whole,
// through the folder's replacer.

// "<folder>/<gameName>.qvn" and "<folder>/<gameName>.fav".
QString savedGamePath(const QString &folder, const QString &gameName);
QString favoritesPath(const QString &folder, const QString &gameName);
QString settingsPath(const QString &folder);

inline constexpr char kFavoritesHeader[] = "[Quorvane Favorites File]";

// Seven whole lines of options.cfg. `out` is written only on success.
FileStatus ReadSettings(const GameFolder &folder, Settings &out);
// Rewrites options.cfg (first line kept); on success the default game, favourites, music and
// proxy lines of `inMemory` hold what was written (host and port only when the proxy is on).
FileStatus WriteSettings(const GameFolder &folder, const SettingsChoice &choice, Settings &inMemory);

// Cash and holdings of "<gameName>.qvn" into `state` (game name and trading state untouched).
// On any error `state` is unchanged.
FileStatus ReadSavedGame(const GameFolder &folder, const QString &gameName, GameState &state);
// Only the cash line of a saved game file (a file name such as "Demo.qvn").
FileStatus ReadSavedGameCash(const GameFolder &folder, const QString &fileName, Money &out);
// A new saved game (cash text, then every ticker alphabetically with 0), a favourites file
// holding only its header and the trade history `historyBytes`. Existing files are replaced;
// should a later replacement fail, the earlier ones are put back, and the error lists what
// could not be.
FileStatus CreateSavedGame(const GameFolder &folder, const QString &gameName, const QString &startingCashText,
                           const QByteArray &historyBytes);
// After a buy (positive change) or sell (negative): rewrites the current game's saved game with
// the new cash text and each row of `ticker` changed by `change`, then updates `state` to match.
// Nothing changes (file or state) when no game is loaded, the file has fewer pairs than the
// state, a quantity would leave the 32-bit range, the cash text is not a number, or the write fails.
FileStatus RewriteSavedGameAfterTrade(const GameFolder &folder, GameState &state, const QString &newCashText,
                                      const QString &ticker, qint64 change);

// The tickers of "<gameName>.fav" in file order, header dropped, duplicates kept.
FileStatus ReadFavorites(const GameFolder &folder, const QString &gameName, QStringList &out);
// The same, except that a missing or empty file lists nothing.
FileStatus ReadFavoritesIfAny(const GameFolder &folder, const QString &gameName, QStringList &out);
// Appends a ticker (even one already there). A missing file is treated as header-only.
FileStatus AddFavorite(const GameFolder &folder, const QString &gameName, const QString &ticker);
// Drops every line equal to the ticker. A missing file is treated as header-only.
FileStatus RemoveFavorite(const GameFolder &folder, const QString &gameName, const QString &ticker);

// The saved game as the statistics panel reads it: the cash line and the first
// `holdingCount` pairs.
struct SavedHoldings
{
    QString cashLine;
    QList<Holding> holdings;
};
FileStatus ReadHoldingsFromFile(const GameFolder &folder, const QString &gameName, int holdingCount,
                                SavedHoldings &out);

// The bytes of a new saved game, as CreateSavedGame writes it.
QByteArray newSavedGameBytes(const QString &startingCashText);
