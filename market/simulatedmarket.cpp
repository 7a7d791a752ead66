#include "simulatedmarket.h"

#include "marketrandom.h"

#include <QTimeZone>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct SectorTraits
{
    double lowPrice;
    double highPrice;
    double dailyVolatility;
};

// Price ranges and daily volatility by sector block, in the catalogue's sector order.
constexpr std::array<SectorTraits, kSectorCount> kSectorTraits = {{
    {25, 120, 0.016}, // Capital Goods
    {8, 140, 0.026},  // Technology
    {20, 110, 0.017}, // Financial
    {12, 80, 0.019},  // Raw Materials
    {20, 95, 0.018},  // Energy
    {10, 70, 0.017},  // Services
    {10, 85, 0.019},  // Consumer Cyclical
    {20, 90, 0.012},  // Consumer Non-Cyclical
    {18, 120, 0.016}, // Healthcare
    {25, 100, 0.014}, // Conglomerates
    {12, 90, 0.018},  // Transportation
}};

constexpr double kMarketSigma = 0.009;
constexpr double kSectorSigma = 0.008;
constexpr std::size_t kCachedDays = 4;

// Draw streams of a stock, kept apart so adding one kind of draw never shifts another.
enum Stream : std::uint64_t { Profile = 1, Gap, Volume, Path };

double logLerp(double low, double high, double u)
{
    return std::exp(std::log(low) + u * (std::log(high) - std::log(low)));
}

int sectorIndex(Sector sector)
{
    return int(sector);
}

Cents roundCents(double dollars)
{
    return std::max<Cents>(1, std::llround(dollars * 100.0));
}

constexpr qint64 kTickMSecs = IntradayPath::kTickSeconds * 1000;
constexpr qint64 kEpochJulianDay = 2440588; // 1970-01-01

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return -floorDiv(-a, b);
}

std::size_t slotOf(qint64 day, int count)
{
    return std::size_t(day - floorDiv(day, count) * count);
}

} // namespace

struct SimulatedMarket::Day
{
    qint64 day = 0;
    std::vector<Session> sessions;
    std::unique_ptr<std::once_flag[]> pathOnce;
    std::unique_ptr<std::unique_ptr<IntradayPath>[]> paths;
};

SimulatedMarket::SimulatedMarket(std::uint64_t seed)
    : m_seed(seed),
      m_marketFactor(MarketRandom::combine(seed, MarketRandom::hashText("market")), kMarketSigma)
{
    for (Sector sector : allSectors()) {
        const std::string name = sectorName(sector).toStdString();
        m_sectorFactors.emplace_back(MarketRandom::combine(seed, MarketRandom::hashText("sector " + name)),
                                     kSectorSigma);
    }
    const QStringList tickers = AllTickers();
    m_profiles.reserve(std::size_t(tickers.size()));
    for (const QString &ticker : tickers) {
        StockProfile p;
        p.ticker = ticker.toStdString();
        p.name = CompanyNameOf(ticker).toStdString();
        p.sector = SectorOf(ticker).value_or(Sector::Conglomerates);
        p.key = MarketRandom::combine(seed, MarketRandom::hashText(p.ticker));
        const SectorTraits &traits = kSectorTraits[std::size_t(sectorIndex(p.sector))];
        auto draw = [&](std::uint64_t n) {
            return MarketRandom::uniform(MarketRandom::combine(p.key, Profile, n));
        };
        p.basePrice = logLerp(traits.lowPrice, traits.highPrice, draw(0));
        p.dailyVolatility = traits.dailyVolatility * (0.75 + 0.6 * draw(1));
        p.beta = 0.7 + 0.6 * draw(2);
        p.sectorLoading = 0.5 + 0.5 * draw(3);
        const double shared = p.beta * p.beta * kMarketSigma * kMarketSigma +
                              p.sectorLoading * p.sectorLoading * kSectorSigma * kSectorSigma;
        const double floor = 0.35 * p.dailyVolatility;
        p.ownVolatility = std::sqrt(std::max(p.dailyVolatility * p.dailyVolatility - shared, floor * floor));
        p.baseVolume = logLerp(4e5, 3e7, draw(4));

        m_byTicker.emplace(p.ticker, int(m_profiles.size()));
        m_ownFactors.emplace_back(MarketRandom::combine(p.key, MarketRandom::hashText("own")),
                                  p.ownVolatility);
        m_profiles.push_back(std::move(p));
    }
    m_ranges.resize(m_profiles.size());
}

SimulatedMarket::~SimulatedMarket() = default;

int SimulatedMarket::indexOf(std::string_view ticker) const
{
    const auto it = m_byTicker.find(std::string(ticker));
    return it == m_byTicker.end() ? -1 : it->second;
}

std::vector<Cents> SimulatedMarket::closes(int stock, qint64 firstDay, qint64 lastDay) const
{
    const StockProfile &p = profile(stock);
    const auto market = m_marketFactor.values(firstDay, lastDay);
    const auto sector = m_sectorFactors[std::size_t(sectorIndex(p.sector))].values(firstDay, lastDay);
    const auto own = m_ownFactors[std::size_t(stock)].values(firstDay, lastDay);
    std::vector<Cents> result(market.size());
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] =
            roundCents(p.basePrice * std::exp(p.beta * market[i] + p.sectorLoading * sector[i] + own[i]));
    return result;
}

SimulatedMarket::Session SimulatedMarket::session(int stock, qint64 day, Cents previousClose,
                                                  Cents close) const
{
    const StockProfile &p = profile(stock);
    Session s;
    s.previousClose = previousClose;
    s.close = close;
    const double gap = MarketRandom::normal(MarketRandom::combine(p.key, Gap, std::uint64_t(day)));
    s.open = roundCents(double(previousClose) / 100.0 * std::exp(0.25 * p.dailyVolatility * gap));
    // Big moves trade more shares; volume comes in round lots.
    const double move = std::abs(std::log(double(close) / double(previousClose)));
    const double noise = MarketRandom::normal(MarketRandom::combine(p.key, Volume, std::uint64_t(day)));
    const double shares = p.baseVolume * std::exp(0.3 * noise) * (1.0 + 12.0 * move);
    s.volume = std::max<qint64>(100, std::llround(shares / 100.0) * 100);
    return s;
}

IntradayPath::Inputs SimulatedMarket::pathInputs(int stock, qint64 day, const Session &session) const
{
    const StockProfile &p = profile(stock);
    IntradayPath::Inputs in;
    in.open = session.open;
    in.close = session.close;
    in.volume = session.volume;
    in.sigma = 0.9 * p.dailyVolatility;
    in.key = MarketRandom::combine(p.key, Path, std::uint64_t(day));
    return in;
}

std::shared_ptr<SimulatedMarket::Day> SimulatedMarket::dayState(qint64 day) const
{
    std::lock_guard lock(m_daysMutex);
    if (auto it = m_days.find(day); it != m_days.end())
        return it->second;

    auto state = std::make_shared<Day>();
    state->day = day;
    const auto market = m_marketFactor.values(day - 1, day);
    std::vector<std::vector<double>> sectors;
    for (const FactorSeries &series : m_sectorFactors)
        sectors.push_back(series.values(day - 1, day));
    state->sessions.reserve(m_profiles.size());
    for (int stock = 0; stock < stockCount(); ++stock) {
        const StockProfile &p = profile(stock);
        const auto &sector = sectors[std::size_t(sectorIndex(p.sector))];
        const auto own = m_ownFactors[std::size_t(stock)].values(day - 1, day);
        Cents close[2];
        for (int i = 0; i < 2; ++i)
            close[i] =
                roundCents(p.basePrice * std::exp(p.beta * market[i] + p.sectorLoading * sector[i] + own[i]));
        state->sessions.push_back(session(stock, day, close[0], close[1]));
    }
    state->pathOnce = std::make_unique<std::once_flag[]>(m_profiles.size());
    state->paths = std::make_unique<std::unique_ptr<IntradayPath>[]>(m_profiles.size());

    // A clock only moves forward in service, so the oldest day is the one to drop.
    if (m_days.size() >= kCachedDays)
        m_days.erase(m_days.begin());
    m_days.emplace(day, state);
    return state;
}

std::shared_ptr<SimulatedMarket::Day> SimulatedMarket::cachedDay(qint64 day) const
{
    std::lock_guard lock(m_daysMutex);
    const auto it = m_days.find(day);
    return it == m_days.end() ? nullptr : it->second;
}

const IntradayPath &SimulatedMarket::path(Day &state, int stock) const
{
    std::call_once(state.pathOnce[std::size_t(stock)], [&] {
        state.paths[std::size_t(stock)] =
            std::make_unique<IntradayPath>(pathInputs(stock, state.day, state.sessions[std::size_t(stock)]));
    });
    return *state.paths[std::size_t(stock)];
}

MarketQuote SimulatedMarket::quoteAt(int stock, const QDateTime &at) const
{
    const qint64 day = at.date().toJulianDay();
    const std::shared_ptr<Day> state = dayState(day);
    const Session &s = state->sessions[std::size_t(stock)];
    const IntradayPath &path = this->path(*state, stock);

    const int tick = at.time().msecsSinceStartOfDay() / (IntradayPath::kTickSeconds * 1000);
    MarketQuote q;
    q.date = at.date();
    q.time = QTime::fromMSecsSinceStartOfDay(tick * IntradayPath::kTickSeconds * 1000);
    q.last = path.priceAt(tick);
    q.previousClose = s.previousClose;
    q.open = path.priceAt(0);
    q.high = path.highUpTo(tick);
    q.low = path.lowUpTo(tick);
    q.volume = path.volumeUpTo(tick);
    return q;
}

std::vector<DailyClose> SimulatedMarket::dailyCloses(int stock, QDate firstDay, QDate lastDay) const
{
    std::vector<DailyClose> result;
    const std::vector<DailyBar> bars = dailyBars(stock, firstDay, lastDay, false);
    result.reserve(bars.size());
    for (const DailyBar &bar : bars)
        result.push_back({bar.date, bar.close, bar.volume});
    return result;
}

std::vector<DailyBar> SimulatedMarket::dailyBars(int stock, QDate firstDay, QDate lastDay,
                                                 bool withRange) const
{
    std::vector<DailyBar> result;
    const qint64 first = firstDay.toJulianDay();
    const qint64 last = lastDay.toJulianDay();
    if (last < first)
        return result;
    const std::vector<Cents> all = closes(stock, first - 1, last);
    result.reserve(all.size() - 1);
    for (std::size_t i = 1; i < all.size(); ++i) {
        const qint64 day = first + qint64(i) - 1;
        const Session s = session(stock, day, all[i - 1], all[i]);
        DailyBar bar{QDate::fromJulianDay(day), s.open, 0, 0, s.close, s.volume};
        if (withRange) {
            const IntradayPath path(pathInputs(stock, day, s));
            bar.high = path.highUpTo(IntradayPath::kTicks);
            bar.low = path.lowUpTo(IntradayPath::kTicks);
        }
        result.push_back(bar);
    }
    return result;
}

DailyBar SimulatedMarket::sessionBar(int stock, QDate day) const
{
    const qint64 d = day.toJulianDay();
    const std::vector<Cents> c = closes(stock, d - 1, d);
    const Session s = session(stock, d, c[0], c[1]);
    const IntradayPath path(pathInputs(stock, d, s));
    return {day,     s.open,  path.highUpTo(IntradayPath::kTicks), path.lowUpTo(IntradayPath::kTicks),
            s.close, s.volume};
}

std::optional<SimulatedMarket::DayRange> SimulatedMarket::cachedRange(int stock, qint64 day) const
{
    std::lock_guard lock(m_rangesMutex);
    const std::unique_ptr<DayRange[]> &table = m_ranges[std::size_t(stock)];
    if (!table)
        return std::nullopt;
    const DayRange &slot = table[slotOf(day, kRangeSlots)];
    return slot.day == day ? std::optional(slot) : std::nullopt;
}

void SimulatedMarket::keepRange(int stock, const DayRange &range) const
{
    std::lock_guard lock(m_rangesMutex);
    std::unique_ptr<DayRange[]> &table = m_ranges[std::size_t(stock)];
    if (!table)
        table = std::make_unique<DayRange[]>(kRangeSlots);
    table[slotOf(range.day, kRangeSlots)] = range;
}

std::optional<std::pair<qint64, Cents>> SimulatedMarket::firstCrossingTick(int stock, Side side, Cents price,
                                                                           qint64 first, qint64 last) const
{
    const bool below = side == Side::AtOrBelow;
    // Closes from the day before the first day that needs its path, made once for all of them.
    std::vector<Cents> dayCloses;
    qint64 closesFrom = 0;
    for (qint64 tick = first; tick <= last;) {
        const qint64 dayStart = floorDiv(tick, IntradayPath::kTicks) * IntradayPath::kTicks;
        const int firstTick = int(tick - dayStart);
        const int lastTick = int(std::min(last, dayStart + IntradayPath::kTicks - 1) - dayStart);
        tick = dayStart + IntradayPath::kTicks;
        const qint64 day = kEpochJulianDay + dayStart / IntradayPath::kTicks;
        const std::optional<DayRange> range = cachedRange(stock, day);
        if (range && (below ? range->low > price : range->high < price))
            continue;

        // Today's path is most likely held for the quotes already; other days are built here,
        // never put into the quotes' few days, which only ever move forward.
        const std::shared_ptr<Day> held = cachedDay(day);
        std::unique_ptr<IntradayPath> built;
        if (!held) {
            if (dayCloses.empty()) {
                closesFrom = day - 1;
                dayCloses = closes(stock, closesFrom, kEpochJulianDay + floorDiv(last, IntradayPath::kTicks));
            }
            const std::size_t i = std::size_t(day - closesFrom);
            built = std::make_unique<IntradayPath>(
                pathInputs(stock, day, session(stock, day, dayCloses[i - 1], dayCloses[i])));
        }
        const IntradayPath &dayPath = held ? path(*held, stock) : *built;
        if (!range) {
            // The ticks a day shows: the close at the next midnight gives way to the next open.
            const auto [low, high] = dayPath.rangeBetween(0, IntradayPath::kTicks - 1);
            keepRange(stock, {qint32(day), qint32(low), qint32(high)});
        }
        if (const std::optional<int> k = dayPath.firstCrossing(below, price, firstTick, lastTick))
            return std::pair(dayStart + *k, dayPath.priceAt(*k));
    }
    return std::nullopt;
}

std::optional<SimulatedMarket::TickTrade> SimulatedMarket::firstCrossing(int stock, Side side, Cents price,
                                                                         const QDateTime &from,
                                                                         const QDateTime &to) const
{
    if (!from.isValid() || !to.isValid())
        return std::nullopt;
    const QTimeZone zone = from.timeZone();
    const qint64 end = to.toMSecsSinceEpoch();
    // Each stretch of one UTC offset maps instants to wall ticks by a shift. After a clock change
    // the tick its wall time falls in begins to show at the change itself.
    qint64 start = from.toMSecsSinceEpoch() + 1;
    bool afterChange = false;
    while (start <= end) {
        const QDateTime startUtc = QDateTime::fromMSecsSinceEpoch(start, Qt::UTC);
        const qint64 offset = qint64(zone.offsetFromUtc(startUtc)) * 1000;
        qint64 stretchEnd = end;
        if (zone.hasTransitions()) {
            const QTimeZone::OffsetData change = zone.nextTransition(startUtc);
            if (change.atUtc.isValid())
                stretchEnd = std::min(end, change.atUtc.toMSecsSinceEpoch() - 1);
        }
        const qint64 firstTick =
            afterChange ? floorDiv(start + offset, kTickMSecs) : ceilDiv(start + offset, kTickMSecs);
        const qint64 lastTick = floorDiv(stretchEnd + offset, kTickMSecs);
        if (firstTick <= lastTick) {
            if (const auto hit = firstCrossingTick(stock, side, price, firstTick, lastTick)) {
                const qint64 at = std::max(start, hit->first * kTickMSecs - offset);
                return TickTrade{QDateTime::fromMSecsSinceEpoch(at, zone), hit->second};
            }
        }
        start = stretchEnd + 1;
        afterChange = true;
    }
    return std::nullopt;
}
