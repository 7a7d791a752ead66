#pragma once

#include "clock.h"

// The local time of day.
class SystemClock : public Clock
{
public:
    double secondsSinceMidnight() const override;
};
