#include "tradejournal.h"

#include "numbertext.h"
#include "orders.h"
#include "regularfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr qint64 kMaxJournalSize = 64 * 1024 * 1024;

QByteArray kindField(JournalEntry::Kind kind)
{
    switch (kind) {
    case JournalEntry::Kind::Start:
        return QByteArrayLiteral("START");
    case JournalEntry::Kind::Buy:
        return QByteArrayLiteral("BUY");
    case JournalEntry::Kind::Sell:
        return QByteArrayLiteral("SELL");
    }
    return {};
}

// "2026-12-08T09:15:02+01:00": the local time and how far it is from UTC, always spelled out
// so that a file moved across time zones still orders its trades.
QByteArray timeField(const QDateTime &at)
{
    return timeWithOffsetText(at);
}

std::optional<double> priceField(const QString &text, QChar decimal)
{
    // The panel shows the service's point whatever the user's separator.
    std::optional<double> price = doubleFromText(text, decimal);
    if (!price && decimal != u'.')
        price = doubleFromText(text, u'.');
    if (price && *price > 0 && std::isfinite(*price))
        return price;
    return std::nullopt;
}

bool isTicker(const QString &text)
{
    return !text.isEmpty() && text.size() <= 16 && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() > 32 && c.unicode() < 127;
    });
}

std::optional<JournalEntry> parseLine(const QByteArray &line, QChar decimal)
{
    const QList<QByteArray> fields = line.split(';');
    if (fields.size() < 2)
        return std::nullopt;
    JournalEntry entry;
    entry.at = QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODate);
    if (!entry.at.isValid())
        return std::nullopt;
    const QByteArray &kind = fields[1];
    if (kind == "START" && fields.size() == 4) {
        entry.kind = JournalEntry::Kind::Start;
        entry.level = QString::fromLatin1(fields[2]);
        const std::optional<Money> cash = moneyFromText(QString::fromLatin1(fields[3]), decimal);
        if (!cash)
            return std::nullopt;
        entry.cash = *cash;
        return entry;
    }
    if ((kind != "BUY" && kind != "SELL") || fields.size() != 6)
        return std::nullopt;
    entry.kind = kind == "BUY" ? JournalEntry::Kind::Buy : JournalEntry::Kind::Sell;
    entry.ticker = QString::fromLatin1(fields[2]);
    bool ok = false;
    entry.quantity = fields[3].toLongLong(&ok);
    entry.priceText = QString::fromLatin1(fields[4]);
    const std::optional<double> price = priceField(entry.priceText, decimal);
    const std::optional<Money> cash = moneyFromText(QString::fromLatin1(fields[5]), decimal);
    if (!isTicker(entry.ticker) || !ok || entry.quantity <= 0 || entry.quantity > INT32_MAX || !price ||
        !cash)
        return std::nullopt;
    entry.price = *price;
    entry.cash = *cash;
    return entry;
}

// The whole history; a missing file reads as empty.
FileStatus readJournalBytes(const QString &path, FileAction action, QByteArray &bytes)
{
    bytes.clear();
    if (const std::optional<ReadFailure> failed = readRegularFile(path, kMaxJournalSize + 1, bytes)) {
        if (failed->kind == ReadFailure::Kind::Missing)
            return std::nullopt;
        return FileError{path, 0, failed->reason, action};
    }
    if (bytes.size() > kMaxJournalSize)
        return FileError{path, 0, QStringLiteral("the file is too large"), action};
    return std::nullopt;
}

} // namespace

QString journalPath(const QString &folder, const QString &gameName)
{
    const QString name = gameName + QStringLiteral(".qvh");
    return folder.isEmpty() || folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QByteArray journalLine(const JournalEntry &entry, QChar decimal)
{
    QList<QByteArray> fields{timeField(entry.at), kindField(entry.kind)};
    if (entry.kind == JournalEntry::Kind::Start) {
        fields << entry.level.toLatin1();
    } else {
        fields << entry.ticker.toLatin1() << QByteArray::number(entry.quantity) << entry.priceText.toLatin1();
    }
    fields << moneyToText(entry.cash, decimal).toLatin1();
    return fields.join(';') + "\r\n";
}

Journal parseJournal(const QByteArray &bytes, QChar decimal)
{
    Journal journal;
    const QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        std::optional<JournalEntry> entry = parseLine(line, decimal);
        if (entry && entry->isTrade())
            journal.trades.append(*entry);
        else if (entry && !journal.start && journal.trades.isEmpty())
            journal.start = *entry;
        else
            ++journal.skippedLines; // unreadable, or a second start that no game can follow
    }
    return journal;
}

FileStatus ReadJournal(const GameFolder &folder, const QString &gameName, Journal &out)
{
    const QString path = journalPath(folder.path, gameName);
    QByteArray bytes;
    if (FileStatus failed = readJournalBytes(path, FileAction::Read, bytes))
        return failed;
    out = parseJournal(bytes, folder.decimal);
    return std::nullopt;
}

FileStatus AppendToJournal(const GameFolder &folder, const QString &gameName, const JournalEntry &entry)
{
    const QString path = journalPath(folder.path, gameName);
    if (gameName.contains(u'/'))
        return FileError{path, 0, QStringLiteral("a game name cannot contain a slash"), FileAction::Write};
    QByteArray bytes;
    if (FileStatus failed = readJournalBytes(path, FileAction::Write, bytes))
        return failed;
    // A last line cut short by an editor still gets a line of its own after it.
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += "\r\n";
    return folder.replacer->replace(path, bytes + journalLine(entry, folder.decimal));
}
