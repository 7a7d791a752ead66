#include "marketservice.h"

#include "chartrenderer.h"
#include "compositeindex.h"
#include "infopage.h"
#include "intradaypath.h"
#include "marketclock.h"
#include "markettext.h"
#include "model/orders.h"
#include "pricehistory.h"
#include "querystring.h"
#include "quotecsv.h"
#include "simulatedmarket.h"

#include <algorithm>
#include <charconv>

namespace {

HttpAnswer badRequest(const std::string &why)
{
    return HttpAnswer::error(400, why);
}

// Absent or empty: the fallback; otherwise plain digits within [low, high].
std::optional<int> sizeParameter(const QueryString &query, const char *key, int fallback, int low, int high)
{
    const std::optional<std::string> text = query.value(key);
    if (!text || text->empty())
        return fallback;
    int value = 0;
    const char *end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high || (*text)[0] == '-' ||
        (*text)[0] == '+')
        return std::nullopt;
    return value;
}

std::optional<int> durationDays(const std::optional<std::string> &dur)
{
    if (!dur || dur->empty() || *dur == "1y")
        return 365;
    if (*dur == "6m")
        return 182;
    if (*dur == "3m")
        return 91;
    if (*dur == "1m")
        return 30;
    return std::nullopt;
}

// Dollars with at most two decimals, above zero, in cents.
std::optional<Cents> priceParameter(const std::optional<std::string> &text)
{
    if (!text)
        return std::nullopt;
    const std::string_view t = *text;
    const std::size_t point = t.find('.');
    const std::string_view whole = t.substr(0, point);
    const std::string_view decimals =
        point == std::string_view::npos ? std::string_view() : t.substr(point + 1);
    const auto digits = [](std::string_view d) {
        return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    // Nine digits of dollars at most, so the cents can never overflow.
    if (whole.empty() || whole.size() > 9 || !digits(whole) || decimals.size() > 2 || !digits(decimals) ||
        (point != std::string_view::npos && decimals.empty()))
        return std::nullopt;
    Cents cents = 0;
    for (const char c : whole)
        cents = cents * 10 + (c - '0');
    for (std::size_t i = 0; i < 2; ++i)
        cents = cents * 10 + (i < decimals.size() ? decimals[i] - '0' : 0);
    return cents > 0 ? std::optional(cents) : std::nullopt;
}

// "2026-12-09T10:15:00+01:00"; a "+" left unencoded in the query arrives as a blank.
std::optional<QDateTime> timeParameter(std::optional<std::string> text)
{
    constexpr std::size_t kSign = 19;
    if (!text)
        return std::nullopt;
    if (text->size() > kSign && (*text)[kSign] == ' ')
        (*text)[kSign] = '+';
    return timeWithOffsetFromText(QByteArrayView(text->data(), qsizetype(text->size())));
}

} // namespace

MarketService::MarketService(const SimulatedMarket &market, const MarketClock &clock)
    : m_market(market), m_clock(clock), m_quoteLines(market)
{}

void MarketService::install(MarketHttpServer &server)
{
    server.setRouter([this](const HttpRequest &req) { return route(req); });
    server.setHandler([this](const HttpRequest &req) { return answer(req); });
    server.setAsyncHandler(
        [this](const HttpRequest &req, MarketHttpServer::Responder reply) { answer(req, std::move(reply)); });
}

std::optional<HttpAnswer> MarketService::route(const HttpRequest &req) const
{
    const std::string_view path = req.path();
    if (path != kQuotesPath && path != kChartPath && path != kInfoPath && path != kHistoryPath &&
        path != kFillPath) {
        HttpAnswer answer;
        answer.status = 404;
        answer.setContent("404 Not Found\r\nThis market answers /d/quotes.csv, /servlet/ChartEngine, "
                          "/table.csv, /fill and /infos.\r\n",
                          "text/plain");
        return answer;
    }
    if (req.method != "GET" && req.method != "HEAD") {
        HttpAnswer answer = HttpAnswer::error(405);
        answer.headers.emplace_back("Allow", "GET, HEAD");
        return answer;
    }
    return std::nullopt;
}

HttpAnswer MarketService::answer(const HttpRequest &req)
{
    if (std::optional<HttpAnswer> routed = route(req))
        return *routed;
    const std::string_view path = req.path();
    HttpAnswer answer;
    if (path == kChartPath) {
        std::variant<ChartJob, HttpAnswer> job = chartJob(req);
        if (auto *refused = std::get_if<HttpAnswer>(&job))
            answer = std::move(*refused);
        else
            answer = chartAnswer(m_charts.get(std::get<ChartJob>(job).key, std::get<ChartJob>(job).render));
    } else {
        answer = path == kQuotesPath    ? answerQuotes(req)
                 : path == kHistoryPath ? answerHistory(req)
                 : path == kFillPath    ? answerFill(req)
                                        : answerInfos();
    }
    HttpExchange::applyRange(req, answer);
    return answer;
}

void MarketService::answer(const HttpRequest &req, MarketHttpServer::Responder reply)
{
    if (route(req) || req.path() != kChartPath)
        return reply(answer(req));
    std::variant<ChartJob, HttpAnswer> job = chartJob(req);
    if (auto *refused = std::get_if<HttpAnswer>(&job)) {
        HttpExchange::applyRange(req, *refused);
        return reply(std::move(*refused));
    }
    ChartJob &chart = std::get<ChartJob>(job);
    m_charts.get(chart.key, std::move(chart.render),
                 [range = req, reply = std::move(reply)](ChartCache::Png png) {
                     HttpAnswer answer = chartAnswer(std::move(png));
                     HttpExchange::applyRange(range, answer);
                     reply(std::move(answer));
                 });
}

HttpAnswer MarketService::answerQuotes(const HttpRequest &req)
{
    const std::optional<QueryString> query = QueryString::parse(QueryString::queryOf(req.target));
    if (!query)
        return badRequest("malformed query");
    const std::optional<std::string> s = query->value("s");
    if (!s)
        return badRequest("no tickers (s=)");
    const auto tickers = QuoteCsv::parseTickers(*s);
    if (!tickers)
        return badRequest("unreadable ticker list (s=)");
    const std::optional<std::string> f = query->value("f");
    const auto tags = QuoteCsv::parseTags(f ? std::string_view(*f) : QuoteCsv::kDefaultTags);
    if (!tags)
        return badRequest("unreadable field tags (f=)");

    HttpAnswer answer;
    answer.headers.emplace_back("Cache-Control", "no-cache");
    answer.setContent(m_quoteLines.answer(*tickers, *tags, m_clock.now()), "text/csv");
    return answer;
}

std::variant<MarketService::ChartJob, HttpAnswer> MarketService::chartJob(const HttpRequest &req) const
{
    const std::optional<QueryString> query = QueryString::parse(QueryString::queryOf(req.target));
    if (!query)
        return badRequest("malformed query");
    std::string symbol = query->value("symbol").value_or(std::string());
    if (symbol.empty())
        symbol = query->value("ticker").value_or(std::string());
    const auto tickers = QuoteCsv::parseTickers(symbol);
    if (!tickers || tickers->size() != 1)
        return badRequest("one ticker expected (symbol=)");
    const std::optional<int> width = sizeParameter(*query, "width", ChartRenderer::kDefaultWidth,
                                                   ChartRenderer::kMinWidth, ChartRenderer::kMaxWidth);
    const std::optional<int> height = sizeParameter(*query, "height", ChartRenderer::kDefaultHeight,
                                                    ChartRenderer::kMinHeight, ChartRenderer::kMaxHeight);
    if (!width || !height) {
        return badRequest("width must be " + std::to_string(ChartRenderer::kMinWidth) + " to " +
                          std::to_string(ChartRenderer::kMaxWidth) + ", height " +
                          std::to_string(ChartRenderer::kMinHeight) + " to " +
                          std::to_string(ChartRenderer::kMaxHeight));
    }
    const std::optional<int> days = durationDays(query->value("dur"));
    if (!days)
        return badRequest("dur must be 1m, 3m, 6m or 1y");
    const bool volume = query->value("vol") == std::optional<std::string>("1");

    // A chart shows completed sessions only, so it holds for the whole market day.
    const QDate today = m_clock.now().date();
    const std::string &ticker = tickers->front();
    const int stock = m_market.indexOf(ticker);
    ChartCache::Key key{ticker, *width, *height, stock >= 0 ? *days : 0, stock >= 0 && volume, today};
    // Drawn on a render thread, maybe after this request is gone: everything by value.
    const SimulatedMarket *market = &m_market;
    ChartJob job{key, [market, ticker, stock, width = *width, height = *height, days = *days, volume, today] {
                     if (stock < 0)
                         return ChartRenderer::toPng(
                             ChartRenderer::renderNoData(QString::fromStdString(ticker), width, height));
                     ChartRenderer::Chart chart;
                     chart.ticker = QString::fromStdString(ticker);
                     chart.companyName = QString::fromStdString(market->profile(stock).name);
                     chart.closes = market->dailyCloses(stock, today.addDays(-days), today.addDays(-1));
                     chart.volume = volume;
                     return ChartRenderer::toPng(ChartRenderer::render(chart, width, height));
                 }};
    return job;
}

HttpAnswer MarketService::chartAnswer(ChartCache::Png png)
{
    if (!png) {
        HttpAnswer busy = HttpAnswer::error(503, "too many charts to draw; try again shortly");
        busy.headers.emplace_back("Retry-After", "1");
        return busy;
    }
    HttpAnswer answer;
    answer.headers.emplace_back("Cache-Control", "max-age=300");
    answer.setContent(std::move(png), "image/png");
    return answer;
}

HttpAnswer MarketService::answerHistory(const HttpRequest &req)
{
    const std::optional<QueryString> query = QueryString::parse(QueryString::queryOf(req.target));
    if (!query)
        return badRequest("malformed query");
    const std::optional<std::string> s = query->value("s");
    if (!s)
        return badRequest("no ticker (s=)");
    const auto tickers = QuoteCsv::parseTickers(*s);
    if (!tickers || tickers->size() != 1)
        return badRequest("one ticker expected (s=)");

    // Completed sessions only, like the chart, so one history holds for the whole market day.
    const QDate today = m_clock.now().date();
    const std::string &symbol = tickers->front();
    const bool listed = symbol == CompositeIndex::kSymbol || m_market.indexOf(symbol) >= 0;
    std::shared_ptr<const std::string> csv;
    if (listed) {
        std::lock_guard lock(m_historyMutex);
        if (auto it = m_histories.find(symbol); it != m_histories.end() && it->second.day == today)
            csv = it->second.csv;
    }
    if (!csv) {
        csv = std::make_shared<const std::string>(
            PriceHistory::csv(PriceHistory::bars(m_market, symbol, today)));
        if (listed) {
            std::lock_guard lock(m_historyMutex);
            m_histories[symbol] = {today, csv};
        }
    }
    HttpAnswer answer;
    answer.headers.emplace_back("Cache-Control", "max-age=300");
    answer.setContent(*csv, "text/csv");
    return answer;
}

HttpAnswer MarketService::answerFill(const HttpRequest &req)
{
    const std::optional<QueryString> query = QueryString::parse(QueryString::queryOf(req.target));
    if (!query)
        return badRequest("malformed query");
    const auto tickers = QuoteCsv::parseTickers(query->value("s").value_or(std::string()));
    if (!tickers || tickers->size() != 1)
        return badRequest("one ticker expected (s=)");
    const std::optional<std::string> when = query->value("when");
    if (when != "below" && when != "above")
        return badRequest("when must be below or above");
    const std::optional<Cents> price = priceParameter(query->value("price"));
    if (!price)
        return badRequest("price must be dollars above zero with at most two decimals");
    const std::optional<QDateTime> from = timeParameter(query->value("from"));
    const std::optional<QDateTime> to = timeParameter(query->value("to"));
    if (!from || !to)
        return badRequest("from and to must be times like 2026-12-09T10:15:00+01:00");
    if (*from > *to)
        return badRequest("from is after to");
    if (from->secsTo(*to) > qint64(kMaxFillDays) * 24 * 3600)
        return badRequest("from and to are more than " + std::to_string(kMaxFillDays) + " days apart");

    // Never past the tick the market shows now: later trades have not happened yet.
    const QDateTime now = m_clock.now();
    const QTimeZone zone = m_clock.zone();
    QDateTime end = *to;
    if (end > now)
        end = std::max(
            *from, now.addMSecs(-(now.time().msecsSinceStartOfDay() % (IntradayPath::kTickSeconds * 1000))));

    const std::string &ticker = tickers->front();
    const int stock = m_market.indexOf(ticker);
    std::string line = '"' + ticker + "\",";
    if (stock < 0) {
        line += "N/A,N/A";
    } else {
        const auto side =
            *when == "below" ? SimulatedMarket::Side::AtOrBelow : SimulatedMarket::Side::AtOrAbove;
        const auto hit =
            m_market.firstCrossing(stock, side, *price, from->toTimeZone(zone), end.toTimeZone(zone));
        line += (hit ? MarketText::price(hit->price) : "N/A") + ",\"" +
                timeWithOffsetText((hit ? hit->at : end).toTimeZone(zone)).toStdString() + '"';
    }
    HttpAnswer answer;
    answer.headers.emplace_back("Cache-Control", "no-cache");
    answer.setContent(line + "\r\n", "text/csv");
    return answer;
}

HttpAnswer MarketService::answerInfos()
{
    HttpAnswer answer;
    answer.headers.emplace_back("Cache-Control", "no-cache");
    answer.setContent(infoPage(m_clock.now()), "text/html; charset=utf-8");
    return answer;
}

std::string MarketService::infoPage(const QDateTime &at)
{
    const int tick = at.time().msecsSinceStartOfDay() / (IntradayPath::kTickSeconds * 1000);
    std::lock_guard lock(m_infoMutex);
    if (m_infoDate != at.date() || m_infoTick != tick) {
        m_infoHtml = InfoPage::render(m_market, at);
        m_infoDate = at.date();
        m_infoTick = tick;
    }
    return m_infoHtml;
}
