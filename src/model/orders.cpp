#include "orders.h"

#include "regularfile.h"

#include <QTimeZone>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr qint64 kMaxOrdersSize = 64 * 1024 * 1024;
constexpr int kFieldCount = 12;
constexpr qint64 kUnitsPerCent = Money::kUnitsPerDollar / 100;

constexpr std::array<std::pair<OrderKind, const char *>, 4> kKindNames{{
    {OrderKind::LimitBuy, "LIMIT BUY"},
    {OrderKind::StopBuy, "STOP BUY"},
    {OrderKind::LimitSell, "LIMIT SELL"},
    {OrderKind::StopLossSell, "STOP-LOSS SELL"},
}};
constexpr std::array<std::pair<OrderState, const char *>, 3> kStateNames{{
    {OrderState::Open, "OPEN"},
    {OrderState::Filled, "FILLED"},
    {OrderState::Cancelled, "CANCELLED"},
}};

template <typename Value, std::size_t N>
QByteArray nameOf(const std::array<std::pair<Value, const char *>, N> &names, Value value)
{
    for (const auto &[v, name] : names)
        if (v == value)
            return QByteArray(name);
    return {};
}

template <typename Value, std::size_t N>
std::optional<Value> valueOf(const std::array<std::pair<Value, const char *>, N> &names, QByteArrayView text)
{
    for (const auto &[v, name] : names)
        if (text == QByteArrayView(name))
            return v;
    return std::nullopt;
}

bool isDigits(QByteArrayView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Printable, no blanks: what the catalogue and the market call a stock.
bool isTicker(QByteArrayView text)
{
    return !text.isEmpty() && text.size() <= 16 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > 32 && c < 127; });
}

std::optional<qint64> positiveNumber(QByteArrayView text, qint64 limit)
{
    if (!isDigits(text) || text.size() > 10)
        return std::nullopt;
    const qint64 n = text.toLongLong();
    if (n < 1 || n > limit)
        return std::nullopt;
    return n;
}

std::optional<Money> orderPrice(QByteArrayView text)
{
    const std::optional<Money> price = centsFromText(text);
    if (!price || *price <= Money() || *price > kMaxOrderPrice)
        return std::nullopt;
    return price;
}

QByteArray safeReason(const QString &reason)
{
    QByteArray text = reason.toLatin1();
    text.replace(';', ',').replace('\r', ' ').replace('\n', ' ');
    return text;
}

std::optional<Order> parseLine(QByteArrayView line)
{
    const QList<QByteArray> f = line.toByteArray().split(';');
    if (f.size() != kFieldCount)
        return std::nullopt;
    Order order;
    const std::optional<qint64> id = positiveNumber(f[0], std::numeric_limits<int>::max());
    const std::optional<OrderState> state = valueOf(kStateNames, f[1]);
    const std::optional<OrderKind> kind = valueOf(kKindNames, f[2]);
    const std::optional<qint64> quantity = positiveNumber(f[4], kMaxOrderQuantity);
    const std::optional<Money> price = orderPrice(f[5]);
    const std::optional<QDateTime> placed = timeWithOffsetFromText(f[6]);
    const std::optional<QDateTime> checked = timeWithOffsetFromText(f[7]);
    if (!id || !state || !kind || !isTicker(f[3]) || !quantity || !price || !placed || !checked ||
        *checked < *placed)
        return std::nullopt;
    order.id = int(*id);
    order.state = *state;
    order.kind = *kind;
    order.ticker = QString::fromLatin1(f[3]);
    order.quantity = qint32(*quantity);
    order.price = *price;
    order.placed = *placed;
    order.checkedUntil = *checked;
    if (!f[8].isEmpty()) {
        const QDate day = QDate::fromString(QString::fromLatin1(f[8]), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid())
            return std::nullopt;
        order.goodUntil = day;
    }
    if (order.isOpen())
        return f[9].isEmpty() && f[10].isEmpty() && f[11].isEmpty() ? std::optional(order) : std::nullopt;
    const std::optional<QDateTime> closed = timeWithOffsetFromText(f[9]);
    if (!closed)
        return std::nullopt;
    order.closed = *closed;
    if (order.state == OrderState::Cancelled) {
        if (!f[10].isEmpty())
            return std::nullopt;
        order.reason = QString::fromLatin1(f[11]);
        return order;
    }
    const std::optional<Money> fill = orderPrice(f[10]);
    if (!fill || !f[11].isEmpty())
        return std::nullopt;
    order.fillPrice = *fill;
    return order;
}

// The leading id of a line, readable or not; 0 when it has none.
int leadingId(QByteArrayView line)
{
    const qsizetype end = line.indexOf(';');
    return int(
        positiveNumber(line.first(end < 0 ? line.size() : end), std::numeric_limits<int>::max()).value_or(0));
}

} // namespace

std::optional<QDateTime> lastMoment(const Order &order)
{
    if (!order.goodUntil)
        return std::nullopt;
    return QDateTime(*order.goodUntil, QTime(23, 59, 59), QTimeZone(order.placed.offsetFromUtc()));
}

int OrderBook::nextId() const
{
    int highest = 0;
    for (const Order &order : orders)
        highest = std::max(highest, order.id);
    for (const QByteArray &line : unreadable)
        highest = std::max(highest, leadingId(line));
    return highest + 1;
}

QString ordersPath(const QString &folder, const QString &gameName)
{
    const QString name = gameName + QStringLiteral(".ord");
    return folder.isEmpty() || folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QByteArray timeWithOffsetText(const QDateTime &at)
{
    const int offset = at.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return (at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
            QStringLiteral("%1:%2")
                .arg(minutes / 60, 2, 10, QChar(u'0'))
                .arg(minutes % 60, 2, 10, QChar(u'0')))
        .toLatin1();
}

std::optional<QDateTime> timeWithOffsetFromText(QByteArrayView text)
{
    // "yyyy-MM-ddTHH:mm:ss+hh:mm", nothing shorter or longer.
    static constexpr char kShape[] = "dddd-dd-ddTdd:dd:dd+dd:dd";
    if (text.size() != qsizetype(sizeof kShape - 1))
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char want = kShape[i], c = text[i];
        const bool fits = want == 'd' ? c >= '0' && c <= '9' : want == '+' ? c == '+' || c == '-' : c == want;
        if (!fits)
            return std::nullopt;
    }
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    if (!at.isValid())
        return std::nullopt;
    return at;
}

QByteArray centsText(Money amount)
{
    const qint64 cents = amount.units() / kUnitsPerCent;
    const qint64 whole = std::abs(cents);
    QByteArray text =
        QByteArray::number(whole / 100) + '.' + QByteArray::number(whole % 100).rightJustified(2, '0');
    return cents < 0 ? '-' + text : text;
}

std::optional<Money> centsFromText(QByteArrayView text)
{
    const qsizetype point = text.indexOf('.');
    const QByteArrayView whole = point < 0 ? text : text.first(point);
    const QByteArrayView fraction = point < 0 ? QByteArrayView() : text.sliced(point + 1);
    if (!isDigits(whole) || whole.size() > 12 || fraction.size() > 2 || (point >= 0 && !isDigits(fraction)))
        return std::nullopt;
    qint64 cents = whole.toLongLong() * 100;
    if (!fraction.isEmpty())
        cents += fraction.toLongLong() * (fraction.size() == 1 ? 10 : 1);
    return Money::fromUnits(cents * kUnitsPerCent);
}

QByteArray orderLine(const Order &order)
{
    const bool closed = !order.isOpen();
    const QList<QByteArray> fields{
        QByteArray::number(order.id),
        nameOf(kStateNames, order.state),
        nameOf(kKindNames, order.kind),
        order.ticker.toLatin1(),
        QByteArray::number(order.quantity),
        centsText(order.price),
        timeWithOffsetText(order.placed),
        timeWithOffsetText(order.checkedUntil),
        order.goodUntil ? order.goodUntil->toString(Qt::ISODate).toLatin1() : QByteArray(),
        closed ? timeWithOffsetText(order.closed) : QByteArray(),
        order.state == OrderState::Filled ? centsText(order.fillPrice) : QByteArray(),
        order.state == OrderState::Cancelled ? safeReason(order.reason) : QByteArray(),
    };
    return fields.join(';') + "\r\n";
}

QByteArray ordersFileBytes(const OrderBook &book)
{
    QByteArray bytes = QByteArray(kOrdersHeader) + "\r\n";
    for (const Order &order : book.orders)
        bytes += orderLine(order);
    for (const QByteArray &line : book.unreadable)
        bytes += line + "\r\n";
    return bytes;
}

OrderBook parseOrders(const QByteArray &bytes)
{
    OrderBook book;
    QList<int> ids;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || (i == 0 && line == kOrdersHeader))
            continue;
        const std::optional<Order> order = parseLine(line);
        if (order && !ids.contains(order->id)) {
            ids << order->id;
            book.orders << *order;
        } else {
            book.unreadable << line;
        }
    }
    return book;
}

FileStatus ReadOrders(const GameFolder &folder, const QString &gameName, OrderBook &out)
{
    const QString path = ordersPath(folder.path, gameName);
    QByteArray bytes;
    if (const std::optional<ReadFailure> failed = readRegularFile(path, kMaxOrdersSize + 1, bytes)) {
        if (failed->kind != ReadFailure::Kind::Missing)
            return FileError{path, 0, failed->reason, FileAction::Read};
        out = OrderBook();
        return std::nullopt;
    }
    if (bytes.size() > kMaxOrdersSize)
        return FileError{path, 0, QStringLiteral("the file is too large"), FileAction::Read};
    out = parseOrders(bytes);
    return std::nullopt;
}

FileStatus WriteOrders(const GameFolder &folder, const QString &gameName, const OrderBook &book)
{
    const QString path = ordersPath(folder.path, gameName);
    if (gameName.contains(u'/'))
        return FileError{path, 0, QStringLiteral("a game name cannot contain a slash"), FileAction::Write};
    // A FIFO or folder in the file's place is named as such, never written through or over.
    const std::optional<ReadFailure> there = checkRegularFile(path);
    if (there && there->kind == ReadFailure::Kind::NotRegular)
        return FileError{path, 0, there->reason, FileAction::Write};
    const bool missing = there && there->kind == ReadFailure::Kind::Missing;
    if (missing && book.orders.isEmpty() && book.unreadable.isEmpty())
        return std::nullopt;
    return folder.replacer->replace(path, ordersFileBytes(book));
}
