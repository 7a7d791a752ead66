#pragma once

#include <QDateTime>

#include <string>

class SimulatedMarket;

// The information page the game opens at start-up: the market date, an index of the whole
// catalogue, the day's five best and five worst stocks and how to play. Plain HTML 4 that
// Qt's rich-text browser renders: tables and font colours, no CSS.
namespace InfoPage {

inline constexpr int kMoversShown = 5;

std::string render(const SimulatedMarket &market, const QDateTime &at);
// &, <, >, " as entities.
std::string escapeHtml(const std::string &text);

} // namespace InfoPage
