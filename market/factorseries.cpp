#include "factorseries.h"

#include "marketrandom.h"

#include <array>

namespace {

const std::array<double, FactorSeries::kWindow> &weights()
{
    static const std::array<double, FactorSeries::kWindow> table = [] {
        std::array<double, FactorSeries::kWindow> w{};
        double weight = 1.0;
        for (double &entry : w) {
            entry = weight;
            weight *= FactorSeries::kPersistence;
        }
        return w;
    }();
    return table;
}

// Sums oldest first so every caller adds in the same order and gets the same bits.
double windowSum(const double *newestShock)
{
    const auto &w = weights();
    double sum = 0.0;
    for (int j = FactorSeries::kWindow - 1; j >= 0; --j)
        sum += w[j] * *(newestShock - j);
    return sum;
}

} // namespace

FactorSeries::FactorSeries(std::uint64_t key, double dailySigma) : m_key(key), m_sigma(dailySigma)
{}

double FactorSeries::shock(qint64 day) const
{
    return m_sigma * MarketRandom::normal(MarketRandom::combine(m_key, std::uint64_t(day)));
}

double FactorSeries::valueAt(qint64 day) const
{
    return values(day, day).front();
}

std::vector<double> FactorSeries::values(qint64 firstDay, qint64 lastDay) const
{
    std::vector<double> result;
    if (lastDay < firstDay)
        return result;
    const qint64 start = firstDay - kWindow + 1;
    std::vector<double> shocks(std::size_t(lastDay - start + 1));
    for (std::size_t i = 0; i < shocks.size(); ++i)
        shocks[i] = shock(start + qint64(i));
    result.reserve(std::size_t(lastDay - firstDay + 1));
    for (qint64 day = firstDay; day <= lastDay; ++day)
        result.push_back(windowSum(shocks.data() + (day - start)));
    return result;
}
