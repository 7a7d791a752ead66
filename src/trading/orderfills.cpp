#include "orderfills.h"

#include "model/numbertext.h"

#include <algorithm>

namespace {

QString notListed(const QString &ticker)
{
    return QStringLiteral("%1 is not in the stock list").arg(ticker);
}

QString at(Money price)
{
    return QString::fromLatin1(centsText(price));
}

// The step an order comes to before cash and shares are looked at; nothing while it stays open.
std::optional<FillStep> firstStep(const Order &order, const QHash<int, OrderFill> &fills,
                                  const QSet<QString> &catalogue, const QDateTime &now)
{
    FillStep step;
    step.orderId = order.id;
    if (!catalogue.contains(order.ticker)) {
        step.kind = FillStep::Kind::Cancel;
        step.at = now;
        step.reason = notListed(order.ticker);
        return step;
    }
    const std::optional<QDateTime> last = lastMoment(order);
    const auto fill = fills.constFind(order.id);
    const QDateTime due = fill != fills.constEnd() ? fill->at : now;
    if (last && due > *last) {
        step.kind = FillStep::Kind::Cancel;
        step.at = *last;
        step.reason = QStringLiteral("expired");
        return step;
    }
    if (fill == fills.constEnd())
        return std::nullopt;
    step.at = fill->at;
    step.price = fill->price;
    step.quantity = order.quantity;
    return step;
}

qint64 &sharesOf(QList<std::pair<QString, qint64>> &held, const QString &ticker)
{
    for (auto &[t, n] : held)
        if (t == ticker)
            return n;
    held.append({ticker, 0});
    return held.back().second;
}

void cancel(FillStep &step, const QString &reason)
{
    step = FillStep{FillStep::Kind::Cancel, step.orderId, step.at, Money(), 0, Money(), reason};
}

} // namespace

std::optional<Money> tradeAmount(Money price, qint64 quantity)
{
    // The dialogs show doubleToText(quantity x price) and trade that text, so the same rounding.
    return moneyFromText(doubleToText(double(quantity) * price.toDouble(), u'.'), u'.');
}

QList<FillStep> planFills(const QList<Order> &orders, const QHash<int, OrderFill> &fills, Money cash,
                          const QList<Holding> &holdings, const QSet<QString> &catalogue,
                          const QDateTime &now)
{
    struct Pending
    {
        FillStep step;
        const Order *order;
    };
    QList<Pending> pending;
    QSet<int> seen;
    for (const Order &order : orders) {
        if (!order.isOpen() || seen.contains(order.id))
            continue;
        seen.insert(order.id);
        if (const std::optional<FillStep> step = firstStep(order, fills, catalogue, now))
            pending.append({*step, &order});
    }
    std::sort(pending.begin(), pending.end(), [](const Pending &a, const Pending &b) {
        return a.step.at != b.step.at ? a.step.at < b.step.at : a.step.orderId < b.step.orderId;
    });

    // The first holding of a ticker is the one a trade changes, as in the BUY and SELL path.
    QList<std::pair<QString, qint64>> held;
    for (const Holding &h : holdings)
        if (std::none_of(held.begin(), held.end(), [&h](const auto &p) { return p.first == h.ticker; }))
            held.append({h.ticker, h.quantity});

    QList<FillStep> plan;
    for (auto &[step, order] : pending) {
        if (step.kind == FillStep::Kind::Fill) {
            qint64 &shares = sharesOf(held, order->ticker);
            const std::optional<Money> amount = tradeAmount(step.price, step.quantity);
            if (isBuy(order->kind)) {
                const std::optional<Money> left = amount ? minus(cash, *amount) : std::nullopt;
                if (!left || *left < Money())
                    cancel(step, QStringLiteral("not enough cash at %1").arg(at(step.price)));
                else if (shares + step.quantity > kMaxOrderQuantity)
                    cancel(step, QStringLiteral("a holding cannot exceed %1 shares").arg(kMaxOrderQuantity));
                else {
                    cash = *left;
                    shares += step.quantity;
                    step.amount = *amount;
                }
            } else {
                const std::optional<Money> after = amount ? plus(cash, *amount) : std::nullopt;
                if (shares < step.quantity)
                    cancel(step, QStringLiteral("not enough shares"));
                else if (!after)
                    cancel(step, QStringLiteral("the cash would be too large to keep"));
                else {
                    cash = *after;
                    shares -= step.quantity;
                    step.amount = *amount;
                }
            }
        }
        plan << step;
    }
    return plan;
}
