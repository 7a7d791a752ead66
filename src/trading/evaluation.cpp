#include "evaluation.h"

#include "model/numbertext.h"

#include <QSet>

#include <algorithm>

namespace {

// cost x part / whole, to the nearest unit, ties to even; part <= whole.
Money shareOf(Money cost, qint64 part, qint64 whole)
{
    const __int128 product = __int128(cost.units()) * part;
    __int128 quotient = product / whole;
    const __int128 twiceRest = 2 * (product % whole);
    const __int128 magnitude = twiceRest < 0 ? -twiceRest : twiceRest;
    if (magnitude > whole || (magnitude == whole && quotient % 2 != 0))
        quotient += product < 0 ? -1 : 1;
    return Money::fromUnits(qint64(quotient));
}

struct CostBasis
{
    qint64 shares = 0;
    Money cost;
    bool complete = true;
};

qint64 signedQuantity(const JournalEntry &trade)
{
    return trade.kind == JournalEntry::Kind::Buy ? trade.quantity : -trade.quantity;
}

// Tickers with more than 0 shares, rows of the same ticker added up, in first-seen order.
QList<QPair<QString, qint64>> heldQuantities(const QList<Holding> &holdings)
{
    QList<QPair<QString, qint64>> held;
    QHash<QString, qsizetype> row;
    for (const Holding &h : holdings) {
        if (h.quantity <= 0)
            continue;
        const auto it = row.constFind(h.ticker);
        if (it == row.constEnd()) {
            row.insert(h.ticker, held.size());
            held.append({h.ticker, h.quantity});
        } else {
            held[*it].second += h.quantity;
        }
    }
    return held;
}

std::optional<Money> startingCashOf(const Journal &journal)
{
    if (journal.start)
        return journal.start->cash;
    if (journal.trades.isEmpty())
        return std::nullopt;
    const JournalEntry &first = journal.trades.front();
    const std::optional<Money> amount = tradeAmount(first);
    if (!amount)
        return std::nullopt;
    return first.kind == JournalEntry::Kind::Buy ? plus(first.cash, *amount) : minus(first.cash, *amount);
}

QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n'))
        return bytes;
    return '"' + bytes.replace("\"", "\"\"") + '"';
}

} // namespace

std::optional<Money> tradeAmount(const JournalEntry &trade)
{
    return moneyFromDouble(double(trade.quantity) * trade.price);
}

Evaluation evaluate(const Journal &journal, Money cash, const QList<Holding> &holdings,
                    const QHash<QString, double> &lastTrades)
{
    Evaluation e;
    e.cash = cash;
    e.startingCash = startingCashOf(journal);

    QHash<QString, CostBasis> bases;
    for (const JournalEntry &trade : journal.trades) {
        CostBasis &basis = bases[trade.ticker];
        const std::optional<Money> amount = tradeAmount(trade);
        if (!amount || !basis.complete) {
            basis.complete = false;
            e.historyIncomplete = e.historyIncomplete || trade.kind == JournalEntry::Kind::Sell;
            continue;
        }
        if (trade.kind == JournalEntry::Kind::Buy) {
            const std::optional<Money> cost = plus(basis.cost, *amount);
            basis.complete = cost.has_value();
            basis.cost = cost.value_or(Money());
            basis.shares += trade.quantity;
            continue;
        }
        if (trade.quantity > basis.shares) {
            // Shares bought before the history began: their cost is not known.
            basis.complete = false;
            e.historyIncomplete = true;
            continue;
        }
        const Money sold = shareOf(basis.cost, trade.quantity, basis.shares);
        const std::optional<Money> gain = minus(*amount, sold);
        const std::optional<Money> realised = gain ? plus(e.realisedGain, *gain) : std::nullopt;
        if (realised)
            e.realisedGain = *realised;
        basis.cost = Money::fromUnits(basis.cost.units() - sold.units());
        basis.shares -= trade.quantity;
    }

    std::optional<Money> total = Money();
    for (const auto &[ticker, quantity] : heldQuantities(holdings)) {
        PositionFigures p;
        p.ticker = ticker;
        p.quantity = quantity;
        const CostBasis basis = bases.value(ticker, CostBasis{0, Money(), false});
        if (basis.complete && basis.shares == quantity)
            p.averageCost = basis.cost.toDouble() / double(quantity);
        if (const auto it = lastTrades.constFind(ticker); it != lastTrades.constEnd()) {
            p.lastTrade = *it;
            p.value = moneyFromDouble(double(quantity) * *it);
        }
        if (p.value && p.averageCost)
            p.unrealisedGain = minus(*p.value, basis.cost);
        total = p.value && total ? plus(*total, *p.value) : std::nullopt;
        e.positions.append(p);
    }
    e.holdingsValue = total;
    if (total)
        e.netWorth = plus(cash, *total);
    if (e.netWorth && e.startingCash) {
        e.gain = minus(*e.netWorth, *e.startingCash);
        if (e.gain && *e.startingCash > Money())
            e.gainPercent = 100.0 * e.gain->toDouble() / e.startingCash->toDouble();
    }
    return e;
}

std::optional<QDateTime> historyStart(const Journal &journal)
{
    if (journal.start)
        return journal.start->at;
    if (!journal.trades.isEmpty())
        return journal.trades.front().at;
    return std::nullopt;
}

std::optional<IndexComparison> compareWithIndex(const QList<DailyClose> &indexCloses, const QDateTime &since)
{
    const DailyClose *before = nullptr;
    for (const DailyClose &day : indexCloses)
        if (day.date < since.date())
            before = &day;
    if (!before)
        return std::nullopt;
    IndexComparison c;
    c.startLevel = before->close;
    c.endLevel = indexCloses.back().close;
    c.changePercent = 100.0 * (c.endLevel / c.startLevel - 1.0);
    return c;
}

QList<WorthPoint> netWorthSeries(const Journal &journal, Money cash, const QList<Holding> &holdings,
                                 const QHash<QString, QList<DailyClose>> &closes,
                                 const QList<DailyClose> &indexCloses, const QDateTime &now,
                                 std::optional<Money> worthNow)
{
    const std::optional<QDateTime> start = historyStart(journal);
    if (!start)
        return {};
    // The holdings before the first trade: today's minus everything the history did.
    QHash<QString, qint64> held;
    for (const auto &[ticker, quantity] : heldQuantities(holdings))
        held[ticker] = quantity;
    for (const JournalEntry &trade : journal.trades)
        held[trade.ticker] -= signedQuantity(trade);
    const Money startCash = startingCashOf(journal).value_or(cash);

    QHash<QString, QHash<QDate, double>> closeOn;
    for (auto it = closes.constBegin(); it != closes.constEnd(); ++it)
        for (const DailyClose &day : *it)
            closeOn[it.key()].insert(day.date, day.close);
    const auto worthAt = [&](double cashValue, const QDate &day) -> std::optional<double> {
        double worth = cashValue;
        for (auto it = held.constBegin(); it != held.constEnd(); ++it) {
            if (*it == 0)
                continue;
            const auto close = closeOn.value(it.key()).constFind(day);
            if (close == closeOn.value(it.key()).constEnd())
                return std::nullopt;
            worth += double(*it) * *close;
        }
        return worth;
    };

    // The market's days: the index's, or those of any stock when the index is unknown.
    QList<QDate> days;
    for (const DailyClose &day : indexCloses)
        days << day.date;
    if (days.isEmpty()) {
        QSet<QDate> seen;
        for (const auto &perDay : closeOn)
            for (auto it = perDay.constBegin(); it != perDay.constEnd(); ++it)
                seen.insert(it.key());
        days = QList<QDate>(seen.begin(), seen.end());
        std::sort(days.begin(), days.end());
    }
    QHash<QDate, double> indexOn;
    for (const DailyClose &day : indexCloses)
        indexOn.insert(day.date, day.close);
    const std::optional<IndexComparison> index = compareWithIndex(indexCloses, *start);

    QList<WorthPoint> points;
    std::optional<double> startWorth;
    QDate before;
    for (const QDate &day : days)
        if (day < start->date())
            before = day;
    startWorth = before.isValid() ? worthAt(startCash.toDouble(), before) : std::nullopt;
    if (!startWorth && std::all_of(held.constBegin(), held.constEnd(), [](qint64 q) { return q == 0; }))
        startWorth = startCash.toDouble();
    const auto scaledIndex = [&](double level) -> std::optional<double> {
        if (!index || !startWorth)
            return std::nullopt;
        return *startWorth * level / index->startLevel;
    };
    if (startWorth)
        points << WorthPoint{*start, *startWorth, scaledIndex(index ? index->startLevel : 0)};

    double cashNow = startCash.toDouble();
    qsizetype next = 0;
    for (const QDate &day : days) {
        if (day < start->date())
            continue;
        for (; next < journal.trades.size() && journal.trades[next].at.date() <= day; ++next) {
            held[journal.trades[next].ticker] += signedQuantity(journal.trades[next]);
            cashNow = journal.trades[next].cash.toDouble();
        }
        const std::optional<double> worth = worthAt(cashNow, day);
        if (!worth)
            continue;
        std::optional<double> level;
        if (const auto it = indexOn.constFind(day); it != indexOn.constEnd())
            level = scaledIndex(*it);
        points << WorthPoint{QDateTime(day, QTime(16, 0)), *worth, level};
    }
    if (worthNow)
        points << WorthPoint{now, worthNow->toDouble(), index ? scaledIndex(index->endLevel) : std::nullopt};
    return points;
}

QStringList tickersOfGame(const Journal &journal, const QList<Holding> &holdings)
{
    QStringList tickers;
    QSet<QString> seen;
    const auto note = [&](const QString &t) {
        if (!seen.contains(t)) {
            seen.insert(t);
            tickers << t;
        }
    };
    for (const JournalEntry &trade : journal.trades)
        note(trade.ticker);
    for (const auto &held : heldQuantities(holdings))
        note(held.first);
    return tickers;
}

QByteArray historyCsv(const Journal &journal, QChar decimal)
{
    QByteArray csv = "Time,Action,Ticker,Quantity,Price,Cash\r\n";
    const auto row = [&](const JournalEntry &e) {
        const bool trade = e.isTrade();
        const QStringList fields{
            e.at.toString(Qt::ISODate),
            trade ? (e.kind == JournalEntry::Kind::Buy ? QStringLiteral("BUY") : QStringLiteral("SELL"))
                  : QStringLiteral("START"),
            trade ? e.ticker : QString(),
            trade ? QString::number(e.quantity) : QString(),
            trade ? e.priceText : QString(),
            moneyToText(e.cash, decimal),
        };
        QByteArrayList out;
        for (const QString &f : fields)
            out << csvField(f);
        csv += out.join(',') + "\r\n";
    };
    if (journal.start)
        row(*journal.start);
    for (const JournalEntry &trade : journal.trades)
        row(trade);
    return csv;
}
