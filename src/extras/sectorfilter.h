#pragma once

#include "model/stockcatalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// One check box of the sector filter: a sector, or the favourites (no sector).
struct FilterBox
{
    const char *objectName; // "Check1" ... "Check11", "CheckFavorites"
    std::optional<Sector> sector;

    QString caption() const;
    // The caption, a line break, an empty line, then the box's lines joined by CR LF.
    QString description() const;
};

// The 12 boxes from top to bottom as the dialog shows them: the favourites first.
const std::array<FilterBox, kSectorCount + 1> &filterBoxes();

// The heading and the description panel's text before the pointer visits a box.
QString filterHeading();
QString filterInitialDescription();

// The stock list for the ticked sectors, in catalogue block order whatever the order given.
QStringList tickersOfSectors(const QList<Sector> &ticked);
