#pragma once

// A plain HTTP/1.1 client on POSIX sockets, so tests see the exact bytes a server sends, and
// crowds of thousands of connections stay cheap. Qt-free: the load benchmarks use it too.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace rawhttp {

// A connected socket from the local address `from` (any free port) to 127.0.0.1:port, or -1.
inline int connectFrom(int port, const std::string &from)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{}, remote{};
    local.sin_family = remote.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    remote.sin_port = htons(std::uint16_t(port));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0 &&
        ::connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

inline bool sendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

inline std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return char(std::tolower(c)); });
    return s;
}

struct Answer
{
    int status = 0;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    bool closes = false; // the server said Connection: close

    std::string header(const std::string &name) const
    {
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

// Reads answers off one connection, each within timeoutMs.
class Reader
{
public:
    explicit Reader(int fd) : m_fd(fd) {}

    // One answer; nullopt when the connection ends or stalls first. A HEAD answer has no body.
    std::optional<Answer> read(int timeoutMs, bool head = false)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::size_t headEnd;
        while ((headEnd = m_buffer.find("\r\n\r\n")) == std::string::npos)
            if (!fill(end))
                return std::nullopt;
        Answer answer;
        if (m_buffer.compare(0, 9, "HTTP/1.1 ") == 0)
            answer.status = std::atoi(m_buffer.c_str() + 9);
        for (std::size_t at = m_buffer.find("\r\n"); at < headEnd;) {
            const std::size_t next = m_buffer.find("\r\n", at + 2);
            const std::string line = m_buffer.substr(at + 2, next - at - 2);
            at = next;
            const std::size_t colon = line.find(':');
            const std::size_t from = line.find_first_not_of(" \t", colon + 1);
            if (colon != std::string::npos)
                answer.headers[lower(line.substr(0, colon))] =
                    from == std::string::npos ? std::string() : line.substr(from);
        }
        answer.closes = lower(answer.header("connection")) == "close";
        const std::size_t length =
            head ? 0 : std::strtoul(answer.header("content-length").c_str(), nullptr, 10);
        while (m_buffer.size() < headEnd + 4 + length)
            if (!fill(end))
                return std::nullopt;
        answer.body = m_buffer.substr(headEnd + 4, length);
        m_buffer.erase(0, headEnd + 4 + length);
        return answer;
    }

    // True once the peer has ended the connection within timeoutMs; what it sent is dropped.
    bool closedByPeer(int timeoutMs)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (fill(end)) {
        }
        return m_closed;
    }

private:
    bool fill(std::chrono::steady_clock::time_point end)
    {
        using namespace std::chrono;
        const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
        pollfd entry{m_fd, POLLIN, 0};
        if (left <= 0 || ::poll(&entry, 1, int(left)) != 1)
            return false;
        char chunk[16384];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        m_closed = n <= 0;
        if (n > 0)
            m_buffer.append(chunk, std::size_t(n));
        return n > 0;
    }

    int m_fd;
    std::string m_buffer;
    bool m_closed = false;
};

// One connection from `from` (127.0.0.1), closed with the object.
class Client
{
public:
    static constexpr int kWaitMs = 10000;

    explicit Client(int port, const std::string &from = "127.0.0.1")
        : m_fd(connectFrom(port, from)), m_reader(m_fd)
    {}
    ~Client()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    bool send(std::string_view bytes) { return m_fd >= 0 && sendAll(m_fd, bytes); }
    std::optional<Answer> read(bool head = false, int timeoutMs = kWaitMs)
    {
        return m_reader.read(timeoutMs, head);
    }
    std::optional<Answer> exchange(std::string_view request, int timeoutMs = kWaitMs)
    {
        return send(request) ? read(request.substr(0, 5) == "HEAD ", timeoutMs) : std::nullopt;
    }
    bool closedByPeer(int timeoutMs = kWaitMs) { return m_reader.closedByPeer(timeoutMs); }

private:
    int m_fd;
    Reader m_reader;
};

inline std::string get(std::string_view target)
{
    return "GET " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

} // namespace rawhttp
