#pragma once

#include "markettypes.h"

#include <QDate>

#include <string_view>
#include <vector>

class SimulatedMarket;

// The market's composite index: every stock followed from its own base level, all weighing
// the same, 1000.00 when every stock stands at its base.
namespace CompositeIndex {

inline constexpr std::string_view kSymbol = "^QVC";

// The index for one price per stock, indexed by stock.
Cents level(const SimulatedMarket &market, const std::vector<Cents> &prices);
// The index's completed sessions firstDay to lastDay, oldest first: open and close from the
// stocks' opens and closes, the volume their sum. High and low are the larger and smaller of
// open and close, since the index's own path would need every stock's traded path.
std::vector<DailyBar> dailyBars(const SimulatedMarket &market, QDate firstDay, QDate lastDay);

} // namespace CompositeIndex
