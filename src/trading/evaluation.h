#pragma once

#include "model/gamestate.h"
#include "model/money.h"
#include "model/tradejournal.h"
#include "sync/marketdata.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The figures of the portfolio evaluation: what the game is worth, what it cost, what it
// earned, and how the market did meanwhile. Costs come from the trade history by the average
// cost method: a sale takes its share of the cost basis, rounded to the ten-thousandth.

struct PositionFigures
{
    QString ticker;
    qint64 quantity = 0;               // as the saved game holds it
    std::optional<double> averageCost; // per share; nothing when the history does not cover it
    std::optional<double> lastTrade;
    std::optional<Money> value;          // quantity x last trade
    std::optional<Money> unrealisedGain; // value - cost basis
};

struct Evaluation
{
    Money cash;
    std::optional<Money> startingCash;
    QList<PositionFigures> positions;   // the saved game's holdings above 0, in its order
    std::optional<Money> holdingsValue; // nothing while a held stock has no price
    std::optional<Money> netWorth;
    std::optional<Money> gain;
    std::optional<double> gainPercent;
    Money realisedGain;
    // Sales of shares the history never saw bought: their gain is not in realisedGain.
    bool historyIncomplete = false;
};

// The cash a trade moved: the quantity times the price, as the trade dialogs count it.
std::optional<Money> tradeAmount(const JournalEntry &trade);

Evaluation evaluate(const Journal &journal, Money cash, const QList<Holding> &holdings,
                    const QHash<QString, double> &lastTrades);

// The market index over the game's life.
struct IndexComparison
{
    double startLevel = 0; // the last close before the game's first day
    double endLevel = 0;   // the latest close
    double changePercent = 0;
};
// From the closes (oldest first) and the moment the game's history starts; nothing when no close
// comes before it.
std::optional<IndexComparison> compareWithIndex(const QList<DailyClose> &indexCloses, const QDateTime &since);

// One point of the net-worth chart: the game's worth at a day's close (or at its start, or now)
// and the index scaled so that it starts at the same worth.
struct WorthPoint
{
    QDateTime at;
    double worth = 0;
    std::optional<double> index;
};
// The history replayed over the closes: cash and holdings at each day's end (the holdings worked
// back from the saved game), valued at that day's closes. Days on which a held stock has no close
// are left out. The last point is `now` at `worthNow` when known.
QList<WorthPoint> netWorthSeries(const Journal &journal, Money cash, const QList<Holding> &holdings,
                                 const QHash<QString, QList<DailyClose>> &closes,
                                 const QList<DailyClose> &indexCloses, const QDateTime &now,
                                 std::optional<Money> worthNow);

// When the history starts: its first line, or nothing for a game without one.
std::optional<QDateTime> historyStart(const Journal &journal);
// Every ticker the history or the holdings name, each once, in first-seen order.
QStringList tickersOfGame(const Journal &journal, const QList<Holding> &holdings);

// The history as CSV (RFC 4180: CR LF, fields with a comma, quote or line end in quotes).
QByteArray historyCsv(const Journal &journal, QChar decimal);
