#pragma once

// Where the download client reads the time of day, so tests can set it.
class Clock
{
public:
    virtual ~Clock() = default;
    // Seconds since midnight, fractions kept.
    virtual double secondsSinceMidnight() const = 0;
};
