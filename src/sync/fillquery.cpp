#include "fillquery.h"

#include <QList>
#include <QUrl>

namespace {

FillAnswer answer(FillAnswer::Kind kind, const QDateTime &at = {}, Money price = {})
{
    return FillAnswer{kind, at, price};
}

// The text between the double quotes of a field that is quoted whole; nothing otherwise.
std::optional<QByteArrayView> unquoted(QByteArrayView field)
{
    if (field.size() < 2 || !field.startsWith('"') || !field.endsWith('"'))
        return std::nullopt;
    const QByteArrayView inner = field.sliced(1, field.size() - 2);
    if (inner.contains('"'))
        return std::nullopt;
    return inner;
}

bool isCsv(const QByteArray &contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    return contentType.first(semicolon < 0 ? contentType.size() : semicolon).trimmed().toLower() ==
           "text/csv";
}

QByteArray encoded(const QDateTime &at)
{
    return QUrl::toPercentEncoding(QString::fromLatin1(timeWithOffsetText(at)));
}

} // namespace

FillQuestion fillQuestion(const Order &order, const QDateTime &now)
{
    const std::optional<QDateTime> last = lastMoment(order);
    return FillQuestion{order.ticker, crossesBelow(order.kind), order.price, order.checkedUntil,
                        last && *last < now ? *last : now};
}

QString fillRequestPath(const FillQuestion &question)
{
    return QString::fromLatin1("/fill?s=" + QUrl::toPercentEncoding(question.ticker) +
                               (question.below ? "&when=below" : "&when=above") +
                               "&price=" + centsText(question.price) + "&from=" + encoded(question.from) +
                               "&to=" + encoded(question.to));
}

FillAnswer readFillAnswer(const FillQuestion &question, int status, const QByteArray &contentType,
                          const QByteArray &body)
{
    if (status == 404)
        return answer(FillAnswer::Kind::NoEndpoint);
    FillAnswer unusable = answer(FillAnswer::Kind::Unusable);
    if (status != 200 || !isCsv(contentType) || !body.endsWith("\r\n"))
        return unusable;
    const QByteArray line = body.chopped(2);
    if (line.contains('\r') || line.contains('\n'))
        return unusable;
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() != 3)
        return unusable;
    const std::optional<QByteArrayView> ticker = unquoted(fields[0]);
    if (!ticker || QString::fromLatin1(*ticker).compare(question.ticker, Qt::CaseInsensitive) != 0)
        return unusable;
    if (fields[1] == "N/A" && fields[2] == "N/A")
        return answer(FillAnswer::Kind::UnknownTicker);

    const std::optional<QByteArrayView> timeText = unquoted(fields[2]);
    const std::optional<QDateTime> at = timeText ? timeWithOffsetFromText(*timeText) : std::nullopt;
    if (!at || *at < question.from || *at > question.to)
        return unusable;
    if (fields[1] == "N/A")
        return answer(FillAnswer::Kind::NotCrossed, *at);
    const std::optional<Money> price = centsFromText(fields[1]);
    if (!price || *price <= Money())
        return unusable;
    const bool crossed = question.below ? *price <= question.price : *price >= question.price;
    return crossed ? answer(FillAnswer::Kind::Crossed, *at, *price) : unusable;
}

std::optional<OrderFill> crossingFromQuote(const Order &order, Money lastTrade, const QDateTime &quoteTime)
{
    if (!order.isOpen() || !quoteTime.isValid() || quoteTime < order.checkedUntil || lastTrade <= Money() ||
        !crosses(order.kind, order.price, lastTrade))
        return std::nullopt;
    return OrderFill{quoteTime, lastTrade};
}
