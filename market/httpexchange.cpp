#include "httpexchange.h"

#include <strings.h>

#include <charconv>

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::optional<std::size_t> parseSize(std::string_view text)
{
    std::size_t value = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

} // namespace

std::string_view HttpRequest::path() const
{
    const std::string_view whole(target);
    return whole.substr(0, whole.find('?'));
}

std::optional<std::string_view> HttpRequest::header(std::string_view name) const
{
    for (const auto &[key, value] : headers)
        if (sameName(key, name))
            return std::string_view(value);
    return std::nullopt;
}

int HttpRequest::headerCount(std::string_view name) const
{
    int count = 0;
    for (const auto &item : headers)
        count += sameName(item.first, name);
    return count;
}

std::size_t HttpRequest::requestLineBytes() const
{
    return method.size() + 1 + target.size() + 1 + version.size() + 2;
}

std::size_t HttpRequest::headBytes() const
{
    std::size_t bytes = requestLineBytes() + 2;
    for (const auto &[key, value] : headers)
        bytes += key.size() + 2 + value.size() + 2;
    return bytes;
}

bool HttpRequest::asksToClose() const
{
    const std::string_view connection = header("Connection").value_or(std::string_view());
    if (sameName(connection, "close"))
        return true;
    return version == "HTTP/1.0" && !sameName(connection, "keep-alive");
}

void HttpAnswer::setContent(std::string text, std::string type)
{
    body = std::move(text);
    sharedBody.reset();
    contentType = std::move(type);
}

void HttpAnswer::setContent(std::shared_ptr<const std::string> bytes, std::string type)
{
    body.clear();
    sharedBody = std::move(bytes);
    contentType = std::move(type);
}

HttpAnswer HttpAnswer::error(int status, std::string_view detail)
{
    HttpAnswer answer;
    answer.status = status;
    std::string text = std::to_string(status) + " " + HttpExchange::reasonPhrase(status);
    if (!detail.empty())
        text.append(": ").append(detail);
    answer.setContent(text + "\r\n", "text/plain");
    return answer;
}

const char *HttpExchange::reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Payload Too Large";
    case 414:
        return "URI Too Long";
    case 416:
        return "Range Not Satisfiable";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return status >= 500 ? "Server Error" : status >= 400 ? "Client Error" : "OK";
    }
}

std::optional<std::size_t> HttpExchange::announcedBodyLength(const HttpRequest &request)
{
    if (request.header("Transfer-Encoding"))
        return std::nullopt;
    const int lengths = request.headerCount("Content-Length");
    if (lengths == 0)
        return 0;
    if (lengths > 1)
        return std::nullopt;
    return parseSize(*request.header("Content-Length"));
}

std::optional<HttpAnswer> HttpExchange::refuseHead(const HttpRequest &request, const ServerLimits &limits)
{
    auto refuse = [](int status, std::string_view why = {}) {
        HttpAnswer answer = HttpAnswer::error(status, why);
        answer.closeAfter = true;
        return std::optional<HttpAnswer>(std::move(answer));
    };
    if (request.requestLineBytes() > limits.maxRequestLineBytes)
        return refuse(414);
    if (request.headBytes() > limits.maxHeadBytes)
        return refuse(431);
    if (request.version != "HTTP/1.1" && request.version != "HTTP/1.0")
        return refuse(400, "HTTP/1.0 or HTTP/1.1 expected");
    if (request.headerCount("Host") > 1)
        return refuse(400, "more than one Host header");
    for (const auto &[key, value] : request.headers)
        if (value.find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos)
            return refuse(400, "control bytes in the " + key + " header");
    const std::optional<std::size_t> length = announcedBodyLength(request);
    if (!length)
        return refuse(400, "unreadable body length");
    if (*length > limits.maxBodyBytes)
        return refuse(413);
    return std::nullopt;
}

void HttpExchange::applyRange(const HttpRequest &request, HttpAnswer &answer)
{
    const std::optional<std::string_view> range = request.header("Range");
    if (answer.status != 200 || !range || range->substr(0, 6) != "bytes=" ||
        range->find(',') != std::string_view::npos)
        return;
    const std::string_view wanted = range->substr(6);
    const std::size_t dash = wanted.find('-');
    if (dash == std::string_view::npos)
        return;
    const std::size_t size = answer.content().size();
    std::size_t first = 0;
    std::size_t last = size == 0 ? 0 : size - 1;
    if (dash == 0) {
        // The last N bytes.
        const std::optional<std::size_t> suffix = parseSize(wanted.substr(1));
        if (!suffix || *suffix == 0)
            return;
        first = *suffix >= size ? 0 : size - *suffix;
    } else {
        const std::optional<std::size_t> from = parseSize(wanted.substr(0, dash));
        if (!from)
            return;
        first = *from;
        if (dash + 1 < wanted.size()) {
            const std::optional<std::size_t> to = parseSize(wanted.substr(dash + 1));
            if (!to || *to < first)
                return;
            last = std::min(last, *to);
        }
    }
    const std::string total = std::to_string(size);
    if (first >= size) {
        answer = HttpAnswer::error(416);
        answer.headers.emplace_back("Content-Range", "bytes */" + total);
        return;
    }
    answer.status = 206;
    answer.headers.emplace_back("Content-Range",
                                "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + total);
    answer.setContent(std::string(answer.content().substr(first, last - first + 1)), answer.contentType);
}
