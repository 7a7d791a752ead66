#include "gamefileformat.h"

#include "fieldreader.h"
#include "numbertext.h"

#include <charconv>
#include <limits>

namespace {

FileError readError(const QString &path, int line, const QString &reason)
{
    return FileError{path, line, reason, FileAction::Read};
}

// Binary junk is refused: a text file here holds no control bytes other than tab, CR and LF.
FileStatus checkText(const QByteArray &bytes, const QString &path)
{
    if (bytes.isEmpty())
        return readError(path, 1, QStringLiteral("the file is empty"));
    int line = 1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if (c == '\n' || (c == '\r' && !(i + 1 < bytes.size() && bytes[i + 1] == '\n')))
            ++line;
        else if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7f)
            return readError(path, line, QStringLiteral("the file is not a text file"));
    }
    return std::nullopt;
}

// Some editors begin a saved text file with the UTF-8 byte order mark; it is no part of the data.
QByteArray withoutByteOrderMark(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
}

// The cash line as a cash amount, or why it is none.
std::optional<Money> cashFromLine(const QString &line, QChar decimal, const QString &path, FileStatus &error)
{
    const std::optional<Money> cash = moneyFromText(line, decimal);
    if (!cash)
        error = readError(path, 1, cashLineProblem(line, decimal));
    return cash;
}

std::optional<qint32> quantityFromField(QByteArrayView field)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
    }
    if (i >= field.size())
        return std::nullopt;
    qint64 magnitude = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (field[i] - '0');
        if (magnitude > qint64(1) << 31)
            return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

bool isWholeNumberText(QByteArrayView field)
{
    qsizetype i = (!field.isEmpty() && (field[0] == '-' || field[0] == '+')) ? 1 : 0;
    if (i >= field.size())
        return false;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9')
            return false;
    }
    return true;
}

} // namespace

namespace {

// The cash line and the pairs of a saved game, each pair handed to `onPair` as its ticker's
// bytes (pointing into `bytes`) and its quantity.
template <typename OnPair>
FileStatus parsePairs(const QByteArray &bytes, const QString &path, QChar decimal, int pairLimit,
                      QString &cashLine, Money &cash, OnPair onPair)
{
    if (FileStatus bad = checkText(bytes, path))
        return bad;
    FieldReader reader(bytes);
    cashLine = QString::fromLatin1(reader.readLine());
    FileStatus badCash;
    const std::optional<Money> amount = cashFromLine(cashLine, decimal, path, badCash);
    if (!amount)
        return badCash;
    cash = *amount;

    int pairs = 0;
    while (!reader.atEnd() && (pairLimit < 0 || pairs < pairLimit)) {
        if (pairs >= kMaxHoldings)
            return readError(path, reader.line(),
                             QStringLiteral("the file holds more than %1 holdings").arg(kMaxHoldings));
        const QByteArrayView ticker = *reader.readField();
        const int tickerLine = reader.fieldLine();
        const std::optional<QByteArrayView> field = reader.readNumberField();
        if (!field)
            return readError(path, tickerLine,
                             QStringLiteral("the file ends between a ticker and its quantity"));
        const std::optional<qint32> quantity = quantityFromField(*field);
        if (!quantity) {
            const QString reason = isWholeNumberText(*field)
                                       ? QStringLiteral("the quantity is beyond what a holding can hold")
                                       : QStringLiteral("the quantity is not a whole number");
            return readError(path, reader.fieldLine(), reason);
        }
        onPair(ticker, *quantity);
        ++pairs;
    }
    return std::nullopt;
}

} // namespace

FileStatus parseSavedGame(const QByteArray &fileBytes, const QString &path, QChar decimal,
                          SavedGameContent &out, int pairLimit)
{
    const QByteArray bytes = withoutByteOrderMark(fileBytes);
    SavedGameContent content;
    // Two lines a holding: reserving up front keeps a large game from being copied as it grows.
    const qsizetype pairsAtMost = bytes.count('\n') / 2 + 1;
    content.holdings.reserve(qMin<qsizetype>(pairLimit >= 0 ? pairLimit : pairsAtMost, kMaxHoldings));
    if (FileStatus bad =
            parsePairs(bytes, path, decimal, pairLimit, content.cashLine, content.cash,
                       [&content](QByteArrayView ticker, qint32 quantity) {
                           content.holdings.append(Holding{QString::fromLatin1(ticker), quantity});
                       }))
        return bad;
    out = std::move(content);
    return std::nullopt;
}

FileStatus forEachSavedGamePair(const QByteArray &fileBytes, const QString &path, QChar decimal,
                                int pairLimit, const std::function<void(QByteArrayView, qint32)> &onPair)
{
    const QByteArray bytes = withoutByteOrderMark(fileBytes);
    QString cashLine; // checked, not kept
    Money cash;
    return parsePairs(bytes, path, decimal, pairLimit, cashLine, cash, onPair);
}

FileStatus parseSavedGameCash(const QByteArray &fileBytes, const QString &path, QChar decimal, Money &out)
{
    const QByteArray bytes = withoutByteOrderMark(fileBytes);
    if (FileStatus bad = checkText(bytes, path))
        return bad;
    FieldReader reader(bytes);
    FileStatus badCash;
    const std::optional<Money> cash =
        cashFromLine(QString::fromLatin1(reader.readLine()), decimal, path, badCash);
    if (!cash)
        return badCash;
    out = *cash;
    return std::nullopt;
}

FileStatus parseFirstLine(const QByteArray &bytes, const QString &path, QByteArray &out)
{
    if (FileStatus bad = checkText(bytes, path))
        return bad;
    out = FieldReader(bytes).readLine().toByteArray();
    return std::nullopt;
}

FileStatus parseSettings(const QByteArray &bytes, const QString &path, Settings &out)
{
    if (FileStatus bad = checkText(bytes, path))
        return bad;
    FieldReader reader(bytes);
    QString lines[7];
    for (int i = 0; i < 7; ++i) {
        if (reader.atEnd())
            return readError(path, i + 1, QStringLiteral("the file ends after %1 of its seven lines").arg(i));
        lines[i] = QString::fromLatin1(reader.readLine());
    }
    out = Settings{lines[0], lines[1], lines[2], lines[3], lines[4], lines[5], lines[6]};
    return std::nullopt;
}

FileStatus parseFavoriteFields(const QByteArray &fileBytes, const QString &path, QList<QByteArray> &out)
{
    const QByteArray bytes = withoutByteOrderMark(fileBytes);
    if (FileStatus bad = checkText(bytes, path))
        return bad;
    FieldReader reader(bytes);
    QList<QByteArray> fields;
    while (std::optional<QByteArrayView> field = reader.readField())
        fields.append(field->toByteArray());
    out = fields;
    return std::nullopt;
}

QString cashLineProblem(const QString &text, QChar decimal)
{
    if (!isDecimalText(text, decimal))
        return QStringLiteral("the cash line is not a number");
    // The line goes into a message box: a runaway number is cut short.
    QString shown = text.trimmed();
    if (shown.size() > 40)
        shown = shown.first(40) + QStringLiteral("...");
    return QStringLiteral("the cash line \"%1\" is beyond what a game can hold (from %2 to %3)")
        .arg(shown, moneyToText(Money::fromUnits(std::numeric_limits<qint64>::min()), decimal),
             moneyToText(Money::fromUnits(std::numeric_limits<qint64>::max()), decimal));
}

namespace {

// The numeric print form into `out` (12 chars at least): a blank where a minus sign would be,
// the digits, a blank. Returns the end.
char *printQuantity(char *out, qint32 quantity)
{
    *out = ' ';
    char *digits = quantity >= 0 ? out + 1 : out;
    char *end = std::to_chars(digits, out + 11, quantity).ptr; // "-2147483648" fits
    *end++ = ' ';
    return end;
}

void appendQuantityLine(QByteArray &bytes, qint32 quantity)
{
    char line[16];
    char *end = printQuantity(line, quantity);
    *end++ = '\r';
    *end++ = '\n';
    bytes.append(line, end - line);
}

// The widest quantity line is " -2147483648 " less one blank, and its line end.
constexpr qsizetype kQuantityLineAtMost = 13 + 2;

} // namespace

QByteArray quantityText(qint32 quantity)
{
    char text[12];
    return QByteArray(text, printQuantity(text, quantity) - text);
}

QByteArray savedGameBytes(const QByteArray &cashLine, const QList<Holding> &holdings)
{
    qsizetype size = cashLine.size() + 2;
    for (const Holding &holding : holdings)
        size += holding.ticker.size() + 2 + kQuantityLineAtMost;
    QByteArray bytes;
    bytes.reserve(size);
    bytes += cashLine;
    bytes += "\r\n";
    for (const Holding &holding : holdings) {
        for (QChar c : holding.ticker)
            bytes += char(c.unicode());
        bytes += "\r\n";
        appendQuantityLine(bytes, holding.quantity);
    }
    return bytes;
}

void appendSavedGamePair(QByteArray &bytes, QByteArrayView ticker, qint32 quantity)
{
    bytes.append(ticker.data(), ticker.size());
    bytes += "\r\n";
    appendQuantityLine(bytes, quantity);
}

QByteArray linesBytes(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

std::optional<QByteArray> lineText(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() > 0xff || (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
            return std::nullopt;
    }
    return text.toLatin1();
}
