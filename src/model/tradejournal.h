#pragma once

#include "fileerror.h"
#include "gamefolder.h"
#include "money.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The trade history of a game, "<gameName>.qvh" beside its saved game: CR LF ended lines of
// fields separated by ';' (neither decimal separator clashes with it).
//
//   2026-12-08T09:15:02+01:00;START;Easy;100000            a new game: level, starting cash
//   2026-12-08T09:16:10+01:00;BUY;IBM;15;123.45;98148.25   a trade: ticker, quantity, price
//                                                          text, cash after as Money text
//
// The time is local with its UTC offset. Numbers use the folder's decimal separator.
struct JournalEntry
{
    enum class Kind { Start, Buy, Sell };

    QDateTime at;
    Kind kind = Kind::Buy;
    QString level;  // Start only: the difficulty level's name
    QString ticker; // Buy and Sell
    qint64 quantity = 0;
    QString priceText; // the last trade as the panel showed it
    double price = 0;  // the same, read as a number
    Money cash;        // Start: the starting cash; Buy and Sell: the cash after the trade

    bool isTrade() const { return kind != Kind::Start; }
};

struct Journal
{
    std::optional<JournalEntry> start; // the first line when it records a new game
    QList<JournalEntry> trades;        // in file order
    int skippedLines = 0;              // lines that could not be read and were left out
};

QString journalPath(const QString &folder, const QString &gameName);

// One line, CR LF included.
QByteArray journalLine(const JournalEntry &entry, QChar decimal);
// Reads every line it can; a malformed line is counted, never fatal.
Journal parseJournal(const QByteArray &bytes, QChar decimal);

// The history of `gameName`; a game without one has an empty history, which is no error.
FileStatus ReadJournal(const GameFolder &folder, const QString &gameName, Journal &out);
// Adds one line at the end through the folder's replacer. A missing file is started.
FileStatus AppendToJournal(const GameFolder &folder, const QString &gameName, const JournalEntry &entry);
