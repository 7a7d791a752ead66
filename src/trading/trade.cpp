#include "trade.h"

#include "model/gamefiles.h"
#include "model/numbertext.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 kMaxShares = std::numeric_limits<qint32>::max();

TradeMessage plainMessage(const QString &text, TradeMessage::Icon icon = TradeMessage::Icon::None)
{
    return TradeMessage{text, QString(), icon};
}

TradeMessage notAPrice(const QString &priceText)
{
    return plainMessage(
        QStringLiteral(
            "There is no price to trade at: the last trade reads \"%1\". Please synchronize again.")
            .arg(priceText));
}

TradeMessage tooManyShares()
{
    return plainMessage(QStringLiteral("A holding cannot exceed %1 shares.").arg(kMaxShares));
}

TradeMessage cashTooLarge()
{
    return plainMessage(QStringLiteral("The cash after this operation would be too large to keep."));
}

TradeMessage notEnoughMoney()
{
    return plainMessage(QStringLiteral("You don't have enough money to do such an operation."));
}

std::optional<double> positivePrice(const QString &text, QChar decimal)
{
    const std::optional<double> price = priceFromText(text, decimal);
    if (!price || !(*price > 0))
        return std::nullopt;
    return price;
}

// The cash left after paying price x n; nothing when the cost cannot even be counted.
std::optional<Money> leftAfterBuying(Money cash, double price, qint64 n)
{
    const std::optional<Money> cost = moneyFromDouble(price * double(n));
    if (!cost)
        return std::nullopt;
    return minus(cash, *cost);
}

bool canAfford(Money cash, double price, qint64 n)
{
    const std::optional<Money> left = leftAfterBuying(cash, price, n);
    return left && *left >= Money();
}

const Holding *firstHolding(const GameState &state, const QString &ticker)
{
    for (const Holding &h : state.holdings) {
        if (h.ticker == ticker)
            return &h;
    }
    return nullptr;
}

// Shares the holding of `ticker` can still take before leaving the 32-bit range.
qint64 roomFor(const GameState &state, const QString &ticker)
{
    const Holding *h = firstHolding(state, ticker);
    return h ? kMaxShares - std::max<qint64>(0, h->quantity) : kMaxShares;
}

TradeMessage notThatMany()
{
    return plainMessage(QStringLiteral("You don't have that many auctions to sell !"));
}

// A quantity a trade accepts: a whole number of shares, at least one, that a holding can hold.
std::optional<qint64> tradedQuantity(TradeKind kind, const QString &text, QChar decimal,
                                     std::optional<TradeMessage> &refusal)
{
    const std::optional<double> q = doubleFromText(text, decimal);
    if (!q || !std::isfinite(*q) || *q < 1 || std::floor(*q) != *q) {
        refusal = plainMessage(QStringLiteral("Please enter a whole number of shares, 1 or more."));
        return std::nullopt;
    }
    if (*q > double(kMaxShares)) {
        refusal = kind == TradeKind::Buy ? tooManyShares() : notThatMany();
        return std::nullopt;
    }
    return qint64(*q);
}

TradeMessage noGame()
{
    return plainMessage(noGameLoadedText(), TradeMessage::Icon::Warning);
}

} // namespace

std::optional<double> priceFromText(const QString &text, QChar decimal)
{
    std::optional<double> price = doubleFromText(text, decimal);
    if (!price)
        price = doubleFromText(text, QLatin1Char('.'));
    if (!price || !std::isfinite(*price))
        return std::nullopt;
    return price;
}

std::optional<TradeMessage> buyRefusal(const QuotePanel &panel, const GameState &state, QChar decimal)
{
    if (!state.isLoaded())
        return noGame();
    if (panel.lblTrade.isEmpty())
        return plainMessage(QStringLiteral("You must synchronize before buying !"));
    const std::optional<double> price = positivePrice(panel.lblTrade, decimal);
    if (!price)
        return notAPrice(panel.lblTrade);

    // Whole-number test on purpose: 10.40 against 10.45 passes and the dialog offers 0.
    const std::optional<qint64> c = roundHalfEven(state.cash.toDouble());
    const std::optional<qint64> p = roundHalfEven(*price);
    bool enough = false;
    if (c && p && *p > 0)
        enough = *c / *p >= 1;
    else if (c && p)
        enough = canAfford(state.cash, *price, 1); // a price under 0.5 rounds to 0: no division
    if (!enough)
        return TradeMessage{QStringLiteral("You don't have enough money to buy at least one share."),
                            QStringLiteral("Unable to buy"), TradeMessage::Icon::Information};
    return std::nullopt;
}

std::optional<TradeMessage> sellRefusal(const QuotePanel &panel, const GameState &state, QChar decimal)
{
    if (!state.isLoaded())
        return noGame();
    if (panel.lblTrade.isEmpty())
        return plainMessage(QStringLiteral("You must synchronize before selling !"));
    if (!positivePrice(panel.lblTrade, decimal))
        return notAPrice(panel.lblTrade);
    return std::nullopt;
}

qint64 largestAffordableQuantity(Money cash, double price, qint64 room)
{
    if (!(price > 0) || !std::isfinite(price) || room <= 0 || cash < Money())
        return 0;
    // Start near the answer so a tiny price does not mean millions of steps.
    const double estimate = std::floor(cash.toDouble() / price);
    qint64 n = qint64(std::clamp(estimate, 0.0, double(room)));
    while (n > 0 && !canAfford(cash, price, n))
        --n;
    while (n < room && canAfford(cash, price, n + 1))
        ++n;
    return n;
}

TradeOpening tradeOpening(TradeKind kind, const QuotePanel &panel, const GameState &state, QChar decimal)
{
    TradeOpening opening;
    const QString verb = kind == TradeKind::Buy ? QStringLiteral("buy") : QStringLiteral("sell");
    opening.lblAlert = QStringLiteral("You're about to ") + verb + QLatin1Char(' ') + panel.lblQuote +
                       QStringLiteral(" stocks at ") + panel.lblTrade + QStringLiteral("$ (USD) per unit.");
    opening.lblPrice = QStringLiteral("x") + panel.lblTrade;

    if (kind == TradeKind::Buy) {
        const std::optional<double> price = positivePrice(panel.lblTrade, decimal);
        if (price)
            opening.largestQuantity =
                largestAffordableQuantity(state.cash, *price, roomFor(state, panel.lblQuote));
    } else {
        // A game without holdings shows no number under "Owned :": nothing to sell.
        const std::optional<qint64> owned = wholeNumberFromText(panel.lblOwned, decimal);
        opening.largestQuantity = std::clamp<qint64>(owned.value_or(0), 0, kMaxShares);
    }
    opening.scrollMaximum = int(std::min<qint64>(opening.largestQuantity, kMaxScrollQuantity));
    // A scroll bar needs a large step of at least one.
    opening.largeStep = kind == TradeKind::Buy ? 1 : std::max(1, opening.scrollMaximum / 10);
    return opening;
}

TradeAmounts tradeAmounts(TradeKind kind, const QString &quantityText, const QString &priceText, Money cash,
                          QChar decimal)
{
    const std::optional<double> q = doubleFromText(quantityText, decimal);
    if (!q)
        return TradeAmounts{QStringLiteral("0"), moneyToText(cash, decimal)};
    // Without a price there is no amount, and the trade refuses to go on.
    const std::optional<double> price = positivePrice(priceText, decimal);
    if (!price)
        return TradeAmounts{};

    TradeAmounts amounts;
    amounts.txtPay = doubleToText(*q * *price, decimal);
    const std::optional<Money> amount = moneyFromText(amounts.txtPay, decimal);
    if (amount) {
        const std::optional<Money> after =
            kind == TradeKind::Buy ? minus(cash, *amount) : plus(cash, *amount);
        if (after)
            amounts.txtCash = moneyToText(*after, decimal);
    }
    return amounts;
}

TradeOutcome commitTrade(TradeKind kind, const GameFolder &programFolder, GameState &state, QuotePanel &panel,
                         const QString &quantityText, const QString &payText)
{
    TradeOutcome outcome;
    if (!state.isLoaded()) {
        outcome.refusal = noGame();
        return outcome;
    }
    const QChar decimal = programFolder.decimal;
    const QString ticker = panel.lblQuote;
    const std::optional<qint64> q = tradedQuantity(kind, quantityText, decimal, outcome.refusal);
    if (!q)
        return outcome;

    if (kind == TradeKind::Sell) {
        const double owned = doubleFromText(panel.lblOwned, decimal).value_or(0);
        if (double(*q) > owned) {
            outcome.refusal = notThatMany();
            return outcome;
        }
    }

    if (payText.isEmpty()) {
        outcome.refusal = notAPrice(panel.lblTrade);
        return outcome;
    }
    const std::optional<Money> amount = moneyFromText(payText, decimal);
    // The cash counted now, not when the box was filled: a trade in the other dialog may
    // have changed it since.
    std::optional<Money> after;
    if (amount)
        after = kind == TradeKind::Buy ? minus(state.cash, *amount) : plus(state.cash, *amount);
    if (!after) {
        outcome.refusal = kind == TradeKind::Buy ? notEnoughMoney() : cashTooLarge();
        return outcome;
    }
    outcome.cashText = moneyToText(*after, decimal);
    if (kind == TradeKind::Buy) {
        if (*after < Money()) {
            outcome.refusal = notEnoughMoney();
            return outcome;
        }
        if (*q > roomFor(state, ticker)) {
            outcome.refusal = tooManyShares();
            return outcome;
        }
    }

    const FileStatus written = RewriteSavedGameAfterTrade(programFolder, state, outcome.cashText, ticker,
                                                          kind == TradeKind::Buy ? *q : -*q);
    if (written) {
        outcome.refusal = plainMessage(written->text(), TradeMessage::Icon::Warning);
        return outcome;
    }
    outcome.quantity = *q;

    if (const Holding *h = firstHolding(state, ticker)) {
        panel.lblOwned = QString::number(h->quantity);
        const std::optional<double> price = priceFromText(panel.lblTrade, decimal);
        panel.lblValue = price ? doubleToText(double(h->quantity) * *price, decimal) : QString();
    }
    return outcome;
}
