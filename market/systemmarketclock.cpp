#include "systemmarketclock.h"

#include <QTimeZone>

#include <cmath>
#include <limits>

SystemMarketClock::SystemMarketClock(double speed)
    : m_speed(speed), m_startMSecs(QDateTime::currentMSecsSinceEpoch())
{}

QDateTime SystemMarketClock::now() const
{
    const qint64 wall = QDateTime::currentMSecsSinceEpoch();
    const qint64 simulated = m_startMSecs + std::llround(double(wall - m_startMSecs) * m_speed);
    return localTime(simulated);
}

QTimeZone SystemMarketClock::zone() const
{
    return QTimeZone::systemTimeZone();
}

QDateTime SystemMarketClock::localTime(qint64 msecsSinceEpoch)
{
    // Qt's own local conversion looks at the zone file again on every call, once per request
    // here; the offset only changes at the zone's transitions, so each serving thread keeps
    // the one it found until the next transition, and looks again after an hour at most so a
    // change of the system's zone is seen.
    struct Span
    {
        qint64 from = std::numeric_limits<qint64>::max();
        qint64 until = std::numeric_limits<qint64>::min();
        int offsetSeconds = 0;
    };
    thread_local Span span;
    constexpr qint64 kLookAgainMSecs = 3600 * 1000;
    if (msecsSinceEpoch < span.from || msecsSinceEpoch >= span.until) {
        const QTimeZone zone = QTimeZone::systemTimeZone();
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC);
        span.from = msecsSinceEpoch;
        span.until = msecsSinceEpoch + kLookAgainMSecs;
        span.offsetSeconds = zone.offsetFromUtc(at);
        const QTimeZone::OffsetData next = zone.nextTransition(at);
        if (next.atUtc.isValid())
            span.until = std::min(span.until, next.atUtc.toMSecsSinceEpoch());
    }
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::OffsetFromUTC, span.offsetSeconds);
}
