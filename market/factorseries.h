#pragma once

#include <QtGlobal>

#include <cstdint>
#include <vector>

// A slowly mean-reverting random walk in log-price space: each day's value is a decaying sum
// of the last kWindow daily shocks. The finite window makes every day computable on its own,
// with the same arithmetic wherever a range starts, so a day never depends on how it was asked.
class FactorSeries
{
public:
    static constexpr int kWindow = 512;
    static constexpr double kPersistence = 0.995;

    FactorSeries(std::uint64_t key, double dailySigma);

    double shock(qint64 day) const;
    double valueAt(qint64 day) const;
    // Days firstDay to lastDay inclusive (Julian day numbers).
    std::vector<double> values(qint64 firstDay, qint64 lastDay) const;

private:
    std::uint64_t m_key;
    double m_sigma;
};
