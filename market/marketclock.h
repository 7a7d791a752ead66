#pragma once

#include <QDateTime>

// Where the market's "now" comes from. The service runs on the system clock; tests hand in
// a clock they set by hand, so every answer can be checked against a known moment.
class MarketClock
{
public:
    virtual ~MarketClock() = default;
    // The market's local date and time.
    virtual QDateTime now() const = 0;
};
