#include "systemmarketclock.h"

#include <cmath>

SystemMarketClock::SystemMarketClock(double speed)
    : m_speed(speed), m_startMSecs(QDateTime::currentMSecsSinceEpoch())
{}

QDateTime SystemMarketClock::now() const
{
    const qint64 wall = QDateTime::currentMSecsSinceEpoch();
    const qint64 simulated = m_startMSecs + std::llround(double(wall - m_startMSecs) * m_speed);
    return QDateTime::fromMSecsSinceEpoch(simulated, Qt::LocalTime);
}
