#pragma once

#include <QDateTime>
#include <QTimeZone>

// Where the market's "now" comes from. The service runs on the system clock; tests hand in
// a clock they set by hand, so every answer can be checked against a known moment.
class MarketClock
{
public:
    virtual ~MarketClock() = default;
    // The market's local date and time.
    virtual QDateTime now() const = 0;
    // The zone of that local time, to tell the local time of other moments. A clock that keeps
    // one offset needs nothing more.
    virtual QTimeZone zone() const { return now().timeZone(); }
};
