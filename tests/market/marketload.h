#pragma once

// Load on a market service over plain sockets: crowds of idle or trickling connections from
// other loopback addresses, timed quote requests and bulk keep-alive requests. Shared by the
// abuse test and its benchmark.
#include "common/rawhttp.h"

#include <sys/resource.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

namespace marketload {

using rawhttp::Answer;
using rawhttp::connectFrom;
using rawhttp::Reader;
using rawhttp::sendAll;

inline void raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// A connected socket from the local address `from` (any free port), or -1.
inline std::string loopbackAddress(int n)
{
    return "127.0." + std::to_string(n / 250) + "." + std::to_string(2 + n % 250);
}

inline std::string quoteRequest(std::string_view ticker, bool keepAlive)
{
    return "GET /d/quotes.csv?s=" + std::string(ticker) +
           "&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
           (keepAlive ? "" : "Connection: close\r\n") + "\r\n";
}

inline bool isQuote(const std::optional<Answer> &answer, std::string_view ticker)
{
    return answer && answer->status == 200 && answer->body.rfind("\"" + std::string(ticker) + "\",", 0) == 0;
}

// Connections held open from 127.0.0.2 upwards, perAddress from each address. Slow ones have
// sent the start of a request head and add one byte to it at each trickle().
class Crowd
{
public:
    Crowd(int port, int count, int perAddress, int firstAddress, bool slow) : m_slow(slow)
    {
        for (int i = 0; i < count; ++i) {
            const int fd = connectFrom(port, loopbackAddress(firstAddress + i / perAddress));
            if (fd < 0)
                continue;
            if (slow && !sendAll(fd, "GET /infos HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ")) {
                ::close(fd);
                continue;
            }
            m_sockets.push_back(fd);
        }
    }
    ~Crowd()
    {
        for (int fd : m_sockets)
            ::close(fd);
    }
    Crowd(const Crowd &) = delete;
    Crowd &operator=(const Crowd &) = delete;

    int size() const { return int(m_sockets.size()); }

    void trickle()
    {
        if (m_slow)
            for (int fd : m_sockets)
                ::send(fd, "s", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }

private:
    bool m_slow;
    std::vector<int> m_sockets;
};

struct Timing
{
    std::vector<double> ms; // every request, failed ones included
    int failed = 0;

    double percentile(double p) const
    {
        if (ms.empty())
            return 0;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, std::size_t(p / 100.0 * double(sorted.size())))];
    }
};

// count quote requests from 127.0.0.1, each on a new connection, timed from connect to the
// whole answer; between() runs before each.
inline Timing timeQuotes(int port, int count, int timeoutMs, const std::function<void()> &between)
{
    Timing timing;
    for (int i = 0; i < count; ++i) {
        between();
        const auto start = std::chrono::steady_clock::now();
        const int fd = connectFrom(port, "127.0.0.1");
        bool ok = fd >= 0 && sendAll(fd, quoteRequest("MSFT", false));
        ok = ok && isQuote(Reader(fd).read(timeoutMs), "MSFT");
        if (fd >= 0)
            ::close(fd);
        const auto elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
        // A failure counts with the time it took, so it weighs in the percentiles too.
        timing.ms.push_back(elapsed.count());
        timing.failed += !ok;
    }
    return timing;
}

// total quote requests over `connections` keep-alive connections in parallel, sixteen from
// each address from 127.0.1.152 on, reconnecting when the service ends one; the number that
// failed.
inline int bulkQuotes(int port, int connections, int total)
{
    std::atomic<int> failed{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < connections; ++c) {
        clients.emplace_back([&, c] {
            const int share = total / connections + (c < total % connections);
            int fd = -1;
            std::optional<Reader> reader;
            for (int i = 0; i < share; ++i) {
                if (fd < 0) {
                    fd = connectFrom(port, loopbackAddress(400 + c / 16));
                    reader.emplace(fd);
                }
                const std::optional<Answer> answer =
                    fd >= 0 && sendAll(fd, quoteRequest("IBM", true)) ? reader->read(10000) : std::nullopt;
                if (!isQuote(answer, "IBM"))
                    ++failed;
                if (!answer || answer->closes) {
                    if (fd >= 0)
                        ::close(fd);
                    fd = -1;
                }
            }
            if (fd >= 0)
                ::close(fd);
        });
    }
    for (std::thread &t : clients)
        t.join();
    return failed;
}

// Resident memory of a process in KiB, from /proc; 0 when unknown.
inline long residentKiB(long pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

} // namespace marketload
