#include "guardedstream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>

namespace {

// Waits are cut into slices so a stopping server is noticed promptly.
constexpr int kSliceMs = 100;

void addressOf(const sockaddr_storage &address, std::string &ip, int &port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(&address);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(&address);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        port = ntohs(in6->sin6_port);
    }
    ip = text;
}

} // namespace

GuardedStream::GuardedStream(socket_t socket, const ServerLimits &limits, std::function<bool()> stopping)
    : m_socket(socket), m_limits(limits), m_stopping(std::move(stopping))
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        addressOf(address, m_remoteIp, m_remotePort);
    length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        addressOf(address, m_localIp, m_localPort);
    beginRequest();
}

GuardedStream::WaitResult GuardedStream::waitFor(short events, int timeoutMs) const
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (m_stopping && m_stopping())
            return WaitResult::Failed;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            return WaitResult::TimedOut;
        pollfd fd{m_socket, events, 0};
        const int ready = ::poll(&fd, 1, int(std::min<long long>(left, kSliceMs)));
        if (ready > 0)
            return (fd.revents & (events | POLLHUP | POLLERR)) ? WaitResult::Ready : WaitResult::Failed;
        if (ready < 0 && errno != EINTR)
            return WaitResult::Failed;
    }
}

bool GuardedStream::waitForRequest(int timeoutMs)
{
    if (m_inputPos == m_inputEnd && (m_readFailed || waitFor(POLLIN, timeoutMs) != WaitResult::Ready))
        return false;
    beginRequest();
    return m_inputPos < m_inputEnd || fill();
}

void GuardedStream::beginRequest()
{
    m_deadline = Clock::now() + std::chrono::milliseconds(m_limits.requestTimeoutMs);
    m_overrun = Overrun::None;
    m_inHead = true;
    m_inFirstLine = true;
    m_terminatorMatch = 0;
    m_headBytes = 0;
    m_bodyBytes = 0;
    m_writtenThisRequest = 0;
}

bool GuardedStream::fill()
{
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        if (left <= 0 ||
            waitFor(POLLIN, int(std::min<long long>(left, m_limits.readTimeoutMs))) != WaitResult::Ready)
            break;
        const ssize_t n = ::recv(m_socket, m_input, sizeof m_input, MSG_DONTWAIT);
        if (n > 0) {
            m_inputPos = 0;
            m_inputEnd = std::size_t(n);
            return true;
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            break;
    }
    m_readFailed = true;
    return false;
}

void GuardedStream::account(const char *data, std::size_t size)
{
    static constexpr char kTerminator[] = "\r\n\r\n";
    for (std::size_t i = 0; i < size; ++i) {
        if (!m_inHead) {
            m_bodyBytes += size - i;
            break;
        }
        ++m_headBytes;
        if (m_inFirstLine && data[i] == '\n')
            m_inFirstLine = false;
        if (data[i] == kTerminator[m_terminatorMatch])
            ++m_terminatorMatch;
        else
            m_terminatorMatch = data[i] == '\r' ? 1 : 0;
        if (m_terminatorMatch == 4)
            m_inHead = false;
    }
    if (m_inFirstLine && m_headBytes > m_limits.maxRequestLineBytes)
        m_overrun = Overrun::RequestLine;
    else if (m_headBytes > m_limits.maxHeadBytes)
        m_overrun = Overrun::Head;
    else if (m_bodyBytes > m_limits.maxBodyBytes)
        m_overrun = Overrun::Body;
}

ssize_t GuardedStream::read(char *ptr, size_t size)
{
    if (m_overrun != Overrun::None)
        return -1;
    if (m_inputPos == m_inputEnd && !fill())
        return -1;
    const std::size_t n = std::min(size, m_inputEnd - m_inputPos);
    std::copy_n(m_input + m_inputPos, n, ptr);
    m_inputPos += n;
    account(ptr, n);
    if (m_overrun != Overrun::None)
        return -1;
    return ssize_t(n);
}

ssize_t GuardedStream::write(const char *ptr, size_t size)
{
    if (m_writeFailed)
        return -1;
    m_output.append(ptr, size);
    m_writtenThisRequest += size;
    if (m_output.size() >= 65536 && !flush())
        return -1;
    return ssize_t(size);
}

bool GuardedStream::flush()
{
    std::size_t sent = 0;
    while (sent < m_output.size()) {
        const ssize_t n =
            ::send(m_socket, m_output.data() + sent, m_output.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            waitFor(POLLOUT, m_limits.writeTimeoutMs) == WaitResult::Ready)
            continue;
        m_output.clear();
        m_writeFailed = true;
        return false;
    }
    m_output.clear();
    return true;
}

bool GuardedStream::discard(std::size_t length)
{
    char sink[4096];
    while (length > 0) {
        const ssize_t n = read(sink, std::min(length, sizeof sink));
        if (n <= 0)
            return false;
        length -= std::size_t(n);
    }
    return true;
}

bool GuardedStream::is_readable() const
{
    return m_inputPos < m_inputEnd || waitFor(POLLIN, m_limits.readTimeoutMs) == WaitResult::Ready;
}

bool GuardedStream::is_writable() const
{
    return !m_writeFailed;
}

void GuardedStream::get_remote_ip_and_port(std::string &ip, int &port) const
{
    ip = m_remoteIp;
    port = m_remotePort;
}

void GuardedStream::get_local_ip_and_port(std::string &ip, int &port) const
{
    ip = m_localIp;
    port = m_localPort;
}
