#pragma once

#include "model/fileerror.h"
#include "model/gamefolder.h"
#include "model/gamestate.h"

#include <QList>
#include <QString>

// The figures of the statistics panel, read from the saved game on disk.
struct HoldingsStatistics
{
    QList<Holding> held; // quantity above 0, in saved-game order
    qint64 totalShares = 0;

    int companies() const { return int(held.size()); }
};

HoldingsStatistics holdingsStatistics(const QList<Holding> &holdings);
// The first holding-count pairs of the running game's saved game. `out` is written only on success;
// without a loaded game nothing is read and the error says so.
FileStatus readHoldingsStatistics(const GameFolder &programFolder, const GameState &state,
                                  HoldingsStatistics &out);
// One line of the holdings list: "IBM - 15".
QString statisticsLine(const Holding &holding);
