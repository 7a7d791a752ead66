#pragma once

#include "fileerror.h"
#include "gamestate.h"
#include "money.h"
#include "settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The layouts of the game files, as pure functions of their bytes: no file is touched here.
// `path` only names the file in the errors returned. A saved game or favourites file may begin
// with a UTF-8 byte order mark, which is skipped.

// Files larger than this are refused before they are read: no game file comes near it.
inline constexpr qint64 kMaxGameFileSize = 16 * 1024 * 1024;

struct SavedGameContent
{
    QString cashLine; // the first line as written
    Money cash;
    QList<Holding> holdings;
};

// The cash line (with `decimal` as its separator) and the ticker and quantity pairs up to the end
// of the file, or only the first `pairLimit` pairs when it is not negative. More than kMaxHoldings
// pairs is an error.
FileStatus parseSavedGame(const QByteArray &bytes, const QString &path, QChar decimal, SavedGameContent &out,
                          int pairLimit = -1);
// As parseSavedGame (the cash line is checked too), but each pair is handed to `onPair` as its
// ticker's bytes and its quantity instead of being kept: a rewrite then needs no string per
// ticker. The bytes live as long as `bytes`.
FileStatus forEachSavedGamePair(const QByteArray &bytes, const QString &path, QChar decimal, int pairLimit,
                                const std::function<void(QByteArrayView, qint32)> &onPair);
// Only the first line, as a cash amount.
FileStatus parseSavedGameCash(const QByteArray &bytes, const QString &path, QChar decimal, Money &out);
// The first line as written (a settings rewrite copies it unchanged).
FileStatus parseFirstLine(const QByteArray &bytes, const QString &path, QByteArray &out);
// Seven whole lines.
FileStatus parseSettings(const QByteArray &bytes, const QString &path, Settings &out);
// Every field of a favourites file, the header included.
FileStatus parseFavoriteFields(const QByteArray &bytes, const QString &path, QList<QByteArray> &out);

// Why a cash text that moneyFromText refused is no cash: not a number, or one beyond Money's range.
QString cashLineProblem(const QString &text, QChar decimal);

// A quantity in the numeric print form: " 10 ", "-5 ", " 0 ".
QByteArray quantityText(qint32 quantity);
// A saved game as a rewrite writes it: cash line, then each ticker and its print-form quantity.
QByteArray savedGameBytes(const QByteArray &cashLine, const QList<Holding> &holdings);
// One pair as savedGameBytes writes it, appended to `bytes`.
void appendSavedGamePair(QByteArray &bytes, QByteArrayView ticker, qint32 quantity);
// Each item on its own CR LF line.
QByteArray linesBytes(const QList<QByteArray> &lines);

// The 8-bit form of a text that must fit on one line of a file; nothing when the text holds
// a line break, a control character or a character outside Latin-1.
std::optional<QByteArray> lineText(const QString &text);
