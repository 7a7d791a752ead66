#include "holdingsstatistics.h"

#include "model/gamefiles.h"

HoldingsStatistics holdingsStatistics(const QList<Holding> &holdings)
{
    HoldingsStatistics stats;
    for (const Holding &h : holdings) {
        if (h.quantity > 0) {
            stats.held.append(h);
            stats.totalShares += h.quantity;
        }
    }
    return stats;
}

FileStatus readHoldingsStatistics(const GameFolder &programFolder, const GameState &state,
                                  HoldingsStatistics &out)
{
    if (!state.gameName)
        return noGameLoaded(FileAction::Read);
    SavedHoldings saved;
    if (FileStatus error = ReadHoldingsFromFile(programFolder, *state.gameName, state.holdingCount(), saved))
        return error;
    out = holdingsStatistics(saved.holdings);
    return std::nullopt;
}

QString statisticsLine(const Holding &holding)
{
    return holding.ticker + QStringLiteral(" - ") + QString::number(holding.quantity);
}
