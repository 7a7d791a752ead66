#include "quotereader.h"

#include "model/numbertext.h"
#include "model/regularfile.h"

#include <QDir>

#include <cmath>

namespace {

// A quote answer is one short line; an oversized file (an error page, a runaway transfer)
// is read only this far, which is plenty for nine items.
constexpr qint64 kReadLimit = 1024 * 1024;

struct Item
{
    QByteArray text;
    bool quoted = false;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Steps over the delimiter at `pos`: a comma, or CR, LF or CR LF.
void skipDelimiter(const QByteArray &bytes, qsizetype &pos)
{
    if (pos >= bytes.size())
        return;
    const char c = bytes.at(pos++);
    if (c == '\r' && pos < bytes.size() && bytes.at(pos) == '\n')
        ++pos;
}

Item readItem(const QByteArray &bytes, qsizetype &pos)
{
    const qsizetype n = bytes.size();
    while (pos < n && isBlank(bytes.at(pos)))
        ++pos;

    Item item;
    if (pos < n && bytes.at(pos) == '"') {
        item.quoted = true;
        const qsizetype close = bytes.indexOf('"', pos + 1);
        const qsizetype end = close < 0 ? n : close;
        item.text = bytes.mid(pos + 1, end - pos - 1);
        pos = close < 0 ? n : close + 1;
        // Anything between the closing quote and the delimiter is not part of the item.
        while (pos < n && bytes.at(pos) != ',' && !isLineEnd(bytes.at(pos)))
            ++pos;
    } else {
        const qsizetype start = pos;
        while (pos < n && bytes.at(pos) != ',' && !isLineEnd(bytes.at(pos)))
            ++pos;
        item.text = bytes.mid(start, pos - start);
        item.text.replace('"', QByteArray());
        qsizetype keep = item.text.size();
        while (keep > 0 && isBlank(item.text.at(keep - 1)))
            --keep;
        item.text.truncate(keep);
    }
    skipDelimiter(bytes, pos);
    return item;
}

// Digits with an optional sign, "." and fraction: the only form the service sends numbers in.
bool isPlainDecimal(const QByteArray &text)
{
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == '+' || text.at(i) == '-'))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

QuoteValue numberOrText(const Item &item)
{
    QuoteValue value;
    if (!item.quoted && isPlainDecimal(item.text)) {
        bool ok = false;
        const double number = item.text.toDouble(&ok);
        if (ok && std::isfinite(number)) {
            value.number = number;
            return value;
        }
    }
    value.text = QString::fromLatin1(item.text);
    return value;
}

Money moneyOrZero(const Item &item)
{
    if (!isPlainDecimal(item.text))
        return Money();
    return moneyFromText(QString::fromLatin1(item.text), QLatin1Char('.')).value_or(Money());
}

} // namespace

QString QuoteValue::toText(QChar separator) const
{
    return number ? doubleToText(*number, separator) : text;
}

QuoteRecord parseQuoteRecord(const QByteArray &bytes)
{
    QuoteRecord record;
    qsizetype pos = 0;
    for (int field = 0; field < 9 && pos < bytes.size(); ++field) {
        const Item item = readItem(bytes, pos);
        switch (field) {
        case 0:
            record.symbol = QString::fromLatin1(item.text);
            break;
        case 1:
            record.lastTrade = numberOrText(item);
            break;
        case 2:
            record.tradeDate = QString::fromLatin1(item.text);
            break;
        case 3:
            record.tradeTime = QString::fromLatin1(item.text);
            break;
        case 4:
            record.change = QString::fromLatin1(item.text);
            break;
        case 5:
            record.open = moneyOrZero(item);
            break;
        case 6:
            record.dayHigh = QString::fromLatin1(item.text);
            break;
        case 7:
            record.dayLow = QString::fromLatin1(item.text);
            break;
        case 8:
            record.volume = numberOrText(item);
            break;
        }
    }
    return record;
}

QString quoteFilePath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/quote.cfg");
}

QuoteRecord readQuoteFile(const QString &programFolder)
{
    QByteArray bytes;
    if (readRegularFile(quoteFilePath(programFolder), kReadLimit, bytes))
        return QuoteRecord();
    return parseQuoteRecord(bytes);
}

std::optional<QString> quoteFileProblem(const QString &programFolder)
{
    const QString path = quoteFilePath(programFolder);
    const std::optional<ReadFailure> failure = checkRegularFile(path);
    // A missing file is the usual case (the download creates it); a passing system error is
    // left to the download, which retries.
    if (!failure || failure->kind != ReadFailure::Kind::NotRegular)
        return std::nullopt;
    return QStringLiteral("No quote can be downloaded: \"%1\", where the game stores each quote it "
                          "receives, is %2, not a file. Remove or rename it, then click \"Synchronize\" "
                          "again.")
        .arg(QDir::toNativeSeparators(path), failure->found);
}
