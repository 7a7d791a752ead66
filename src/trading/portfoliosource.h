#pragma once

#include "holdingsstatistics.h"
#include "model/fileerror.h"
#include "model/gamestate.h"
#include "model/tradejournal.h"

#include <QByteArray>
#include <QChar>
#include <QString>

class MarketData;

// What the statistics and the evaluation read of the running game, and where they ask for prices.
class PortfolioSource
{
public:
    virtual ~PortfolioSource() = default;

    virtual const GameState &game() const = 0;
    // The decimal separator the player's numbers are shown with.
    virtual QChar decimal() const = 0;
    // The statistics figures, read from the saved game on disk.
    virtual FileStatus statistics(HoldingsStatistics &out) const = 0;
    // The running game's trade history; without a loaded game nothing is read and the error says so.
    virtual FileStatus tradeHistory(Journal &out) const = 0;
    // Batch quotes and price histories from the quote host, through the player's proxy.
    virtual MarketData &marketData() = 0;
    // Replaces the file at `path`, a place of the player's choosing, with `bytes`.
    virtual FileStatus exportFile(const QString &path, const QByteArray &bytes) = 0;
};
