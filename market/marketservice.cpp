#include "marketservice.h"

#include "chartrenderer.h"
#include "infopage.h"
#include "intradaypath.h"
#include "marketclock.h"
#include "querystring.h"
#include "quotecsv.h"
#include "simulatedmarket.h"

#include <charconv>

namespace {

void badRequest(httplib::Response &res, const std::string &why)
{
    res.status = 400;
    res.set_content("400 Bad Request: " + why + "\r\n", "text/plain");
}

bool hasBody(const httplib::Request &req)
{
    const std::string length = req.get_header_value("Content-Length");
    return req.has_header("Transfer-Encoding") || (!length.empty() && length != "0");
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

} // namespace

MarketService::MarketService(const SimulatedMarket &market, const MarketClock &clock)
    : m_market(market), m_clock(clock)
{}

void MarketService::install(MarketHttpServer &server)
{
    server.setRouter([this](const httplib::Request &req, httplib::Response &res) { return route(req, res); });
    server.Get(R"(/d/quotes\.csv)",
               [this](const httplib::Request &req, httplib::Response &res) { answerQuotes(req, res); });
    server.Get(R"(/servlet/ChartEngine)",
               [this](const httplib::Request &req, httplib::Response &res) { answerChart(req, res); });
    server.Get(R"(/infos)",
               [this](const httplib::Request &req, httplib::Response &res) { answerInfos(req, res); });
}

httplib::Server::HandlerResponse MarketService::route(const httplib::Request &req, httplib::Response &res)
{
    if (req.path != kQuotesPath && req.path != kChartPath && req.path != kInfoPath) {
        res.status = 404;
        res.set_content(
            "404 Not Found\r\nThis market answers /d/quotes.csv, /servlet/ChartEngine and /infos.\r\n",
            "text/plain");
    } else if (req.method != "GET" && req.method != "HEAD") {
        res.status = 405;
        res.set_header("Allow", "GET, HEAD");
        res.set_content("405 Method Not Allowed\r\n", "text/plain");
    } else {
        return httplib::Server::HandlerResponse::Unhandled;
    }
    // Answered without reading the body: whatever follows is not a request.
    if (hasBody(req)) {
        if (MarketHttpServer::Connection *connection = MarketHttpServer::currentConnection())
            connection->closeAfter = true;
    }
    return httplib::Server::HandlerResponse::Handled;
}

void MarketService::answerQuotes(const httplib::Request &req, httplib::Response &res)
{
    const std::optional<QueryString> query = QueryString::parse(QueryString::queryOf(req.target));
    if (!query)
        return badRequest(res, "malformed query");
    const std::optional<std::string> s = query->value("s");
    if (!s)
        return badRequest(res, "no tickers (s=)");
    const auto tickers = QuoteCsv::parseTickers(*s);
    if (!tickers)
        return badRequest(res, "unreadable ticker list (s=)");
    const std::optional<std::string> f = query->value("f");
    const auto tags = QuoteCsv::parseTags(f ? std::string_view(*f) : QuoteCsv::kDefaultTags);
    if (!tags)
        return badRequest(res, "unreadable field tags (f=)");

    res.set_header("Cache-Control", "no-cache");
    res.set_content(QuoteCsv::answer(m_market, *tickers, *tags, m_clock.now()), "text/csv");
}

void MarketService::answerChart(const httplib::Request &req, httplib::Response &res)
{
    const std::optional<QueryString> query = QueryString::parse(QueryString::queryOf(req.target));
    if (!query)
        return badRequest(res, "malformed query");
    std::string symbol = query->value("symbol").value_or(std::string());
    if (symbol.empty())
        symbol = query->value("ticker").value_or(std::string());
    const auto tickers = QuoteCsv::parseTickers(symbol);
    if (!tickers || tickers->size() != 1)
        return badRequest(res, "one ticker expected (symbol=)");
    const std::optional<int> width = sizeParameter(*query, "width", ChartRenderer::kDefaultWidth,
                                                   ChartRenderer::kMinWidth, ChartRenderer::kMaxWidth);
    const std::optional<int> height = sizeParameter(*query, "height", ChartRenderer::kDefaultHeight,
                                                    ChartRenderer::kMinHeight, ChartRenderer::kMaxHeight);
    if (!width || !height) {
        return badRequest(res, "width must be " + std::to_string(ChartRenderer::kMinWidth) + " to " +
                                   std::to_string(ChartRenderer::kMaxWidth) + ", height " +
                                   std::to_string(ChartRenderer::kMinHeight) + " to " +
                                   std::to_string(ChartRenderer::kMaxHeight));
    }
    const std::optional<int> days = durationDays(query->value("dur"));
    if (!days)
        return badRequest(res, "dur must be 1m, 3m, 6m or 1y");
    const bool volume = query->value("vol") == std::optional<std::string>("1");

    // A chart shows completed sessions only, so it holds for the whole market day.
    const QDate today = m_clock.now().date();
    const std::string &ticker = tickers->front();
    const int stock = m_market.indexOf(ticker);
    ChartCache::Key key{ticker, *width, *height, stock >= 0 ? *days : 0, stock >= 0 && volume, today};
    const QByteArray png = m_charts.get(key, [&] {
        if (stock < 0)
            return ChartRenderer::toPng(
                ChartRenderer::renderNoData(QString::fromStdString(ticker), *width, *height));
        ChartRenderer::Chart chart;
        chart.ticker = QString::fromStdString(ticker);
        chart.companyName = QString::fromStdString(m_market.profile(stock).name);
        chart.closes = m_market.dailyCloses(stock, today.addDays(-*days), today.addDays(-1));
        chart.volume = volume;
        return ChartRenderer::toPng(ChartRenderer::render(chart, *width, *height));
    });
    res.set_header("Cache-Control", "max-age=300");
    res.set_content(png.constData(), std::size_t(png.size()), "image/png");
}

void MarketService::answerInfos(const httplib::Request &, httplib::Response &res)
{
    res.set_header("Cache-Control", "no-cache");
    res.set_content(infoPage(m_clock.now()), "text/html; charset=utf-8");
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
