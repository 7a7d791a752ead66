#include "markethttpserver.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <thread>

namespace {

thread_local MarketHttpServer::Connection *t_connection = nullptr;

// Room for bursts of new connections; the library's own backlog is tiny.
constexpr int kListenBacklog = 512;

bool asksToClose(const httplib::Request &req)
{
    const std::string connection = req.get_header_value("Connection");
    if (strcasecmp(connection.c_str(), "close") == 0)
        return true;
    return req.version == "HTTP/1.0" && strcasecmp(connection.c_str(), "keep-alive") != 0;
}

std::string cannedAnswer(int status)
{
    const std::string body = std::to_string(status) + " " + MarketHttpServer::reasonPhrase(status) + "\r\n";
    return "HTTP/1.1 " + std::to_string(status) + " " + MarketHttpServer::reasonPhrase(status) +
           "\r\nConnection: close\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

int statusForOverrun(GuardedStream::Overrun overrun)
{
    switch (overrun) {
    case GuardedStream::Overrun::RequestLine:
        return 414;
    case GuardedStream::Overrun::Head:
        return 431;
    case GuardedStream::Overrun::Body:
        return 413;
    case GuardedStream::Overrun::None:
        break;
    }
    return 0;
}

} // namespace

MarketHttpServer::MarketHttpServer(const ServerLimits &limits) : m_limits(limits)
{
    const int threads = limits.threads;
    new_task_queue = [threads] { return new httplib::ThreadPool(std::size_t(std::max(1, threads))); };

    // Plain SO_REUSEADDR: the library's default SO_REUSEPORT would let a second service share
    // a busy port silently.
    set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    set_payload_max_length(limits.maxBodyBytes);
    set_read_timeout(limits.readTimeoutMs / 1000, (limits.readTimeoutMs % 1000) * 1000);
    set_write_timeout(limits.writeTimeoutMs / 1000, (limits.writeTimeoutMs % 1000) * 1000);
    set_keep_alive_timeout(std::max(1, limits.keepAliveTimeoutMs / 1000));
    set_keep_alive_max_count(std::size_t(std::max(1, limits.keepAliveMaxRequests)));

    set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        if (t_connection)
            t_connection->routed = true;
        if (!skipUnreadBody(req, res))
            return HandlerResponse::Handled;
        return m_router ? m_router(req, res) : HandlerResponse::Unhandled;
    });

    set_error_handler(HandlerWithResponse([](const httplib::Request &, httplib::Response &res) {
        if (t_connection && t_connection->stream) {
            if (const int status = statusForOverrun(t_connection->stream->overrun())) {
                res.status = status;
                res.body.clear();
            }
        }
        if (res.body.empty())
            res.set_content(std::to_string(res.status) + " " + reasonPhrase(res.status) + "\r\n",
                            "text/plain");
        // Handled makes the library size the body on every path, its own parse errors included.
        return HandlerResponse::Handled;
    }));

    // Runs after the library has chosen its keep-alive headers: a request that went wrong
    // before its body was read leaves the connection out of step, so it ends here.
    set_post_routing_handler([](const httplib::Request &req, httplib::Response &res) {
        Connection *c = t_connection;
        if (!c)
            return;
        if (!c->routed || res.status == 413 || res.status == 414 || res.status == 431 ||
            (c->stream && c->stream->overrun() != GuardedStream::Overrun::None) || asksToClose(req))
            c->closeAfter = true;
        if (c->closeAfter) {
            res.headers.erase("Keep-Alive");
            res.headers.erase("Connection");
            res.headers.emplace("Connection", "close");
        }
    });
}

MarketHttpServer::~MarketHttpServer()
{
    shutdown();
}

bool MarketHttpServer::skipUnreadBody(const httplib::Request &req, httplib::Response &res)
{
    // The library reads bodies of POST, PUT, PATCH and DELETE only; a body sent with a GET
    // would otherwise be taken for the next request on the connection.
    if (req.method == "POST" || req.method == "PUT" || req.method == "PATCH" || req.method == "DELETE")
        return true;
    Connection *c = t_connection;
    auto refuse = [&](int status) {
        res.status = status;
        if (c)
            c->closeAfter = true;
        return false;
    };
    if (req.has_header("Transfer-Encoding"))
        return refuse(400);
    if (!req.has_header("Content-Length"))
        return true;
    const std::string text = req.get_header_value("Content-Length");
    std::size_t length = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), length);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return refuse(400);
    if (length > m_limits.maxBodyBytes)
        return refuse(413);
    if (length > 0 && !(c && c->stream && c->stream->discard(length)))
        return refuse(400);
    return true;
}

void MarketHttpServer::setRouter(HandlerWithResponse router)
{
    m_router = std::move(router);
}

std::optional<int> MarketHttpServer::bindTo(const std::string &host, int port, std::string *error)
{
    const std::string where = host + ":" + std::to_string(port);
    if (port < 0 || port > 65535) {
        if (error)
            *error = "port " + std::to_string(port) + " is out of range (0 to 65535)";
        return std::nullopt;
    }
    errno = 0;
    int bound = port;
    if (port == 0)
        bound = bind_to_any_port(host);
    else if (!bind_to_port(host, port))
        bound = -1;
    if (bound <= 0) {
        const int code = errno;
        if (error) {
            if (code == EADDRINUSE)
                *error = "port " + std::to_string(port) + " on " + host +
                         " is already in use (is another market service running?)";
            else if (code == EADDRNOTAVAIL)
                *error = "cannot listen on " + where + ": no such local address";
            else if (code == EACCES)
                *error = "cannot listen on " + where + ": permission denied";
            else if (code != 0)
                *error = "cannot listen on " + where + ": " + std::strerror(code);
            else
                *error = "cannot listen on " + where + ": the address cannot be resolved";
        }
        return std::nullopt;
    }
    ::listen(svr_sock_, kListenBacklog);
    return bound;
}

bool MarketHttpServer::serve()
{
    m_serving = true;
    if (m_shutdownRequested) {
        m_serving = false;
        return true;
    }
    const bool ok = listen_after_bind();
    m_serving = false;
    return ok;
}

void MarketHttpServer::shutdown()
{
    m_shutdownRequested = true;
    // stop() only acts once the accept loop runs; wait out the moment between serve() being
    // called and the loop starting.
    while (m_serving && !is_running())
        std::this_thread::yield();
    stop();
}

bool MarketHttpServer::stopping() const
{
    return m_shutdownRequested || svr_sock_ == INVALID_SOCKET;
}

MarketHttpServer::Connection *MarketHttpServer::currentConnection()
{
    return t_connection;
}

const char *MarketHttpServer::reasonPhrase(int status)
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
    default:
        return status >= 500 ? "Server Error" : status >= 400 ? "Client Error" : "OK";
    }
}

bool MarketHttpServer::process_and_close_socket(socket_t sock)
{
    int yes = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);

    GuardedStream stream(sock, m_limits, [this] { return stopping(); });
    bool ok = true;
    for (int served = 0; ok && !stopping(); ++served) {
        const int idleMs = served == 0 ? m_limits.readTimeoutMs : m_limits.keepAliveTimeoutMs;
        if (!stream.waitForRequest(idleMs))
            break;
        Connection connection;
        connection.stream = &stream;
        const bool last = served + 1 >= m_limits.keepAliveMaxRequests;
        bool clientClosed = false;
        t_connection = &connection;
        ok = process_request(stream, last, clientClosed, nullptr);
        t_connection = nullptr;

        const int overrunStatus = statusForOverrun(stream.overrun());
        if (overrunStatus && stream.bytesWrittenThisRequest() == 0) {
            const std::string answer = cannedAnswer(overrunStatus);
            stream.write(answer.data(), answer.size());
        }
        ok = stream.flush() && ok;
        if (last || clientClosed || connection.closeAfter || overrunStatus)
            break;
    }
    stream.flush();
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}
