#pragma once

#include "marketclock.h"

// Local time, optionally running faster from the moment the service started, so a whole
// session can be watched in minutes.
class SystemMarketClock : public MarketClock
{
public:
    explicit SystemMarketClock(double speed = 1.0);

    QDateTime now() const override;
    QTimeZone zone() const override;
    // The moment in the system's zone, with that zone's offset at that moment.
    static QDateTime localTime(qint64 msecsSinceEpoch);

private:
    double m_speed;
    qint64 m_startMSecs;
};
