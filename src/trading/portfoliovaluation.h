#pragma once

#include "evaluation.h"
#include "holdingsstatistics.h"
#include "model/tradejournal.h"
#include "portfoliosource.h"
#include "sync/marketdata.h"

#include <QHash>
#include <QObject>
#include <QStringList>

// What the running game is worth, for the statistics and the evaluation windows: the saved
// game and its trade history as read from disk, then the last trades of what is held and,
// with histories, the daily closes of everything the game traded and of the market index.
// Answers arrive from the event loop, each followed by changed(); an answer to an older
// refresh is dropped.
class PortfolioValuation : public QObject
{
    Q_OBJECT

public:
    enum class Scope { LastTrades, WithHistories };
    static constexpr char kIndexSymbol[] = "^QVC";

    PortfolioValuation(PortfolioSource &source, Scope scope, QObject *parent = nullptr);

    // Reads the files again and asks the market. The saved game's read error comes back: with
    // LastTrades nothing is asked then; with histories it is one of problems() and the rest goes on.
    FileStatus refresh();

    Money cash() const { return m_cash; }
    const HoldingsStatistics &statistics() const { return m_stats; }
    const Journal &journal() const { return m_journal; }
    const QHash<QString, double> &prices() const { return m_prices; }
    const QHash<QString, QList<DailyClose>> &closes() const { return m_closes; }
    const QList<DailyClose> &indexCloses() const { return m_indexCloses; }
    // Held stocks the quote service gave no last trade for.
    const QStringList &unpriced() const { return m_unpriced; }
    // Why figures are missing, in the player's words, oldest first.
    const QStringList &problems() const { return m_problems; }
    // Why the batch of last trades failed as a whole; empty when it was answered.
    const QString &quoteProblem() const { return m_quoteProblem; }
    // The requests of the last refresh still unanswered.
    int pendingRequests() const { return m_pending; }
    // The last trades are still to come: figures that need them are not known yet, not missing.
    bool pricesDue() const { return m_pending > 0 && m_prices.isEmpty() && !m_stats.held.isEmpty(); }
    bool indexDue() const { return m_pending > 0 && m_indexCloses.isEmpty() && historyStart(m_journal); }
    Evaluation evaluation() const;

signals:
    void changed();

private:
    // Counts an answer of the current refresh; false for one that came too late.
    bool arrived(int generation);

    PortfolioSource &m_source;
    const Scope m_scope;
    int m_generation = 0;
    int m_pending = 0;
    Money m_cash;
    HoldingsStatistics m_stats;
    Journal m_journal;
    QStringList m_problems;
    QString m_quoteProblem;
    QHash<QString, double> m_prices;
    QStringList m_unpriced;
    QHash<QString, QList<DailyClose>> m_closes;
    QList<DailyClose> m_indexCloses;
};
