#include "intradaypath.h"

#include "marketrandom.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr int kFrequencies[3] = {1, 2, 5};

int clampTick(int tick)
{
    return std::clamp(tick, 0, IntradayPath::kTicks);
}

qint32 toCents(double logDollars)
{
    const double cents = std::exp(logDollars) * 100.0;
    return qint32(std::clamp(std::llround(cents), 1LL, qint64(std::numeric_limits<qint32>::max())));
}

} // namespace

IntradayPath::IntradayPath(const Inputs &inputs) : m_volume(inputs.volume)
{
    const int n = kTicks;
    std::vector<double> walk(std::size_t(n) + 1);
    walk[0] = 0.0;
    for (int k = 1; k <= n; ++k)
        walk[k] = walk[k - 1] + MarketRandom::normal(MarketRandom::combine(inputs.key, std::uint64_t(k)));

    const double a = std::log(double(inputs.open) / 100.0);
    const double b = std::log(double(inputs.close) / 100.0);
    const double step = inputs.sigma / std::sqrt(double(n));
    m_prices.resize(std::size_t(n) + 1);
    for (int k = 0; k <= n; ++k) {
        const double x = double(k) / n;
        m_prices[k] = toCents(a + x * (b - a) + step * (walk[k] - x * walk[n]));
    }
    m_prices.front() = qint32(inputs.open);
    m_prices.back() = qint32(inputs.close);

    qint32 high = std::numeric_limits<qint32>::min();
    qint32 low = std::numeric_limits<qint32>::max();
    for (std::size_t start = 0; start < m_prices.size(); start += kBlock) {
        const auto end = std::min(m_prices.size(), start + kBlock);
        const auto [lo, hi] =
            std::minmax_element(m_prices.begin() + long(start), m_prices.begin() + long(end));
        m_blockMax.push_back(*hi);
        m_blockMin.push_back(*lo);
        high = std::max(high, *hi);
        low = std::min(low, *lo);
        m_blockHighs.push_back(high);
        m_blockLows.push_back(low);
    }

    // Trading intensity 1 + sum a cos(2 pi f x + p) stays positive while the amplitudes add up
    // to less than one, so the cumulative volume only ever grows.
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t key = MarketRandom::combine(inputs.key, 0x766f6cULL, std::uint64_t(i));
        m_amplitudes[i] = 0.28 * MarketRandom::uniform(key);
        m_phases[i] = 2.0 * std::numbers::pi * MarketRandom::uniform(key + 1);
    }
}

Cents IntradayPath::priceAt(int tick) const
{
    return m_prices[clampTick(tick)];
}

Cents IntradayPath::highUpTo(int tick) const
{
    tick = clampTick(tick);
    const int block = tick / kBlock;
    qint32 high = block > 0 ? m_blockHighs[block - 1] : std::numeric_limits<qint32>::min();
    for (int k = block * kBlock; k <= tick; ++k)
        high = std::max(high, m_prices[k]);
    return high;
}

Cents IntradayPath::lowUpTo(int tick) const
{
    tick = clampTick(tick);
    const int block = tick / kBlock;
    qint32 low = block > 0 ? m_blockLows[block - 1] : std::numeric_limits<qint32>::max();
    for (int k = block * kBlock; k <= tick; ++k)
        low = std::min(low, m_prices[k]);
    return low;
}

std::optional<int> IntradayPath::firstCrossing(bool below, Cents price, int first, int last) const
{
    first = clampTick(first);
    last = clampTick(last);
    const auto crosses = [&](Cents trade) { return below ? trade <= price : trade >= price; };
    for (int k = first; k <= last;) {
        const int block = k / kBlock;
        const int blockEnd = std::min(last, block * kBlock + kBlock - 1);
        if (crosses(below ? m_blockMin[block] : m_blockMax[block])) {
            for (; k <= blockEnd; ++k)
                if (crosses(m_prices[k]))
                    return k;
        }
        k = blockEnd + 1;
    }
    return std::nullopt;
}

std::pair<Cents, Cents> IntradayPath::rangeBetween(int first, int last) const
{
    first = clampTick(first);
    last = clampTick(last);
    qint32 low = std::numeric_limits<qint32>::max();
    qint32 high = std::numeric_limits<qint32>::min();
    for (int k = first; k <= last;) {
        const int block = k / kBlock;
        const int blockEnd = std::min(last, block * kBlock + kBlock - 1);
        if (k == block * kBlock && blockEnd == block * kBlock + kBlock - 1) {
            low = std::min(low, m_blockMin[block]);
            high = std::max(high, m_blockMax[block]);
        } else {
            for (int i = k; i <= blockEnd; ++i) {
                low = std::min(low, m_prices[i]);
                high = std::max(high, m_prices[i]);
            }
        }
        k = blockEnd + 1;
    }
    return {low, high};
}

qint64 IntradayPath::volumeUpTo(int tick) const
{
    tick = clampTick(tick);
    if (tick == kTicks)
        return m_volume;
    const double share = std::clamp(volumeShare(double(tick) / kTicks), 0.0, 1.0);
    return std::llround(double(m_volume) * share);
}

double IntradayPath::volumeShare(double x) const
{
    double share = x;
    for (int i = 0; i < 3; ++i) {
        const double w = 2.0 * std::numbers::pi * kFrequencies[i];
        share += m_amplitudes[i] * (std::sin(w * x + m_phases[i]) - std::sin(m_phases[i])) / w;
    }
    return share;
}
