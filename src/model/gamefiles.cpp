#include "gamefiles.h"

#include "gamefileformat.h"
#include "numbertext.h"
#include "regularfile.h"
#include "stockcatalogue.h"
#include "tradejournal.h"

#include <limits>

namespace {

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

FileError fileError(const QString &path, const QString &reason, FileAction action, int line = 0)
{
    return FileError{path, line, reason, action};
}

FileStatus asAction(FileStatus status, FileAction action)
{
    if (status)
        status->action = action;
    return status;
}

// The game name becomes part of a file name in the program folder; a slash would lead out of it.
FileStatus checkName(const QString &path, const QString &name, FileAction action)
{
    if (name.contains(u'/') || name.contains(QChar(u'\0')))
        return fileError(path, QStringLiteral("a game name cannot contain a slash"), action);
    return std::nullopt;
}

// A whole game file. `missing` (when given) tells a file that is not there from one that
// cannot be read.
FileStatus readFile(const QString &path, QByteArray &out, bool *missing = nullptr)
{
    QByteArray bytes;
    if (const std::optional<ReadFailure> failed = readRegularFile(path, kMaxGameFileSize + 1, bytes)) {
        if (missing)
            *missing = failed->kind == ReadFailure::Kind::Missing;
        return fileError(path, failed->reason, FileAction::Read);
    }
    if (bytes.size() > kMaxGameFileSize)
        return fileError(path, QStringLiteral("the file is too large"), FileAction::Read);
    out = bytes;
    return std::nullopt;
}

// A game's file, read whole once its name is known to be safe.
FileStatus readGameFile(const QString &path, const QString &name, QByteArray &out)
{
    if (FileStatus bad = checkName(path, name, FileAction::Read))
        return bad;
    return readFile(path, out);
}

FileStatus tooFewPairs(const QString &path, qsizetype found, int expected, FileAction action)
{
    return fileError(path,
                     QStringLiteral("the file holds only %1 of the game's %2 holdings")
                         .arg(QString::number(found), QString::number(expected)),
                     action, int(2 + 2 * found));
}

// The fields of a favourites file about to be rewritten; a missing or empty file counts as
// its header alone, so the commands recreate it.
FileStatus favoriteFieldsForRewrite(const QString &path, QList<QByteArray> &fields)
{
    QByteArray bytes;
    bool missing = false;
    if (FileStatus failed = readFile(path, bytes, &missing); failed && !missing)
        return asAction(failed, FileAction::Write);
    if (bytes.isEmpty()) {
        fields = {QByteArray(kFavoritesHeader)};
        return std::nullopt;
    }
    return asAction(parseFavoriteFields(bytes, path, fields), FileAction::Write);
}

// A cash text the game itself made up that moneyFromText refused.
QString cashTextProblem(const char *which, const QString &text, QChar decimal)
{
    const QString shape = isDecimalText(text, decimal) ? QStringLiteral("is beyond what a game can hold")
                                                       : QStringLiteral("is not a number");
    return QStringLiteral("the %1 cash \"%2\" %3").arg(QLatin1String(which), text, shape);
}

std::optional<QByteArray> favoriteText(const QString &ticker)
{
    // A comma or quote would split the line into other fields when it is read back.
    if (ticker.contains(u',') || ticker.contains(u'"'))
        return std::nullopt;
    return lineText(ticker);
}

} // namespace

QString savedGamePath(const QString &folder, const QString &gameName)
{
    return joinPath(folder, gameName + QStringLiteral(".qvn"));
}

QString favoritesPath(const QString &folder, const QString &gameName)
{
    return joinPath(folder, gameName + QStringLiteral(".fav"));
}

QString settingsPath(const QString &folder)
{
    return joinPath(folder, QStringLiteral("options.cfg"));
}

FileStatus ReadSettings(const GameFolder &folder, Settings &out)
{
    const QString path = settingsPath(folder.path);
    QByteArray bytes;
    if (FileStatus failed = readFile(path, bytes))
        return failed;
    return parseSettings(bytes, path, out);
}

FileStatus WriteSettings(const GameFolder &folder, const SettingsChoice &choice, Settings &inMemory)
{
    const QString path = settingsPath(folder.path);
    QByteArray bytes;
    if (FileStatus failed = readFile(path, bytes))
        return asAction(failed, FileAction::Write);
    QByteArray firstLine;
    if (FileStatus failed = parseFirstLine(bytes, path, firstLine))
        return asAction(failed, FileAction::Write);

    const QString favorites =
        choice.loadFavorites ? QStringLiteral("LoadFavorites=Yes") : QStringLiteral("LoadFavorites=No");
    const QString music =
        choice.enableMusic ? QStringLiteral("EnableMusic=Yes") : QStringLiteral("EnableMusic=No");
    const QString proxy = choice.useProxy ? QStringLiteral("UseProxy=Yes") : QStringLiteral("UseProxy=No");
    const QString host = choice.useProxy ? choice.proxyHost : QStringLiteral("null");
    const QString port = choice.useProxy ? choice.proxyPort : QStringLiteral("null");

    const std::optional<QByteArray> game = lineText(choice.defaultGame);
    if (!game)
        return fileError(path,
                         QStringLiteral("the default game name holds a character the file cannot store"),
                         FileAction::Write);
    const std::optional<QByteArray> hostText = lineText(host);
    const std::optional<QByteArray> portText = lineText(port);
    if (!hostText || !portText)
        return fileError(path, QStringLiteral("the proxy settings hold a character the file cannot store"),
                         FileAction::Write);

    const QByteArray content = linesBytes(
        {firstLine, *game, favorites.toLatin1(), music.toLatin1(), proxy.toLatin1(), *hostText, *portText});
    if (FileStatus failed = folder.replacer->replace(path, content))
        return failed;

    // Only start-up loads the default game, so holding the new name switches nothing now; it
    // keeps the options dialog from showing, and a second save from writing back, the old one.
    inMemory.defaultGame = choice.defaultGame;
    inMemory.favoritesLine = favorites;
    inMemory.musicLine = music;
    inMemory.proxyLine = proxy;
    if (choice.useProxy) {
        inMemory.proxyHost = choice.proxyHost;
        inMemory.proxyPort = choice.proxyPort;
    }
    return std::nullopt;
}

FileStatus ReadSavedGame(const GameFolder &folder, const QString &gameName, GameState &state)
{
    const QString path = savedGamePath(folder.path, gameName);
    QByteArray bytes;
    if (FileStatus failed = readGameFile(path, gameName, bytes))
        return failed;
    SavedGameContent content;
    if (FileStatus failed = parseSavedGame(bytes, path, folder.decimal, content))
        return failed;
    state.cash = content.cash;
    state.holdings = std::move(content.holdings);
    return std::nullopt;
}

FileStatus ReadSavedGameCash(const GameFolder &folder, const QString &fileName, Money &out)
{
    const QString path = joinPath(folder.path, fileName);
    QByteArray bytes;
    if (FileStatus failed = readGameFile(path, fileName, bytes))
        return failed;
    return parseSavedGameCash(bytes, path, folder.decimal, out);
}

FileStatus CreateSavedGame(const GameFolder &folder, const QString &gameName, const QString &startingCashText,
                           const QByteArray &historyBytes)
{
    const QString gamePath = savedGamePath(folder.path, gameName);
    if (FileStatus bad = checkName(gamePath, gameName, FileAction::Write))
        return bad;
    const std::optional<Money> cash = moneyFromText(startingCashText, folder.decimal);
    if (!cash)
        return fileError(gamePath, cashTextProblem("starting", startingCashText, folder.decimal),
                         FileAction::Write);
    // The favourites file goes first: should the saved game's rename fail, no half-made game is
    // listed. The history goes last: should its rename fail, the old game comes back whole.
    return folder.replacer->replace({
        FileReplacement{favoritesPath(folder.path, gameName), linesBytes({QByteArray(kFavoritesHeader)})},
        FileReplacement{gamePath, newSavedGameBytes(moneyToText(*cash, folder.decimal))},
        FileReplacement{journalPath(folder.path, gameName), historyBytes},
    });
}

FileStatus RewriteSavedGameAfterTrade(const GameFolder &folder, GameState &state, const QString &newCashText,
                                      const QString &ticker, qint64 change)
{
    if (!state.gameName)
        return noGameLoaded(FileAction::Write);
    const QString path = savedGamePath(folder.path, *state.gameName);
    if (FileStatus bad = checkName(path, *state.gameName, FileAction::Write))
        return bad;
    const std::optional<Money> cash = moneyFromText(newCashText, folder.decimal);
    if (!cash)
        return fileError(path, cashTextProblem("new", newCashText, folder.decimal), FileAction::Write);

    QByteArray bytes;
    if (FileStatus failed = readFile(path, bytes))
        return asAction(failed, FileAction::Write);
    const int count = state.holdingCount();
    // The new file is written as the old one is read, pair by pair: a large game is rewritten
    // without a string or a list entry per holding. The cash line is written in its plain form so
    // that the file reads back as exactly the new cash.
    QByteArray content;
    content.reserve(bytes.size() + bytes.size() / 2 + 32);
    content += moneyToText(*cash, folder.decimal).toLatin1();
    content += "\r\n";
    QList<QPair<int, qint32>> changed; // row and new quantity
    bool overflow = false;
    int pairs = 0;
    const auto copyPair = [&](QByteArrayView rowTicker, qint32 rowQuantity) {
        if (!overflow && QLatin1StringView(rowTicker.data(), rowTicker.size()) == ticker) {
            qint64 quantity = 0;
            overflow = __builtin_add_overflow(qint64(rowQuantity), change, &quantity) ||
                       quantity < std::numeric_limits<qint32>::min() ||
                       quantity > std::numeric_limits<qint32>::max();
            rowQuantity = qint32(quantity);
            changed.append({pairs, rowQuantity});
        }
        appendSavedGamePair(content, rowTicker, rowQuantity);
        ++pairs;
    };
    if (FileStatus failed = forEachSavedGamePair(bytes, path, folder.decimal, count, copyPair))
        return asAction(failed, FileAction::Write);
    if (pairs < count)
        return tooFewPairs(path, pairs, count, FileAction::Write);
    if (overflow)
        return fileError(
            path,
            QStringLiteral("the holding of %1 would go beyond the largest quantity a game can hold")
                .arg(ticker),
            FileAction::Write);

    if (FileStatus failed = folder.replacer->replace(path, content))
        return failed;

    state.cash = *cash;
    for (const auto &[row, quantity] : changed)
        state.holdings[row].quantity = quantity;
    return std::nullopt;
}

namespace {

// The favourites' tickers: every field after the file's first line.
QStringList tickersOf(const QList<QByteArray> &fields)
{
    QStringList tickers;
    for (qsizetype i = 1; i < fields.size(); ++i)
        tickers.append(QString::fromLatin1(fields[i]));
    return tickers;
}

} // namespace

FileStatus ReadFavorites(const GameFolder &folder, const QString &gameName, QStringList &out)
{
    const QString path = favoritesPath(folder.path, gameName);
    QByteArray bytes;
    if (FileStatus failed = readGameFile(path, gameName, bytes))
        return failed;
    QList<QByteArray> fields;
    if (FileStatus failed = parseFavoriteFields(bytes, path, fields))
        return failed;
    out = tickersOf(fields);
    return std::nullopt;
}

FileStatus ReadFavoritesIfAny(const GameFolder &folder, const QString &gameName, QStringList &out)
{
    const QString path = favoritesPath(folder.path, gameName);
    if (FileStatus bad = checkName(path, gameName, FileAction::Read))
        return bad;
    QByteArray bytes;
    bool missing = false;
    if (FileStatus failed = readFile(path, bytes, &missing); failed && !missing)
        return failed;
    QList<QByteArray> fields;
    if (!bytes.isEmpty()) {
        if (FileStatus failed = parseFavoriteFields(bytes, path, fields))
            return failed;
    }
    out = tickersOf(fields);
    return std::nullopt;
}

FileStatus AddFavorite(const GameFolder &folder, const QString &gameName, const QString &ticker)
{
    const QString path = favoritesPath(folder.path, gameName);
    if (FileStatus bad = checkName(path, gameName, FileAction::Write))
        return bad;
    const std::optional<QByteArray> tickerText = favoriteText(ticker);
    if (!tickerText)
        return fileError(path, QStringLiteral("the ticker \"%1\" cannot be stored in it").arg(ticker),
                         FileAction::Write);
    QList<QByteArray> fields;
    if (FileStatus failed = favoriteFieldsForRewrite(path, fields))
        return failed;
    fields.append(*tickerText);
    return folder.replacer->replace(path, linesBytes(fields));
}

FileStatus RemoveFavorite(const GameFolder &folder, const QString &gameName, const QString &ticker)
{
    const QString path = favoritesPath(folder.path, gameName);
    if (FileStatus bad = checkName(path, gameName, FileAction::Write))
        return bad;
    QList<QByteArray> fields;
    if (FileStatus failed = favoriteFieldsForRewrite(path, fields))
        return failed;
    // A ticker that cannot be stored cannot be in the file either.
    if (const std::optional<QByteArray> tickerText = lineText(ticker)) {
        // The header stays whatever the ticker, or the first favourite would be taken for it.
        for (qsizetype i = fields.size() - 1; i >= 1; --i) {
            if (fields[i] == *tickerText)
                fields.removeAt(i);
        }
    }
    return folder.replacer->replace(path, linesBytes(fields));
}

FileStatus ReadHoldingsFromFile(const GameFolder &folder, const QString &gameName, int holdingCount,
                                SavedHoldings &out)
{
    const QString path = savedGamePath(folder.path, gameName);
    QByteArray bytes;
    if (FileStatus failed = readGameFile(path, gameName, bytes))
        return failed;
    const int count = qBound(0, holdingCount, kMaxHoldings);
    SavedGameContent content;
    if (FileStatus failed = parseSavedGame(bytes, path, folder.decimal, content, count))
        return failed;
    if (content.holdings.size() < count)
        return tooFewPairs(path, content.holdings.size(), count, FileAction::Read);
    out.cashLine = content.cashLine;
    out.holdings = content.holdings;
    return std::nullopt;
}

QByteArray newSavedGameBytes(const QString &startingCashText)
{
    QByteArray bytes = startingCashText.toLatin1() + "\r\n";
    for (const QString &ticker : AllTickersAlphabetical())
        bytes += ticker.toLatin1() + "\r\n0\r\n";
    return bytes;
}
