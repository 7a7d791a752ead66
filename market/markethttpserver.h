#pragma once

#include "guardedstream.h"
#include "serverlimits.h"

#include <httplib.h>

#include <atomic>
#include <optional>
#include <string>

// cpp-httplib's threaded server with the service's limits: each connection is served through
// a GuardedStream, bad or oversized requests are answered with a short text and end their
// connection, and a busy port is refused instead of shared.
class MarketHttpServer : public httplib::Server
{
public:
    // The connection being served on the calling thread.
    struct Connection
    {
        GuardedStream *stream = nullptr;
        bool routed = false;     // the request line and headers were well formed
        bool closeAfter = false; // end the connection after this answer
    };

    explicit MarketHttpServer(const ServerLimits &limits = ServerLimits());
    ~MarketHttpServer() override;

    const ServerLimits &limits() const { return m_limits; }

    // Decides a request before its body is read: Handled for an answer of its own (404,
    // 405), Unhandled to go on to the GET handlers.
    void setRouter(HandlerWithResponse router);

    // Listens on host:port (port 0: any free port). The bound port, or nullopt with a message.
    std::optional<int> bindTo(const std::string &host, int port, std::string *error);
    // Serves until shutdown(); false when nothing is bound.
    bool serve();
    // From any thread; safe before, while and after serve() runs.
    void shutdown();

    static Connection *currentConnection();
    static const char *reasonPhrase(int status);

private:
    bool process_and_close_socket(socket_t sock) override;
    // False, with the answer set, when the request's body cannot be skipped.
    bool skipUnreadBody(const httplib::Request &req, httplib::Response &res);
    bool stopping() const;

    ServerLimits m_limits;
    HandlerWithResponse m_router;
    std::atomic<bool> m_shutdownRequested{false};
    std::atomic<bool> m_serving{false};
};
