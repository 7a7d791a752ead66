#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The fixed table of the 228 listed stocks, in 11 sector blocks.
enum class Sector {
    CapitalGoods,
    Technology,
    Financial,
    RawMaterials,
    Energy,
    Services,
    ConsumerCyclical,
    ConsumerNonCyclical,
    Healthcare,
    Conglomerates,
    Transportation,
};

inline constexpr int kSectorCount = 11;

// Every ticker in catalogue order (block by block).
QStringList AllTickers();
// One sector's block, in block order.
QStringList TickersOfSector(Sector sector);
// Exact, case-sensitive lookup; "N/A" for anything the catalogue lacks.
QString CompanyNameOf(const QString &ticker);
// Every ticker sorted by character code: A, AAPL, ABX, ... ZMH, ZQK.
QStringList AllTickersAlphabetical();

std::optional<Sector> SectorOf(const QString &ticker);
// The sector's display name ("Capital Goods", ...).
QString sectorName(Sector sector);
// The sectors in block order.
const std::array<Sector, kSectorCount> &allSectors();
