#include "markethttpserver.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Parser = http::request_parser<http::string_body>;
// The body points into bytes the step owns, so a cached chart goes out without a copy.
using Response = http::response<http::span_body<const char>>;

namespace {

// What one connection may buffer: a whole head, a whole body and a little of what follows.
constexpr std::size_t kBufferLimit = 64 * 1024;
// The first read of a request; the buffer grows from there as the head needs.
constexpr std::size_t kFirstRead = 2048;
// How long a connection ended after an error answer goes on reading, so the client gets the
// answer instead of a reset.
constexpr int kDrainMs = 1000;

// What a connection does next, decided without any I/O so sockets and answerBytes() share it.
struct Step
{
    enum Kind { ReadBody, Answer, Defer, Close } kind = Close;
    std::optional<Response> response;
    std::shared_ptr<const std::string> bytes; // what the response's body points into
    bool closeAfter = true;
};

} // namespace

struct MarketHttpServer::Impl
{
    explicit Impl(const ServerLimits &l) : limits(l)
    {
        for (int i = 0; i < std::max(1, l.threads); ++i)
            loops.push_back(std::make_unique<asio::io_context>(1));
    }

    ServerLimits limits;
    Router router;
    Handler handler;
    AsyncHandler asyncHandler;
    Logger logger;

    std::mutex clientsMutex; // guards what follows
    std::map<asio::ip::address, unsigned> perClient;
    unsigned connections = 0;

    // One event loop per thread, each connection on one of them in turn: a single shared loop
    // lets only one thread wait in epoll at a time, which stalls answers under many clients.
    // Destroyed before the members above: the connections they still hold give their slots back.
    std::vector<std::unique_ptr<asio::io_context>> loops;
    std::size_t nextLoop = 0; // touched by the accepting chain only
    asio::io_context &io() { return *loops.front(); }
    std::optional<tcp::acceptor> acceptor;
    std::optional<asio::steady_timer> acceptPause;

    void accept();
    void admit(tcp::socket socket);
};

namespace {

// A connection's place in the caps, given back when the connection ends.
class ClientSlot
{
public:
    ClientSlot(MarketHttpServer::Impl &server, asio::ip::address address)
        : m_server(server), m_address(std::move(address))
    {}
    ~ClientSlot()
    {
        std::lock_guard lock(m_server.clientsMutex);
        --m_server.connections;
        if (--m_server.perClient[m_address] == 0)
            m_server.perClient.erase(m_address);
    }
    ClientSlot(const ClientSlot &) = delete;
    ClientSlot &operator=(const ClientSlot &) = delete;

private:
    MarketHttpServer::Impl &m_server;
    asio::ip::address m_address;
};

std::string versionText(unsigned version)
{
    return "HTTP/" + std::to_string(version / 10) + "." + std::to_string(version % 10);
}

// One connection's requests and answers, without the transport.
class Conversation
{
public:
    // Without mayDefer every answer is made at once, by the handler.
    Conversation(MarketHttpServer::Impl &server, std::string remoteAddress, bool mayDefer)
        : m_server(server), m_remoteAddress(std::move(remoteAddress)), m_mayDefer(mayDefer)
    {}

    Parser &beginRequest()
    {
        m_request = HttpRequest();
        m_parser.emplace();
        m_parser->header_limit(std::uint32_t(m_server.limits.maxHeadBytes));
        m_parser->body_limit(m_server.limits.maxBodyBytes);
        return *m_parser;
    }
    Parser &parser() { return *m_parser; }

    Step afterHead(beast::error_code ec)
    {
        if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
            const std::size_t line =
                m_parser->get().target().empty()
                    ? m_server.limits.maxRequestLineBytes + 1
                    : m_parser->get().method_string().size() + m_parser->get().target().size() + 12;
            return refuse(line > m_server.limits.maxRequestLineBytes ? 414 : 431);
        }
        if (ec == http::error::body_limit)
            return refuse(413);
        // The client went away, stalled or broke the connection: nobody to answer.
        if (ec == http::error::end_of_stream || ec == http::error::partial_message ||
            (ec && ec.category() != beast::error_code(http::error::end_of_stream).category()))
            return Step();
        if (ec)
            return refuse(400, ec.message());

        const auto &message = m_parser->get();
        m_request.method = std::string(message.method_string());
        m_request.target = std::string(message.target());
        m_request.version = versionText(message.version());
        m_request.remoteAddress = m_remoteAddress;
        for (const auto &field : message)
            m_request.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));

        if (std::optional<HttpAnswer> refused = HttpExchange::refuseHead(m_request, m_server.limits))
            return answer(std::move(*refused));
        if (std::optional<HttpAnswer> routed = m_server.router ? m_server.router(m_request) : std::nullopt) {
            // Answered without reading the body: whatever follows is not a request.
            if (HttpExchange::announcedBodyLength(m_request).value_or(1) > 0)
                routed->closeAfter = true;
            return answer(std::move(*routed));
        }
        if (!m_parser->is_done()) {
            Step step;
            step.kind = Step::ReadBody;
            return step;
        }
        return afterBody({});
    }

    // Defer: hand request() to the asynchronous handler and its answer to finish().
    Step afterBody(beast::error_code ec)
    {
        if (ec == http::error::body_limit)
            return refuse(413);
        if (ec)
            return Step();
        if (m_mayDefer && m_server.asyncHandler) {
            Step step;
            step.kind = Step::Defer;
            return step;
        }
        return answer(m_server.handler ? m_server.handler(m_request) : HttpAnswer::error(404));
    }

    const HttpRequest &request() const { return m_request; }
    Step finish(HttpAnswer answered) { return answer(std::move(answered)); }

private:
    Step refuse(int status, std::string_view why = {})
    {
        HttpAnswer refusal = HttpAnswer::error(status, why);
        refusal.closeAfter = true;
        return answer(std::move(refusal));
    }

    Step answer(HttpAnswer answer)
    {
        const bool keepAlive = m_parser->is_header_done() && m_parser->get().keep_alive();
        if (!keepAlive || ++m_served >= m_server.limits.keepAliveMaxRequests)
            answer.closeAfter = true;
        if (m_server.logger)
            m_server.logger(m_request, answer);

        Step step;
        step.kind = Step::Answer;
        step.closeAfter = answer.closeAfter;
        Response &res = step.response.emplace(http::status(answer.status), 11);
        res.reason(HttpExchange::reasonPhrase(answer.status));
        if (!answer.contentType.empty())
            res.set(http::field::content_type, answer.contentType);
        for (const auto &[name, value] : answer.headers)
            res.insert(name, value);
        res.content_length(answer.content().size());
        if (m_request.method != "HEAD") {
            step.bytes = answer.sharedBody ? std::move(answer.sharedBody)
                                           : std::make_shared<const std::string>(std::move(answer.body));
            res.body() = {step.bytes->data(), step.bytes->size()};
        }
        if (answer.closeAfter)
            res.set(http::field::connection, "close");
        else if (m_request.version == "HTTP/1.0")
            res.set(http::field::connection, "keep-alive");
        return step;
    }

    MarketHttpServer::Impl &m_server;
    std::string m_remoteAddress;
    bool m_mayDefer;
    std::optional<Parser> m_parser;
    HttpRequest m_request;
    int m_served = 0;
};

class Session : public std::enable_shared_from_this<Session>
{
public:
    Session(tcp::socket socket, MarketHttpServer::Impl &server, std::string remote, asio::ip::address address)
        : m_stream(std::move(socket)), m_buffer(kBufferLimit), m_limits(server.limits),
          m_conversation(server, std::move(remote), true), m_server(server),
          m_slot(server, std::move(address))
    {}

    void start() { waitForRequest(m_limits.readTimeoutMs); }

private:
    // The idle wait for a request's first byte; the request's own deadline starts with it.
    void waitForRequest(int idleMs)
    {
        m_conversation.beginRequest();
        if (m_buffer.size() > 0)
            return readHead();
        m_stream.expires_after(std::chrono::milliseconds(idleMs));
        m_stream.async_read_some(m_buffer.prepare(kFirstRead),
                                 [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                     if (ec)
                                         return self->close();
                                     self->m_buffer.commit(n);
                                     self->readHead();
                                 });
    }

    void readHead()
    {
        m_stream.expires_after(std::chrono::milliseconds(m_limits.requestTimeoutMs));
        http::async_read_header(m_stream, m_buffer, m_conversation.parser(),
                                [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                    self->act(self->m_conversation.afterHead(ec));
                                });
    }

    void act(Step step)
    {
        switch (step.kind) {
        case Step::ReadBody:
            // Still within the request's deadline.
            http::async_read(m_stream, m_buffer, m_conversation.parser(),
                             [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                 self->act(self->m_conversation.afterBody(ec));
                             });
            return;
        case Step::Defer:
            // The answer comes back on this connection's strand, so its steps never overlap.
            m_server.asyncHandler(m_conversation.request(), [self = shared_from_this()](HttpAnswer answer) {
                asio::post(self->m_stream.get_executor(), [self, answer = std::move(answer)]() mutable {
                    self->act(self->m_conversation.finish(std::move(answer)));
                });
            });
            return;
        case Step::Answer:
            m_response = std::move(step.response);
            m_bytes = std::move(step.bytes);
            m_closeAfter = step.closeAfter;
            m_stream.expires_after(std::chrono::milliseconds(m_limits.writeTimeoutMs));
            http::async_write(m_stream, *m_response,
                              [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                  self->m_response.reset();
                                  self->m_bytes.reset();
                                  if (ec)
                                      return self->close();
                                  if (self->m_closeAfter)
                                      return self->drain();
                                  self->waitForRequest(self->m_limits.keepAliveTimeoutMs);
                              });
            return;
        case Step::Close:
            close();
            return;
        }
    }

    // Ends the sending side and reads whatever the client still sends for a moment.
    void drain()
    {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        m_stream.expires_after(std::chrono::milliseconds(kDrainMs));
        drainMore();
    }

    void drainMore()
    {
        m_buffer.clear();
        m_stream.async_read_some(m_buffer.prepare(kFirstRead),
                                 [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                     if (ec)
                                         return self->close();
                                     self->drainMore();
                                 });
    }

    void close()
    {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        m_stream.close();
    }

    beast::tcp_stream m_stream;
    beast::flat_buffer m_buffer;
    const ServerLimits &m_limits;
    Conversation m_conversation;
    MarketHttpServer::Impl &m_server;
    std::optional<Response> m_response;
    std::shared_ptr<const std::string> m_bytes;
    bool m_closeAfter = false;
    ClientSlot m_slot;
};

} // namespace

void MarketHttpServer::Impl::accept()
{
    asio::io_context &target = *loops[nextLoop++ % loops.size()];
    acceptor->async_accept(asio::make_strand(target), [this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor->is_open())
            return;
        if (!ec) {
            admit(std::move(socket));
            return accept();
        }
        // Out of descriptors or the like: try again shortly instead of spinning.
        acceptPause.emplace(io(), std::chrono::milliseconds(100));
        acceptPause->async_wait([this](beast::error_code waitError) {
            if (!waitError)
                accept();
        });
    });
}

void MarketHttpServer::Impl::admit(tcp::socket socket)
{
    beast::error_code ec;
    const tcp::endpoint remote = socket.remote_endpoint(ec);
    if (ec)
        return;
    asio::ip::address address = remote.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    {
        std::lock_guard lock(clientsMutex);
        unsigned &mine = perClient[address];
        if (connections >= limits.maxConnections || mine >= limits.maxConnectionsPerClient) {
            if (mine == 0)
                perClient.erase(address);
            socket.close(ec);
            return;
        }
        ++mine;
        ++connections;
    }
    socket.set_option(tcp::no_delay(true), ec);
    std::make_shared<Session>(std::move(socket), *this, address.to_string(), address)->start();
}

MarketHttpServer::MarketHttpServer(const ServerLimits &limits) : m_impl(std::make_unique<Impl>(limits))
{}

MarketHttpServer::~MarketHttpServer()
{
    shutdown();
}

const ServerLimits &MarketHttpServer::limits() const
{
    return m_impl->limits;
}

void MarketHttpServer::setRouter(Router router)
{
    m_impl->router = std::move(router);
}

void MarketHttpServer::setHandler(Handler handler)
{
    m_impl->handler = std::move(handler);
}

void MarketHttpServer::setAsyncHandler(AsyncHandler handler)
{
    m_impl->asyncHandler = std::move(handler);
}

void MarketHttpServer::setLogger(Logger logger)
{
    m_impl->logger = std::move(logger);
}

void MarketHttpServer::raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::optional<int> MarketHttpServer::bindTo(const std::string &host, int port, std::string *error)
{
    const std::string where = host + ":" + std::to_string(port);
    auto fail = [&](const std::string &message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    if (port < 0 || port > 65535)
        return fail("port " + std::to_string(port) + " is out of range (0 to 65535)");
    if (m_impl->acceptor)
        return fail("cannot listen on " + where + ": already listening");

    beast::error_code ec;
    tcp::resolver resolver(m_impl->io());
    const auto found = resolver.resolve(host, std::to_string(port),
                                        tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty())
        return fail("cannot listen on " + where + ": the address cannot be resolved");
    const tcp::endpoint endpoint = found.begin()->endpoint();

    tcp::acceptor acceptor(m_impl->io());
    acceptor.open(endpoint.protocol(), ec);
    // Plain SO_REUSEADDR, never SO_REUSEPORT: a second service must not share a busy port.
    if (!ec)
        acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(m_impl->limits.listenBacklog, ec);
    if (ec) {
        const int code = ec.value();
        if (code == EADDRINUSE)
            return fail("port " + std::to_string(port) + " on " + host +
                        " is already in use (is another market service running?)");
        if (code == EADDRNOTAVAIL)
            return fail("cannot listen on " + where + ": no such local address");
        if (code == EACCES)
            return fail("cannot listen on " + where + ": permission denied");
        return fail("cannot listen on " + where + ": " + std::strerror(code));
    }
    const int bound = acceptor.local_endpoint(ec).port();
    m_impl->acceptor.emplace(std::move(acceptor));
    return bound;
}

bool MarketHttpServer::serve()
{
    if (!m_impl->acceptor)
        return false;
    m_impl->accept();
    std::vector<asio::executor_work_guard<asio::io_context::executor_type>> busy;
    for (auto &loop : m_impl->loops)
        busy.push_back(asio::make_work_guard(*loop));
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < m_impl->loops.size(); ++i)
        helpers.emplace_back([this, i] { m_impl->loops[i]->run(); });
    m_impl->io().run();
    for (std::thread &t : helpers)
        t.join();
    return true;
}

void MarketHttpServer::shutdown()
{
    // Stays stopped: a serve() still to come returns at once.
    for (auto &loop : m_impl->loops)
        loop->stop();
}

std::string MarketHttpServer::answerBytes(std::string_view input)
{
    Conversation conversation(*m_impl, "127.0.0.1", false);
    beast::flat_buffer buffer(kBufferLimit);
    std::size_t taken = 0;
    // Moves more input into the buffer, a piece at a time as a socket would.
    auto feed = [&] {
        const std::size_t n = std::min({input.size() - taken, buffer.max_size() - buffer.size(), kFirstRead});
        if (n == 0)
            return false;
        auto space = buffer.prepare(n);
        std::memcpy(space.data(), input.data() + taken, n);
        buffer.commit(n);
        taken += n;
        return true;
    };
    // Parses until done() holds; the error that stopped it.
    auto parse = [&](Parser &parser, auto done) {
        while (!done(parser)) {
            if (buffer.size() > 0) {
                beast::error_code ec;
                buffer.consume(parser.put(buffer.data(), ec));
                if (!ec)
                    continue;
                if (ec != http::error::need_more)
                    return ec;
            }
            if (!feed())
                return beast::error_code(buffer.size() == buffer.max_size() ? http::error::buffer_overflow
                                                                            : http::error::partial_message);
        }
        return beast::error_code();
    };

    std::string output;
    for (;;) {
        Parser &parser = conversation.beginRequest();
        if (buffer.size() == 0 && !feed())
            return output;
        Step head = conversation.afterHead(parse(parser, [](Parser &p) { return p.is_header_done(); }));
        const Step step = head.kind == Step::ReadBody
                              ? conversation.afterBody(parse(parser, [](Parser &p) { return p.is_done(); }))
                              : std::move(head);
        if (step.kind != Step::Answer)
            return output;
        std::ostringstream bytes;
        bytes << *step.response;
        output += bytes.str();
        if (step.closeAfter)
            return output;
    }
}
