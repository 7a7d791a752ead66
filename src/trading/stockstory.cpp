#include "stockstory.h"

#include "evaluation.h"

#include <QHash>
#include <QLocale>

StockStory stockStory(const Journal &journal, const GameState &game, const QString &ticker,
                      std::optional<double> lastTrade)
{
    StockStory story;
    story.ticker = ticker;
    for (auto it = journal.trades.crbegin();
         it != journal.trades.crend() && story.lastTrades.size() < kStoryTrades; ++it)
        if (it->ticker == ticker)
            story.lastTrades.append(*it);
    QHash<QString, double> prices;
    if (lastTrade)
        prices.insert(ticker, *lastTrade);
    // The evaluation's average cost method, so the box and the evaluation window agree.
    const Evaluation figures = evaluate(journal, game.cash, game.holdings, prices);
    for (const PositionFigures &p : figures.positions)
        if (p.ticker == ticker) {
            story.shares = p.quantity;
            story.averageCost = p.averageCost;
            story.gain = p.unrealisedGain;
        }
    return story;
}

QString storyText(const StockStory &story, bool gameLoaded, QChar decimal)
{
    if (!gameLoaded)
        return QStringLiteral("No game is loaded. Your trades show here once you open a game.");
    if (story.ticker.isEmpty())
        return QStringLiteral("Pick a stock to see your trades in it.");
    if (story.lastTrades.isEmpty() && story.shares == 0)
        return QStringLiteral("You have not traded %1 in this game yet.").arg(story.ticker);
    // Two decimals, as the evaluation window shows money.
    const auto money = [decimal](double value) {
        return QString::number(value, 'f', 2).replace(u'.', decimal);
    };
    QStringList lines;
    lines << QStringLiteral("%1 shares held").arg(story.shares);
    if (story.averageCost)
        lines << QStringLiteral("Average cost %1").arg(money(*story.averageCost));
    if (story.gain)
        lines << QStringLiteral("Gain %1%2")
                     .arg(*story.gain >= Money() ? QStringLiteral("+") : QString(),
                          money(story.gain->toDouble()));
    if (!story.lastTrades.isEmpty())
        lines << QString() << QStringLiteral("Last trades:");
    const QLocale c = QLocale::c();
    for (const JournalEntry &t : story.lastTrades)
        lines << c.toString(t.at, QStringLiteral("M/d h:mmap")).toLower()
              << QStringLiteral("%1 %2 at %3")
                     .arg(t.kind == JournalEntry::Kind::Buy ? QStringLiteral("BUY") : QStringLiteral("SELL"))
                     .arg(t.quantity)
                     .arg(t.priceText);
    return lines.join(u'\n');
}

QString orderKindText(OrderKind kind)
{
    switch (kind) {
    case OrderKind::LimitBuy:
        return QStringLiteral("Limit buy");
    case OrderKind::StopBuy:
        return QStringLiteral("Stop buy");
    case OrderKind::LimitSell:
        return QStringLiteral("Limit sell");
    case OrderKind::StopLossSell:
        return QStringLiteral("Stop-loss sell");
    }
    return QString();
}

QString orderTimeText(const QDateTime &at)
{
    return QLocale::c().toString(at, QStringLiteral("M/d/yyyy h:mmap")).toLower();
}

QString openOrderText(const Order &order)
{
    QString text = QStringLiteral("%1 %2 at %3")
                       .arg(orderKindText(order.kind))
                       .arg(order.quantity)
                       .arg(QString::fromLatin1(centsText(order.price)));
    if (order.goodUntil)
        text += QStringLiteral(" until ") + QLocale::c().toString(*order.goodUntil, QStringLiteral("M/d"));
    return text;
}
