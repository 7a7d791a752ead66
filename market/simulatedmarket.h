#pragma once

#include "factorseries.h"
#include "intradaypath.h"
#include "markettypes.h"

#include <QDateTime>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The whole simulated exchange: every catalogue stock, its daily history and the session
// under way. A pure function of the seed and the moment asked: the same seed and the same
// moment always give the same prices. Safe to call from several threads.
//
// The exchange trades around the clock, every day, so a class can play at any hour: each
// calendar day of the market's clock is one session from midnight to midnight.
class SimulatedMarket
{
public:
    enum class Side { AtOrBelow, AtOrAbove };
    struct TickTrade
    {
        QDateTime at; // when the tick began to show
        Cents price = 0;
    };

    explicit SimulatedMarket(std::uint64_t seed);
    ~SimulatedMarket();

    std::uint64_t seed() const { return m_seed; }
    int stockCount() const { return int(m_profiles.size()); }
    // Exact, case-sensitive; -1 for a ticker the catalogue lacks.
    int indexOf(std::string_view ticker) const;
    const StockProfile &profile(int stock) const { return m_profiles[std::size_t(stock)]; }

    // The stock at the moment `at` (its date and time of day are the market's).
    MarketQuote quoteAt(int stock, const QDateTime &at) const;
    // Completed sessions firstDay to lastDay, oldest first.
    std::vector<DailyClose> dailyCloses(int stock, QDate firstDay, QDate lastDay) const;
    // One whole session, its high and low taken from the traded path.
    DailyBar sessionBar(int stock, QDate day) const;
    // Completed sessions firstDay to lastDay, oldest first, each as sessionBar gives it. Walking
    // a day's traded path costs about a millisecond; without withRange high and low stay 0.
    std::vector<DailyBar> dailyBars(int stock, QDate firstDay, QDate lastDay, bool withRange = true) const;

    // The first tick that begins to show after `from` and no later than `to` whose trade is at
    // or beyond `price`, as quoteAt shows moments: its wall clock is `from`'s time zone, so a
    // tick of a repeated hour shows twice and one of a skipped hour never. Days whose traded
    // range cannot cross are passed over on a range kept per stock and day; the first search
    // of a day builds its path (about a millisecond), unless the quotes already hold it.
    std::optional<TickTrade> firstCrossing(int stock, Side side, Cents price, const QDateTime &from,
                                           const QDateTime &to) const;

private:
    struct Session
    {
        Cents previousClose = 0;
        Cents open = 0;
        Cents close = 0;
        qint64 volume = 0;
    };
    struct Day;

    std::vector<Cents> closes(int stock, qint64 firstDay, qint64 lastDay) const;
    Session session(int stock, qint64 day, Cents previousClose, Cents close) const;
    IntradayPath::Inputs pathInputs(int stock, qint64 day, const Session &session) const;
    std::shared_ptr<Day> dayState(qint64 day) const;
    std::shared_ptr<Day> cachedDay(qint64 day) const;
    const IntradayPath &path(Day &state, int stock) const;
    // Ticks counted from 1970-01-01 00:00 of the wall clock, first to last.
    std::optional<std::pair<qint64, Cents>> firstCrossingTick(int stock, Side side, Cents price, qint64 first,
                                                              qint64 last) const;
    struct DayRange
    {
        qint32 day = 0; // Julian day; 0 for an empty slot
        qint32 low = 0;
        qint32 high = 0;
    };
    std::optional<DayRange> cachedRange(int stock, qint64 day) const;
    void keepRange(int stock, const DayRange &range) const;

    std::uint64_t m_seed;
    std::vector<StockProfile> m_profiles;
    std::unordered_map<std::string, int> m_byTicker;
    FactorSeries m_marketFactor;
    std::vector<FactorSeries> m_sectorFactors; // by sector block order
    std::vector<FactorSeries> m_ownFactors;    // by stock

    mutable std::mutex m_daysMutex;
    mutable std::map<qint64, std::shared_ptr<Day>> m_days;

    // Each stock's shown traded range per day, by Julian day modulo the slot count: more slots
    // than a year has days, so a year's search never drops its own days. Made when first asked.
    static constexpr int kRangeSlots = 512;
    mutable std::mutex m_rangesMutex;
    mutable std::vector<std::unique_ptr<DayRange[]>> m_ranges;
};
