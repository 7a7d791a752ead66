#pragma once

#include "markettypes.h"

#include <string>

// The service's own number and date texts: fixed US forms, never the machine's locale, since
// every client reads them back with the same rules.
namespace MarketText {

// 27.12, 0.05, -3.10
std::string price(Cents cents);
// +0.35, -1.25, +0.00
std::string signedPrice(Cents cents);
// +1.23% of base; "+0.00%" for a zero base
std::string signedPercent(Cents change, Cents base);
// 6/1/2004
std::string shortDate(QDate date);
// 2004-06-01
std::string isoDate(QDate date);
// 4:00pm, 12:05am
std::string clockTime(QTime time);
// Tuesday, June 1, 2004
std::string longDate(QDate date);
// 12,345,678
std::string groupedNumber(qint64 value);

} // namespace MarketText
