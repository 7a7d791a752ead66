#pragma once

#include "markettypes.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// One stock's trades through one session, a new price every kTickSeconds: a Brownian bridge
// in log-price from the day's open to its close, so the path always lands on the close that
// the daily history shows. The day's high, low and volume are read off the same path.
class IntradayPath
{
public:
    static constexpr int kTickSeconds = 5;
    static constexpr int kTicks = 24 * 60 * 60 / kTickSeconds;

    struct Inputs
    {
        Cents open = 0;
        Cents close = 0;
        qint64 volume = 0; // the whole session's
        double sigma = 0;  // log-price spread at mid-session is about half of this
        std::uint64_t key = 0;
    };

    explicit IntradayPath(const Inputs &inputs);

    // Tick 0 is the open at midnight; tick kTicks is the close at the next midnight.
    Cents priceAt(int tick) const;
    Cents highUpTo(int tick) const;
    Cents lowUpTo(int tick) const;
    qint64 volumeUpTo(int tick) const;
    // The first tick in [first, last] whose trade is at or below (`below`), else at or above,
    // `price`; blocks that cannot hold one are passed over on their extremes.
    std::optional<int> firstCrossing(bool below, Cents price, int first, int last) const;
    // Lowest and highest trade of ticks [first, last].
    std::pair<Cents, Cents> rangeBetween(int first, int last) const;

private:
    static constexpr int kBlock = 64;

    double volumeShare(double x) const;

    std::vector<qint32> m_prices;
    std::vector<qint32> m_blockHighs; // running maximum up to the end of each block
    std::vector<qint32> m_blockLows;
    std::vector<qint32> m_blockMax; // of each block alone
    std::vector<qint32> m_blockMin;
    qint64 m_volume;
    double m_amplitudes[3];
    double m_phases[3];
};
