#pragma once

#include "httpexchange.h"
#include "serverlimits.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The service's HTTP server on Boost.Beast: a few threads run one event loop for every
// connection, with caps on connections in all and per client address, a deadline for each
// request and each answer, a bounded buffer per connection, and idle connections costing a
// socket and a little memory, never a thread. Bad or oversized requests are answered with a
// short text and end their connection; a busy port is refused, not shared.
class MarketHttpServer
{
public:
    // Decides a request before its body is read: an answer of its own (404, 405), or nullopt
    // to have the body skipped and the request answered by the handler.
    using Router = std::function<std::optional<HttpAnswer>(const HttpRequest &)>;
    using Handler = std::function<HttpAnswer(const HttpRequest &)>;
    // Answers a routed request later, from any thread, by calling the responder once; the
    // serving thread goes on with other connections meanwhile.
    using Responder = std::function<void(HttpAnswer)>;
    using AsyncHandler = std::function<void(const HttpRequest &, Responder)>;
    // Called from the serving threads as each answer is sent.
    using Logger = std::function<void(const HttpRequest &, const HttpAnswer &)>;

    explicit MarketHttpServer(const ServerLimits &limits = ServerLimits());
    ~MarketHttpServer();
    MarketHttpServer(const MarketHttpServer &) = delete;
    MarketHttpServer &operator=(const MarketHttpServer &) = delete;

    const ServerLimits &limits() const;
    void setRouter(Router router);
    void setHandler(Handler handler);
    // Takes the handler's place on sockets; answerBytes() keeps to the handler.
    void setAsyncHandler(AsyncHandler handler);
    void setLogger(Logger logger);

    // Listens on host:port (port 0: any free port). The bound port, or nullopt with a message.
    std::optional<int> bindTo(const std::string &host, int port, std::string *error);
    // Serves until shutdown(); false when nothing is bound.
    bool serve();
    // From any thread; safe before, while and after serve() runs.
    void shutdown();

    // The bytes one connection would get back for these bytes, read exactly as a client's:
    // answers in order until the connection would end or the input runs out.
    std::string answerBytes(std::string_view input);

    // The soft limit on open files raised to the hard one, so thousands of clients fit.
    static void raiseOpenFileLimit();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
