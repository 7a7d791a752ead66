#pragma once

#include "model/fileerror.h"
#include "model/stockcatalogue.h"

#include <QList>

// What the sector filter may change: the rows of the stock list.
class StockFilterDesk
{
public:
    virtual ~StockFilterDesk() = default;

    // "Apply": the favourites, or the ticked sectors' stocks. The favourites are read before the
    // list changes, so on error the list keeps its rows.
    virtual FileStatus applyFilter(bool favoritesOnly, const QList<Sector> &tickedSectors) = 0;
};
