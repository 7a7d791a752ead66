#include "portfoliovaluation.h"

PortfolioValuation::PortfolioValuation(PortfolioSource &source, Scope scope, QObject *parent)
    : QObject(parent), m_source(source), m_scope(scope)
{}

bool PortfolioValuation::arrived(int generation)
{
    if (generation != m_generation)
        return false;
    --m_pending;
    return true;
}

Evaluation PortfolioValuation::evaluation() const
{
    return evaluate(m_journal, m_cash, m_stats.held, m_prices);
}

FileStatus PortfolioValuation::refresh()
{
    const int generation = ++m_generation;
    m_pending = 0;
    m_problems.clear();
    m_quoteProblem.clear();
    m_prices.clear();
    m_unpriced.clear();
    m_closes.clear();
    m_indexCloses.clear();
    // Cleared in place: assigning a fresh Journal trips GCC 12's uninitialised-use warning.
    m_journal.start.reset();
    m_journal.trades.clear();
    m_journal.skippedLines = 0;
    m_stats = HoldingsStatistics();
    m_cash = m_source.game().cash;

    FileStatus unread = m_source.statistics(m_stats);
    const bool withHistories = m_scope == Scope::WithHistories;
    if (unread) {
        if (!withHistories)
            return unread;
        m_problems << unread->text();
    }
    if (withHistories)
        if (FileStatus error = m_source.tradeHistory(m_journal))
            m_problems << error->text();

    // Prices for what is held, closes for everything the game ever traded, and the index.
    QStringList held;
    for (const Holding &h : m_stats.held)
        if (!held.contains(h.ticker))
            held << h.ticker;
    const std::optional<QDateTime> since = historyStart(m_journal);
    const QStringList traded = since ? tickersOfGame(m_journal, m_stats.held) : QStringList();
    m_pending = (held.isEmpty() ? 0 : 1) + (since ? int(traded.size()) + 1 : 0);

    MarketData &market = m_source.marketData();
    if (!held.isEmpty())
        market.fetchQuotes(held, this, [this, generation](const BatchQuotes &q) {
            if (!arrived(generation))
                return;
            m_prices = q.prices;
            m_unpriced = q.unknown;
            m_quoteProblem = q.problem;
            if (!q.problem.isEmpty())
                m_problems << QStringLiteral("Last trades not known: ") + q.problem + u'.';
            emit changed();
        });
    for (const QString &ticker : traded)
        market.fetchHistory(ticker, this, [this, generation, ticker](const PriceHistory &h) {
            if (!arrived(generation))
                return;
            m_closes.insert(ticker, h.closes);
            if (!h.problem.isEmpty() && m_problems.size() < 5)
                m_problems << QStringLiteral("No price history of %1: %2.").arg(ticker, h.problem);
            emit changed();
        });
    if (since)
        market.fetchHistory(
            QString::fromLatin1(kIndexSymbol), this, [this, generation](const PriceHistory &h) {
                if (!arrived(generation))
                    return;
                m_indexCloses = h.closes;
                if (!h.problem.isEmpty())
                    m_problems << QStringLiteral("No history of the market index: ") + h.problem + u'.';
                emit changed();
            });
    return unread;
}
