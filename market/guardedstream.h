#pragma once

#include "serverlimits.h"

#include <httplib.h>

#include <chrono>
#include <functional>
#include <string>

// One client connection as the HTTP library reads and writes it, with the service's limits
// enforced underneath: a byte budget for each request's head and body, a deadline for the
// whole request, and output gathered so an answer leaves in one send.
class GuardedStream : public httplib::Stream
{
public:
    enum class Overrun { None, RequestLine, Head, Body };

    GuardedStream(socket_t socket, const ServerLimits &limits, std::function<bool()> stopping);

    // Waits up to timeoutMs for the first byte of the next request, then opens a fresh budget
    // and deadline for it; false on time-out, end of stream, error or stop.
    bool waitForRequest(int timeoutMs);
    Overrun overrun() const { return m_overrun; }
    std::size_t bytesWrittenThisRequest() const { return m_writtenThisRequest; }
    bool flush();
    // Reads and drops length bytes of the current request's body.
    bool discard(std::size_t length);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override { return m_socket; }

private:
    using Clock = std::chrono::steady_clock;
    enum class WaitResult { Ready, TimedOut, Failed };

    WaitResult waitFor(short events, int timeoutMs) const;
    void beginRequest();
    bool fill();
    void account(const char *data, std::size_t size);

    socket_t m_socket;
    ServerLimits m_limits;
    std::function<bool()> m_stopping;
    std::string m_remoteIp;
    int m_remotePort = -1;
    std::string m_localIp;
    int m_localPort = -1;

    char m_input[16384];
    std::size_t m_inputPos = 0;
    std::size_t m_inputEnd = 0;
    bool m_readFailed = false; // end of stream, reset, time-out or stop
    bool m_writeFailed = false;
    std::string m_output;

    // The current request.
    Clock::time_point m_deadline;
    Overrun m_overrun = Overrun::None;
    bool m_inHead = true;
    bool m_inFirstLine = true;
    int m_terminatorMatch = 0; // bytes of CR LF CR LF seen in a row
    std::size_t m_headBytes = 0;
    std::size_t m_bodyBytes = 0;
    std::size_t m_writtenThisRequest = 0;
};
