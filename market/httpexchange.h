#pragma once

#include "serverlimits.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One request as the HTTP library parsed it, before any body is read.
struct HttpRequest
{
    std::string method;
    std::string target; // as sent: path and query, nothing decoded
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers; // in order, repeats kept
    std::string remoteAddress;

    std::string_view path() const;
    // The first value of a header (names compared without case); nullopt when absent.
    std::optional<std::string_view> header(std::string_view name) const;
    int headerCount(std::string_view name) const;
    // Bytes the request line and headers took on the wire, CR LF counted.
    std::size_t headBytes() const;
    std::size_t requestLineBytes() const;
    bool asksToClose() const;
};

// One answer, sent whole with its Content-Length.
struct HttpAnswer
{
    int status = 200;
    std::string contentType;
    std::string body;
    // Bytes kept elsewhere (a cached chart), sent without a copy; `body` is empty then.
    std::shared_ptr<const std::string> sharedBody;
    std::vector<std::pair<std::string, std::string>> headers;
    bool closeAfter = false; // the connection ends after this answer

    std::string_view content() const
    {
        return sharedBody ? std::string_view(*sharedBody) : std::string_view(body);
    }
    void setContent(std::string text, std::string type);
    void setContent(std::shared_ptr<const std::string> bytes, std::string type);
    // "431 Request Header Fields Too Large\r\n" as text/plain.
    static HttpAnswer error(int status, std::string_view detail = {});
};

// The checks every request passes before it is routed.
namespace HttpExchange {

const char *reasonPhrase(int status);

// The body length the request announces: 0 when none, nullopt when unreadable or chunked.
std::optional<std::size_t> announcedBodyLength(const HttpRequest &request);

// An answer when the head breaks the limits or the protocol (then it also ends the
// connection): an oversized line or head, a version other than HTTP/1.x, a repeated Host,
// a NUL, CR or LF in a header value, a chunked body or an unreadable or oversized length.
// nullopt for a request to route.
std::optional<HttpAnswer> refuseHead(const HttpRequest &request, const ServerLimits &limits);

// Applies a single "Range: bytes=..." to a 200 answer: 206 with its part, or 416 when it
// starts beyond the end. Other ranges leave the whole answer.
void applyRange(const HttpRequest &request, HttpAnswer &answer);

} // namespace HttpExchange
